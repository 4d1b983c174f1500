// The exam screen: opening a paper, showing a question, answering, pausing.
#include "exam/TFrmExam.h"

#include "exam/ExamLog.h"
#include "core/exam/ExamResume.h"
#include "core/exam/PaperDraw.h"
#include "exam/PauseCover.h"
#include "core/exam/ScoreRules.h"
#include "question/TfrmAnswFagui.h"
#include "question/AnswerPages.h"
#include "core/question/AnswerRules.h"
#include "question/AnswerPanel.h"
#include "core/question/PracticeRules.h"
#include "question/TFrmBj.h"
#include "question/TFrmJx.h"
#include "core/app/AppState.h"
#include "common/Guard.h"
#include "common/ModalLoop.h"
#include "common/Prompt.h"
#include "common/TFrmProgress.h"
#include "core/store/DataModule.h"
#include "core/store/Dataset.h"
#include "core/store/Random.h"
#include "ui/AccessibleText.h"
#include "ui/CommandButton.h"
#include "ui/Desktop.h"
#include "ui/PictureButton.h"
#include "ui/RichTextView.h"
#include "ui/Screen.h"

#include <QButtonGroup>
#include <QKeyEvent>
#include <QLabel>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStackedWidget>
#include <QTimer>

Q_LOGGING_CATEGORY(lcExam, "tesvora.exam", QtWarningMsg)

using exam::Mode;
using practice::AnswerMark;

store::Dataset* TFrmExam::paper()
{
    return DM1->Cn1Query_exam;
}

// ---- opening -------------------------------------------------------------------------

bool TFrmExam::InitPaper(const QString& paperTable, const QString& title, Mode mode, double score, const QString& timeUsed)
{
    m_table = paperTable;
    m_title = title;
    m_mode = mode;
    m_score = score;
    m_timeUsed = timeUsed;
    m_resumed = false;
    if (m_mode == Mode::Review)
        return true;
    try {
        exam::drawPaper(DM1->db(), app::CurrentPaperNo, m_table, store::Random::generator());
    } catch (const exam::PaperError& e) {
        qCWarning(lcExam).noquote() << "drawing" << m_table << "failed:" << e.what();
        // The paper is of no use: it goes, score row and all, before the program ends.
        dropQuietly(m_table);
        prompt::error(e.stage() == exam::PaperError::Stage::NoCandidates ? QStringLiteral("没有发现题目！")
                                                                         : QStringLiteral("提取数据时发生错误！"));
        app::endProgram(1);
        return false;
    }
    return true;
}

void TFrmExam::ResumePaper(const QString& paperTable, const QString& title, qint64 seconds, int question)
{
    InitPaper(paperTable, title, Mode::Review, 0, QStringLiteral("0:00:00"));
    m_mode = Mode::Answering;
    m_resumed = true;
    m_resumeSeconds = seconds;
    m_resumeQuestion = question;
}

bool TFrmExam::OpenPaper()
{
    const bool fresh = m_mode == Mode::Answering && !m_resumed;
    if (progress::isShown())
        progress::setText(m_mode == Mode::Answering ? QStringLiteral("正在出卷...") : QStringLiteral("正在提取试卷..."));
    try {
        exam::openPaper(DM1->db(), *paper(), m_table, fresh);
        loadTypes();
    } catch (const std::exception& e) {
        qCWarning(lcExam).noquote() << "opening" << m_table << "failed:" << e.what();
        if (fresh) {
            // Like a failed draw: an unscored paper that cannot be opened must not stay in the list.
            paper()->close();
            dropQuietly(m_table);
        }
        prompt::error(QStringLiteral("无法打开试卷！"));
        app::endProgram(1);
        return false;
    }
    m_count = std::min(paper()->recordCount(), exam::kGridSize);
    return true;
}

void TFrmExam::loadTypes()
{
    // A stored paper keeps its own mock's types, whatever mock was started last.
    m_typeTable = exam::paperTypeTable(DM1->db(), m_table, app::currentTypeTable());
    m_types = exam::paperOwnTypes(DM1->db(), m_table, m_typeTable);
}

int TFrmExam::execModal()
{
    return modal::runDialog(*this);
}

// ---- showing -------------------------------------------------------------------------

void TFrmExam::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // A window manager shows the screen again after a minimise or a desktop switch:
    // only the first show (and the review after grading) fills it.
    if (!m_firstShow)
        return;
    guard::run(QStringLiteral("无法打开试卷！"), [this] { FormShow(); });
}

void TFrmExam::FormShow()
{
    m_firstShow = false;
    if (progress::isShown())
        progress::hide();
    ui::showValue(epLabel2, m_title);
    closeLowerPane();
    const bool review = m_mode == Mode::Review;
    epEfTrBtn3->setEnabled(!review);
    epEfTrBtn10->setEnabled(review);
    epEfTrBtn4->setEnabled(false);
    epEfTrBtn6->setEnabled(false);
    epEfTrBtn9->setEnabled(false);
    epEfTrBtn12->setEnabled(false);
    epEfTrBtn13->setVisible(!review);
    btnBookmark->setVisible(review);
    Notebook1->setEnabled(!review);
    setWindowTitle(review ? QStringLiteral("查阅试卷") : QStringLiteral("正在答卷"));
    setAccessibleName(windowTitle());
    Notebook_Time->setCurrentIndex(review ? 1 : 0);
    if (review) {
        ui::showValue(epLb_time2, m_timeUsed);
        ui::showValue(Lb_zfs, exam::scoreLine(m_score));
    }
    closeAnswerPanel();

    SetupQuestionGrid(m_count, m_mode);

    m_clock.reset();
    m_clock.stop();
    KZTimeCounter1->stop();
    if (!review) {
        if (m_resumed) {
            m_clock.restore(m_resumeSeconds);
            if (m_resumeQuestion > 1 && m_resumeQuestion <= m_count)
                pressGridButton(m_resumeQuestion);
        }
        m_clock.start();
        m_shownAtMs = m_clock.elapsedMs();
        ui::showValue(epLb_time1, m_clock.text());
        KZTimeCounter1->start();
        saveProgressNow();
    }
}

void TFrmExam::SetupQuestionGrid(int questionCount, Mode mode)
{
    store::Dataset* p = paper();
    m_thGroup->setExclusive(false);
    for (int i = 1; i <= exam::kGridSize; ++i) {
        ui::PictureButton* b = thButtons[size_t(i - 1)];
        b->setChecked(false);
        const bool used = i <= questionCount;
        b->setEnabled(used);
        // Buttons past the paper's end keep their place in the grid, unseen and unread.
        b->setText(used ? QString::number(i) : QString());
        b->setVisible(used);
        AnswerMark mark = AnswerMark::Open;
        if (used && p->moveTo(i)) {
            const QString answer = p->text(QStringLiteral("E2_1"));
            // In review an unanswered question keeps the plain mark, apart from the wrong ones.
            if (mode == Mode::Review)
                mark = practice::answerMark(answer, p->text(QStringLiteral("A2")));
            else if (!answer.isEmpty()) // a resumed paper keeps its answers
                mark = AnswerMark::Answered;
        }
        setGridPictures(i, mark);
    }
    m_thGroup->setExclusive(true);
    m_current = 0;
    if (questionCount > 0)
        pressGridButton(1);
}

void TFrmExam::setGridPictures(int number, AnswerMark mark)
{
    if (number < 1 || number > exam::kGridSize)
        return;
    ui::PictureButton* b = thButtons[size_t(number - 1)];
    m_marks[size_t(number - 1)] = mark;
    paintMark(b, mark);
    ui::setName(b, b->isEnabled() ? QStringLiteral("第%1题 %2").arg(number).arg(practice::markWords(mark)) : QStringLiteral("未用"));
}

AnswerMark TFrmExam::gridMark(int number) const
{
    return number >= 1 && number <= exam::kGridSize ? m_marks[size_t(number - 1)] : AnswerMark::Open;
}

// ---- changing the question -------------------------------------------------------------

void TFrmExam::pressGridButton(int number)
{
    if (number < 1 || number > m_count)
        return;
    const int previous = m_current;
    {
        // The screen moves itself; the toggle must not record and move a second time.
        const QSignalBlocker quiet(m_thGroup);
        thButtons[size_t(number - 1)]->setChecked(true);
    }
    fcBG_thChange(previous, number);
}

bool TFrmExam::moveTo(int number)
{
    store::Dataset* p = paper();
    return p->isOpen() && number >= 1 && (p->recNo() == number || p->moveTo(number));
}

void TFrmExam::fcBG_thChange(int previous, int next)
{
    closeAnswerPanel();
    if (next < 1)
        return;
    if (previous >= 1 && previous != next && m_mode == Mode::Answering) {
        if (!SaveAnswer(previous, Notebook1->currentIndex(), true)) {
            // The answer on the page is not lost: the question stays.
            const QSignalBlocker quiet(m_thGroup);
            thButtons[size_t(previous - 1)]->setChecked(true);
            return;
        }
    }
    m_current = next;
    m_shownAtMs = m_clock.elapsedMs();
    ui::showValue(Label5, QString::number(next));
    nameQuestion(next);
    epEfTrBtn1->setEnabled(next >= 2);
    epEfTrBtn2->setEnabled(next < m_count);
    if (!moveTo(next))
        return;
    store::Dataset* p = paper();
    const int page = practice::answerPageOfType(DM1->db(), m_typeTable, int(p->integer(QStringLiteral("A13"))));
    Notebook1->showPage(page);
    ShowAnswerControls(page, m_mode);
    ShowQuestionText(p->text(QStringLiteral("A1")));
    ui::showValue(Label1, QString());
    setVoided(false);
    if (m_mode == Mode::Answering) {
        epEfTrBtn12->setEnabled(false);
        saveProgressNow();
    } else {
        showBookmark(p->text(QStringLiteral("A1")));
        epEfTrBtn12->setEnabled(true);
        epEfTrBtn9->setEnabled(!p->text(QStringLiteral("K3")).trimmed().isEmpty());
        const qint64 f1 = p->integer(QStringLiteral("F1"));
        if (f1 == 1) {
            ui::showValue(Label1, QStringLiteral("本题已被您作废！"));
            setVoided(true);
        } else if (f1 == 2) {
            ui::showValue(Label1, QStringLiteral("本题是您加入的题目！"));
        }
    }
}

void TFrmExam::ShowAnswerControls(int page, Mode mode)
{
    store::Dataset* p = paper();
    const int type = int(p->integer(QStringLiteral("A13")));
    const auto t = m_types.constFind(type);
    ui::showValue(Label7, t == m_types.constEnd() ? QString()
                                                  : QStringLiteral("%1 每题%2分 共%3分").arg(t->name, exam::scoreText(t->score), exam::scoreText(t->score * t->count)));
    if (mode == Mode::Review) {
        epEfTrBtn6->setEnabled(!practice::answerHiddenForType(type));
        epEfTrBtn4->setEnabled(!p->isNull(QStringLiteral("jx")) && !p->bytes(QStringLiteral("jx")).isEmpty());
        epEfTrBtn9->setEnabled(!p->text(QStringLiteral("K3")).trimmed().isEmpty());
    }
    showNoteState(practice::hasNote(p->value(QStringLiteral("A14"))));
    if (page < 0 || page >= practice::kPageCount)
        return;
    Notebook1->setOptionCount(practice::visibleOptions(p->value(QStringLiteral("A2_1"))));
    Notebook1->showAnswer(p->text(QStringLiteral("E2_1")));
}

void TFrmExam::ShowQuestionText(const QString& questionId)
{
    guard::run(QStringLiteral("无法打开试题！"), [&] {
        const std::optional<QByteArray> stem = exam::questionStem(DM1->db(), questionId);
        if (!stem) {
            prompt::error(QStringLiteral("找不到该试题！"));
            return;
        }
        showStem(questionId, *stem);
    });
}

// ---- recording -----------------------------------------------------------------------------

bool TFrmExam::SaveAnswer(int questionNumber, int page, bool updatePicture)
{
    // A type with no page has no answer to record.
    if (questionNumber < 1 || page < 0 || page >= practice::kPageCount)
        return true;
    return guard::run(QStringLiteral("答案未能保存，请重新作答！"), [&] { recordShownAnswer(questionNumber, page, updatePicture); });
}

void TFrmExam::recordShownAnswer(int questionNumber, int page, bool updatePicture)
{
    if (!moveTo(questionNumber))
        return;
    practice::PageState state = Notebook1->state();
    state.page = page;
    const QString answer = practice::ReadAnswerText(state);
    // The exam clock stands still while paused, so the seconds are those spent answering.
    const qint64 seconds = std::max<qint64>(m_clock.elapsedMs() - m_shownAtMs, 0) / 1000;
    // Answer times are kept in tenths of a second.
    const qint64 answerTime = app::answerTimeOfType(int(paper()->integer(QStringLiteral("A13")))) / 10;
    exam::recordExamAnswer(*DM1, *paper(), answer, seconds, answerTime);
    if (updatePicture)
        setGridPictures(questionNumber, answer.isEmpty() ? AnswerMark::Open : AnswerMark::Answered);
}

void TFrmExam::keepShownAnswer()
{
    // What is on screen survives a crash too, not only what was left behind.
    const int page = Notebook1->currentIndex();
    if (m_mode != Mode::Answering || m_current < 1 || page < 0 || page >= practice::kPageCount)
        return;
    try {
        recordShownAnswer(m_current, page, true);
    } catch (const store::DbError& e) {
        // Quietly: leaving the question or 交卷 records it again and says so on a failure.
        qCWarning(lcExam).noquote() << "keeping the answer on screen failed:" << e.message();
    }
}

void TFrmExam::saveProgressNow()
{
    if (m_mode != Mode::Answering || m_table.isEmpty())
        return;
    try {
        exam::saveProgress(DM1->db(), {m_table, m_title, app::CurrentPaperNo, m_clock.elapsedSeconds(), std::max(m_current, 1)});
    } catch (const store::DbError& e) {
        // The exam goes on; only a later resume would start from an older point.
        qCWarning(lcExam).noquote() << "keeping the exam's progress failed:" << e.message();
    }
}

// ---- commands ------------------------------------------------------------------------------

void TFrmExam::epEfTrBtn1Click()
{
    if (epEfTrBtn1->isEnabled() && m_current > 1)
        moveFrom(epEfTrBtn1, [this] { pressGridButton(m_current - 1); });
}

void TFrmExam::epEfTrBtn2Click()
{
    if (epEfTrBtn2->isEnabled() && m_current < m_count)
        moveFrom(epEfTrBtn2, [this] { pressGridButton(m_current + 1); });
}

void TFrmExam::epEfTrBtn4Click()
{
    if (!moveTo(m_current))
        return;
    TFrmJx analysis(this);
    analysis.bind(paper(), QStringLiteral("jx"));
    analysis.exec();
}

void TFrmExam::epEfTrBtn5Click()
{
    if (!moveTo(m_current))
        return;
    TFrmBj note(this);
    note.Label1->setText(QStringLiteral("ks"));
    if (!note.bind(paper(), QStringLiteral("A14")))
        return;
    m_note = &note;
    note.exec();
    m_note = nullptr;
    showNoteState(app::NoteHasText);
    if (m_timeUpAfterNote) {
        // The time ran out while the note was open: its question has it, now the paper ends.
        m_timeUpAfterNote = false;
        submit(true);
    }
}

void TFrmExam::epEfTrBtn9Click()
{
    if (!moveTo(m_current))
        return;
    TfrmAnswFagui points(this);
    if (points.load(paper()->text(QStringLiteral("A1"))))
        points.exec();
}

void TFrmExam::epEfTrBtn11Click()
{
    ui::showDesktop();
}

void TFrmExam::epEfTrBtn12Click()
{
    if (m_mode != Mode::Review || m_count < 1 || !moveTo(m_current))
        return;
    const bool voiding = !m_voided;
    exam::setQuestionVoided(*DM1, *paper(), voiding);
    ui::showValue(Label1, voiding ? QStringLiteral("本题已被您作废！") : QStringLiteral("本题曾被作废，现已被您取消！"));
    setVoided(voiding);
}

void TFrmExam::setVoided(bool voided)
{
    // The state, not the caption, says what the button does next.
    m_voided = voided;
    ui::setText(epEfTrBtn12, voided ? QStringLiteral("取消作废") : QStringLiteral("本题作废"));
}

// ---- pause -----------------------------------------------------------------------------------

void TFrmExam::setAnswering(bool on)
{
    for (ui::CommandButton* b : {epEfTrBtn3, epEfTrBtn5, epEfTrBtn7})
        b->setEnabled(on);
    Notebook1->setEnabled(on);
    fcBG_th->setEnabled(on);
}

void TFrmExam::epEfTrBtn13Click()
{
    if (m_mode != Mode::Answering)
        return;
    if (!m_paused) {
        m_paused = true;
        ui::setText(epEfTrBtn13, QStringLiteral("继续考试"));
        m_clock.stop();
        KZTimeCounter1->stop();
        m_prevBeforePause = epEfTrBtn1->isEnabled();
        m_nextBeforePause = epEfTrBtn2->isEnabled();
        setAnswering(false);
        epEfTrBtn1->setEnabled(false);
        epEfTrBtn2->setEnabled(false);
        Cover->coverHost();
        keepShownAnswer();
        saveProgressNow();
    } else {
        m_paused = false;
        ui::setText(epEfTrBtn13, QStringLiteral("暂停考试"));
        m_clock.start();
        KZTimeCounter1->start();
        setAnswering(true);
        epEfTrBtn1->setEnabled(m_prevBeforePause);
        epEfTrBtn2->setEnabled(m_nextBeforePause);
        Cover->uncover();
    }
}

// ---- keys ------------------------------------------------------------------------------------

void TFrmExam::keyPressEvent(QKeyEvent* event)
{
    if (m_paused) // nothing moves while the exam is paused
        return;
    if (takeQuestionKey(event, m_mode == Mode::Answering))
        return;
    if (event->key() == Qt::Key_Escape)
        return;
    QDialog::keyPressEvent(event);
}
