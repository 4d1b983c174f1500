#include "core/authoring/QuestionImport.h"

#include "core/app/AppState.h"
#include "core/authoring/AuthoringRules.h"
#include "core/exchange/RtfHtml.h"
#include "core/search/SearchText.h"
#include "core/store/RtfReader.h"

#include <QRegularExpression>
#include <map>
#include <optional>

namespace authoring {

namespace {

using exchange::Kind;
using exchange::Problem;

struct BankType {
    int id = 0;
    QString name;
};

// The first type of the current paper's table for each kind the answer pages tell apart.
std::map<Kind, BankType> typesByKind(store::Connection& db)
{
    std::map<Kind, BankType> out;
    const QString table = app::currentTypeTable();
    if (!db.hasTable(table))
        return out;
    const store::Rows rows = db.query(QStringLiteral("select A1,B1 from ") + store::quoteIdentifier(table) + QStringLiteral(" order by A1"));
    for (int r = 0; r < rows.size(); ++r) {
        const BankType t{rows.at(r, QStringLiteral("A1")).toInt(), rows.at(r, QStringLiteral("B1")).toString()};
        Kind kind;
        if (exchange::kindOfBankType(t.id, t.name, &kind) && !out.count(kind))
            out[kind] = t;
    }
    return out;
}

std::optional<BankType> typeFor(const std::map<Kind, BankType>& types, Kind kind)
{
    auto it = types.find(kind);
    // Multiple and indefinite answers are taken the same way: either type carries the other.
    if (it == types.end() && kind == Kind::Multiple)
        it = types.find(Kind::Indefinite);
    else if (it == types.end() && kind == Kind::Indefinite)
        it = types.find(Kind::Multiple);
    if (it == types.end())
        return std::nullopt;
    return it->second;
}

// An exam point by its id or its title; empty when the outline has none.
QString pointId(store::Connection& db, const QString& name, std::map<QString, QString>& cache)
{
    const QString key = name.trimmed();
    if (key.isEmpty())
        return {};
    auto it = cache.find(key);
    if (it != cache.end())
        return it->second;
    QVariant v = db.scalar(QStringLiteral("select ftid from tab_rule where ftid=:n"), {{QStringLiteral(":n"), key}});
    if (v.isNull())
        v = db.scalar(QStringLiteral("select ftid from tab_rule where rtrim(sn)=:n order by ftid limit 1"), {{QStringLiteral(":n"), key}});
    return cache[key] = v.isNull() ? QString() : v.toString();
}

Problem problemOf(const exchange::Question& q, const QString& what)
{
    return {q.number, q.line, q.element, exchange::numbered(q.number, what)};
}

// A stored rich text as HTML: the editor's HTML as it is, RTF with its formats and
// pictures, plain text as its text.
QString storedHtml(const QVariant& stored)
{
    if (stored.isNull())
        return {};
    const QByteArray bytes = stored.toByteArray();
    if (bytes.trimmed().startsWith("{\\rtf"))
        return exchange::rtfToHtml(store::rtf::readRtf(bytes));
    const QString html = store::rtf::decodeHtml(bytes);
    if (exchange::looksLikeHtml(html))
        return exchange::htmlBody(html).trimmed();
    const QString plain = search::richPlain(stored).trimmed();
    return plain.isEmpty() ? QString() : exchange::plainToHtml(plain);
}

} // namespace

ImportResult importQuestions(store::Connection& db, const exchange::ReadResult& read, const ImportRequest& request,
                             const ImportProgress& progress)
{
    ImportResult out;
    out.problems = read.problems;
    out.notes = read.notes;
    const auto refuse = [&out](const QString& why) {
        out.refused = true;
        out.error = why;
        out.saved = 0;
        out.ids.clear();
        return out;
    };
    if (!read.fileOk)
        return refuse(read.summary());
    if (db.scalar(QStringLiteral("select count(*) from tab_kmmc where C1=:c"), {{QStringLiteral(":c"), request.chapter}}).toInt() == 0)
        return refuse(QStringLiteral("题库中没有章节 %1").arg(request.chapter));

    // Everything is decided before the first write, so a refused file leaves the bank as it was.
    const std::map<Kind, BankType> types = typesByKind(db);
    std::map<QString, QString> points;
    std::vector<NewQuestion> ready;
    for (const exchange::Question& q : read.questions) {
        const std::optional<BankType> type = typeFor(types, q.kind);
        if (!type) {
            out.problems.push_back(problemOf(q, QStringLiteral("题库没有%1题型").arg(exchange::kindName(q.kind))));
            continue;
        }
        const exchange::BankForm form = exchange::bankForm(q);
        if (form.options > kMaxOptions) {
            out.problems.push_back(problemOf(q, QStringLiteral("选项超过 %1 个").arg(kMaxOptions)));
            continue;
        }
        const AnswerCheck answer = checkAnswer(type->id, type->name, form.options, form.answer);
        if (answer.fault != AnswerFault::None) {
            out.problems.push_back(problemOf(q, answerFaultText(answer.fault, type->name, form.options)));
            continue;
        }
        if (!hasContent(exchange::htmlToPlain(form.stem)) && !exchange::hasFormatting(form.stem)) {
            out.problems.push_back(problemOf(q, checkMessage(Check::MissingStem)));
            continue;
        }
        NewQuestion n;
        n.chapter = request.chapter;
        n.type = type->id;
        n.options = form.options;
        n.answer = answer.answer;
        n.stem = form.stem.toUtf8();
        // A paragraph of its own, so that the reader takes it for HTML, not text with tags in it.
        if (!form.analysis.isEmpty())
            n.analysis = (form.analysis.startsWith(QLatin1Char('<')) ? form.analysis
                                                                     : QStringLiteral("<p>") + form.analysis + QStringLiteral("</p>"))
                             .toUtf8();
        for (const QString& name : q.points) {
            const QString id = pointId(db, name, points);
            if (id.isEmpty())
                out.notes.push_back(problemOf(q, QStringLiteral("考点“%1”不在大纲中，未关联").arg(name.trimmed())));
            else if (!n.points.contains(id) && n.points.size() < kMaxQuestionPoints)
                n.points << id;
        }
        ready.push_back(std::move(n));
    }
    out.skipped = int(read.questions.size() - ready.size()) + int(read.problems.size());
    if (!out.problems.empty() && !request.validOnly)
        return refuse(QStringLiteral("文件中有 %1 道试题有问题，未导入任何试题").arg(out.problems.size()));
    if (ready.empty())
        return refuse(QStringLiteral("文件中没有可导入的试题"));
    const int largest = largestRunningNumber(db);
    const int left = kMaxRunningNumber - largest;
    if (int(ready.size()) > left)
        return refuse(QStringLiteral("最多只能录入%1道题！还能录入 %2 道，文件中有 %3 道")
                          .arg(kMaxRunningNumber)
                          .arg(std::max(left, 0))
                          .arg(ready.size()));
    out.saved = int(ready.size());
    if (request.dryRun)
        return out;

    out.saved = 0;
    store::Transaction t(db);
    // Read again inside the transaction: another writer may have taken numbers since.
    const int first = largestRunningNumber(db) + 1;
    for (NewQuestion& n : ready) {
        n.runningNumber = first + out.saved;
        const SaveOutcome saved = saveNewQuestion(db, n);
        if (!saved.saved)
            throw store::DbError(store::DbError::Kind::Sql, QStringLiteral("最多只能录入%1道题！").arg(kMaxRunningNumber));
        out.ids << saved.id;
        ++out.saved;
        if (progress)
            progress(out.saved, int(ready.size()));
    }
    t.commit();
    return out;
}

namespace {

// The questions the where-clause picks (over tab_answ as a), in id order, as the writers take them.
std::vector<exchange::Question> questionsWhere(store::Connection& db, const QString& where, const store::Params& params)
{
    std::map<int, QString> typeNames;
    const QString table = app::currentTypeTable();
    if (db.hasTable(table)) {
        const store::Rows types = db.query(QStringLiteral("select A1,B1 from ") + store::quoteIdentifier(table));
        for (int r = 0; r < types.size(); ++r)
            typeNames[types.at(r, QStringLiteral("A1")).toInt()] = types.at(r, QStringLiteral("B1")).toString();
    }
    QString pointCols;
    for (int k = 3; k < 3 + kMaxQuestionPoints; ++k)
        pointCols += QStringLiteral(",a.K%1").arg(k);
    const store::Rows rows = db.query(
        QStringLiteral("select a.A1,a.A2,a.A2_1,a.A13,e.A15 as stem,e.jx as jx,t.A15 as shared") + pointCols
            + QStringLiteral(" from tab_answ a left join tab_exer e on e.A1=a.A1 left join tab_title t on t.A1=substr(a.A1,1,16)"
                             " and instr(a.A1,'-')>0 where ")
            + where + QStringLiteral(" order by a.A1"),
        params);
    std::vector<exchange::Question> out;
    for (int r = 0; r < rows.size(); ++r) {
        const int typeId = rows.at(r, QStringLiteral("A13")).toInt();
        exchange::Question q;
        if (!exchange::kindOfBankType(typeId, typeNames[typeId], &q.kind))
            continue;
        q.number = int(out.size()) + 1;
        q.title = rows.at(r, QStringLiteral("A1")).toString();
        const QString stem = storedHtml(rows.at(r, QStringLiteral("stem")));
        const int options = rows.at(r, QStringLiteral("A2_1")).toInt();
        if (exchange::isChoice(q.kind))
            exchange::splitOptions(stem, options, &q.stem, &q.options);
        else
            q.stem = stem;
        const QString shared = storedHtml(rows.at(r, QStringLiteral("shared")));
        if (!shared.isEmpty())
            q.stem = shared + QStringLiteral("<br />") + q.stem;
        const QString answer = rows.at(r, QStringLiteral("A2")).toString().trimmed();
        q.answer = q.kind == Kind::Subjective ? QString() : answer;
        q.analysis = storedHtml(rows.at(r, QStringLiteral("jx")));
        for (int k = 3; k < 3 + kMaxQuestionPoints; ++k) {
            const QString p = rows.at(r, QStringLiteral("K%1").arg(k)).toString().trimmed();
            if (!p.isEmpty())
                q.points << p;
        }
        out.push_back(std::move(q));
    }
    return out;
}

} // namespace

std::vector<exchange::Question> chapterQuestions(store::Connection& db, const QString& chapter)
{
    return questionsWhere(db, QStringLiteral("a.A10=:c or a.A10 like :prefix"),
                          {{QStringLiteral(":c"), chapter}, {QStringLiteral(":prefix"), chapter + QLatin1Char('%')}});
}

std::vector<exchange::Question> questionsByIds(store::Connection& db, const QStringList& ids)
{
    // Read in batches (the engine limits the bound values of one statement), then put
    // back in the caller's order; an id given twice goes out once.
    constexpr int kBatch = 400;
    std::map<QString, exchange::Question> byId;
    for (qsizetype from = 0; from < ids.size(); from += kBatch) {
        QStringList marks;
        store::Params params;
        for (qsizetype i = from; i < std::min<qsizetype>(from + kBatch, ids.size()); ++i) {
            const QString name = QStringLiteral(":i%1").arg(i - from);
            marks << name;
            params.push_back({name, ids.at(i)});
        }
        for (exchange::Question& q : questionsWhere(db, QStringLiteral("a.A1 in (") + marks.join(QLatin1Char(',')) + QLatin1Char(')'), params))
            byId.emplace(q.title, std::move(q));
    }
    std::vector<exchange::Question> out;
    for (const QString& id : ids) {
        auto it = byId.find(id);
        if (it == byId.end())
            continue;
        out.push_back(std::move(it->second));
        byId.erase(it);
        out.back().number = int(out.size());
    }
    return out;
}

QStringList ownQuestionIds(store::Connection& db, const QString& chapter)
{
    const store::Rows rows = db.query(QStringLiteral("select A1 from tab_answ where (A10=:c or A10 like :prefix) and substr(A1,1,1)='U' order by A1"),
                                      {{QStringLiteral(":c"), chapter}, {QStringLiteral(":prefix"), chapter + QLatin1Char('%')}});
    QStringList out;
    for (int r = 0; r < rows.size(); ++r)
        out << rows.at(r, QStringLiteral("A1")).toString();
    return out;
}

} // namespace authoring
