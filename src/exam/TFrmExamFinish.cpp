// The exam screen: submission, time-out, grading, review and closing.
#include "exam/TFrmExam.h"

#include "exam/ExamLog.h"
#include "core/exam/ExamResume.h"
#include "core/exam/PaperDraw.h"
#include "exam/PauseCover.h"
#include "core/exam/ScoreRules.h"
#include "question/AnswerPages.h"
#include "question/AnswerPanel.h"
#include "question/TFrmBj.h"
#include "core/app/AppState.h"
#include "common/Guard.h"
#include "common/Prompt.h"
#include "common/TFrmProgress.h"
#include "core/store/DataModule.h"
#include "core/store/Dataset.h"
#include "ui/CommandButton.h"
#include "ui/Screen.h"

#include <QLabel>
#include <QTimer>

namespace {

constexpr int kDiscardStudyTimeFrom = 50; // 作废 with this many unanswered adds no study time
constexpr int kProgressEvery = 5;         // seconds between two saves of the running exam

} // namespace

using exam::Mode;

// ---- the clock -------------------------------------------------------------------------

void TFrmExam::KZTimeCounter1Timer()
{
    if (m_mode != Mode::Answering || !m_clock.running() || m_ending)
        return;
    ui::showValue(epLb_time1, m_clock.text());
    const qint64 elapsed = m_clock.elapsedSeconds();
    if (elapsed % kProgressEvery == 0) {
        if (!m_note) // the note holds the row in edit
            keepShownAnswer();
        saveProgressNow();
    }
    if (elapsed < exam::examSettings(DM1->db()).examTime)
        return;
    if (m_note) {
        // The note belongs to the question it was opened on: it is saved and closed
        // before the paper is graded (and reopened at question 1).
        m_clock.stop();
        KZTimeCounter1->stop();
        m_timeUpAfterNote = true;
        m_note->done(QDialog::Accepted);
        return;
    }
    submit(true);
}

// ---- submission --------------------------------------------------------------------------

void TFrmExam::epEfTrBtn3Click()
{
    if (m_mode == Mode::Answering && !m_paused)
        submit(false);
}

void TFrmExam::epEfTrBtn7Click()
{
    if (m_mode == Mode::Answering) {
        if (!m_paused)
            submit(false);
        return;
    }
    closeReview();
}

void TFrmExam::submit(bool timeUp)
{
    m_ending = true;
    struct Ending {
        bool& flag;
        ~Ending() { flag = false; }
    } ending{m_ending};

    m_clock.stop();
    KZTimeCounter1->stop();
    m_timeUsed = m_clock.text();
    ui::showValue(epLb_time1, m_timeUsed);
    if (!SaveAnswer(m_current, Notebook1->currentIndex(), false)) {
        // The answer shown could not be kept: the exam goes on so it can be given again.
        resumeClock();
        return;
    }
    int unanswered = 0;
    if (!guard::run(QStringLiteral("发生错误！"), [&] { unanswered = exam::unansweredCount(DM1->db(), m_table); })) {
        resumeClock();
        return;
    }

    if (timeUp) {
        prompt::messageBox(prompt::Icon::Information, QStringLiteral("提示"), QStringLiteral("很遗憾，考试时间到了！"));
        if (unanswered < exam::kGridSize)
            gradePaper(true);
        else
            dropPaper();
        return;
    }
    if (unanswered >= exam::kGridSize) {
        dropPaper();
        return;
    }
    const QString text = unanswered == 0 ? QStringLiteral("恭喜你已经做完试卷，确定要交卷吗？")
                                         : QStringLiteral("你还有%1道题未做，确定要交卷吗？").arg(unanswered);
    switch (ShowPrompt(QStringLiteral("提示"), text, prompt::Mode::Three, prompt::Page::Information, prompt::Variant::Exam)) {
    case 1: // 确定
        gradePaper(false);
        return;
    case 2: // 作废
        if (unanswered < kDiscardStudyTimeFrom) {
            try {
                DM1->AddStudyTime(m_timeUsed);
            } catch (const store::DbError& e) {
                qCWarning(lcExam).noquote() << "study time of a voided paper:" << e.message();
            }
        }
        dropPaper();
        return;
    default: // 取消: the clock runs on from where it stopped
        resumeClock();
        return;
    }
}

void TFrmExam::dropPaper()
{
    const QString table = m_table;
    try {
        exam::forgetProgress(DM1->db(), table);
    } catch (const store::DbError&) {
    }
    paper()->close();
    dropQuietly(table);
    accept();
}

void TFrmExam::dropQuietly(const QString& table)
{
    try {
        DM1->DropPaperTable(table);
    } catch (const store::DbError& e) {
        // The screen closes either way; the paper stays whole in the score list.
        qCWarning(lcExam).noquote() << "dropping" << table << "failed:" << e.message();
    }
}

void TFrmExam::resumeClock()
{
    if (m_timeOver) // graded at the time-out and failed: the clock stays at the limit
        return;
    m_clock.start();
    KZTimeCounter1->start();
}

void TFrmExam::gradePaper(bool timeUp)
{
    hide();
    progress::show(QStringLiteral("正在判卷..."));
    try {
        const exam::Grade g = exam::gradePaper(*DM1, m_table, m_typeTable, m_timeUsed);
        m_mode = Mode::Review;
        m_score = g.score;
        m_belowPass = g.belowPass;
        try {
            exam::forgetProgress(DM1->db(), m_table);
        } catch (const store::DbError&) {
        }
    } catch (const std::exception& e) {
        qCWarning(lcExam).noquote() << "grading" << m_table << "failed:" << e.what();
        progress::hide();
        prompt::error(QStringLiteral("发生错误！"));
        // The exam screen comes back as it was, so the candidate can hand in again.
        // After a time-out the clock stays at the limit, so the time-up is not repeated.
        if (timeUp)
            m_timeOver = true;
        show();
        resumeClock();
        return;
    }
    m_resumed = false;
    if (!OpenPaper())
        return;
    progress::hide();
    m_firstShow = true;
    show(); // FormShow: review from question 1
}

void TFrmExam::closeReview()
{
    if (m_belowPass) {
        prompt::messageBox(prompt::Icon::Information, QStringLiteral("提示"), exam::belowPassNotice(DM1->db()));
        paper()->close();
        dropQuietly(m_table);
    }
    accept();
}

// ---- the answer panel ----------------------------------------------------------------------

void TFrmExam::epEfTrBtn6Click()
{
    if (m_mode != Mode::Review)
        return;
    if (!answerPanelOpen()) {
        if (!moveTo(m_current))
            return;
        Panel2->setTexts(practice::answerPanelTexts(Notebook1->state(), paper()->text(QStringLiteral("A2"))));
    }
    ToggleAnswerPanel();
}

// ---- closing ----------------------------------------------------------------------------------

void TFrmExam::reject()
{
    // No frame, no close box: an exam ends through 交卷 or 关闭 only.
}

void TFrmExam::done(int result)
{
    if (!m_closed) {
        m_closed = true;
        FormCloseQuery();
    }
    QDialog::done(result);
}

void TFrmExam::FormCloseQuery()
{
    ui::WaitCursor busy;
    m_clock.stop();
    KZTimeCounter1->stop();
    Cover->uncover();
    for (store::Dataset* ds : {DM1->Cn1Query1, DM1->Cn1Query2, DM1->Cn1Query_tm, DM1->Cn1Table_cj, DM1->Cn1Table_tx,
                               DM1->Cn1Query_exam, DM1->Cn1Table_fgmc})
        ds->close();
}
