#include "bank/BankCheck.h"

#include "bank/AnswerKey.h"
#include "bank/KeyDistribution.h"
#include "core/exam/PaperDraw.h"
#include "core/store/Migrations.h"
#include "core/store/Schema.h"
#include "core/store/Statistics.h"
#include "core/question/AnswerRules.h"

#include <QHash>
#include <QMap>
#include <QSet>
#include <QTemporaryDir>
#include <functional>
#include <map>

namespace bank {

namespace {

struct Question {
    QString id;
    QString answer;
    QVariant options;
    QStringList points; // K3 … K12 as stored, empty strings for empty columns
    QString chapter;
    QVariant type;
    QVariant e2, e3, e4, f1;
};

class Checker {
public:
    Checker(store::Connection& db, const Progress& progress) : m_db(db), m_progress(progress) {}

    CheckReport run()
    {
        step(QStringLiteral("running the engine's integrity check"), [&] { integrity(); });
        step(QStringLiteral("comparing the tables with the bank layout"), [&] { schema(); });
        if (!m_schemaOk) {
            m_report.problems.append({QString(), 0, QStringLiteral("the rows were not checked: the bank lacks tables or columns")});
            return std::move(m_report);
        }
        step(QStringLiteral("checking the chapter tree and the outline"), [&] { trees(); });
        step(QStringLiteral("checking the question types and papers"), [&] { types(); });
        step(QStringLiteral("checking the questions"), [&] { questions(); });
        step(QStringLiteral("checking the plan, upgrades and stored papers"), [&] { singles(); });
        step(QStringLiteral("recounting the counters"), [&] { counters(); });
        step(QStringLiteral("comparing the answer counters with the answer history"), [&] { history(); });
        return std::move(m_report);
    }

private:
    void step(const QString& what, const std::function<void()>& f)
    {
        if (m_progress)
            m_progress(what);
        try {
            f();
        } catch (const store::DbError& e) {
            m_report.problems.append({QString(), 0, QStringLiteral("%1 failed: %2").arg(what, e.message())});
        }
    }
    void problem(const QString& table, const QString& message) { m_report.problems.append({table, 0, message}); }
    void differs(const QString& table, const QString& message) { m_report.history.append({table, 0, message}); }

    void integrity();
    void schema();
    void trees();
    void types();
    void questions();
    void singles();
    void counters();
    void history();

    store::Connection& m_db;
    Progress m_progress;
    CheckReport m_report;
    bool m_schemaOk = true;

    QSet<QString> m_chapters;
    QSet<QString> m_points;
    QHash<int, QString> m_typeNames; // from the first type table that has the type
    QList<KeySample> m_keys;          // of the book's questions
};

void Checker::integrity()
{
    const store::Rows rows = m_db.query(QStringLiteral("PRAGMA integrity_check"));
    for (const auto& row : rows.values) {
        const QString line = row.empty() ? QString() : row[0].toString();
        if (line != QLatin1String("ok"))
            m_report.integrity << line;
    }
}

void Checker::schema()
{
    // The layout this program creates, made in a scratch bank.
    QTemporaryDir scratch;
    if (!scratch.isValid())
        throw store::DbError(store::DbError::Kind::Usage, QStringLiteral("no temporary folder for the reference layout"));
    QMap<QString, QStringList> expected;
    {
        auto ref = store::Connection::create(scratch.filePath(QStringLiteral("layout.db")), store::bankKey());
        store::createBankSchema(*ref);
        for (const QString& t : ref->tables())
            expected.insert(t, ref->columnsOf(t));
    }
    for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
        if (!m_db.hasTable(it.key())) {
            problem(it.key(), QStringLiteral("the table is missing"));
            m_schemaOk = false;
            continue;
        }
        QSet<QString> have;
        for (const QString& c : m_db.columnsOf(it.key()))
            have.insert(c.toLower());
        for (const QString& c : it.value()) {
            if (!have.contains(c.toLower())) {
                problem(it.key(), QStringLiteral("column %1 is missing").arg(c));
                m_schemaOk = false;
            }
        }
    }
    const int version = m_db.scalar(QStringLiteral("PRAGMA user_version")).toInt();
    if (version != store::newestBankVersion())
        problem(QString(), QStringLiteral("the bank's layout version is %1; this program writes %2").arg(version).arg(store::newestBankVersion()));
}

void Checker::trees()
{
    for (const auto& row : m_db.query(QStringLiteral("select C1 from tab_kmmc")).values)
        m_chapters.insert(row[0].toString());
    for (const QString& c : std::as_const(m_chapters)) {
        if (!isChapterCode(c)) {
            problem(QStringLiteral("tab_kmmc"), QStringLiteral("chapter code \"%1\" has not 1, 2, 4 or 6 characters").arg(c));
            continue;
        }
        if (c == QLatin1String("xx") || c.size() == 1)
            continue;
        const QString parent = c.left(c.size() == 2 ? 1 : c.size() - 2);
        if (!m_chapters.contains(parent))
            problem(QStringLiteral("tab_kmmc"), QStringLiteral("chapter %1 has no parent chapter %2").arg(c, parent));
    }

    QSet<QString> nodes;
    for (const auto& row : m_db.query(QStringLiteral("select id from tab_fgmc")).values)
        nodes.insert(row[0].toString());
    for (const QString& n : std::as_const(nodes)) {
        if (n.size() != 2 && n.size() != 6)
            problem(QStringLiteral("tab_fgmc"), QStringLiteral("outline node \"%1\" has not 2 or 6 characters").arg(n));
        else if (n.size() == 6 && !nodes.contains(n.left(2)))
            problem(QStringLiteral("tab_fgmc"), QStringLiteral("outline section %1 has no top node %2").arg(n, n.left(2)));
    }
    for (const auto& row : m_db.query(QStringLiteral("select ftid, id from tab_rule")).values) {
        const QString ftid = row[0].toString();
        m_points.insert(ftid);
        if (ftid.size() < 8 || ftid.size() > 12)
            problem(QStringLiteral("tab_rule"), QStringLiteral("exam point \"%1\" has not 8 to 12 characters").arg(ftid));
        if (row[1].toString() != ftid.left(6))
            problem(QStringLiteral("tab_rule"), QStringLiteral("exam point %1 names section \"%2\", its id says %3").arg(ftid, row[1].toString(), ftid.left(6)));
        if (!nodes.contains(ftid.left(6)))
            problem(QStringLiteral("tab_rule"), QStringLiteral("exam point %1 has no outline section %2").arg(ftid, ftid.left(6)));
    }
}

void Checker::types()
{
    for (int paper = 1; paper <= 5; ++paper) {
        const QString table = QStringLiteral("tab_tx%1").arg(paper);
        qint64 questions = 0;
        for (const auto& row : m_db.query(QStringLiteral("select A1, B1, B2, B3, time from %1 order by A1").arg(table)).values) {
            const int id = row[0].toInt();
            const QString name = row[1].toString();
            if (!m_typeNames.contains(id))
                m_typeNames.insert(id, name);
            if (practice::AnswerPageOfType(id, name) == 99)
                problem(table, QStringLiteral("type %1 \"%2\" has no answer page").arg(id).arg(name));
            const double minutes = row[4].toDouble();
            if (row[4].isNull() || minutes < 0.1 || minutes > 30)
                problem(table, QStringLiteral("type %1: answer time %2 is not 0.1 to 30 minutes").arg(id).arg(row[4].toString()));
            if (row[2].toInt() < 0 || (row[2].toInt() > 0 && row[3].toDouble() <= 0))
                problem(table, QStringLiteral("type %1: %2 questions of score %3").arg(id).arg(row[2].toString(), row[3].toString()));
            questions += qMax(0, row[2].toInt());
        }
        if (questions > 120)
            problem(table, QStringLiteral("a paper of %1 questions; the exam screen shows at most 120").arg(questions));
    }
}

void Checker::questions()
{
    QSet<QString> titles, texts;
    for (const auto& row : m_db.query(QStringLiteral("select A1 from tab_title")).values)
        titles.insert(row[0].toString());
    QSet<QString> ids;
    const store::Rows rows = m_db.query(
        QStringLiteral("select A1, A2, A2_1, K3, K4, K5, K6, K7, K8, K9, K10, K11, K12, A10, A13, E2, E3, E4, F1 from tab_answ"));
    const QString T = QStringLiteral("tab_answ");
    for (const auto& row : rows.values) {
        Question q;
        q.id = row[0].toString();
        q.answer = row[1].toString();
        q.options = row[2];
        for (int k = 3; k <= 12; ++k)
            q.points << row[size_t(k)].toString().trimmed();
        q.chapter = row[13].toString();
        q.type = row[14];
        q.e2 = row[15];
        q.e3 = row[16];
        q.e4 = row[17];
        q.f1 = row[18];
        ids.insert(q.id);
        const QString who = QStringLiteral("question %1").arg(q.id);
        const bool own = q.f1.toInt() == 2; // entered by the candidate

        if (own ? !q.id.startsWith(QLatin1Char('U')) : !isBookQuestionId(q.id))
            problem(T, QStringLiteral("%1: not an id of a %2 question").arg(who, own ? QStringLiteral("candidate's") : QStringLiteral("book")));
        if (!m_chapters.contains(q.chapter))
            problem(T, QStringLiteral("%1: chapter \"%2\" is not in the chapter tree").arg(who, q.chapter));
        else if (!own && q.chapter.size() != 6)
            problem(T, QStringLiteral("%1: chapter %2 is not a 6-character section").arg(who, q.chapter));

        if (!m_typeNames.contains(q.type.toInt())) {
            problem(T, QStringLiteral("%1: type %2 has no row in tab_tx1 … tab_tx5").arg(who, q.type.toString()));
        } else {
            const QString name = m_typeNames.value(q.type.toInt());
            const int page = practice::AnswerPageOfType(q.type.toInt(), name);
            const QString p = answerKeyProblem(page, q.answer, q.options.toInt());
            if (!p.isEmpty())
                problem(T, QStringLiteral("%1 (type %2 %3): %4").arg(who, q.type.toString(), name, p));
            else if (!own)
                m_keys.append({q.type.toInt(), name, page, q.answer, q.options.toInt()});
        }

        // Points: filled from K3 on without gaps, each a known point, each once.
        bool gap = false;
        QSet<QString> seen;
        for (const QString& p : q.points) {
            if (p.isEmpty()) {
                gap = true;
                continue;
            }
            if (gap) {
                problem(T, QStringLiteral("%1: exam point %2 follows an empty column and is never counted").arg(who, p));
                gap = false;
            }
            if (!m_points.contains(p))
                problem(T, QStringLiteral("%1: exam point %2 does not exist").arg(who, p));
            else if (seen.contains(p))
                problem(T, QStringLiteral("%1: exam point %2 is listed twice").arg(who, p));
            seen.insert(p);
        }
        const QString group = groupOfQuestion(q.id);
        if (!group.isEmpty() && !titles.contains(group))
            problem(T, QStringLiteral("%1: its group %2 has no shared stem in tab_title").arg(who, group));

        // Flags and history columns the statements add to or compare with.
        if (q.f1.isNull())
            m_report.repairable.append({T, QStringLiteral("A1"), q.id, QStringLiteral("F1"), q.f1, 0});
        else if (q.f1.toInt() < 0 || q.f1.toInt() > 2)
            problem(T, QStringLiteral("%1: mark F1 is %2, not 0, 1 or 2").arg(who, q.f1.toString()));
        if (q.e3.isNull())
            m_report.repairable.append({T, QStringLiteral("A1"), q.id, QStringLiteral("E3"), q.e3, 0});
        if (q.e4.isNull())
            m_report.repairable.append({T, QStringLiteral("A1"), q.id, QStringLiteral("E4"), q.e4, 0});
        const QString e2 = q.e2.toString();
        const int e3 = q.e3.toInt();
        const int e4 = q.e4.toInt();
        if (e3 < 0)
            problem(T, QStringLiteral("%1: E3 is %2").arg(who).arg(e3));
        if (e4 > 0)
            differs(T, QStringLiteral("%1: E4 is %2; it never rises above 0").arg(who).arg(e4));
        if (e2.isEmpty() && e3 > 0)
            differs(T, QStringLiteral("%1: %2 answers recorded (E3) but no last answer (E2)").arg(who).arg(e3));
        if (!e2.isEmpty() && e2 != QLatin1String("zero") && e3 == 0)
            differs(T, QStringLiteral("%1: last answer \"%2\" (E2) but no answer recorded (E3 0)").arg(who, e2));
        if (e4 < 0 && e3 == 0)
            differs(T, QStringLiteral("%1: a wrong question (E4 %2) never answered (E3 0)").arg(who).arg(e4));
    }

    for (const auto& row : m_db.query(QStringLiteral("select A1, A15 from tab_exer")).values) {
        const QString id = row[0].toString();
        texts.insert(id);
        if (!ids.contains(id))
            problem(QStringLiteral("tab_exer"), QStringLiteral("text of question %1, which is not in tab_answ").arg(id));
        if (row[1].isNull() || row[1].toByteArray().trimmed().isEmpty())
            problem(QStringLiteral("tab_exer"), QStringLiteral("question %1 has no stem (A15)").arg(id));
    }
    for (const QString& id : std::as_const(ids))
        if (!texts.contains(id))
            problem(T, QStringLiteral("question %1 has no text row in tab_exer, so practice shows nothing and papers skip it").arg(id));
    const KeyReport spread = keyDistribution(m_keys);
    m_report.keys = spread.lines;
    for (const QString& f : spread.findings)
        m_report.skew.append({T, 0, f});
    const store::Rows bare = m_db.query(QStringLiteral(
        "select e.A1 from tab_exer e join tab_answ a on a.A1 = e.A1 "
        "where coalesce(a.F1, 0) <> 2 and (e.jx is null or length(e.jx) = 0) order by e.A1"));
    QStringList bareIds;
    for (const auto& row : bare.values)
        bareIds << row[0].toString();
    m_report.keys << QStringLiteral("book questions without analysis: %1%2")
                         .arg(bareIds.size())
                         .arg(bareIds.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(bareIds.mid(0, 20).join(QStringLiteral(", "))));
}

void Checker::singles()
{
    const int plans = m_db.scalar(QStringLiteral("select count(*) from tab_plan")).toInt();
    if (plans != 1)
        problem(QStringLiteral("tab_plan"), QStringLiteral("%1 rows; the plan is one row").arg(plans));
    if (m_db.scalar(QStringLiteral("select count(*) from tab_sj where cpbs is not null and cpbs <> ''")).toInt() == 0)
        problem(QStringLiteral("tab_sj"), QStringLiteral("no row names the bank's product (cpbs), so no upgrade can be applied"));

    QSet<QString> named;
    for (const auto& row : m_db.query(QStringLiteral("select A1 from tab_cj")).values) {
        const QString table = row[0].toString().trimmed();
        named.insert(table.toLower());
        if (!store::isPaperTableName(table) || !m_db.hasTable(table))
            problem(QStringLiteral("tab_cj"), QStringLiteral("stored paper \"%1\" has no paper table; opening it from the score list fails").arg(table));
    }
    for (const QString& t : m_db.tables())
        if (store::isPaperTableName(t) && !named.contains(t.toLower()))
            problem(t, QStringLiteral("a paper table without its score row in tab_cj (left over)"));
}

void Checker::counters()
{
    m_report.repairable += questionCounterDifferences(m_db);

    // Score texts, refreshed whenever study time is added.
    for (const auto& row : m_db.query(QStringLiteral("select C1, D1, D2, C6 from tab_kmmc order by C1")).values) {
        const QString want = store::answerScoreText(row[1].toLongLong(), row[2].toLongLong());
        if (row[3].toString() != want)
            m_report.repairable.append({QStringLiteral("tab_kmmc"), QStringLiteral("C1"), row[0].toString(), QStringLiteral("C6"), row[3], want});
    }
    for (const auto& row : m_db.query(QStringLiteral("select A1, A2, A3, A4 from tab_rz order by A1")).values) {
        const QString want = store::answerScoreText(row[1].toLongLong(), row[2].toLongLong());
        if (row[3].toString() != want)
            m_report.repairable.append({QStringLiteral("tab_rz"), QStringLiteral("A1"), row[0].toString(), QStringLiteral("A4"), row[3], want});
    }
}

void Checker::history()
{
    // Per chapter: answered questions and their recorded answers below it.
    struct Sums {
        qint64 answered = 0, answers = 0, direct = 0;
    };
    QHash<QString, Sums> sums;
    for (const auto& row : m_db.query(QStringLiteral("select A10, E3 from tab_answ")).values) {
        const QString chapter = row[0].toString();
        const qint64 e3 = row[1].toLongLong();
        if (m_chapters.contains(chapter))
            ++sums[chapter].direct;
        for (qsizetype n = 1; n <= chapter.size(); ++n) {
            if (!m_chapters.contains(chapter.left(n)))
                continue;
            Sums& s = sums[chapter.left(n)];
            s.answers += qMax<qint64>(0, e3);
            if (e3 > 0)
                ++s.answered;
        }
    }
    struct Counts {
        qint64 c4, d1, d2;
    };
    QMap<QString, Counts> chapters;
    for (const auto& row : m_db.query(QStringLiteral("select C1, C4, D1, D2 from tab_kmmc")).values)
        chapters.insert(row[0].toString(), {row[1].toLongLong(), row[2].toLongLong(), row[3].toLongLong()});

    const QString K = QStringLiteral("tab_kmmc");
    qint64 subjectAnswers = 0, subjectWrong = 0;
    for (auto it = chapters.cbegin(); it != chapters.cend(); ++it) {
        const QString& code = it.key();
        const Counts& c = it.value();
        const Sums s = sums.value(code);
        const QString who = QStringLiteral("chapter %1").arg(code);
        if (c.c4 < 0 || c.d1 < 0 || c.d2 < 0 || c.d2 > c.d1 || c.c4 > c.d1)
            differs(K, QStringLiteral("%1: C4 %2, D1 %3, D2 %4 (neither answered questions nor wrong answers can exceed the answers)")
                           .arg(who).arg(c.c4).arg(c.d1).arg(c.d2));
        if (c.c4 != s.answered)
            differs(K, QStringLiteral("%1: C4 is %2, %3 of its questions have been answered").arg(who).arg(c.c4).arg(s.answered));
        if (c.d1 != s.answers)
            differs(K, QStringLiteral("%1: D1 is %2, its questions' recorded answers (E3) add up to %3").arg(who).arg(c.d1).arg(s.answers));
        if (code.size() == 1) {
            subjectAnswers += c.d1;
            subjectWrong += c.d2;
        }
        // Every answer is counted on a chapter and all its ancestors, so a parent
        // without questions of its own holds the sum of its children.
        if (code == QLatin1String("xx") || code.size() == 6 || s.direct > 0)
            continue;
        const int childLength = code.size() == 1 ? 2 : code.size() + 2;
        Counts children{0, 0, 0};
        bool any = false;
        for (auto child = chapters.lowerBound(code); child != chapters.cend() && child.key().startsWith(code); ++child) {
            if (child.key().size() != childLength)
                continue;
            any = true;
            children.c4 += child->c4;
            children.d1 += child->d1;
            children.d2 += child->d2;
        }
        if (any && (children.c4 != c.c4 || children.d1 != c.d1 || children.d2 != c.d2))
            differs(K, QStringLiteral("%1: C4/D1/D2 are %2/%3/%4, its sub-chapters add up to %5/%6/%7")
                           .arg(who).arg(c.c4).arg(c.d1).arg(c.d2).arg(children.c4).arg(children.d1).arg(children.d2));
    }

    // The daily log counts the same answers as the subjects.
    const store::Rows log = m_db.query(QStringLiteral("select coalesce(sum(A2), 0), coalesce(sum(A3), 0) from tab_rz"));
    const qint64 logAnswers = log.values[0][0].toLongLong();
    const qint64 logWrong = log.values[0][1].toLongLong();
    if (logAnswers != subjectAnswers || logWrong != subjectWrong)
        differs(QStringLiteral("tab_rz"), QStringLiteral("the daily log holds %1 answers, %2 wrong; the subjects' D1/D2 hold %3, %4")
                                              .arg(logAnswers).arg(logWrong).arg(subjectAnswers).arg(subjectWrong));

    for (const QString& table : {QStringLiteral("tab_rule"), QStringLiteral("tab_fgmc")}) {
        const QString key = table == QLatin1String("tab_rule") ? QStringLiteral("ftid") : QStringLiteral("id");
        for (const auto& row : m_db.query(QStringLiteral("select %1, q1, q2, q4 from %2 where q1 > q2 or q4 > q2 or q1 < 0 or q4 < 0").arg(key, table)).values)
            differs(table, QStringLiteral("%1: q1 %2, q2 %3, q4 %4 (answered questions and wrong answers cannot exceed the answers)")
                               .arg(row[0].toString(), row[1].toString(), row[2].toString(), row[3].toString()));
    }
}

} // namespace

QStringList mockSpread(store::Connection& db)
{
    QStringList lines;
    for (int mock = 1; mock <= 5; ++mock) {
        const QString table = QStringLiteral("tab_tx%1").arg(mock);
        if (!db.hasTable(table))
            continue;
        std::map<QString, int> byPart;
        int total = 0;
        // Table names are this program's own; the type table decides which types are drawn.
        for (const auto& row : db.query(QStringLiteral("select A1 from %1 where B2 > 0 order by A1").arg(table)).values)
            for (const exam::DrawEntry& e : exam::drawsOf(mock, row[0].toInt())) {
                byPart[e.prefix.left(2)] += e.count;
                total += e.count;
            }
        QStringList parts;
        for (const auto& [part, n] : byPart)
            parts << QStringLiteral("%1 %2").arg(part).arg(n);
        lines << QStringLiteral("%1: %2 = %3").arg(exam::mockTitle(mock), parts.join(QStringLiteral(", "))).arg(total);
    }
    return lines;
}

CheckReport checkBank(store::Connection& db, const Progress& progress)
{
    CheckReport report = Checker(db, progress).run();
    report.mocks = mockSpread(db);
    return report;
}

void repairBank(store::Connection& db, const CheckReport& report)
{
    store::Transaction t(db);
    applyCounters(db, report.repairable);
    t.commit();
}

} // namespace bank
