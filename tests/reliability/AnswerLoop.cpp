#include "reliability/AnswerLoop.h"

#include "core/exam/ExamRules.h"
#include "core/exam/PaperDraw.h"
#include "core/question/AnswerRules.h"
#include "core/search/Gather.h"
#include "core/store/Clock.h"
#include "core/store/DataModule.h"
#include "core/store/Statistics.h"

#include <QFile>
#include <random>

namespace reliability {

namespace {

// The practice screen's columns, over the first question of every chapter: each
// answered question is alone in its chapter, so the chapter counters tell every
// question's wrong answers apart and the checker can hold the outline to them.
const char* const kSet =
    "select a1,a2,a2_1,k3,k4,k5,k6,k7,k8,k9,k10,k11,k12,a10,a13,a14,e1,e2,e2_1,e3,e4,f1,xx,csbs,ecount "
    "from tab_answ where a1 in (select min(a1) from tab_answ group by a10) order by a10";

QString wrongAnswer(const QString& key, QRandomGenerator& rng)
{
    static const QString kLetters = QStringLiteral("ABCDEF");
    QString a;
    do
        a = kLetters.mid(int(rng.bounded(6)), 1 + int(rng.bounded(2)));
    while (a == key);
    return a;
}

} // namespace

AnswerLoop::AnswerLoop(TDM1& dm, quint64 seed)
    : m_dm(dm)
    , m_rng(seed)
{
}

int AnswerLoop::questions() const
{
    return m_dm.Cn1Query_tm->recordCount();
}

void AnswerLoop::open()
{
    const QDate last = m_dm.db().scalar(QStringLiteral("select max(A1) from tab_rz")).toDate();
    const QDate day = last.isValid() ? last : QDate(2025, 3, 1);
    m_now = QDateTime(day, QTime(7, 0)).addSecs(qint64(m_rng.bounded(16 * 3600)));
    store::Clock::setFixed(m_now);
    m_dm.openIfClosed(m_dm.Cn1Table_kmmc); // the chooser keeps the chapter tree open
    m_dm.openIfClosed(m_dm.Cn1Table_rz);
    loadSet();
}

void AnswerLoop::loadSet()
{
    store::Dataset* set = m_dm.Cn1Query_tm;
    set->close();
    store::clearOpenAnswers(m_dm.db());
    set->setSql(QString::fromLatin1(kSet));
    set->open();
    m_sessionSeconds = 0;
}

void AnswerLoop::closeScreen()
{
    m_dm.AddStudyTime(practice::practiceClockText(m_sessionSeconds));
    loadSet();
}

void AnswerLoop::tick()
{
    const qint64 seconds = 3 + qint64(m_rng.bounded(240));
    m_sessionSeconds += seconds;
    m_now = m_now.addSecs(seconds);
    store::Clock::setFixed(m_now);
}

void AnswerLoop::startExam()
{
    m_mock = 1 + int(m_rng.bounded(5));
    if (!exam::hasCandidates(m_dm.db(), m_mock))
        return;
    const exam::NewPaper paper = exam::createPaper(m_dm, m_mock, store::Clock::today());
    std::mt19937 draw(m_rng.generate());
    try {
        exam::drawPaper(m_dm.db(), m_mock, paper.table, draw);
        exam::openPaper(m_dm.db(), *m_dm.Cn1Query_exam, paper.table, true);
    } catch (const exam::PaperError&) {
        m_dm.DropPaperTable(paper.table);
        return;
    }
    m_paper = paper.table;
    ++m_papers;
    m_examLeft = 10 + int(m_rng.bounded(60));
    m_sessionSeconds = 0;
}

void AnswerLoop::handIn()
{
    const exam::Grade g = exam::gradePaper(m_dm, m_paper, QStringLiteral("tab_tx%1").arg(m_mock),
                                           practice::practiceClockText(m_sessionSeconds));
    m_dm.Cn1Query_exam->close();
    if (g.belowPass) // dropped when its review closes
        m_dm.DropPaperTable(m_paper);
    m_paper.clear();
    loadSet();
}

bool AnswerLoop::answerOn(store::Dataset& rows, bool exam)
{
    const quint32 roll = m_rng.bounded(100u);
    rows.moveTo(1 + int(m_rng.bounded(quint32(rows.recordCount()))));
    const QString key = rows.text(QStringLiteral("A2"));
    const QString shown = rows.text(QStringLiteral("E2_1"));
    QString answer;
    if (roll < 45)
        answer = key;
    else if (roll < 80)
        answer = wrongAnswer(key, m_rng);
    else if (roll < 96)
        answer = shown.isEmpty() ? key : shown; // the same answer checked again
    // else: nothing given, the open answer is cleared
    const practice::RecordOutcome out = exam ? exam::recordExamAnswer(m_dm, rows, answer)
                                             : practice::recordAnswer(m_dm, rows, answer);
    tick();
    if (out.what != practice::Recorded::Counted)
        return false;
    ++m_counted;
    m_examCounted += exam ? 1 : 0;
    return true;
}

bool AnswerLoop::step()
{
    if (!m_paper.isEmpty()) {
        if (--m_examLeft <= 0) {
            handIn();
            return false;
        }
        return answerOn(*m_dm.Cn1Query_exam, true);
    }
    const quint32 roll = m_rng.bounded(1000u);
    if (roll < 20) {
        closeScreen();
        return false;
    }
    if (roll < 25) {
        startExam();
        return false;
    }
    // Bookmarks and the wrong-question book write to tables of our own: a kill there
    // must leave the bank as sound as one during an answer.
    store::Dataset& set = *m_dm.Cn1Query_tm;
    if (roll < 40 && set.recordCount() > 0) {
        set.moveTo(1 + int(m_rng.bounded(quint32(set.recordCount()))));
        const QString id = set.text(QStringLiteral("A1"));
        if (roll < 33)
            search::toggleBookmark(m_dm.db(), id);
        else
            search::removeFromBook(m_dm.db(), id);
        tick();
        return false;
    }
    return answerOn(set, false);
}

qint64 residentKb()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return 0;
}

} // namespace reliability
