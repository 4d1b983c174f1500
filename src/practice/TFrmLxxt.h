#pragma once

#include "practice/AnswerRules.h"

#include <QDialog>
#include <QHash>
#include <QPixmap>
#include <array>
#include <functional>

class QButtonGroup;
class QLabel;
class QLineEdit;
class QScrollArea;
class QSplitter;
class QTimer;
class QWidget;

namespace ui {
class CommandButton;
class Gauge;
class PictureButton;
class RichTextView;
}

namespace practice {
class AnswerBook;
}

// The practice screen: the questions its opener selected (app::PracticeQuery on
// DM1->Cn1Query_tm), one at a time, in groups of 20 under a type filter, with an
// answer timer and a practice clock. Every answer is recorded into the bank.
//
//     TFrmLxxt f(this);
//     if (f.LoadQuestionSet())
//         f.exec();
class TFrmLxxt : public QDialog {
    Q_OBJECT
public:
    explicit TFrmLxxt(QWidget* parent = nullptr);
    ~TFrmLxxt() override;

    // Clears the open answers of the bank, opens the set and builds the type
    // filter; false when the set has no question (the screen is then not shown).
    bool LoadQuestionSet();
    // which: "1" the first group, "2" the previous one, "3" the next one.
    void ShowGroup(const QString& which, int count);
    // Records the question left and shows the one at position `next`.
    void ShowQuestion(int previous, int next, int last, int first);
    void ApplyTypeFilter(const QString& filter);
    void ShowQuestionText(const QString& questionId);
    // Puts the question's open answer back on the page and sets the buttons around it.
    void ShowAnswerControls();
    // Records the answer on the page for the question at position `index` of the set.
    void SaveAnswer(int index, int page, practice::SaveMode mode, int last, int first);
    void ToggleAnswerPanel();

    // Handlers, named after their controls; public so tests can drive and step them.
    void fcBG_txChange(int button);  // type filter button pressed
    void fcBG_thChange(int button);  // grid button pressed (0 … 19)
    void FlatSpeedButton1Click();    // <-上一组
    void FlatSpeedButton2Click();    // 下一组->
    void epEfTrBtn1Click();          // 上一题
    void epEfTrBtn2Click();          // 下一题
    void epEfTrBtn3Click();          // 完成
    void epEfTrBtn4Click();          // 解析
    void epEfTrBtn5Click();          // 笔记
    void epEfTrBtn6Click();          // 答案 / 返回
    void epEfTrBtn7Click();          // 桌面
    void epEfTrBtn9Click();          // 考点
    void epEfTrBtn10Click();         // 题目作废 / 取消作废
    void epEfTrBtn99Click();         // 关闭
    void Timer1Timer();              // answer timer tick
    void KZTimeCounter1Timer();      // practice clock tick

    // Screen state.
    int currentIndex() const { return m_current; }
    int groupFirst() const { return m_first; }
    int groupSize() const { return m_size; }
    int groupShown() const { return m_group; }
    int groupCount() const { return m_groups; }
    practice::AnswerMark gridMark(int button) const { return m_thMark[size_t(button)]; }
    bool answerPanelOpen() const;
    bool lowerPaneOpen() const;

    // Elements, by the names the screen gives them.
    QLabel* epLabel2;  // heading
    QLabel* Label12;   // number within the group
    QLabel* Label15;   // how often the question came up
    QLabel* Label21;   // voided / added notice
    QLabel* Label24;   // edited notice
    QSplitter* Splitter1;
    ui::RichTextView* Re1;
    ui::RichTextView* Re2;
    ui::Gauge* epIndiGauge1;
    QLabel* epLabel1;  // practice clock
    QWidget* fcBG_tx;  // type filter
    QWidget* fcBG_th;  // question-number grid
    std::array<ui::PictureButton*, 20> thButtons{};
    QVector<ui::PictureButton*> txButtons;
    QLabel* Lb_zs;     // groups
    QLabel* Lb_ts;     // questions
    QLabel* Lb_zb;     // group shown
    ui::CommandButton* FlatSpeedButton1;
    ui::CommandButton* FlatSpeedButton2;
    practice::AnswerBook* Notebook1;
    QWidget* Panel2;   // answer panel
    QLabel* panelHeadline;
    QLineEdit* panelYours;
    QLineEdit* panelCorrect;
    ui::CommandButton* epEfTrBtn1;
    ui::CommandButton* epEfTrBtn2;
    ui::CommandButton* epEfTrBtn3;
    ui::CommandButton* epEfTrBtn4;
    ui::CommandButton* epEfTrBtn5;
    ui::CommandButton* epEfTrBtn6;
    ui::CommandButton* epEfTrBtn7;
    ui::CommandButton* epEfTrBtn8;
    ui::CommandButton* epEfTrBtn9;
    ui::CommandButton* epEfTrBtn10;
    ui::CommandButton* epEfTrBtn11;
    ui::CommandButton* epEfTrBtn99;
    QTimer* Timer1;
    QTimer* KZTimeCounter1;

    // The practice clock's elapsed seconds.
    qint64 elapsedSeconds() const { return m_elapsed; }

public Q_SLOTS:
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

public:
    struct Arrangement; // sizes of the full and the compact arrangement

private:
    void buildScreen(const Arrangement& a);
    QWidget* buildRightColumn(const Arrangement& a);
    QWidget* buildQuestionArea(const Arrangement& a);
    QWidget* buildCommands(const Arrangement& a);
    bool loadGridPictures();
    void FormShow();
    void FormClose();
    void setGridPictures(int button, practice::AnswerMark mark);
    void pressGridButton(int button);
    void pressTypeButton(int button);
    void closeAnswerPanel();
    void setPanelWidth(int width);
    void closeLowerPane();
    void showCaughtError(const QString& text);
    bool moveToCurrent();

    QString m_picDir;
    // Grid pictures per mark: up and pressed.
    std::array<QPixmap, 3> m_gridUp, m_gridDown;
    std::array<int, 20> m_thPos{};
    std::array<practice::AnswerMark, 20> m_thMark{};
    QButtonGroup* m_thGroup = nullptr;
    QButtonGroup* m_txGroup = nullptr;
    QVector<int> m_txTypes;       // type id of each type button (0 for 任意)
    QHash<int, QString> m_typeNames;
    int m_txPressed = -1;         // type button pressed
    int m_thPressed = -1;         // grid button pressed
    int m_current = 0;            // position of the question shown (0: none yet)
    int m_first = 1;              // first position of the group shown
    int m_size = 0;               // size of the group shown
    int m_group = 0;              // group shown (1-based)
    int m_groups = 0;             // number of groups
    qint64 m_elapsed = 0;
    bool m_shown = false;
    bool m_closed = false;
    QWidget* m_questionArea = nullptr;
};

namespace practice {

// Shows the desktop: asks the window manager where it can, else minimises the
// program's windows.
void showDesktop();

} // namespace practice
