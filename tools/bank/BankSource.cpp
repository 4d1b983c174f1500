#include "bank/BankSource.h"

#include "bank/AnswerKey.h"
#include "bank/Markup.h"
#include "core/store/Statistics.h"
#include "core/question/AnswerRules.h"

#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <algorithm>
#include <map>

namespace bank {

namespace {

const QRegularExpression& codeChars()
{
    static const QRegularExpression re(QStringLiteral("^[0-9A-Za-z]+$"));
    return re;
}

// Where a key was first defined, to name both places of a duplicate.
struct Origin {
    QString file;
    int line = 0;
};

class Reader {
public:
    Reader(const QString& dir, const QDate& today, QList<Problem>& problems)
        : m_dir(dir), m_today(today), m_problems(problems)
    {
    }

    void read(const QList<Record>& records);
    void crossCheck();
    BankSource take() { return std::move(m_bank); }
    const BankSource& current() const { return m_bank; }

    // From here on the records read are an upgrade of what was read so far: its
    // book record names the upgrade, and it brings no plan and no types.
    void startUpgrade(const QString& dir)
    {
        m_upgrade = true;
        m_baseBook = m_bank.book;
        m_dir = dir;
    }
    bool hasUpgradeBook() const { return m_hasUpgradeBook; }

private:
    void fail(const Record& r, const QString& message) { m_problems.append({r.file, r.line, message}); }
    void fail(const Record& r, const Field& f, const QString& message) { m_problems.append({r.file, f.line, message}); }

    // Field access with the record's allowed names checked once per record.
    bool checkFields(const Record& r, const QStringList& allowed, const QStringList& required);
    QString text(const Record& r, const QString& name);
    bool integer(const Record& r, const QString& name, int min, int max, int& out);
    bool number(const Record& r, const QString& name, double min, double max, double& out);
    QByteArray richText(const Record& r, const QString& name);
    bool unique(QHash<QString, Origin>& seen, const Record& r, const QString& what);

    void readBook(const Record& r);
    void readPlan(const Record& r);
    void readType(const Record& r);
    void readChapter(const Record& r);
    void readNode(const Record& r);
    void readPoint(const Record& r);
    void readGroup(const Record& r);
    void readQuestion(const Record& r);

    QString m_dir;
    QDate m_today;
    QList<Problem>& m_problems;
    BankSource m_bank;
    bool m_hasBook = false;
    bool m_hasPlan = false;
    Origin m_bookOrigin;
    bool m_upgrade = false;
    bool m_hasUpgradeBook = false;
    BankSource::Book m_baseBook;

    QHash<QString, Origin> m_typeKeys, m_chapterKeys, m_nodeKeys, m_pointKeys, m_groupKeys, m_questionKeys;
    // What the cross-checks need to point at.
    QHash<QString, Origin> m_questionOrigin;
    QHash<int, Origin> m_typeOrigin;
    QHash<QString, Origin> m_chapterOrigin, m_nodeOrigin, m_pointOrigin, m_groupOrigin;
    struct FieldLines {
        int type = 0, chapter = 0, points = 0, answer = 0;
    };
    QHash<QString, FieldLines> m_questionLines;
    QHash<QString, int> m_explicitOrder; // question id → xx given in the source
};

bool Reader::checkFields(const Record& r, const QStringList& allowed, const QStringList& required)
{
    bool ok = true;
    for (const Field& f : r.fields) {
        if (!allowed.contains(f.name)) {
            fail(r, f, QStringLiteral("unknown field \"%1\" for a %2 (fields: %3)").arg(f.name, r.kind, allowed.join(QStringLiteral(", "))));
            ok = false;
        }
    }
    for (const QString& name : required) {
        const Field* f = r.field(name);
        if (!f || (f->value.isEmpty() && f->body.isEmpty())) {
            fail(r, QStringLiteral("%1 %2 has no \"%3\"").arg(r.kind, r.key, name));
            ok = false;
        }
    }
    return ok;
}

QString Reader::text(const Record& r, const QString& name)
{
    const Field* f = r.field(name);
    if (!f)
        return {};
    if (f->hasBody) {
        fail(r, *f, QStringLiteral("\"%1\" is a one-line field").arg(name));
        return {};
    }
    return f->value;
}

bool Reader::integer(const Record& r, const QString& name, int min, int max, int& out)
{
    const Field* f = r.field(name);
    if (!f)
        return false;
    bool ok = false;
    const int v = f->value.toInt(&ok);
    if (!ok || v < min || v > max) {
        fail(r, *f, QStringLiteral("\"%1\" must be a whole number from %2 to %3, not \"%4\"").arg(name).arg(min).arg(max).arg(f->value));
        return false;
    }
    out = v;
    return true;
}

bool Reader::number(const Record& r, const QString& name, double min, double max, double& out)
{
    const Field* f = r.field(name);
    if (!f)
        return false;
    bool ok = false;
    const double v = f->value.toDouble(&ok);
    if (!ok || v < min || v > max) {
        fail(r, *f, QStringLiteral("\"%1\" must be a number from %2 to %3, not \"%4\"").arg(name).arg(min).arg(max).arg(f->value));
        return false;
    }
    out = v;
    return true;
}

QByteArray Reader::richText(const Record& r, const QString& name)
{
    const Field* f = r.field(name);
    if (!f)
        return {};
    if (f->hasBody)
        return markupToRtf(f->body, r.file, m_dir, m_problems);
    return markupToRtf({{f->line, f->value}}, r.file, m_dir, m_problems);
}

bool Reader::unique(QHash<QString, Origin>& seen, const Record& r, const QString& what)
{
    const auto it = seen.constFind(r.key);
    if (it != seen.constEnd()) {
        fail(r, QStringLiteral("%1 %2 is defined twice (first at %3:%4)").arg(what, r.key, it->file).arg(it->line));
        return false;
    }
    seen.insert(r.key, {r.file, r.line});
    return true;
}

void Reader::read(const QList<Record>& records)
{
    for (const Record& r : records) {
        if (r.kind == QLatin1String("book"))
            readBook(r);
        else if (r.kind == QLatin1String("plan"))
            readPlan(r);
        else if (r.kind == QLatin1String("type"))
            readType(r);
        else if (r.kind == QLatin1String("chapter"))
            readChapter(r);
        else if (r.kind == QLatin1String("node"))
            readNode(r);
        else if (r.kind == QLatin1String("point"))
            readPoint(r);
        else if (r.kind == QLatin1String("group"))
            readGroup(r);
        else if (r.kind == QLatin1String("question"))
            readQuestion(r);
        else
            fail(r, QStringLiteral("unknown record kind \"%1\" (book, plan, type, chapter, node, point, group, question)").arg(r.kind));
    }
}

void Reader::readBook(const Record& r)
{
    if (m_upgrade) {
        if (m_hasUpgradeBook) {
            fail(r, QStringLiteral("a second book record in the upgrade"));
            return;
        }
        m_hasUpgradeBook = true;
        checkFields(r, {QStringLiteral("title"), QStringLiteral("upgrade")}, {QStringLiteral("title"), QStringLiteral("upgrade")});
        m_bank.book = {r.key, text(r, QStringLiteral("title")), text(r, QStringLiteral("upgrade"))};
        if (r.key != m_baseBook.productId)
            fail(r, QStringLiteral("the upgrade is for product %1, the bank is %2").arg(r.key, m_baseBook.productId));
        if (m_bank.book.upgradeId == m_baseBook.upgradeId)
            fail(r, QStringLiteral("the upgrade id %1 is the bank's own").arg(m_bank.book.upgradeId));
        return;
    }
    if (m_hasBook) {
        fail(r, QStringLiteral("a second book record (the first is at %1:%2)").arg(m_bookOrigin.file).arg(m_bookOrigin.line));
        return;
    }
    m_hasBook = true;
    m_bookOrigin = {r.file, r.line};
    checkFields(r, {QStringLiteral("title"), QStringLiteral("upgrade")}, {QStringLiteral("title"), QStringLiteral("upgrade")});
    m_bank.book = {r.key, text(r, QStringLiteral("title")), text(r, QStringLiteral("upgrade"))};
}

void Reader::readPlan(const Record& r)
{
    if (m_upgrade) {
        fail(r, QStringLiteral("an upgrade brings no plan: the candidate's plan stays"));
        return;
    }
    if (m_hasPlan) {
        fail(r, QStringLiteral("a second plan record: the bank has one plan row"));
        return;
    }
    m_hasPlan = true;
    const QStringList fields = {QStringLiteral("mark"), QStringLiteral("amount"), QStringLiteral("minutes"),
                                QStringLiteral("exam-date"), QStringLiteral("least-mark"), QStringLiteral("exam-seconds")};
    checkFields(r, fields, fields);
    auto& p = m_bank.plan;
    integer(r, QStringLiteral("mark"), 0, 1, p.mark);
    integer(r, QStringLiteral("amount"), 0, 10000, p.amount);
    integer(r, QStringLiteral("minutes"), 0, 1440, p.minutes);
    number(r, QStringLiteral("least-mark"), 0, 10000, p.leastMark);
    integer(r, QStringLiteral("exam-seconds"), 60, 86400, p.examSeconds);
    if (const Field* f = r.field(QStringLiteral("exam-date"))) {
        static const QRegularExpression relative(QStringLiteral("^\\+(\\d{1,4})d$"));
        if (const auto m = relative.match(f->value); m.hasMatch())
            p.examDate = m_today.addDays(m.captured(1).toInt());
        else
            p.examDate = QDate::fromString(f->value, QStringLiteral("yyyy-MM-dd"));
        if (!p.examDate.isValid())
            fail(r, *f, QStringLiteral("\"exam-date\" is \"+<days>d\" or a date yyyy-mm-dd, not \"%1\"").arg(f->value));
    }
}

void Reader::readType(const Record& r)
{
    if (m_upgrade) {
        fail(r, QStringLiteral("an upgrade brings no question types: its questions use the bank's"));
        return;
    }
    QStringList allowed = {QStringLiteral("name"), QStringLiteral("time")};
    for (int i = 1; i <= 5; ++i)
        allowed << QStringLiteral("paper%1").arg(i);
    checkFields(r, allowed, {QStringLiteral("name"), QStringLiteral("time")});
    BankSource::Type t;
    bool ok = false;
    t.id = r.key.toInt(&ok);
    if (!ok || t.id <= 0 || t.id > 32767) {
        fail(r, QStringLiteral("a type id is a whole number from 1 to 32767, not \"%1\"").arg(r.key));
        return;
    }
    if (!unique(m_typeKeys, r, QStringLiteral("type")))
        return;
    t.name = text(r, QStringLiteral("name"));
    if (number(r, QStringLiteral("time"), 0.1, 30, t.minutes) && qAbs(t.minutes * 10 - qRound(t.minutes * 10)) > 1e-9)
        fail(r, *r.field(QStringLiteral("time")), QStringLiteral("\"time\" has at most one decimal"));
    static const QRegularExpression share(QStringLiteral("^(\\d{1,3})\\s*x\\s*(\\d+(?:\\.\\d+)?)$"));
    for (int i = 0; i < 5; ++i) {
        const Field* f = r.field(QStringLiteral("paper%1").arg(i + 1));
        if (!f)
            continue;
        const auto m = share.match(f->value);
        if (!m.hasMatch() || m.captured(2).toDouble() <= 0) {
            fail(r, *f, QStringLiteral("a paper share is \"<count> x <score>\" with a score above 0, not \"%1\"").arg(f->value));
            continue;
        }
        t.papers[size_t(i)] = {true, m.captured(1).toInt(), m.captured(2).toDouble()};
    }
    if (practice::AnswerPageOfType(t.id, t.name) == 99)
        fail(r, QStringLiteral("type %1 \"%2\": no answer page for it (name it 判断, 填空, 配伍, 不定项 or one of the "
                               "subjective names 简答, 主观, 论述, 案例分析, 名词解释, 查找错误, 综合, 计算)")
                    .arg(t.id)
                    .arg(t.name));
    m_typeOrigin.insert(t.id, {r.file, r.line});
    m_bank.types.append(t);
}

void Reader::readChapter(const Record& r)
{
    checkFields(r,
                {QStringLiteral("name"), QStringLiteral("heading"), QStringLiteral("order"), QStringLiteral("chart"),
                 QStringLiteral("guidance")},
                {QStringLiteral("name"), QStringLiteral("heading")});
    if (m_upgrade && r.field(QStringLiteral("order")))
        fail(r, QStringLiteral("an upgrade's chapters follow the bank's: no \"order\""));
    if (!isChapterCode(r.key)) {
        fail(r, QStringLiteral("a chapter code has 1, 2, 4 or 6 letters or digits (or is \"xx\"), not \"%1\"").arg(r.key));
        return;
    }
    if (!unique(m_chapterKeys, r, QStringLiteral("chapter")))
        return;
    BankSource::Chapter c;
    c.code = r.key;
    c.name = text(r, QStringLiteral("name"));
    c.heading = text(r, QStringLiteral("heading"));
    integer(r, QStringLiteral("order"), 1, 1000000, c.order);
    if (const Field* f = r.field(QStringLiteral("chart"))) {
        if (f->value != QLatin1String("yes") && f->value != QLatin1String("no"))
            fail(r, *f, QStringLiteral("\"chart\" is yes or no, not \"%1\"").arg(f->value));
        c.chart = f->value == QLatin1String("yes");
    }
    c.guidance = richText(r, QStringLiteral("guidance"));
    m_chapterOrigin.insert(c.code, {r.file, r.line});
    m_bank.chapters.append(c);
}

void Reader::readNode(const Record& r)
{
    checkFields(r, {QStringLiteral("name"), QStringLiteral("order")}, {QStringLiteral("name")});
    if (m_upgrade && r.field(QStringLiteral("order")))
        fail(r, QStringLiteral("an upgrade's outline nodes follow the bank's: no \"order\""));
    if ((r.key.size() != 2 && r.key.size() != 6) || !codeChars().match(r.key).hasMatch()) {
        fail(r, QStringLiteral("an outline node id has 2 or 6 letters or digits, not \"%1\"").arg(r.key));
        return;
    }
    if (!unique(m_nodeKeys, r, QStringLiteral("node")))
        return;
    BankSource::Node n;
    n.id = r.key;
    n.name = text(r, QStringLiteral("name"));
    integer(r, QStringLiteral("order"), 1, 1000000, n.order);
    m_nodeOrigin.insert(n.id, {r.file, r.line});
    m_bank.nodes.append(n);
}

void Reader::readPoint(const Record& r)
{
    checkFields(r, {QStringLiteral("title"), QStringLiteral("text")}, {QStringLiteral("title"), QStringLiteral("text")});
    if (r.key.size() < 8 || r.key.size() > 12 || !codeChars().match(r.key).hasMatch()) {
        fail(r, QStringLiteral("an exam-point id is its 6-character section id and 2 to 6 more letters or digits, not \"%1\"").arg(r.key));
        return;
    }
    if (!unique(m_pointKeys, r, QStringLiteral("exam point")))
        return;
    m_pointOrigin.insert(r.key, {r.file, r.line});
    m_bank.points.append({r.key, text(r, QStringLiteral("title")), richText(r, QStringLiteral("text"))});
}

void Reader::readGroup(const Record& r)
{
    checkFields(r, {QStringLiteral("stem")}, {QStringLiteral("stem")});
    if (r.key.size() != 16 || !codeChars().match(r.key).hasMatch()) {
        fail(r, QStringLiteral("a group id has 16 letters or digits, not \"%1\"").arg(r.key));
        return;
    }
    if (!unique(m_groupKeys, r, QStringLiteral("group")))
        return;
    m_groupOrigin.insert(r.key, {r.file, r.line});
    m_bank.groups.append({r.key, richText(r, QStringLiteral("stem"))});
}

void Reader::readQuestion(const Record& r)
{
    checkFields(r,
                {QStringLiteral("type"), QStringLiteral("chapter"), QStringLiteral("points"), QStringLiteral("options"),
                 QStringLiteral("answer"), QStringLiteral("order"), QStringLiteral("stem"), QStringLiteral("analysis")},
                {QStringLiteral("type"), QStringLiteral("chapter"), QStringLiteral("points"), QStringLiteral("options"),
                 QStringLiteral("answer"), QStringLiteral("stem")});
    if (!isBookQuestionId(r.key)) {
        fail(r, QStringLiteral("a question id is 12 letters or digits, or a 16-character group id, \"-\" and a number, not \"%1\"")
                    .arg(r.key));
        return;
    }
    if (r.key.startsWith(QLatin1Char('U'))) {
        fail(r, QStringLiteral("question %1: ids starting with \"U\" are kept for the candidate's own questions").arg(r.key));
        return;
    }
    if (!unique(m_questionKeys, r, QStringLiteral("question")))
        return;
    BankSource::Question q;
    q.id = r.key;
    q.type = 0;
    if (const Field* f = r.field(QStringLiteral("type"))) {
        bool ok = false;
        q.type = f->value.toInt(&ok);
        if (!ok)
            fail(r, *f, QStringLiteral("\"type\" is a type id, not \"%1\"").arg(f->value));
        m_questionLines[q.id].type = f->line;
    }
    q.chapter = text(r, QStringLiteral("chapter"));
    if (const Field* f = r.field(QStringLiteral("chapter")))
        m_questionLines[q.id].chapter = f->line;
    if (const Field* f = r.field(QStringLiteral("points"))) {
        for (const QString& p : f->value.split(QLatin1Char(','), Qt::SkipEmptyParts))
            q.points << p.trimmed();
        m_questionLines[q.id].points = f->line;
    }
    integer(r, QStringLiteral("options"), 1, kMaxOptions, q.options);
    if (const Field* f = r.field(QStringLiteral("answer"))) {
        q.answer = f->value;
        m_questionLines[q.id].answer = f->line;
    }
    if (r.field(QStringLiteral("order")) && integer(r, QStringLiteral("order"), 1, 1000000, q.order))
        m_explicitOrder.insert(q.id, q.order);
    q.stem = richText(r, QStringLiteral("stem"));
    q.analysis = richText(r, QStringLiteral("analysis"));
    m_questionOrigin.insert(q.id, {r.file, r.line});
    m_bank.questions.append(q);
}

void Reader::crossCheck()
{
    auto failAt = [&](const Origin& o, int line, const QString& message) { m_problems.append({o.file, line > 0 ? line : o.line, message}); };

    if (!m_hasBook)
        m_problems.append({m_dir, 0, QStringLiteral("no book record (== book <product id>)")});
    if (!m_hasPlan)
        m_problems.append({m_dir, 0, QStringLiteral("no plan record (== plan 1)")});

    // Papers hold at most 120 questions (the exam screen's grid).
    for (int i = 0; i < 5; ++i) {
        int total = 0;
        for (const auto& t : m_bank.types)
            total += t.papers[size_t(i)].count;
        if (total > 120)
            m_problems.append({m_dir, 0, QStringLiteral("paper %1 asks for %2 questions; a paper holds at most 120").arg(i + 1).arg(total)});
    }

    // The chapter tree: every code below a subject hangs under its parent.
    QSet<QString> chapterCodes;
    for (const auto& c : m_bank.chapters)
        chapterCodes.insert(c.code);
    for (const auto& c : m_bank.chapters) {
        if (c.code == QLatin1String("xx") || c.code.size() == 1)
            continue;
        const QString parent = c.code.left(c.code.size() == 2 ? 1 : c.code.size() - 2);
        if (!chapterCodes.contains(parent))
            failAt(m_chapterOrigin.value(c.code), 0, QStringLiteral("chapter %1 has no parent chapter %2").arg(c.code, parent));
    }
    QSet<QString> nodeIds;
    for (const auto& n : m_bank.nodes)
        nodeIds.insert(n.id);
    for (const auto& n : m_bank.nodes)
        if (n.id.size() == 6 && !nodeIds.contains(n.id.left(2)))
            failAt(m_nodeOrigin.value(n.id), 0, QStringLiteral("outline section %1 has no top node %2").arg(n.id, n.id.left(2)));
    QSet<QString> pointIds;
    for (const auto& p : m_bank.points) {
        pointIds.insert(p.ftid);
        if (!nodeIds.contains(p.ftid.left(6)) || p.ftid.left(6).size() != 6)
            failAt(m_pointOrigin.value(p.ftid), 0, QStringLiteral("exam point %1 has no outline section %2").arg(p.ftid, p.ftid.left(6)));
    }

    QHash<int, const BankSource::Type*> types;
    for (const auto& t : m_bank.types)
        types.insert(t.id, &t);
    QHash<QString, int> groupUse;
    for (const auto& g : m_bank.groups)
        groupUse.insert(g.id, 0);

    for (const auto& q : m_bank.questions) {
        const Origin o = m_questionOrigin.value(q.id);
        // Chapter: a 6-character leaf of the tree.
        const FieldLines lines = m_questionLines.value(q.id);
        const int chapterLine = lines.chapter;
        if (!chapterCodes.contains(q.chapter))
            failAt(o, chapterLine, QStringLiteral("question %1: chapter \"%2\" is not in the chapter tree").arg(q.id, q.chapter));
        else if (q.chapter.size() != 6)
            failAt(o, chapterLine, QStringLiteral("question %1: chapter %2 is not a 6-character section").arg(q.id, q.chapter));

        // Type and answer key.
        const int typeLine = lines.type;
        const BankSource::Type* t = types.value(q.type);
        if (!t) {
            failAt(o, typeLine, QStringLiteral("question %1: type %2 is not defined").arg(q.id).arg(q.type));
        } else if (q.options > 0) {
            const QString p = answerKeyProblem(practice::AnswerPageOfType(t->id, t->name), q.answer, q.options);
            if (!p.isEmpty())
                failAt(o, lines.answer, QStringLiteral("question %1 (type %2 %3): %4").arg(q.id).arg(t->id).arg(t->name, p));
        }

        // Exam points: 1 to 10 known ids, each once.
        const int pointsLine = lines.points;
        if (q.points.isEmpty() || q.points.size() > 10)
            failAt(o, pointsLine, QStringLiteral("question %1 has %2 exam points; give 1 to 10").arg(q.id).arg(q.points.size()));
        QSet<QString> seen;
        for (const QString& p : q.points) {
            if (!pointIds.contains(p))
                failAt(o, pointsLine, QStringLiteral("question %1: exam point %2 does not exist").arg(q.id, p));
            else if (seen.contains(p))
                failAt(o, pointsLine, QStringLiteral("question %1: exam point %2 is listed twice").arg(q.id, p));
            seen.insert(p);
        }

        // Grouped questions need their shared stem.
        const QString group = groupOfQuestion(q.id);
        if (!group.isEmpty()) {
            if (!groupUse.contains(group))
                failAt(o, 0, QStringLiteral("question %1: its group %2 has no shared stem (no group record)").arg(q.id, group));
            else
                ++groupUse[group];
        }
    }
    for (const auto& g : m_bank.groups)
        if (groupUse.value(g.id) == 0)
            failAt(m_groupOrigin.value(g.id), 0, QStringLiteral("group %1 has no questions").arg(g.id));

    // Default orders: chapters and nodes in code order (the tree order, "xx" last),
    // questions in file order within their chapter.
    auto codeLess = [](const QString& a, const QString& b) {
        const bool ax = a == QLatin1String("xx"), bx = b == QLatin1String("xx");
        return ax != bx ? bx : a < b;
    };
    std::stable_sort(m_bank.chapters.begin(), m_bank.chapters.end(),
                     [&](const auto& a, const auto& b) { return codeLess(a.code, b.code); });
    for (qsizetype i = 0; i < m_bank.chapters.size(); ++i)
        if (m_bank.chapters[i].order == 0)
            m_bank.chapters[i].order = int(i + 1);
    std::stable_sort(m_bank.chapters.begin(), m_bank.chapters.end(), [](const auto& a, const auto& b) { return a.order < b.order; });
    std::stable_sort(m_bank.nodes.begin(), m_bank.nodes.end(), [](const auto& a, const auto& b) { return a.id < b.id; });
    for (qsizetype i = 0; i < m_bank.nodes.size(); ++i)
        if (m_bank.nodes[i].order == 0)
            m_bank.nodes[i].order = int(i + 1);
    std::stable_sort(m_bank.nodes.begin(), m_bank.nodes.end(), [](const auto& a, const auto& b) { return a.order < b.order; });
    QHash<QString, int> positionInChapter;
    for (auto& q : m_bank.questions) {
        const int position = ++positionInChapter[q.chapter];
        if (!m_explicitOrder.contains(q.id))
            q.order = position;
    }
}

} // namespace

bool isChapterCode(const QString& code)
{
    if (code == QLatin1String("xx"))
        return true;
    const auto n = code.size();
    return (n == 1 || n == 2 || n == 4 || n == 6) && codeChars().match(code).hasMatch();
}

bool isBookQuestionId(const QString& id)
{
    static const QRegularExpression plain(QStringLiteral("^[0-9A-Za-z]{12}$"));
    static const QRegularExpression grouped(QStringLiteral("^[0-9A-Za-z]{16}-[0-9]{1,3}$"));
    return plain.match(id).hasMatch() || grouped.match(id).hasMatch();
}

QString groupOfQuestion(const QString& id)
{
    return id.contains(QLatin1Char('-')) ? id.left(16) : QString();
}

namespace {

// Reads every source file of dir into the reader; false (with the problem) when
// the folder has none.
bool readFolder(Reader& reader, const QString& dir, QList<Problem>& problems, const Progress& progress)
{
    const QStringList files = sourceFiles(dir);
    if (!QFileInfo(dir).isDir()) {
        problems.append({dir, 0, QStringLiteral("no such folder")});
        return false;
    }
    if (files.isEmpty()) {
        problems.append({dir, 0, QStringLiteral("no source files (*.txt) in the folder")});
        return false;
    }
    for (qsizetype i = 0; i < files.size(); ++i) {
        if (progress)
            progress(QStringLiteral("reading %1/%2 %3").arg(i + 1).arg(files.size()).arg(QFileInfo(files[i]).fileName()));
        reader.read(readSourceFile(files[i], problems));
    }
    return true;
}

} // namespace

BankSource readBankSource(const QString& dir, const QDate& today, QList<Problem>& problems, const Progress& progress)
{
    Reader reader(dir, today, problems);
    if (!readFolder(reader, dir, problems, progress))
        return {};
    if (progress)
        progress(QStringLiteral("checking references"));
    reader.crossCheck();
    return reader.take();
}

BankSource readUpgradeSource(const QString& baseDir, const QString& upgradeDir, const QDate& today, QList<Problem>& problems,
                             const Progress& progress)
{
    Reader reader(baseDir, today, problems);
    if (!readFolder(reader, baseDir, problems, progress))
        return {};
    const BankSource& base = reader.current();
    QSet<QString> chapters, nodes, points, groups, questions;
    for (const auto& c : base.chapters)
        chapters.insert(c.code);
    for (const auto& n : base.nodes)
        nodes.insert(n.id);
    for (const auto& p : base.points)
        points.insert(p.ftid);
    for (const auto& g : base.groups)
        groups.insert(g.id);
    for (const auto& q : base.questions)
        questions.insert(q.id);

    reader.startUpgrade(upgradeDir);
    if (!readFolder(reader, upgradeDir, problems, progress))
        return {};
    if (!reader.hasUpgradeBook())
        problems.append({upgradeDir, 0, QStringLiteral("no book record (== book <product id>, with the upgrade's id)")});
    if (progress)
        progress(QStringLiteral("checking references"));
    // References are checked over the bank and the upgrade together: the upgrade
    // may hang its chapters under the bank's and use the bank's points and types.
    reader.crossCheck();
    BankSource all = reader.take();

    BankSource up;
    up.book = all.book;
    int lastChapter = 0, lastNode = 0;
    for (const auto& c : all.chapters)
        if (chapters.contains(c.code))
            lastChapter = std::max(lastChapter, c.order);
    for (const auto& n : all.nodes)
        if (nodes.contains(n.id))
            lastNode = std::max(lastNode, n.order);
    // The upgrade's rows are shown after the bank's, in code order.
    for (const auto& c : all.chapters)
        if (!chapters.contains(c.code))
            up.chapters.append(c);
    std::stable_sort(up.chapters.begin(), up.chapters.end(), [](const auto& a, const auto& b) { return a.code < b.code; });
    for (auto& c : up.chapters)
        c.order = ++lastChapter;
    for (const auto& n : all.nodes)
        if (!nodes.contains(n.id))
            up.nodes.append(n);
    std::stable_sort(up.nodes.begin(), up.nodes.end(), [](const auto& a, const auto& b) { return a.id < b.id; });
    for (auto& n : up.nodes)
        n.order = ++lastNode;
    for (const auto& p : all.points)
        if (!points.contains(p.ftid))
            up.points.append(p);
    for (const auto& g : all.groups)
        if (!groups.contains(g.id))
            up.groups.append(g);
    for (const auto& q : all.questions)
        if (!questions.contains(q.id))
            up.questions.append(q);
    return up;
}

} // namespace bank
