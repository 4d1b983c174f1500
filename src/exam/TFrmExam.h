#pragma once

#include "core/exam/ExamRules.h"
#include "core/exam/PaperDraw.h"
#include "core/question/AnswerRules.h"
#include "question/QuestionScreen.h"

#include <QHash>
#include <QPointer>
#include <array>

class QButtonGroup;
class QGroupBox;
class QLabel;
class QStackedWidget;
class TFrmBj;

namespace ui {
class PictureButton;
}

namespace exam {
class PauseCover;

// Answering a paper under the exam clock, or reviewing a graded or stored one.
enum class Mode { Answering, Review };
}

// The exam screen: a paper (DM1->Cn1Query_exam) one question at a time under the
// exam clock (Mode::Answering), or a graded or stored paper for review (Mode::Review).
// Every answer is recorded into the paper and the bank as it is given.
//
//     TFrmExam f(owner);
//     f.InitPaper(table, title, exam::Mode::Answering, 0, "0:00:00");
//     if (f.OpenPaper())
//         f.execModal();
class TFrmExam : public practice::QuestionScreen {
    Q_OBJECT
public:
    explicit TFrmExam(QWidget* parent = nullptr);
    ~TFrmExam() override;

    // Stores the paper's values; answering, it also draws the paper (a failure
    // is reported and ends the program; false is returned).
    bool InitPaper(const QString& paperTable, const QString& title, exam::Mode mode, double score, const QString& timeUsed);
    // A paper whose exam was cut short: it goes on at `question` with the clock at `seconds`.
    void ResumePaper(const QString& paperTable, const QString& title, qint64 seconds, int question);
    // Opens the paper; on failure reports "无法打开试卷！" and ends the program.
    bool OpenPaper();
    // Shows the screen application-modal until it closes. Grading hides and shows
    // it again without ending it.
    int execModal();

    void SetupQuestionGrid(int questionCount, exam::Mode mode);
    void ShowAnswerControls(int page, exam::Mode mode);
    void ShowQuestionText(const QString& questionId);
    // False when the answer could not be recorded (reported).
    bool SaveAnswer(int questionNumber, int page, bool updatePicture);

    // Handlers, named after their controls; public so tests can drive them.
    void fcBG_thChange(int previous, int next); // grid button numbers, 0 = none
    void epEfTrBtn1Click();  // 上一题
    void epEfTrBtn2Click();  // 下一题
    void epEfTrBtn3Click();  // 交卷
    void epEfTrBtn4Click();  // 解析
    void epEfTrBtn5Click();  // 笔记
    void epEfTrBtn6Click();  // 答案 / 返回
    void epEfTrBtn7Click();  // 关闭
    void epEfTrBtn9Click();  // 考点
    void epEfTrBtn11Click(); // 桌面
    void epEfTrBtn12Click(); // 本题作废 / 取消作废
    void epEfTrBtn13Click(); // 暂停考试 / 继续考试
    void KZTimeCounter1Timer(); // clock tick
    void pressGridButton(int number); // presses grid button `number` (1 … 120)

    // Screen state.
    exam::Mode mode() const { return m_mode; }
    QString paperTable() const { return m_table; }
    int currentQuestion() const { return m_current; }
    int questionCount() const { return m_count; }
    bool paused() const { return m_paused; }
    bool belowPass() const { return m_belowPass; }
    double score() const { return m_score; }
    QString timeUsed() const { return m_timeUsed; }
    const exam::Stopwatch& clock() const { return m_clock; }
    // The mark a grid button shows: open, answered, or in review right or wrong.
    practice::AnswerMark gridMark(int number) const;

    // Elements, by the names the screen gives them.
    QLabel* epLabel2;  // paper title
    QLabel* Label5;    // question number
    QLabel* Label7;    // type label
    QLabel* Label1;    // red notice line
    exam::PauseCover* Cover;
    QGroupBox* hintBoard; // "提示板"
    QStackedWidget* Notebook_Time;
    QLabel* epLb_time1;
    QLabel* epLb_time2;
    QLabel* Lb_zfs;
    QWidget* fcBG_th;
    std::array<ui::PictureButton*, exam::kGridSize> thButtons{};
    // epEfTrBtn3 交卷, epEfTrBtn7 关闭, epEfTrBtn10 生成文档 (the rest: QuestionScreen)
    ui::CommandButton* epEfTrBtn11; // 桌面
    ui::CommandButton* epEfTrBtn12; // 本题作废
    ui::CommandButton* epEfTrBtn13; // 暂停考试

    struct Arrangement; // sizes of the full and the compact arrangement

public Q_SLOTS:
    void done(int result) override;
    void reject() override; // Escape does not end an exam

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Layout (TFrmExamLayout.cpp).
    void buildScreen(const Arrangement& a);
    QBoxLayout* buildInfoRow(QVBoxLayout* outer, const Arrangement& a);
    QWidget* buildHintBoard(const Arrangement& a);
    QWidget* buildCommands(const Arrangement& a);
    void connectHandlers();

    // Showing and answering (TFrmExam.cpp).
    static store::Dataset* paper(); // the open paper's rows, DM1->Cn1Query_exam
    void FormShow();
    void FormCloseQuery();
    void setGridPictures(int number, practice::AnswerMark mark);
    void loadTypes();
    bool moveTo(int number);
    void saveProgressNow();
    void recordShownAnswer(int questionNumber, int page, bool updatePicture); // throws store::DbError
    void keepShownAnswer(); // the answer on screen, quietly (pause, the clock's periodic save)
    void setAnswering(bool on); // commands, book and grid while answering (not paused)
    void setVoided(bool voided); // the question shown in review is voided (本题作废 undoes it)

    // Ending the exam (TFrmExamFinish.cpp).
    void submit(bool timeUp);
    void gradePaper(bool timeUp);
    void dropPaper();
    void dropQuietly(const QString& table); // logged on a failure
    void resumeClock();
    void closeReview();

    QButtonGroup* m_thGroup = nullptr;
    QHash<int, exam::PaperType> m_types;
    QString m_typeTable; // the paper's own mock's type table
    QString m_table;
    QString m_title;
    exam::Mode m_mode = exam::Mode::Answering;
    double m_score = 0;
    QString m_timeUsed = QStringLiteral("0:00:00");
    bool m_belowPass = false;
    bool m_firstShow = true; // the next show fills the screen (FormShow)
    bool m_resumed = false;
    qint64 m_resumeSeconds = 0;
    int m_resumeQuestion = 1;
    int m_current = 0;
    int m_count = 0;
    bool m_paused = false;
    bool m_prevBeforePause = false;
    bool m_nextBeforePause = false;
    bool m_closed = false;
    bool m_voided = false;
    bool m_ending = false; // submission or time-out in progress
    std::array<practice::AnswerMark, exam::kGridSize> m_marks{};
    exam::Stopwatch m_clock;
    qint64 m_shownAtMs = 0; // the exam clock when the question shown came up
    QPointer<TFrmBj> m_note;        // the note window while it is open
    bool m_timeUpAfterNote = false; // the time ran out while the note was open
    bool m_timeOver = false;        // grading at the time-out failed: the clock stays stopped
};
