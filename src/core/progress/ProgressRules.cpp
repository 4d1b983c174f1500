#include "core/progress/ProgressRules.h"

#include "core/app/AppState.h"
#include "core/app/ShellRules.h"
#include "core/store/DbError.h"
#include "core/store/Statistics.h"

#include <QRegularExpression>
#include <algorithm>
#include <cmath>

namespace progress {

namespace {

const QString kFirstPlanRow = QStringLiteral("rowid = (select min(rowid) from tab_plan)");

// A table name cannot be bound: only the question-type tables get here.
void requireTypeTable(const QString& table)
{
    static const QRegularExpression re(QStringLiteral("^tab_tx[0-9]+$"), QRegularExpression::CaseInsensitiveOption);
    if (!re.match(table).hasMatch())
        throw store::DbError(store::DbError::Kind::Usage, QStringLiteral("not a question-type table: %1").arg(table));
}

// Writes `assignments` on the first plan row, or makes that row when the bank has none.
void writePlanRow(store::Connection& db, const QStringList& columns, const store::Params& params)
{
    QStringList sets;
    for (const QString& c : columns)
        sets << c + QStringLiteral("=:") + c;
    if (db.exec(QStringLiteral("update tab_plan set ") + sets.join(QLatin1Char(',')) + QStringLiteral(" where ") + kFirstPlanRow,
                params)
        == 0) {
        QStringList marks;
        for (const QString& c : columns)
            marks << QStringLiteral(":") + c;
        db.exec(QStringLiteral("insert into tab_plan (%1) values (%2)").arg(columns.join(QLatin1Char(',')), marks.join(QLatin1Char(','))),
                params);
    }
}

} // namespace

std::vector<TypeTime> readTypeTimes(store::Connection& db, const QString& typeTable)
{
    requireTypeTable(typeTable);
    const store::Rows rows = db.query(QStringLiteral("select A1, B1, time from ") + typeTable + QStringLiteral(" order by rowid"));
    std::vector<TypeTime> out;
    out.reserve(size_t(rows.size()));
    for (int i = 0; i < rows.size(); ++i)
        out.push_back({rows.at(i, QStringLiteral("A1")).toInt(), rows.at(i, QStringLiteral("B1")).toString().trimmed(),
                       rows.at(i, QStringLiteral("time")).toDouble()});
    return out;
}

void saveTypeTimes(store::Connection& db, const QString& typeTable, const std::vector<TypeTime>& lines)
{
    requireTypeTable(typeTable);
    for (const TypeTime& line : lines)
        if (!(line.minutes >= kMinAnswerMinutes - 1e-9 && line.minutes <= kMaxAnswerMinutes + 1e-9))
            throw store::DbError(store::DbError::Kind::Usage, QStringLiteral("answer time out of range: %1").arg(line.minutes));
    {
        store::Transaction t(db);
        for (const TypeTime& line : lines)
            db.exec(QStringLiteral("update ") + typeTable + QStringLiteral(" set time=:t where A1=:a1"),
                    {{QStringLiteral(":t"), line.minutes}, {QStringLiteral(":a1"), line.typeId}});
        t.commit();
    }
    // The timers read the current paper's table; times saved for another table
    // wait until that paper is chosen.
    if (typeTable.compare(app::currentTypeTable(), Qt::CaseInsensitive) == 0)
        shell::loadTypeAnswerTimes(db);
}

ExamSettings readExamSettings(store::Connection& db)
{
    const store::Rows rows = db.query(QStringLiteral("select LeastMark, ExamTime from tab_plan order by rowid limit 1"));
    ExamSettings s;
    if (rows.empty()) {
        s.leastMark = QStringLiteral("0");
        return s;
    }
    const QVariant least = rows.at(0, QStringLiteral("LeastMark"));
    const double mark = least.toDouble();
    // A whole score reads without decimals ("50", not "50.0").
    s.leastMark = mark == std::floor(mark) ? QString::number(qint64(mark)) : least.toString();
    s.examMinutes = int(rows.at(0, QStringLiteral("ExamTime")).toLongLong() / 60);
    // Below a minute the exam starts with the default length: show that one.
    if (s.examMinutes < kMinExamMinutes)
        s.examMinutes = kDefaultExamMinutes;
    return s;
}

void saveExamSettings(store::Connection& db, const QString& leastMark, int examMinutes)
{
    if (examMinutes < kMinExamMinutes || examMinutes > kMaxExamMinutes)
        throw store::DbError(store::DbError::Kind::Usage, QStringLiteral("exam length out of range: %1").arg(examMinutes));
    bool ok = false;
    const double mark = leastMark.trimmed().isEmpty() ? 0.0 : leastMark.trimmed().toDouble(&ok);
    if (!leastMark.trimmed().isEmpty() && !ok)
        throw store::DbError(store::DbError::Kind::Usage, QStringLiteral("lowest score is not a number: %1").arg(leastMark));
    store::Transaction t(db);
    writePlanRow(db, {QStringLiteral("LeastMark"), QStringLiteral("ExamTime")},
                 {{QStringLiteral(":LeastMark"), mark}, {QStringLiteral(":ExamTime"), qint64(examMinutes) * 60}});
    t.commit();
}

LeastMarkCheck checkLeastMark(const QString& text, int paperTotal)
{
    LeastMarkCheck c{text.trimmed().isEmpty() ? QStringLiteral("0") : text, false};
    if (c.text.trimmed().toLongLong() > paperTotal) {
        c.text = QString::number(paperTotal);
        c.overTotal = true;
    }
    return c;
}

StudyPlanRow readStudyPlanRow(store::Connection& db)
{
    const store::Rows rows =
        db.query(QStringLiteral("select PlanMark, PlanAmount, PlanTime, ExamDate from tab_plan order by rowid limit 1"));
    StudyPlanRow p;
    if (rows.empty())
        return p;
    p.mark = rows.at(0, QStringLiteral("PlanMark")).toInt();
    p.amount = rows.at(0, QStringLiteral("PlanAmount")).toInt();
    p.time = rows.at(0, QStringLiteral("PlanTime")).toInt();
    p.examDate = QDate::fromString(rows.at(0, QStringLiteral("ExamDate")).toString().left(10), Qt::ISODate);
    return p;
}

void saveStudyPlan(store::Connection& db, const StudyPlanRow& plan)
{
    if ((plan.mark == 1 ? plan.time : plan.amount) < kMinPlanAmount)
        throw store::DbError(store::DbError::Kind::Usage, QStringLiteral("daily plan below one: %1/%2").arg(plan.amount).arg(plan.time));
    store::Transaction t(db);
    writePlanRow(db,
                 {QStringLiteral("PlanAmount"), QStringLiteral("PlanTime"), QStringLiteral("ExamDate"), QStringLiteral("PlanMark")},
                 {{QStringLiteral(":PlanAmount"), plan.amount},
                  {QStringLiteral(":PlanTime"), plan.time},
                  {QStringLiteral(":ExamDate"), plan.examDate.isValid() ? QVariant(plan.examDate) : QVariant()},
                  {QStringLiteral(":PlanMark"), plan.mark}});
    t.commit();
}

Countdown countdown(const QDate& today, const QDate& examDate)
{
    Countdown c;
    if (!today.isValid() || !examDate.isValid()) {
        c.caption = QStringLiteral("距离考试还有");
        return c;
    }
    c.days = today.daysTo(examDate);
    c.number = c.days > kCountdownCap ? QString::number(kCountdownCap) : QString::number(c.days);
    if (c.days < 0) {
        c.state = CountdownState::Over;
        c.caption = QStringLiteral("考试已结束！");
    } else if (c.days == 0) {
        c.state = CountdownState::Today;
        c.caption = QStringLiteral("祝考试成功！");
    } else {
        c.state = c.days <= kNearDays ? CountdownState::Near : CountdownState::Far;
        c.caption = QStringLiteral("距离考试还有");
        c.numberShown = true;
    }
    return c;
}

StudyBacklog readBacklog(store::Connection& db)
{
    // Voided questions (F1 = 1) are out of practice, so out of the backlog too.
    const store::Rows rows = db.query(QStringLiteral(
        "select sum(case when E2 is null or E2 = '' then 1 else 0 end) as fresh,"
        " sum(case when E4 < 0 and E2 <> '' then 1 else 0 end) as wrong"
        " from tab_answ where F1 is null or F1 <> 1"));
    StudyBacklog b;
    if (!rows.empty()) {
        b.unanswered = rows.at(0, QStringLiteral("fresh")).toLongLong();
        b.wrong = rows.at(0, QStringLiteral("wrong")).toLongLong();
    }
    return b;
}

std::optional<qint64> dailyQuota(const StudyBacklog& backlog, const QDate& today, const QDate& examDate)
{
    if (!today.isValid() || !examDate.isValid())
        return std::nullopt;
    const qint64 days = today.daysTo(examDate); // today … the day before the exam
    if (days <= 0)
        return std::nullopt;
    return (backlog.total() + days - 1) / days;
}

std::optional<qint64> todaysQuota(store::Connection& db, const QDate& today)
{
    return dailyQuota(readBacklog(db), today, readStudyPlanRow(db).examDate);
}

LogTotals readLogTotals(store::Connection& db)
{
    const store::Rows rows = db.query(QStringLiteral("select sum(A2) as count_d1,sum(A3) as count_d2 from tab_rz "));
    LogTotals t;
    if (!rows.empty()) {
        t.answers = rows.at(0, QStringLiteral("count_d1")).toLongLong();
        t.wrong = rows.at(0, QStringLiteral("count_d2")).toLongLong();
    }
    t.score = store::answerScoreText(t.answers, t.wrong);
    return t;
}

qint64 sliceColourValue(int index)
{
    return (255 + 80000 * qint64(index)) & 0xFFFFFF;
}

Rgb sliceColour(int index)
{
    const qint64 v = sliceColourValue(index);
    return {int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF)};
}

std::vector<ChapterSeries> readChartSeries(store::Connection& db)
{
    // A part that no marked row covers (itself, a row above it or one below it)
    // would leave its questions off every chart.
    const store::Rows rows = db.query(QStringLiteral(
        "select C2, C3, C4, D1, D2 from tab_kmmc k where C7='0'"
        " or (length(C1) = 2 and not exists (select 1 from tab_kmmc m where m.C7='0'"
        " and (substr(k.C1, 1, length(m.C1)) = m.C1 or substr(m.C1, 1, 2) = k.C1)))"
        " order by rowid"));
    std::vector<ChapterSeries> out;
    out.reserve(size_t(rows.size()));
    for (int i = 0; i < rows.size(); ++i) {
        ChapterSeries s;
        s.label = rows.at(i, QStringLiteral("C2")).toString();
        s.questions = rows.at(i, QStringLiteral("C3")).toLongLong();
        s.answered = rows.at(i, QStringLiteral("C4")).toLongLong();
        s.answers = rows.at(i, QStringLiteral("D1")).toLongLong();
        s.wrong = rows.at(i, QStringLiteral("D2")).toLongLong();
        out.push_back(s);
    }
    return groupSmallest(std::move(out));
}

std::vector<ChapterSeries> groupSmallest(std::vector<ChapterSeries> chapters, int maxEntries)
{
    if (maxEntries >= 2 && chapters.size() > size_t(maxEntries)) {
        // The largest keep their own entry; equal sizes keep the earlier one.
        std::vector<size_t> order(chapters.size());
        for (size_t i = 0; i < order.size(); ++i)
            order[i] = i;
        std::stable_sort(order.begin(), order.end(),
                         [&](size_t a, size_t b) { return chapters[a].questions > chapters[b].questions; });
        std::vector<bool> kept(chapters.size(), false);
        for (size_t i = 0; i < size_t(maxEntries - 1); ++i)
            kept[order[i]] = true;
        std::vector<ChapterSeries> out;
        ChapterSeries rest;
        rest.label = QStringLiteral("其他");
        for (size_t i = 0; i < chapters.size(); ++i) {
            if (kept[i]) {
                out.push_back(chapters[i]);
            } else {
                rest.questions += chapters[i].questions;
                rest.answered += chapters[i].answered;
                rest.answers += chapters[i].answers;
                rest.wrong += chapters[i].wrong;
            }
        }
        out.push_back(rest);
        chapters = std::move(out);
    }
    for (size_t i = 0; i < chapters.size(); ++i) {
        ChapterSeries& s = chapters[i];
        s.number = QString::number(i + 1);
        s.progress.reset();
        if (s.questions != 0)
            s.progress = int(std::trunc(double(s.answered) / double(s.questions) * 100.0));
        s.colour = sliceColour(int(i));
    }
    return chapters;
}

qint64 readDistributionTotal(store::Connection& db)
{
    return db.scalar(QStringLiteral("select count(*) from tab_answ")).toLongLong();
}

} // namespace progress
