#include "core/exam/PaperExport.h"

#include "core/question/AnswerRules.h"
#include "core/store/DbError.h"
#include "core/store/Schema.h"

#include <QHash>
#include <QSet>

namespace exam {

namespace {

QByteArray bytesOf(const QVariant& v)
{
    if (v.typeId() == QMetaType::QByteArray)
        return v.toByteArray();
    return v.isValid() ? v.toString().toUtf8() : QByteArray();
}

// 80, 1.5, 0.5: no trailing zeros.
QString number(double v)
{
    return QString::number(v, 'g', 12);
}

class Gatherer {
public:
    explicit Gatherer(PaperContent& out) : m_out(out) {}

    void text(const QString& t, int question = 0) { m_out.pieces.append({PaperPiece::Kind::Text, t, {}, question}); }
    void rich(const QString& prefix, const QByteArray& data, int question)
    {
        m_out.pieces.append({PaperPiece::Kind::Rich, prefix, data, question});
    }
    void pageBreak() { m_out.pieces.append({PaperPiece::Kind::PageBreak, {}, {}, 0}); }

private:
    PaperContent& m_out;
};

struct PaperRow {
    QString id;
    int type = 0;
    QString key;
    QByteArray analysis;
    QStringList points; // trimmed, blanks left out
    QString mine;       // the candidate's answer, empty when not answered
};

} // namespace

QString typeOrdinal(int k)
{
    static const char16_t* const ordinals[] = {u"一、", u"二、", u"三、", u"四、", u"五、"};
    if (k >= 1 && k <= 5)
        return QString::fromUtf16(ordinals[k - 1]);
    return QStringLiteral("--");
}

QString typeHeading(int k, const QString& name, int count, double score)
{
    return typeOrdinal(k) + name + QStringLiteral("[共") + QString::number(count) + QStringLiteral("题，每题")
         + number(score) + QStringLiteral("分，总计") + number(count * score) + QStringLiteral("分]");
}

namespace {

// A true/false key or answer reads as words.
QString shownAnswer(int type, const QString& text)
{
    if (type == 31 && text == QLatin1String("A"))
        return QStringLiteral("正确");
    if (type == 31 && text == QLatin1String("B"))
        return QStringLiteral("错误");
    return text;
}

} // namespace

QString answerLine(int type, const QString& key)
{
    if (type == 11 || type == 14 || type == 31)
        return QStringLiteral("试题答案：") + shownAnswer(type, key);
    return {};
}

QString mineLine(int type, const QString& mine, const QString& key)
{
    if (mine.isEmpty())
        return QStringLiteral("我的答案：未做");
    return QStringLiteral("我的答案：") + shownAnswer(type, mine)
         + (practice::isRightAnswer(mine, key) ? QStringLiteral("（正确）") : QStringLiteral("（错误）"));
}

namespace {

// A paper row or a bank row read as A1, A13, A2, jx, K3 … K12 (and E2_1 after them).
PaperRow rowOf(const std::vector<QVariant>& r)
{
    PaperRow p;
    p.id = r[0].toString();
    p.type = r[1].toInt();
    p.key = r[2].toString();
    p.analysis = bytesOf(r[3]);
    for (int k = 0; k < 10; ++k) {
        const QString v = r[size_t(4 + k)].toString().trimmed();
        if (!v.isEmpty())
            p.points << v;
    }
    if (r.size() > 14)
        p.mine = r[14].toString().trimmed();
    return p;
}

// Question n: the group's shared stem for a question of a case group, then the numbered stem.
void stemPieces(store::Connection& db, Gatherer& g, const QString& id, int n)
{
    // A question of a case group (id other than 12 characters) carries the group's stem.
    if (id.size() != 12) {
        const QVariant stem = db.scalar(QStringLiteral("select A15 from tab_title where A1 = :a1"),
                                        {{QStringLiteral(":a1"), id.left(16)}});
        // A group whose stem is gone has nothing to repeat.
        if (const QByteArray bytes = bytesOf(stem); !bytes.isEmpty())
            g.rich(QString(), bytes, n);
    }
    const QVariant text = db.scalar(QStringLiteral("select A15 from tab_exer where A1 = :a1"), {{QStringLiteral(":a1"), id}});
    g.rich(QString::number(n) + QStringLiteral("、"), bytesOf(text), n);
}

// The answer part of question n: its key, the candidate's answer, the analysis and the exam points.
void answerPieces(store::Connection& db, Gatherer& g, const PaperRow& p, int n, bool withMine)
{
    g.text(QStringLiteral("第%1题").arg(n), n);
    const QString answer = answerLine(p.type, p.key);
    if (!answer.isEmpty())
        g.text(answer, n);
    if (withMine)
        g.text(mineLine(p.type, p.mine, p.key), n);
    if (!p.analysis.isEmpty()) {
        g.text(QStringLiteral("试题解析："), n);
        g.rich(QString(), p.analysis, n);
    }
    if (p.points.isEmpty())
        return;
    g.text(QStringLiteral("考点："), n);
    for (const QString& v : p.points) {
        const store::Rows point = db.query(QStringLiteral("select sn, n from tab_rule where ftid = :ftid"),
                                           {{QStringLiteral(":ftid"), v}});
        // A point the outline no longer holds has nothing to show.
        if (point.empty())
            continue;
        const QString sn = point.values[0][0].toString();
        // The outline section the point sits in: its first 6 characters.
        const QVariant node = db.scalar(QStringLiteral("select n from tab_fgmc where id = :id"),
                                        {{QStringLiteral(":id"), v.left(6)}});
        g.text(node.isNull() ? sn + QStringLiteral("；") : node.toString() + QLatin1Char(' ') + sn + QStringLiteral("；"), n);
        g.rich(QString(), bytesOf(point.values[0][1]), n);
    }
}

} // namespace

PaperContent readPaperContent(store::Connection& db, const QString& paperTable, const QString& typeTable,
                              const QString& title, const std::function<void(int)>& progress, bool withMine)
{
    if (!store::isPaperTableName(paperTable))
        throw store::DbError(store::DbError::Kind::Usage, QStringLiteral("not a paper table name: %1").arg(paperTable));

    QString columns = QStringLiteral("A1, A13, A2, jx");
    for (int k = 3; k <= 12; ++k)
        columns += QStringLiteral(", K%1").arg(k);
    columns += QStringLiteral(", E2_1");
    const store::Rows rows = db.query(QStringLiteral("select ") + columns + QStringLiteral(" from ")
                                      + store::quoteIdentifier(paperTable) + QStringLiteral(" order by A13, A1"));
    QList<PaperRow> paper;
    paper.reserve(rows.size());
    for (const auto& r : rows.values)
        paper.append(rowOf(r));

    struct TypeRow {
        QString name = QStringLiteral("未知题型");
        double score = 0;
    };
    const auto typeRow = [&](int id) {
        TypeRow t;
        const store::Rows found = db.query(QStringLiteral("select B1, B3 from ") + store::quoteIdentifier(typeTable)
                                               + QStringLiteral(" where A1 = :a1"),
                                           {{QStringLiteral(":a1"), id}});
        if (!found.empty()) {
            t.name = found.values[0][0].toString();
            t.score = found.values[0][1].toDouble();
        }
        return t;
    };

    PaperContent out;
    out.title = title;
    out.questions = int(paper.size());
    Gatherer g(out);
    g.text(title);
    if (withMine) {
        const store::Rows score = db.query(QStringLiteral("select A6, D2 from tab_cj where A1 = :a1"),
                                           {{QStringLiteral(":a1"), paperTable}});
        if (!score.empty())
            g.text(QStringLiteral("得分：%1分　用时：%2")
                       .arg(number(score.values[0][0].toDouble()), score.values[0][1].toString().trimmed()));
    }
    g.text(QString());
    g.text(QString());

    // A heading counts the paper's own questions of its type, whatever the type
    // table asks of a new paper.
    QHash<int, int> typeCounts;
    for (const PaperRow& p : paper)
        ++typeCounts[p.type];

    QSet<int> typesMet;
    for (int i = 0; i < paper.size(); ++i) {
        const PaperRow& p = paper[i];
        const int n = i + 1;
        if (progress)
            progress(n);
        if (!typesMet.contains(p.type)) {
            typesMet.insert(p.type);
            const TypeRow t = typeRow(p.type);
            g.text(typeHeading(int(typesMet.size()), t.name, typeCounts.value(p.type), t.score), n);
        }
        stemPieces(db, g, p.id, n);
    }

    g.pageBreak();
    g.text(QStringLiteral("答案："));
    g.text(QString());
    g.text(QString());

    for (int i = 0; i < paper.size(); ++i)
        answerPieces(db, g, paper[i], i + 1, withMine);
    return out;
}

PaperContent readQuestionListContent(store::Connection& db, const QString& title, const QList<QuestionSection>& sections,
                                     const std::function<void(int)>& progress)
{
    QString columns = QStringLiteral("a.A1, a.A13, a.A2, e.jx");
    for (int k = 3; k <= 12; ++k)
        columns += QStringLiteral(", a.K%1").arg(k);
    const QString sql = QStringLiteral("select ") + columns
                      + QStringLiteral(" from tab_answ a left join tab_exer e on e.A1 = a.A1 where a.A1 = :a1");
    QList<QPair<QString, QList<PaperRow>>> listed;
    int total = 0;
    for (const QuestionSection& section : sections) {
        QList<PaperRow> rows;
        for (const QString& id : section.ids) {
            const store::Rows r = db.query(sql, {{QStringLiteral(":a1"), id}});
            // A question gone from the bank since the list was read is left out.
            if (!r.empty())
                rows << rowOf(r.values[0]);
        }
        total += int(rows.size());
        if (!rows.isEmpty())
            listed.append({section.heading, rows});
    }

    PaperContent out;
    out.title = title;
    out.questions = total;
    Gatherer g(out);
    g.text(title);
    g.text(QString());
    int n = 0;
    for (const auto& [heading, rows] : listed) {
        for (int i = 0; i < rows.size(); ++i) {
            ++n;
            if (progress)
                progress(n);
            if (i == 0 && !heading.isEmpty()) {
                // A blank line sets each section off from the questions before it.
                if (n > 1)
                    g.text(QString(), n);
                g.text(heading, n);
            }
            stemPieces(db, g, rows[i].id, n);
        }
    }
    g.pageBreak();
    g.text(QStringLiteral("答案："));
    g.text(QString());
    n = 0;
    for (const auto& section : listed)
        for (const PaperRow& p : section.second)
            answerPieces(db, g, p, ++n, false);
    return out;
}

} // namespace exam
