#include "core/exam/ExamRules.h"

#include "core/store/Clock.h"
#include "core/store/DataModule.h"
#include "core/store/Dataset.h"
#include "core/store/Schema.h"

#include <QRegularExpression>
#include <algorithm>

namespace exam {

namespace {

void requirePaperTable(const QString& table)
{
    if (!store::isPaperTableName(table))
        throw store::DbError(store::DbError::Kind::Usage, QStringLiteral("not a paper table name: %1").arg(table));
}

void requireTypeTable(const QString& table)
{
    static const QRegularExpression re(QStringLiteral("^tab_tx[0-9]+$"));
    if (!re.match(table).hasMatch())
        throw store::DbError(store::DbError::Kind::Usage, QStringLiteral("not a type table name: %1").arg(table));
}

} // namespace

void UpdateBankRow(store::Connection& db, const QString& questionId, const QString& answer)
{
    const store::Rows row = db.query(QStringLiteral("select A2, E2, E3, E4 from tab_answ where A1 = :a1"), {{QStringLiteral(":a1"), questionId}});
    if (row.empty())
        return;
    const bool answeredBefore = !row.at(0, QStringLiteral("E2")).toString().isEmpty();
    const bool right = practice::isRightAnswer(answer, row.at(0, QStringLiteral("A2")).toString());
    const int weight = practice::nextWrongWeight(answeredBefore, row.at(0, QStringLiteral("E4")).toInt(), right);
    db.exec(QStringLiteral("update tab_answ set E4 = :e4, E3 = :e3, E2_1 = :answer, E2 = :answer, E1 = :e1 where A1 = :a1"),
            {{QStringLiteral(":e4"), weight}, {QStringLiteral(":e3"), row.at(0, QStringLiteral("E3")).toLongLong() + 1},
             {QStringLiteral(":answer"), answer}, {QStringLiteral(":e1"), store::Clock::today()},
             {QStringLiteral(":a1"), questionId}});
}

practice::RecordOutcome recordExamAnswer(TDM1& dm, store::Dataset& paper, const QString& answer, qint64 secondsSpent,
                                         qint64 answerTime)
{
    // On a failure the rollback puts the paper row and the shared datasets back by itself.
    store::Transaction t(dm.db());
    review::AnswerContext context;
    context.source = review::Source::MockExam;
    context.secondsSpent = secondsSpent;
    context.answerTime = answerTime;
    const practice::RecordOutcome out = practice::recordAnswer(dm, paper, answer, context);
    if (out.what == practice::Recorded::Counted)
        UpdateBankRow(dm.db(), paper.text(QStringLiteral("A1")), answer);
    t.commit();
    return out;
}

void setQuestionVoided(TDM1& dm, store::Dataset& paper, bool voiding)
{
    store::Connection& db = dm.db();
    const QString id = paper.text(QStringLiteral("A1"));
    store::Transaction t(db);
    paper.setValue(QStringLiteral("F1"), voiding ? 1 : 0);
    paper.setValue(QStringLiteral("E2"), voiding ? QStringLiteral("zero") : QString(QLatin1String("")));
    paper.post();
    if (voiding)
        db.exec(QStringLiteral("update tab_answ set F1 = 1, E2 = 'zero' where A1 = :a1"), {{QStringLiteral(":a1"), id}});
    else
        db.exec(QStringLiteral("update tab_answ set F1 = 0 where A1 = :a1"), {{QStringLiteral(":a1"), id}});
    t.commit();
}

ExamSettings examSettings(store::Connection& db)
{
    ExamSettings s;
    const store::Rows plan = db.query(QStringLiteral("select LeastMark, ExamTime from tab_plan limit 1"));
    if (plan.empty())
        return s;
    s.leastMarkStored = plan.at(0, QStringLiteral("LeastMark"));
    s.leastMark = qRound(s.leastMarkStored.toDouble());
    const QVariant time = plan.at(0, QStringLiteral("ExamTime"));
    // A length of 0 or less ends the exam at once: such a bank gets the default.
    if (!time.isNull() && time.toLongLong() > 0)
        s.examTime = time.toLongLong();
    return s;
}

std::optional<QByteArray> questionStem(store::Connection& db, const QString& questionId)
{
    const store::Rows text = db.query(QStringLiteral("select A15 from tab_exer where A1 = :a1"), {{QStringLiteral(":a1"), questionId}});
    if (text.empty())
        return std::nullopt;
    return text.values[0][0].toByteArray();
}

int unansweredCount(store::Connection& db, const QString& paperTable)
{
    requirePaperTable(paperTable);
    return db.scalar(QStringLiteral("select count(*) from ") + paperTable + QStringLiteral(" where E2_1 = '' or E2_1 is null")).toInt();
}

QHash<int, PaperType> paperTypes(store::Connection& db, const QString& typeTable)
{
    requireTypeTable(typeTable);
    const store::Rows rows = db.query(QStringLiteral("select A1, B1, B2, B3 from ") + typeTable);
    QHash<int, PaperType> out;
    for (const auto& r : rows.values)
        out.insert(r[0].toInt(), {r[1].toString(), r[2].toInt(), r[3].toDouble()});
    return out;
}

double paperScore(store::Connection& db, const QString& paperTable, const QString& typeTable)
{
    requirePaperTable(paperTable);
    requireTypeTable(typeTable);
    const QString p = paperTable;
    const QString x = typeTable;
    // Judged by the rule practice and the review marks use, so that a 填空 typed in
    // full-width forms or with a Chinese comma scores as it is marked.
    const store::Rows rows = db.query(
        QStringLiteral("select %2.B3, %1.A2, %1.E2_1 from %1, %2 where %1.A13 = %2.A1 and %1.E2_1 <> ''").arg(p, x));
    double sum = 0;
    for (const auto& r : rows.values)
        if (practice::isRightAnswer(r[2].toString(), r[1].toString()))
            sum += r[0].toDouble();
    return sum;
}

Grade gradePaper(TDM1& dm, const QString& paperTable, const QString& typeTable, const QString& timeUsed)
{
    store::Connection& db = dm.db();
    store::Transaction t(db);
    Grade g;
    g.score = paperScore(db, paperTable, typeTable);
    g.belowPass = examSettings(db).leastMark > g.score;
    db.exec(QStringLiteral("update tab_cj set A6 = :a6, D2 = :d2 where A1 = :a1"),
            {{QStringLiteral(":a6"), g.score}, {QStringLiteral(":d2"), timeUsed}, {QStringLiteral(":a1"), paperTable}});
    dm.AddStudyTime(timeUsed);
    t.commit();
    return g;
}

QString scoreText(double score)
{
    return QString::number(score, 'g', 12);
}

QString scoreLine(double score)
{
    return QStringLiteral("得分：") + scoreText(score) + QStringLiteral(" 分");
}

// ---- the exam clock ----------------------------------------------------------------

namespace {
qint64 nowMs()
{
    return store::Clock::now().toMSecsSinceEpoch();
}
} // namespace

void Stopwatch::start()
{
    if (m_running)
        return;
    m_started = nowMs();
    m_running = true;
}

void Stopwatch::stop()
{
    if (!m_running)
        return;
    m_banked += std::max<qint64>(nowMs() - m_started, 0);
    m_running = false;
}

void Stopwatch::reset()
{
    m_banked = 0;
    m_started = nowMs();
}

void Stopwatch::restore(qint64 seconds)
{
    m_running = false;
    m_banked = std::max<qint64>(seconds, 0) * 1000;
}

qint64 Stopwatch::elapsedMs() const
{
    return m_banked + (m_running ? std::max<qint64>(nowMs() - m_started, 0) : 0);
}

QString Stopwatch::text() const
{
    return practice::practiceClockText(elapsedSeconds());
}

} // namespace exam
