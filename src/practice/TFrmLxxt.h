#pragma once

#include "core/question/AnswerRules.h"
#include "core/practice/ChooserRules.h"
#include "core/question/PracticeRules.h"
#include "core/exam/ExamRules.h"
#include "question/QuestionScreen.h"

#include <QHash>
#include <QPixmap>
#include <array>

class QBoxLayout;
class QButtonGroup;
class QLabel;
class QLineEdit;
class QTimer;
class QVBoxLayout;
class QWidget;

namespace ui {
class CommandButton;
class Gauge;
class PictureButton;
}

// The practice screen: the questions of the statement its opener hands over (on
// DM1->Cn1Query_tm), one at a time, in groups of 20 under a type filter, with an
// answer timer and a practice clock. Every answer is recorded into the bank.
//
//     TFrmLxxt f(this);
//     if (f.LoadQuestionSet(practice::practiceStatement(mode, code)) == TFrmLxxt::Loaded::Questions)
//         f.exec();
//
// A screen of the same kind with other names and captions (the exam-point practice
// screen) derives from it and passes its Variant to the protected constructor.
class TFrmLxxt : public practice::QuestionScreen {
    Q_OBJECT
public:
    explicit TFrmLxxt(QWidget* parent = nullptr);
    ~TFrmLxxt() override;

    // Questions: the set is open and the screen may be shown. Empty: the statement
    // selects nothing. Failed: the bank could not be read (the candidate was told).
    enum class Loaded { Questions, Empty, Failed };
    // Clears the open answers of the bank, opens the set and builds the type filter.
    Loaded LoadQuestionSet(const practice::PracticeStatement& statement);
    enum class Group { First, Previous, Next };
    void ShowGroup(Group which, int count);
    // Records the question left and shows the one at position `next`.
    void ShowQuestion(int previous, int next, int last, int first);
    void ApplyTypeFilter(const QString& filter);
    void ShowQuestionText(const QString& questionId);
    // Puts the question's open answer back on the page and sets the buttons around it.
    void ShowAnswerControls();
    // Records the answer on the page for the question at position `index` of the set.
    void SaveAnswer(int index, int page, practice::SaveMode mode, int last, int first);

    // Handlers, named after their controls; public so tests can drive and step them.
    // Those that reach the store are connected through the slot guard.
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
    void epEfTrBtn11Click();         // 修改本题
    void epEfTrBtn99Click();         // 关闭
    void Timer1Timer();              // answer timer tick
    void KZTimeCounter1Timer();      // practice clock tick

    // Screen state.
    int currentIndex() const { return m_current; }
    int groupFirst() const { return m_page.first; }
    int groupSize() const { return m_page.size; }
    practice::AnswerMark gridMark(int button) const { return m_thMark[size_t(button)]; }

    // Elements, by the names the screen gives them.
    QLabel* epLabel2;  // heading
    QLabel* Label12;   // number within the group
    QLabel* Label15;   // how often the question came up
    QLabel* Label21;   // voided / added notice
    QLabel* Label24;   // edited notice
    ui::Gauge* epIndiGauge1;
    QLabel* epLabel1;  // practice clock
    QWidget* fcBG_tx;  // type filter
    QWidget* fcBG_th;  // question-number grid
    std::array<ui::PictureButton*, practice::kGroupSize> thButtons{};
    QVector<ui::PictureButton*> txButtons;
    QLabel* Lb_zs;     // groups
    QLabel* Lb_ts;     // questions
    QLabel* Lb_zb;     // group shown
    ui::CommandButton* FlatSpeedButton1;
    ui::CommandButton* FlatSpeedButton2;
    QLabel* panelHeadline;
    QLineEdit* panelYours;
    QLineEdit* panelCorrect;
    // epEfTrBtn3 完成, epEfTrBtn7 桌面, epEfTrBtn10 题目作废 (the rest: QuestionScreen)
    ui::CommandButton* epEfTrBtn11; // 修改本题; null where the variant has none
    ui::CommandButton* epEfTrBtn99; // 关闭
    QTimer* Timer1;

    // The practice clock's elapsed seconds.
    qint64 elapsedSeconds() const { return m_elapsed; }

public Q_SLOTS:
    void done(int result) override;

public:
    struct Arrangement; // sizes of the full and the compact arrangement

protected:
    // What differs between the screens of this kind: names, captions, sizes and
    // the parts a screen leaves out. The defaults are the practice screen's.
    struct Variant {
        QString formName = QStringLiteral("TFrmLxxt");
        QString caption = QStringLiteral("练习新题");
        // The window; the other sizes of an arrangement are the same for every variant.
        QSize fullWindow{923, 585};
        QSize compactWindow{780, 490};
        QString groupCountName = QStringLiteral("Lb_zs");
        QString questionCountName = QStringLiteral("Lb_ts");
        QString groupShownName = QStringLiteral("Lb_zb");
        QString desktopName = QStringLiteral("epEfTrBtn7");
        QString closeName = QStringLiteral("epEfTrBtn99");
        QString voidCaption = QStringLiteral("题目作废");
        QString nothingChosenText = QStringLiteral("请先做出答案！");
        bool headingFromChapter = true; // else the opener sets epLabel2
        bool sideFollowsType = true;    // the 主观 page's side label names the type
        bool analysis = true;           // 解析 shown
        bool editing = true;            // 修改本题 and the edited notice
        review::Source source = review::Source::ChapterPractice; // where the answer log says it was given
    };
    TFrmLxxt(QWidget* parent, const Variant& variant);
    const Variant& variant() const { return m_variant; }

    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

    // Steps a variant may extend.
    virtual void FormShow();
    virtual void FormClose();

    void setGridPictures(int button, practice::AnswerMark mark);
    void pressGridButton(int button);
    void pressTypeButton(int button);
    bool moveToCurrent();
    // Shows the group `page` of the set (labels, group buttons, grid) and its first question.
    void showPage(const practice::GroupPage& page);
    void setVoided(bool voided);
    void updateAnswerButtons();

private:
    void buildScreen(const Arrangement& a);
    QBoxLayout* buildInfoRow(QVBoxLayout* outer, const Arrangement& a);
    QWidget* buildRightColumn(const Arrangement& a);
    void buildTypeBoard(QWidget* column, QVBoxLayout* l, const Arrangement& a);
    void buildQuestionGrid(QWidget* column, QVBoxLayout* l, const Arrangement& a);
    void buildGroupCounts(QWidget* column, QVBoxLayout* l, const Arrangement& a);
    void buildGroupButtons(QWidget* column, QVBoxLayout* l, const Arrangement& a);
    QWidget* buildCommands(const Arrangement& a);
    Arrangement arrangement() const;
    void buildTypeButtons(const QVector<practice::QuestionType>& types, const QSet<int>& present);
    void recordAnswer(int index, int page, practice::SaveMode mode, int last, int first);
    // Seconds on the question shown; at least its answer time once the gauge is full.
    qint64 secondsOnQuestion(qint64 answerTime) const;

    // Cells of the answer-time gauge: it fills one a tick of Timer1.
    static constexpr int kGaugeCells = 100;

    Variant m_variant;
    std::array<int, practice::kGroupSize> m_thPos{};
    std::array<practice::AnswerMark, practice::kGroupSize> m_thMark{};
    QButtonGroup* m_thGroup = nullptr;
    QButtonGroup* m_txGroup = nullptr;
    QVector<int> m_txTypes;       // type id of each type button (0 for 任意)
    QHash<int, QString> m_typeNames;
    int m_txPressed = -1;         // type button pressed
    int m_thPressed = -1;         // grid button pressed
    int m_current = 0;            // position of the question shown (0: none yet)
    practice::GroupPage m_page;   // the group shown
    qint64 m_elapsed = 0;
    exam::Stopwatch m_onQuestion; // the question shown, on the injected clock; stopped while it is edited
    bool m_shown = false;
    bool m_closed = false;
    bool m_voided = false;        // the question shown is voided (the 作废 button undoes it)
};
