#include "reliability/CounterCheck.h"

#include <QHash>
#include <QMap>
#include <QSet>
#include <optional>

namespace reliability {

namespace {

struct Question {
    QString id;
    QString chapter;
    QStringList points; // K3 … up to the first empty one
    qint64 e3 = 0;
    bool answered() const { return e3 > 0; }
};

// How often one answer counts on an outline node: once per statement whose list
// holds it (a section list of first-6 and a top list of first-2 characters).
int nodeHits(const Question& q, const QString& node)
{
    bool section = false, top = false;
    for (const QString& p : q.points) {
        section = section || p.left(6) == node;
        top = top || p.left(2) == node;
    }
    return int(section) + int(top);
}

int pointHits(const Question& q, const QString& ftid)
{
    return q.points.contains(ftid) ? 1 : 0;
}

class Checker {
public:
    explicit Checker(store::Connection& db)
        : m_db(db) {}

    QStringList run()
    {
        for (const auto& row : m_db.query(QStringLiteral("PRAGMA integrity_check")).values)
            if (row.at(0).toString() != QLatin1String("ok"))
                fault(QStringLiteral("integrity: %1").arg(row.at(0).toString()));
        if (!m_faults.isEmpty())
            return m_faults;
        readQuestions();
        checkChapters();
        checkLog();
        checkOutline(QStringLiteral("tab_rule"), QStringLiteral("ftid"), pointHits);
        checkOutline(QStringLiteral("tab_fgmc"), QStringLiteral("id"), nodeHits);
        checkPapers();
        return m_faults;
    }

private:
    store::Connection& m_db;
    QStringList m_faults;
    QList<Question> m_questions;
    QMap<QString, qint64> m_d2;     // D2 of every chapter row
    QSet<QString> m_questionChapters; // chapters that answered questions name
    bool m_wrongKnown = true;        // the chapter counters tell each question chapter's wrong answers apart

    void fault(const QString& text) { m_faults << text; }

    void readQuestions()
    {
        const store::Rows rows = m_db.query(QStringLiteral(
            "select A1, A10, E2, E3, E4, K3, K4, K5, K6, K7, K8, K9, K10, K11, K12 from tab_answ"));
        for (const auto& r : rows.values) {
            Question q;
            q.id = r[0].toString();
            q.chapter = r[1].toString();
            q.e3 = r[3].toLongLong();
            const bool hasLast = !r[2].toString().isEmpty();
            const qint64 e4 = r[4].toLongLong();
            for (int k = 5; k < 15; ++k) {
                const QString p = r[size_t(k)].toString().trimmed();
                if (p.isEmpty())
                    break;
                q.points << p;
            }
            if (q.e3 < 0)
                fault(QStringLiteral("question %1: E3 %2").arg(q.id).arg(q.e3));
            if (hasLast != q.answered())
                fault(QStringLiteral("question %1: E3 %2 but last answer \"%3\"").arg(q.id).arg(q.e3).arg(r[2].toString()));
            if (e4 > 0 || (q.answered() && e4 < -(q.e3 + 2)) || (!q.answered() && e4 != 0))
                fault(QStringLiteral("question %1: E4 %2 after %3 answers").arg(q.id).arg(e4).arg(q.e3));
            if (q.answered())
                m_questionChapters.insert(q.chapter);
            m_questions << q;
        }
    }

    void checkChapters()
    {
        const store::Rows rows = m_db.query(QStringLiteral("select C1, C4, D1, D2 from tab_kmmc"));
        for (const auto& r : rows.values)
            m_d2.insert(r[0].toString(), r[3].toLongLong());
        // A question chapter's D2 holds its own questions' wrong answers only when it
        // has a row and no other question chapter lies below it.
        for (const QString& a : std::as_const(m_questionChapters)) {
            if (!m_d2.contains(a))
                m_wrongKnown = false;
            for (const QString& b : std::as_const(m_questionChapters))
                if (b != a && b.startsWith(a))
                    m_wrongKnown = false;
        }
        for (const auto& r : rows.values) {
            const QString code = r[0].toString();
            const qint64 c4 = r[1].toLongLong(), d1 = r[2].toLongLong(), d2 = r[3].toLongLong();
            qint64 answered = 0, answers = 0, wrong = 0;
            for (const Question& q : std::as_const(m_questions)) {
                if (!q.chapter.startsWith(code) || !q.answered())
                    continue;
                ++answered;
                answers += q.e3;
            }
            for (const QString& a : std::as_const(m_questionChapters))
                if (a.startsWith(code))
                    wrong += m_d2.value(a);
            if (c4 != answered || d1 != answers)
                fault(QStringLiteral("chapter %1: C4 %2, D1 %3; its questions: %4 answered, %5 answers")
                          .arg(code).arg(c4).arg(d1).arg(answered).arg(answers));
            if (d2 < 0 || d2 > d1)
                fault(QStringLiteral("chapter %1: D2 %2 with D1 %3").arg(code).arg(d2).arg(d1));
            if (m_wrongKnown && d2 != wrong)
                fault(QStringLiteral("chapter %1: D2 %2, its question chapters hold %3").arg(code).arg(d2).arg(wrong));
        }
    }

    void checkLog()
    {
        qint64 answers = 0, wrong = 0, e3 = 0, chapterWrong = 0;
        for (const auto& r : m_db.query(QStringLiteral("select A1, A2, A3, B1, B2 from tab_rz order by A1")).values) {
            const qint64 a2 = r[1].toLongLong(), a3 = r[2].toLongLong(), b1 = r[3].toLongLong(), b2 = r[4].toLongLong();
            answers += a2;
            wrong += a3;
            if (a3 < 0 || a3 > a2 || b1 < 1 || b1 > a2 || b2 < 0 || b2 > b1)
                fault(QStringLiteral("daily log %1: A2 %2, A3 %3, B1 %4, B2 %5").arg(r[0].toString()).arg(a2).arg(a3).arg(b1).arg(b2));
        }
        for (const Question& q : std::as_const(m_questions))
            e3 += q.e3;
        for (const QString& a : std::as_const(m_questionChapters))
            chapterWrong += m_d2.value(a);
        if (answers != e3)
            fault(QStringLiteral("daily log: %1 answers, the questions' E3 add up to %2").arg(answers).arg(e3));
        if (m_wrongKnown && wrong != chapterWrong)
            fault(QStringLiteral("daily log: %1 wrong answers, the question chapters hold %2").arg(wrong).arg(chapterWrong));
    }

    // A score row and its paper table are made and dropped together.
    void checkPapers()
    {
        for (const auto& r : m_db.query(QStringLiteral("select A1 from tab_cj")).values)
            if (!m_db.hasTable(r[0].toString()))
                fault(QStringLiteral("score row %1: no paper table").arg(r[0].toString()));
    }

    void checkOutline(const QString& table, const QString& key, int (*hits)(const Question&, const QString&))
    {
        const store::Rows rows = m_db.query(QStringLiteral("select %1, q1, q2, q4 from %2").arg(key, table));
        for (const auto& r : rows.values) {
            const QString id = r[0].toString();
            const qint64 q1 = r[1].toLongLong(), q2 = r[2].toLongLong(), q4 = r[3].toLongLong();
            qint64 answers = 0, answered = 0;
            // Wrong answers by question chapter: all of its answered questions hit the
            // node equally often, or it cannot be told.
            QHash<QString, std::optional<int>> perChapter;
            bool known = m_wrongKnown;
            for (const Question& q : std::as_const(m_questions)) {
                if (!q.answered())
                    continue;
                const int n = hits(q, id);
                answers += n * q.e3;
                answered += n;
                auto it = perChapter.find(q.chapter);
                if (it == perChapter.end())
                    perChapter.insert(q.chapter, n);
                else if (*it && **it != n)
                    *it = std::nullopt;
            }
            qint64 wrong = 0;
            for (auto it = perChapter.cbegin(); it != perChapter.cend(); ++it) {
                if (!it.value())
                    known = false;
                else
                    wrong += *it.value() * m_d2.value(it.key());
            }
            const QString who = QStringLiteral("%1 %2").arg(table, id);
            if (q2 != answers || q1 != answered)
                fault(QStringLiteral("%1: q1 %2, q2 %3; its questions: %4 answered, %5 answers").arg(who).arg(q1).arg(q2).arg(answered).arg(answers));
            if (q4 < 0 || q4 > q2)
                fault(QStringLiteral("%1: q4 %2 with q2 %3").arg(who).arg(q4).arg(q2));
            else if (known && q4 != wrong)
                fault(QStringLiteral("%1: q4 %2, the chapters of its questions hold %3 wrong answers").arg(who).arg(q4).arg(wrong));
        }
    }
};

} // namespace

QStringList counterFaults(store::Connection& db)
{
    return Checker(db).run();
}

QHash<QString, qint64> unloggedAnswers(store::Connection& db)
{
    const bool hasLog = db.hasTable(QStringLiteral("answer_log"));
    QHash<QString, qint64> out;
    const QString sql = hasLog ? QStringLiteral("select a.A1, a.E3 - (select count(*) from answer_log l where l.A1 = a.A1) from tab_answ a")
                               : QStringLiteral("select A1, E3 from tab_answ");
    for (const auto& r : db.query(sql).values)
        out.insert(r[0].toString(), r[1].toLongLong());
    return out;
}

QStringList logFaults(store::Connection& db, const QHash<QString, qint64>& unloggedAtStart)
{
    QStringList faults;
    // The last row by insertion, not by time: a clock set back makes later rows earlier.
    const store::Rows rows = db.query(QStringLiteral(
        "select a.A1, a.E3, (select count(*) from answer_log l where l.A1 = a.A1),"
        " (select at from answer_log l where l.A1 = a.A1 order by rowid desc limit 1), m.A1 is not null, m.last_review "
        "from tab_answ a left join memory_state m on m.A1 = a.A1"));
    for (const auto& r : rows.values) {
        const QString id = r[0].toString();
        const qint64 e3 = r[1].toLongLong(), logged = r[2].toLongLong();
        const qint64 expected = e3 - unloggedAtStart.value(id, 0);
        if (logged != expected)
            faults << QStringLiteral("answer log %1: %2 rows, E3 %3 of which %4 logged").arg(id).arg(logged).arg(e3).arg(expected);
        const bool hasState = r[4].toBool();
        if (hasState != (logged > 0))
            faults << QStringLiteral("memory state %1: %2 with %3 log rows").arg(id, hasState ? QStringLiteral("present") : QStringLiteral("missing")).arg(logged);
        else if (hasState && r[5].toString() != r[3].toString())
            faults << QStringLiteral("memory state %1: last review %2, last log row %3").arg(id, r[5].toString(), r[3].toString());
    }
    const qint64 strays = db.scalar(QStringLiteral("select (select count(*) from answer_log where A1 not in (select A1 from tab_answ))"
                                                   " + (select count(*) from memory_state where A1 not in (select A1 from tab_answ))")).toLongLong();
    if (strays != 0)
        faults << QStringLiteral("answer log: %1 rows of questions not in the bank").arg(strays);
    // The calibration's counts by tenth of predicted recall, kept beside the log, against the log.
    if (db.hasTable(QStringLiteral("answer_log_bin"))) {
        const store::Rows bins = db.query(QStringLiteral(
            "select b.bin, b.answers, b.right, coalesce(l.n, 0), coalesce(l.r, 0) from answer_log_bin b left join"
            " (select coalesce(min(max(cast(recall * 10 as integer), 0), 9), -1) as bin, count(*) as n, sum(right <> 0) as r"
            "  from answer_log group by 1) l on l.bin = b.bin"
            " where b.answers <> coalesce(l.n, 0) or b.right <> coalesce(l.r, 0)"));
        for (const auto& r : bins.values)
            faults << QStringLiteral("calibration bin %1: %2 answers, %3 right; the log has %4, %5")
                          .arg(r[0].toInt()).arg(r[1].toLongLong()).arg(r[2].toLongLong()).arg(r[3].toLongLong()).arg(r[4].toLongLong());
    }
    return faults;
}

} // namespace reliability
