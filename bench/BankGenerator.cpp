#include "BankGenerator.h"

#include "core/store/Connection.h"
#include "core/store/Schema.h"
#include "core/store/Statistics.h"

#include <QDate>
#include <QHash>
#include <QStringList>
#include <random>

namespace bankgen {

namespace {

struct Tree {
    QStringList subjects, parts, chapters, sections;
    QList<int> sectionQuestions; // questions per section, same order
};

Tree chapterTree(const BankShape& s)
{
    Tree t;
    for (int i = 1; i <= s.subjects; ++i) {
        const QString subject = QString::number(i);
        t.subjects << subject;
        for (int p = 0; p < s.partsPerSubject; ++p)
            t.parts << subject + QString::number(p);
    }
    const int parts = int(t.parts.size());
    for (int i = 0; i < parts; ++i) {
        const int n = s.chapters / parts + (i < s.chapters % parts ? 1 : 0);
        for (int c = 1; c <= std::max(n, 1); ++c)
            t.chapters << t.parts[i] + QStringLiteral("%1").arg(c, 2, 10, QLatin1Char('0'));
    }
    // The first chapter gets eight sections: the benchmarks' big chapter.
    const int chapters = int(t.chapters.size());
    const int first = std::min(8, s.sections);
    const int rest = s.sections - first;
    for (int i = 0; i < chapters; ++i) {
        const int n = i == 0 ? first : rest / (chapters - 1) + (i - 1 < rest % (chapters - 1) ? 1 : 0);
        for (int c = 1; c <= n; ++c)
            t.sections << t.chapters[i] + QStringLiteral("%1").arg(c, 2, 10, QLatin1Char('0'));
    }
    const int sections = int(t.sections.size());
    for (int i = 0; i < sections; ++i)
        t.sectionQuestions << s.questions / sections + (i >= sections - s.questions % sections ? 1 : 0);
    return t;
}

// Random text as a rich-text editor writes Chinese: GB2312 hanzi as \'xx escapes.
class TextMaker {
public:
    explicit TextMaker(std::mt19937& rng)
        : m_rng(rng) {}
    int between(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(m_rng); }
    QString hanzi(int n)
    {
        QString out;
        out.reserve(n * 8);
        for (int i = 0; i < n; ++i)
            out += QStringLiteral("\\'%1\\'%2").arg(between(0xb0, 0xd6), 2, 16).arg(between(0xa1, 0xfe), 2, 16);
        return out;
    }
    QString rtf(const QString& body)
    {
        return QStringLiteral("{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl{\\f0\\fnil\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}}"
                              "\\viewkind4\\uc1\\pard\\lang2052\\f0\\fs21 ")
            + body + QStringLiteral("\\par}");
    }
    QString stem(int options)
    {
        QString body = hanzi(between(20, 45));
        for (int i = 0; i < options; ++i)
            body += QStringLiteral("\\par %1\\'a3\\'ae").arg(QChar(u'A' + i)) + hanzi(between(3, 8));
        return rtf(body);
    }

private:
    std::mt19937& m_rng;
};

struct Counters {
    qint64 c3 = 0, c4 = 0, d1 = 0, d2 = 0;
};
struct PointCounters {
    qint64 q = 0, q1 = 0, q2 = 0, q4 = 0;
};

} // namespace

BankFacts factsOf(const BankShape& shape)
{
    const Tree t = chapterTree(shape);
    BankFacts f;
    f.questions = shape.questions;
    f.chapterRows = int(t.subjects.size() + t.parts.size() + t.chapters.size() + t.sections.size());
    f.points = shape.outlineTops * shape.outlineSectionsPerTop * shape.pointsPerSection;
    f.bigChapter = t.chapters.value(0);
    for (int i = 0; i < t.sections.size(); ++i)
        if (t.sections[i].startsWith(f.bigChapter))
            f.bigChapterQuestions += t.sectionQuestions[i];
    return f;
}

BankFacts generateBank(const QString& path, const BankShape& shape, void (*progress)(const QString&))
{
    const auto say = [&](const QString& line) {
        if (progress)
            progress(line);
    };
    std::mt19937 rng(shape.seed);
    TextMaker text(rng);
    const Tree tree = chapterTree(shape);
    const QDate today = QDate::currentDate();

    auto db = store::Connection::create(path, store::bankKey());
    store::createBankSchema(*db);
    store::Transaction t(*db);

    // Outline: top nodes, their sections, and the exam points of each section.
    QStringList points;
    QHash<QString, PointCounters> pointStats;
    for (int top = 1; top <= shape.outlineTops; ++top) {
        const QString topId = QStringLiteral("%1").arg(top, 2, 10, QLatin1Char('0'));
        for (int s = 1; s <= shape.outlineSectionsPerTop; ++s) {
            const QString sectionId = topId + QStringLiteral("%1").arg(s, 4, 10, QLatin1Char('0'));
            for (int p = 1; p <= shape.pointsPerSection; ++p)
                points << sectionId + QStringLiteral("%1").arg(p, 3, 10, QLatin1Char('0'));
        }
    }

    // Questions.
    static const int kTypes[] = {11, 11, 11, 11, 11, 11, 14, 14, 14, 31};
    QHash<QString, Counters> chapterStats;
    int made = 0;
    int group = 0;
    int groupLeft = 0;
    for (int si = 0; si < tree.sections.size(); ++si) {
        const QString& section = tree.sections[si];
        for (int xx = 1; xx <= tree.sectionQuestions[si]; ++xx) {
            ++made;
            // Now and then a group of three questions with a shared stem.
            QString id;
            if (groupLeft == 0 && made % 33 == 0) {
                ++group;
                groupLeft = 3;
                db->exec(QStringLiteral("insert into tab_title (A1,A15) values (:a1,:a15)"),
                         {{QStringLiteral(":a1"), QStringLiteral("G%1").arg(group, 15, 10, QLatin1Char('0'))},
                          {QStringLiteral(":a15"), text.rtf(text.hanzi(text.between(60, 120)))}});
            }
            if (groupLeft > 0) {
                id = QStringLiteral("G%1-%2").arg(group, 15, 10, QLatin1Char('0')).arg(4 - groupLeft);
                --groupLeft;
            } else {
                id = QStringLiteral("%1").arg(made, 10, 10, QLatin1Char('0'));
            }
            const int type = kTypes[text.between(0, 9)];
            const int options = type == 31 ? 2 : text.between(4, 5);
            QString answer;
            if (type == 14) {
                for (int o = 0; o < options; ++o)
                    if (text.between(0, 1))
                        answer += QChar(u'A' + o);
                if (answer.size() < 2)
                    answer = QStringLiteral("AC");
            } else {
                answer = QChar(u'A' + text.between(0, options - 1));
            }
            QStringList ks;
            const int nPoints = text.between(1, 3);
            while (ks.size() < nPoints) {
                const QString p = points[text.between(0, int(points.size()) - 1)];
                if (!ks.contains(p))
                    ks << p;
            }
            const bool answered = std::uniform_real_distribution<double>(0, 1)(rng) < shape.answeredShare;
            const bool wrong = answered && text.between(0, 9) < 3;
            const int times = answered ? text.between(1, 3) : 0;
            store::Params row = {
                {QStringLiteral(":a1"), id},
                {QStringLiteral(":a2"), answer},
                {QStringLiteral(":a2_1"), options},
                {QStringLiteral(":k3"), ks.value(0)},
                {QStringLiteral(":k4"), ks.size() > 1 ? QVariant(ks[1]) : QVariant()},
                {QStringLiteral(":k5"), ks.size() > 2 ? QVariant(ks[2]) : QVariant()},
                {QStringLiteral(":a10"), section},
                {QStringLiteral(":a13"), type},
                {QStringLiteral(":a14"), text.between(0, 49) == 0 ? QStringLiteral("记得复习") : QString()},
                {QStringLiteral(":e1"), answered ? QVariant(today.addDays(-text.between(1, 60))) : QVariant()},
                {QStringLiteral(":e2"), answered ? QVariant(wrong ? QStringLiteral("B") + answer : answer) : QVariant()},
                {QStringLiteral(":e3"), times},
                {QStringLiteral(":e4"), wrong ? -3 : 0},
                {QStringLiteral(":xx"), xx},
            };
            db->exec(QStringLiteral("insert into tab_answ (A1,A2,A2_1,K3,K4,K5,A10,A13,A14,E1,E2,E2_1,E3,E4,F1,xx,ecount)"
                                    " values (:a1,:a2,:a2_1,:k3,:k4,:k5,:a10,:a13,:a14,:e1,:e2,'',:e3,:e4,0,:xx,0)"),
                     row);
            const bool withAnalysis = text.between(0, 9) != 0;
            db->exec(QStringLiteral("insert into tab_exer (A1,A15,jx) values (:a1,:a15,:jx)"),
                     {{QStringLiteral(":a1"), id},
                      {QStringLiteral(":a15"), text.stem(options)},
                      {QStringLiteral(":jx"), withAnalysis ? QVariant(text.rtf(text.hanzi(text.between(15, 40))).toLatin1()) : QVariant()}});

            for (qsizetype n = 1; n <= section.size(); ++n) {
                if (n != 1 && n != 2 && n != 4 && n != 6)
                    continue;
                Counters& c = chapterStats[section.left(n)];
                ++c.c3;
                if (answered) {
                    ++c.c4;
                    c.d1 += times;
                    c.d2 += wrong ? 1 : 0;
                }
            }
            for (const QString& p : ks) {
                for (const QString& node : {p, p.left(6), p.left(2)}) {
                    PointCounters& c = pointStats[node];
                    ++c.q;
                    if (answered) {
                        ++c.q1;
                        c.q2 += times;
                        c.q4 += wrong ? 1 : 0;
                    }
                }
            }
            if (made % 10000 == 0)
                say(QStringLiteral("%1 questions").arg(made));
        }
    }

    // Chapter rows with their counters.
    QStringList all = tree.subjects + tree.parts + tree.chapters + tree.sections;
    std::sort(all.begin(), all.end());
    int bh = 0;
    for (const QString& code : std::as_const(all)) {
        const Counters c = chapterStats.value(code);
        const QString level = code.size() == 1 ? QStringLiteral("科目") : code.size() == 2 ? QStringLiteral("篇") : code.size() == 4 ? QStringLiteral("章") : QStringLiteral("节");
        db->exec(QStringLiteral("insert into tab_kmmc (C1,C1_1,C2,C3,C4,D1,D2,C6,C7,bh,jx) values (:c1,:h,:c2,:c3,:c4,:d1,:d2,:c6,:c7,:bh,:jx)"),
                 {{QStringLiteral(":c1"), code},
                  {QStringLiteral(":h"), QStringLiteral("第%1%2").arg(code, level)},
                  {QStringLiteral(":c2"), QStringLiteral("%1 %2").arg(level, code)},
                  {QStringLiteral(":c3"), c.c3},
                  {QStringLiteral(":c4"), c.c4},
                  {QStringLiteral(":d1"), c.d1},
                  {QStringLiteral(":d2"), c.d2},
                  {QStringLiteral(":c6"), store::answerScoreText(c.d1, c.d2)},
                  {QStringLiteral(":c7"), code.size() == 2 ? QStringLiteral("0") : QStringLiteral("1")},
                  {QStringLiteral(":bh"), ++bh},
                  {QStringLiteral(":jx"), code.size() == 4 ? QVariant(text.rtf(text.hanzi(80)).toLatin1()) : QVariant()}});
    }

    // Outline rows and points with their counters.
    for (const QString& p : std::as_const(points)) {
        const PointCounters c = pointStats.value(p);
        db->exec(QStringLiteral("insert into tab_rule (ftid,id,sn,n,q,q1,q2,q4) values (:f,:id,:sn,:n,:q,:q1,:q2,:q4)"),
                 {{QStringLiteral(":f"), p}, {QStringLiteral(":id"), p.left(6)}, {QStringLiteral(":sn"), QStringLiteral("考点%1  ").arg(p.right(3))},
                  {QStringLiteral(":n"), text.rtf(text.hanzi(text.between(20, 60)))},
                  {QStringLiteral(":q"), c.q}, {QStringLiteral(":q1"), c.q1}, {QStringLiteral(":q2"), c.q2}, {QStringLiteral(":q4"), c.q4}});
    }
    QStringList nodes;
    for (const QString& p : std::as_const(points)) {
        if (nodes.isEmpty() || nodes.last() != p.left(6)) {
            if (!nodes.contains(p.left(2)))
                nodes << p.left(2);
            nodes << p.left(6);
        }
    }
    bh = 0;
    for (const QString& id : std::as_const(nodes)) {
        const PointCounters c = pointStats.value(id);
        db->exec(QStringLiteral("insert into tab_fgmc (id,n,bh,q,q1,q2,q4) values (:id,:n,:bh,:q,:q1,:q2,:q4)"),
                 {{QStringLiteral(":id"), id}, {QStringLiteral(":n"), QStringLiteral("纲目 %1").arg(id)}, {QStringLiteral(":bh"), ++bh},
                  {QStringLiteral(":q"), c.q}, {QStringLiteral(":q1"), c.q1}, {QStringLiteral(":q2"), c.q2}, {QStringLiteral(":q4"), c.q4}});
    }

    // Question types of the five papers, a plan, and two months of log.
    for (int paper = 1; paper <= 5; ++paper)
        db->exec(QStringLiteral("insert into tab_tx%1 (A1,B1,B2,B3,time) values (11,'单选题',60,1,1.0),(14,'多选题',20,2,2.0),(31,'判断题',20,1,0.5)").arg(paper));
    db->exec(QStringLiteral("insert into tab_plan (PlanMark,PlanAmount,PlanTime,ExamDate,LeastMark,ExamTime) values (0,100,120,:d,60,9000)"),
             {{QStringLiteral(":d"), today.addDays(90)}});
    for (int day = 60; day >= 1; --day) {
        const int answers = text.between(20, 200);
        const int wrong = text.between(0, answers / 3);
        db->exec(QStringLiteral("insert into tab_rz (A1,B1,B2,A2,A3,D1,A4) values (:d,:b1,:b2,:a2,:a3,:d1,:a4)"),
                 {{QStringLiteral(":d"), today.addDays(-day)}, {QStringLiteral(":b1"), answers * 3 / 4}, {QStringLiteral(":b2"), wrong * 3 / 4},
                  {QStringLiteral(":a2"), answers}, {QStringLiteral(":a3"), wrong},
                  {QStringLiteral(":d1"), store::secondsToClockText(answers * 40)}, {QStringLiteral(":a4"), store::answerScoreText(answers, wrong)}});
    }
    t.commit();
    // No ANALYZE: the shipped bank has no statistics either, so plans stay as the program sees them.
    db->execScript(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE);"));
    say(QStringLiteral("done: %1 questions").arg(made));
    return factsOf(shape);
}

} // namespace bankgen
