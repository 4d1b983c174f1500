#pragma once

#include "common/ModalLoop.h"
#include "core/practice/ChooserRules.h"

#include <QPixmap>
#include <QSet>
#include <QWidget>

class QLabel;
class QLCDNumber;
class QTableView;

namespace store {
class DatasetModel;
}
namespace ui {
class CommandButton;
}

// The chapter chooser ("科目名称"): the chapter tree with the candidate's counters,
// the totals board, and the practice modes on the chosen chapter.
//
// A modal window with exec() like a dialog; it is a plain window because it hides
// itself while the practice screen it started is open, and a dialog would end its
// exec() on hiding.
class TFrmkmmc : public QWidget {
    Q_OBJECT
public:
    explicit TFrmkmmc(QWidget* parent = nullptr);
    ~TFrmkmmc() override;

    // Shows the chooser modally; returns when it closes.
    int exec();

    QTableView* DBGrid1;
    QLCDNumber* epNum_all; // 总习题数
    QLCDNumber* epNum_ok;  // 已做题道次
    QLCDNumber* epNum_Err; // 做错题道次
    QLabel* Lb_fs;         // 综合成绩
    ui::CommandButton* btnNew;    // 练习新题
    ui::CommandButton* btnWrong;  // 错题重做
    ui::CommandButton* btnReview; // 习题重温
    ui::CommandButton* btnInput;  // 试题录入
    ui::CommandButton* btnConfig; // 设置
    ui::CommandButton* btnClose;  // 关闭
    ui::CommandButton* btnGuide;  // 解析指导
    ui::CommandButton* btnImport; // 试题导入
    ui::CommandButton* btnExport; // 导出试题 (the candidate's own questions of the chapter)

    // The chapter on which a practice mode was last started.
    QString rememberedChapter() const { return m_remembered; }
    // True while the chooser shows (not while a practice screen it started is open).
    bool choosing() const { return m_choosing; }

    // The showing steps: filter, layout, totals, back to the remembered chapter.
    void FormShow();
    void startPractice(practice::PracticeMode mode);
    void btnGuideClick();
    // 试题录入: question entry on the selected chapter; the board counts what was saved.
    void btnInputClick();
    // 试题导入: questions from a file into the selected chapter; the board counts them.
    void btnImportClick();
    // 导出试题: the candidate's own questions of the selected chapter to a file.
    void btnExportClick();

protected:
    void paintEvent(QPaintEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildGrid();
    void buildBoard();
    void buildCommands();
    void arrange(bool compact);
    void fitHeadings();
    QSet<int> m_twoLineHeadings;
    void showTotals();
    // 解析指导 follows the current chapter while the chooser shows.
    void updateGuidance();
    // The selected chapter's code and name; false (and the reason shown) when none is.
    bool selectedChapter(QString* code, QString* name);
    // After new questions: the grid re-read, back on the chapter, the board counting them.
    void countNewQuestions(const QString& code, int saved);

    store::DatasetModel* m_model;
    QList<QLabel*> m_boardLabels;
    QPixmap m_background;
    QString m_remembered;
    bool m_choosing = false;
    modal::Loop m_modal;
};
