#include "practice/TFrmLxxt.h"

#include "authoring/TfrmTedit.h"
#include "question/TfrmAnswFagui.h"
#include "question/AnswerPages.h"
#include "question/AnswerPanel.h"
#include "question/TFrmBj.h"
#include "question/TFrmJx.h"
#include "core/app/AppState.h"
#include "common/Guard.h"
#include "common/Prompt.h"
#include "core/store/DataModule.h"
#include "core/store/Dataset.h"
#include "core/store/Statistics.h"
#include "ui/AccessibleText.h"
#include "ui/ArtLayout.h"
#include "ui/CommandButton.h"
#include "ui/Desktop.h"
#include "ui/Gauge.h"
#include "ui/PictureButton.h"
#include "ui/RichTextView.h"
#include "ui/Screen.h"
#include "ui/Style.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSplitter>
#include <QTimer>

using practice::AnswerMark;
using practice::kGroupSize;
using practice::SaveMode;

namespace {

const QString kCannotOpen = QStringLiteral("无法打开试题！");

bool hasAnalysis(const store::Dataset& text)
{
    return text.isOpen() && text.recNo() > 0 && !text.isNull(QStringLiteral("jx"));
}

} // namespace

// ---- grid pictures ------------------------------------------------------------------

void TFrmLxxt::setGridPictures(int button, AnswerMark mark)
{
    ui::PictureButton* b = thButtons[size_t(button)];
    paintMark(b, mark);
    m_thMark[size_t(button)] = mark;
    ui::setDescription(b, practice::markWords(mark));
}

// ---- loading and showing ------------------------------------------------------------

TFrmLxxt::Loaded TFrmLxxt::LoadQuestionSet(const practice::PracticeStatement& statement)
{
    ui::WaitCursor busy;
    store::Dataset* set = DM1->Cn1Query_tm;
    QVector<practice::QuestionType> types;
    QSet<int> present;
    const bool read = guard::run(kCannotOpen, [&] {
        practice::openQuestionSet(DM1->db(), *set, statement);
        if (set->isEmpty())
            return;
        app::FirstQuestionId = set->text(QStringLiteral("a1"));
        // Question types of the current paper, for the filter and the answer pages.
        types = practice::readQuestionTypes(*DM1->Cn1Table_tx, app::currentTypeTable());
        present = practice::typesInSet(*set);
    });
    if (!read) {
        set->close();
        return Loaded::Failed;
    }
    if (set->isEmpty())
        return Loaded::Empty;
    buildTypeButtons(types, present);
    return Loaded::Questions;
}

void TFrmLxxt::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // Only the first showing; coming back from the desktop changes nothing.
    if (!m_shown) {
        m_shown = true;
        guard::run(kCannotOpen, [this] { FormShow(); });
    }
}

void TFrmLxxt::FormShow()
{
    ui::WaitCursor busy;
    epIndiGauge1->setValue(0);
    ui::centreWindow(this, parentWidget());
    try {
        practice::openQuestionText(*DM1->cn1query_nr, app::FirstQuestionId);
    } catch (const store::DbError&) {
        // The question shown next reads its own text row and reports there.
    }
    closeLowerPane();
    closeAnswerPanel();
    if (m_variant.headingFromChapter)
        epLabel2->setText(DM1->CurrentChapterHeading);
    m_current = 0;
    if (!txButtons.isEmpty())
        pressTypeButton(0);
    m_elapsed = 0;
    ui::showValue(epLabel1, practice::practiceClockText(0));
    KZTimeCounter1->start();
    epEfTrBtn9->setEnabled(false);
}

void TFrmLxxt::pressTypeButton(int button)
{
    {
        // The screen changes the type itself; the toggle must not do it a second time.
        const QSignalBlocker quiet(m_txGroup);
        txButtons[button]->setChecked(true);
    }
    fcBG_txChange(button);
}

void TFrmLxxt::fcBG_txChange(int button)
{
    if (button < 0 || button >= txButtons.size())
        return;
    if (m_current > 0) {
        SaveAnswer(m_current, Notebook1->currentIndex(), SaveMode::Quiet, m_page.last(), m_page.first);
        m_current = 0;
    }
    const int previous = m_txPressed;
    m_txPressed = button;
    const int type = m_txTypes[button];
    if (m_variant.sideFollowsType)
        Notebook1->setSubjectiveSide(type != 0 ? txButtons[button]->text() : QStringLiteral("主观"));
    ApplyTypeFilter(type != 0 ? QStringLiteral("A13=%1").arg(type) : QString());

    const int count = DM1->Cn1Query_tm->recordCount();
    if (count == 0) {
        txButtons[button]->setEnabled(false);
        if (previous >= 0 && previous != button) {
            pressTypeButton(previous);
        } else {
            m_txGroup->setExclusive(false);
            txButtons[button]->setChecked(false);
            m_txGroup->setExclusive(true);
            m_txPressed = -1;
        }
        return;
    }
    ShowGroup(Group::First, count);
}

void TFrmLxxt::ApplyTypeFilter(const QString& filter)
{
    store::Dataset* set = DM1->Cn1Query_tm;
    if (set->filter() == filter && set->filtered() == !filter.isEmpty())
        return;
    set->setFiltered(false);
    set->setFilter(filter);
    set->setFiltered(!filter.isEmpty());
}

void TFrmLxxt::ShowGroup(Group which, int count)
{
    switch (which) {
    case Group::First: showPage(practice::firstGroup(count)); return;
    case Group::Previous: showPage(practice::previousGroup(m_page, count)); return;
    case Group::Next: showPage(practice::nextGroup(m_page, count)); return;
    }
}

void TFrmLxxt::showPage(const practice::GroupPage& page)
{
    m_page = page;
    ui::showValue(Lb_zs, QString::number(page.groups));
    ui::showValue(Lb_ts, QString::number(DM1->Cn1Query_tm->recordCount()));
    ui::showValue(Lb_zb, QString::number(page.group));
    FlatSpeedButton1->setEnabled(page.hasPrevious());
    FlatSpeedButton2->setEnabled(page.hasNext());

    store::Dataset* set = DM1->Cn1Query_tm;
    const int e2_1 = set->columnIndex(QStringLiteral("E2_1"));
    const int a2 = set->columnIndex(QStringLiteral("A2"));
    for (int i = 0; i < kGroupSize; ++i) {
        ui::PictureButton* b = thButtons[size_t(i)];
        if (i < page.size) {
            const int row = page.first + i - 1;
            b->setEnabled(true);
            m_thPos[size_t(i)] = page.first + i;
            setGridPictures(i, practice::answerMark(set->valueAt(row, e2_1).toString(), set->valueAt(row, a2).toString()));
        } else {
            b->setEnabled(false);
            m_thPos[size_t(i)] = 0;
            setGridPictures(i, AnswerMark::Open);
        }
    }
    if (page.size > 0)
        pressGridButton(0);
}

void TFrmLxxt::pressGridButton(int button)
{
    {
        // The screen moves itself; the toggle must not record and move a second time.
        const QSignalBlocker quiet(m_thGroup);
        thButtons[size_t(button)]->setChecked(true);
    }
    fcBG_thChange(button);
}

void TFrmLxxt::fcBG_thChange(int button)
{
    if (button < 0 || button >= kGroupSize || m_thPos[size_t(button)] < 1)
        return;
    m_thPressed = button;
    if (!thButtons[size_t(button)]->isChecked()) {
        const QSignalBlocker quiet(m_thGroup);
        thButtons[size_t(button)]->setChecked(true);
    }
    Label24->clear();
    if (answerPanelOpen())
        closeAnswerPanel();
    const int pos = m_thPos[size_t(button)];
    store::Dataset* set = DM1->Cn1Query_tm;
    epEfTrBtn1->setEnabled(pos > 1);
    epEfTrBtn2->setEnabled(pos < set->recordCount());
    ShowQuestion(m_current, pos, m_page.last(), m_page.first);

    Label21->clear();
    const qint64 f1 = set->integer(QStringLiteral("f1"));
    setVoided(f1 == 1);
    if (f1 == 1)
        Label21->setText(QStringLiteral("本题已被您作废！"));
    else if (f1 == 2)
        Label21->setText(QStringLiteral("本题是您加入的题目！"));
    if (m_variant.editing && set->hasColumn(QStringLiteral("ecount")) && set->integer(QStringLiteral("ecount")) != 0)
        Label24->setText(QStringLiteral("本题被您修改过"));
}

void TFrmLxxt::setVoided(bool voided)
{
    m_voided = voided;
    ui::setText(epEfTrBtn10, voided ? QStringLiteral("取消作废") : m_variant.voidCaption);
}

void TFrmLxxt::ShowQuestion(int previous, int next, int last, int first)
{
    SaveAnswer(previous, Notebook1->currentIndex(), SaveMode::Leaving, last, first);
    m_current = next;
    store::Dataset* set = DM1->Cn1Query_tm;
    set->moveTo(next);
    const QString id = set->text(QStringLiteral("a1"));

    store::Dataset* text = DM1->cn1query_nr;
    try {
        practice::openQuestionText(*text, id);
    } catch (const store::DbError&) {
        // The question is shown without its text; ShowQuestionText says so.
        text->close();
    }

    const qint64 e3 = set->integer(QStringLiteral("E3"));
    ui::showValue(Label15, QString::number(e3 <= 0 ? 1 : e3 + 1));
    ui::showValue(Label12, QString::number(next - first + 1));
    nameQuestion(next - first + 1);

    const int type = int(set->integer(QStringLiteral("A13")));
    Notebook1->showPage(practice::AnswerPageOfType(type, m_typeNames.value(type)));
    ShowAnswerControls();
    ShowQuestionText(id);
    showBookmark(id);

    const int button = (next - 1) % kGroupSize;
    setGridPictures(button, practice::answerMark(set->text(QStringLiteral("E2_1")), set->text(QStringLiteral("A2"))));

    Timer1->setInterval(app::answerTimeOfType(type));
    epIndiGauge1->setValue(0);
    Timer1->start();
    m_onQuestion.reset();
    m_onQuestion.start();
}

void TFrmLxxt::updateAnswerButtons()
{
    const practice::ControlStates c = practice::controlStates(*DM1->Cn1Query_tm, hasAnalysis(*DM1->cn1query_nr));
    epEfTrBtn6->setEnabled(c.answerEnabled);
    epEfTrBtn4->setEnabled(c.analysisEnabled);
    epEfTrBtn9->setEnabled(c.pointsEnabled);
}

void TFrmLxxt::ShowAnswerControls()
{
    store::Dataset* set = DM1->Cn1Query_tm;
    updateAnswerButtons();
    showNoteState(practice::hasNote(set->value(QStringLiteral("A14"))));
    Notebook1->setOptionCount(practice::visibleOptions(set->value(QStringLiteral("A2_1"))));
    Notebook1->showAnswer(set->text(QStringLiteral("E2_1")));
}

void TFrmLxxt::ShowQuestionText(const QString& questionId)
{
    store::Dataset* text = DM1->cn1query_nr;
    guard::run(kCannotOpen, [&] {
        showStem(questionId, text->isOpen() && text->recNo() > 0 ? text->bytes(QStringLiteral("A15")) : QByteArray());
    });
}

// ---- recording --------------------------------------------------------------------

bool TFrmLxxt::moveToCurrent()
{
    store::Dataset* set = DM1->Cn1Query_tm;
    if (!set->isOpen() || m_current < 1)
        return false;
    return set->recNo() == m_current || set->moveTo(m_current);
}

void TFrmLxxt::SaveAnswer(int index, int page, SaveMode mode, int last, int first)
{
    if (index < 1)
        return;
    guard::run(QStringLiteral("答案未能保存，请重新作答！"), [&] { recordAnswer(index, page, mode, last, first); });
}

void TFrmLxxt::recordAnswer(int index, int page, SaveMode mode, int last, int first)
{
    store::Dataset* set = DM1->Cn1Query_tm;
    // A type with no page has no answer to record.
    if (page < 0 || page >= practice::kPageCount || !set->moveTo(index))
        return;
    practice::PageState state = Notebook1->state();
    state.page = page;
    review::AnswerContext context;
    context.source = m_variant.source;
    // The type's answer time is kept in tenths of a second, as Timer1 takes it.
    context.answerTime = app::answerTimeOfType(int(set->integer(QStringLiteral("A13")))) / 10;
    context.secondsSpent = secondsOnQuestion(context.answerTime);
    const practice::RecordOutcome outcome = practice::recordAnswer(*DM1, *set, practice::ReadAnswerText(state), context);

    const bool inGroup = first <= index && index <= last;
    if (outcome.what == practice::Recorded::Cleared) {
        if (mode == SaveMode::Check)
            prompt::notice(m_variant.nothingChosenText);
        else if (mode == SaveMode::Leaving && inGroup)
            setGridPictures(index - first, AnswerMark::Open);
        return;
    }
    const AnswerMark mark = outcome.right ? AnswerMark::Right : AnswerMark::Wrong;
    if (mode == SaveMode::Check) {
        updateAnswerButtons();
        setGridPictures((index - 1) % kGroupSize, mark);
    } else if (mode == SaveMode::Leaving && inGroup) {
        setGridPictures(index - first, mark);
    }
}

qint64 TFrmLxxt::secondsOnQuestion(qint64 answerTime) const
{
    const qint64 seconds = m_onQuestion.elapsedSeconds();
    // The gauge ran out by the timer's own count, whatever the clock says.
    return epIndiGauge1->value() >= kGaugeCells ? std::max(seconds, answerTime) : seconds;
}

// ---- commands ------------------------------------------------------------------------

void TFrmLxxt::epEfTrBtn3Click()
{
    if (moveToCurrent())
        SaveAnswer(m_current, Notebook1->currentIndex(), SaveMode::Check, m_page.last(), m_page.first);
}

void TFrmLxxt::FlatSpeedButton1Click()
{
    ShowGroup(Group::Previous, DM1->Cn1Query_tm->recordCount());
}

void TFrmLxxt::FlatSpeedButton2Click()
{
    ShowGroup(Group::Next, DM1->Cn1Query_tm->recordCount());
}

void TFrmLxxt::epEfTrBtn1Click()
{
    if (m_current < 1)
        return;
    // Over the group's border: the previous group from its first question.
    moveFrom(epEfTrBtn1, [this] {
        if (m_page.holds(m_current - 1))
            pressGridButton(m_current - 1 - m_page.first);
        else if (m_page.hasPrevious())
            FlatSpeedButton1Click();
    });
}

void TFrmLxxt::epEfTrBtn2Click()
{
    if (m_current < 1)
        return;
    moveFrom(epEfTrBtn2, [this] {
        if (m_page.holds(m_current + 1))
            pressGridButton(m_current + 1 - m_page.first);
        else if (m_page.hasNext())
            FlatSpeedButton2Click();
    });
}

void TFrmLxxt::epEfTrBtn10Click()
{
    store::Dataset* set = DM1->Cn1Query_tm;
    if (!set->isOpen() || set->isEmpty() || !moveToCurrent())
        return;
    const bool voiding = !m_voided;
    const bool saved = guard::run(practice::kActionFailed, [&] {
        if (voiding) {
            set->setValue(QStringLiteral("f1"), 1);
            set->setValue(QStringLiteral("e2"), QStringLiteral("zero"));
        } else {
            set->setValue(QStringLiteral("f1"), 0);
        }
        set->post();
    });
    if (!saved) {
        set->cancel();
        return;
    }
    Label21->setText(voiding ? QStringLiteral("本题已被您作废！") : QStringLiteral("本题曾被作废，现已被您取消！"));
    setVoided(voiding);
}

void TFrmLxxt::epEfTrBtn5Click()
{
    if (!moveToCurrent())
        return;
    store::Dataset* set = DM1->Cn1Query_tm;
    TFrmBj note(this);
    note.Label1->setText(QStringLiteral("lx"));
    if (!note.bind(set, QStringLiteral("A14")))
        return;
    note.exec();
    showNoteState(app::NoteHasText);
}

void TFrmLxxt::epEfTrBtn4Click()
{
    TFrmJx analysis(this);
    analysis.bind(DM1->cn1query_nr, QStringLiteral("jx"));
    analysis.exec();
}

void TFrmLxxt::epEfTrBtn9Click()
{
    if (!moveToCurrent())
        return;
    const QString id = DM1->Cn1Query_tm->text(QStringLiteral("A1"));
    TfrmAnswFagui points(this);
    if (points.load(id))
        points.exec();
    if (!isVisible())
        show();
}

void TFrmLxxt::epEfTrBtn11Click()
{
    if (!moveToCurrent())
        return;
    Timer1->stop();
    m_onQuestion.stop();
    TfrmTedit editor(this);
    const bool saved = editor.exec() == QDialog::Accepted;
    Timer1->start();
    m_onQuestion.start();
    if (!saved)
        return;
    // The editor read the rows back: the question shows as it is now, on the
    // answer page of its type (which may have changed).
    store::Dataset* set = DM1->Cn1Query_tm;
    const int type = int(set->integer(QStringLiteral("A13")));
    Notebook1->showPage(practice::AnswerPageOfType(type, m_typeNames.value(type)));
    ShowQuestionText(set->text(QStringLiteral("a1")));
    ShowAnswerControls();
    Label24->setText(QStringLiteral("本题被您修改过"));
}

void TFrmLxxt::epEfTrBtn7Click()
{
    ui::showDesktop();
}

void TFrmLxxt::epEfTrBtn99Click()
{
    close();
}

// ---- the answer panel ------------------------------------------------------------------

void TFrmLxxt::epEfTrBtn6Click()
{
    if (!answerPanelOpen()) {
        if (!moveToCurrent())
            return;
        const practice::PanelTexts t = practice::answerPanelTexts(Notebook1->state(), DM1->Cn1Query_tm->text(QStringLiteral("A2")));
        Panel2->setTexts(t);
    }
    ToggleAnswerPanel();
}

// ---- timers ----------------------------------------------------------------------------

void TFrmLxxt::Timer1Timer()
{
    if (epIndiGauge1->value() < kGaugeCells)
        epIndiGauge1->setValue(epIndiGauge1->value() + 1);
    if (epIndiGauge1->value() < kGaugeCells)
        return;
    Timer1->stop();
    prompt::notice(QStringLiteral("到时间了"));
    if (!moveToCurrent())
        return;
    store::Dataset* set = DM1->Cn1Query_tm;
    try {
        set->setValue(QStringLiteral("CSBS"), QStringLiteral("Y"));
        set->post();
    } catch (const store::DbError&) {
        // Only a mark for the statistics; the candidate keeps answering.
        set->cancel();
    }
}

void TFrmLxxt::KZTimeCounter1Timer()
{
    ++m_elapsed;
    ui::showValue(epLabel1, practice::practiceClockText(m_elapsed));
}

// ---- keys and closing ----------------------------------------------------------------------

void TFrmLxxt::keyPressEvent(QKeyEvent* event)
{
    if (takeQuestionKey(event, true))
        return;
    // Escape does not close the screen: closing records the answer and the time.
    if (event->key() == Qt::Key_Escape)
        return;
    QDialog::keyPressEvent(event);
}

void TFrmLxxt::done(int result)
{
    if (!m_closed) {
        m_closed = true;
        FormClose();
    }
    QDialog::done(result);
}

void TFrmLxxt::FormClose()
{
    ui::WaitCursor busy;
    Timer1->stop();
    KZTimeCounter1->stop();
    const QString elapsed = practice::practiceClockText(m_elapsed);
    store::Dataset* set = DM1->Cn1Query_tm;
    if (set->isOpen() && m_current > 0 && set->recordCount() >= m_current)
        SaveAnswer(m_current, Notebook1->currentIndex(), SaveMode::Quiet, m_page.last(), m_page.first);
    guard::run(QStringLiteral("学习时间未能记入日志！"), [&] { DM1->AddStudyTime(elapsed); });
    for (store::Dataset* ds : {DM1->Cn1Query1, DM1->Cn1Query2, DM1->Cn1Query_tm, DM1->cn1query_nr, DM1->Cn1Table_cj, DM1->Cn1Table_tx})
        ds->close();
}
