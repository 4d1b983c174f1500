#include "core/authoring/AuthoringRules.h"

#include "core/app/AppState.h"
#include "core/outline/PointRules.h"
#include "core/question/AnswerRules.h"
#include "core/search/SearchIndex.h"
#include "core/store/Dataset.h"
#include "core/store/Schema.h"
#include "core/store/Statistics.h"

#include <QSet>
#include <algorithm>

namespace authoring {

namespace {

// ":p0,:p1,…" for a list of values, with the params to bind.
QString placeholders(const QString& prefix, const QStringList& values, store::Params& params)
{
    QStringList marks;
    for (int i = 0; i < values.size(); ++i) {
        marks << QStringLiteral(":%1%2").arg(prefix).arg(i);
        params.emplace_back(marks.back(), values[i]);
    }
    return marks.join(QLatin1Char(','));
}

QStringList distinct(const QStringList& values)
{
    QStringList out;
    QSet<QString> seen;
    for (const QString& v : values)
        if (!v.isEmpty() && !seen.contains(v)) {
            seen.insert(v);
            out << v;
        }
    return out;
}

void recountPoint(store::Connection& db, const QString& pointId)
{
    db.exec(QStringLiteral("update tab_rule set q=(select count(*) from tab_answ where ") + store::pointCondition()
                + QStringLiteral(") where ftid=:ftid"),
            {{QStringLiteral(":ftid"), pointId}});
}

} // namespace

bool isSubjectiveType(const QString& typeName)
{
    return practice::isSubjectiveTypeName(typeName);
}

QString runningNumberText(int number)
{
    return number < 1000 ? QStringLiteral("%1").arg(number, 5, 10, QLatin1Char('0')) : QString::number(number);
}

QString newQuestionId(const QString& chapter, int typeId, int options, int number)
{
    return QStringLiteral("US") + chapter + QString::number(typeId) + QString::number(options) + runningNumberText(number);
}

int largestRunningNumber(store::Connection& db)
{
    // Only ids ending in four digits: one odd "U" id from elsewhere must not make
    // every later save fail on CINT.
    const QVariant v = db.scalar(QStringLiteral(
        "select MAX(CINT(Right(A1,4))) as r4m from tab_answ where Left(A1,1) = 'U'"
        " and Right(A1,4) glob '[0-9][0-9][0-9][0-9]'"));
    return v.isNull() ? 0 : v.toInt();
}

std::vector<QuestionType> readQuestionTypes(store::Dataset& typeTable)
{
    std::vector<QuestionType> types;
    app::ensureCurrentPaperNo();
    const QString table = app::currentTypeTable();
    if (!typeTable.connection() || !typeTable.connection()->hasTable(table))
        return types;
    if (typeTable.tableName().compare(table, Qt::CaseInsensitive) != 0 || !typeTable.isOpen()) {
        typeTable.setTable(table);
        typeTable.setSort(QStringLiteral("A1 ASC"));
        typeTable.open();
    } else {
        // Shared with other screens: what it holds may be older than the bank.
        typeTable.refresh();
    }
    for (int r = 0, n = typeTable.recordCount(); r < n; ++r)
        types.push_back({typeTable.valueAt(r, QStringLiteral("A1")).toInt(), typeTable.valueAt(r, QStringLiteral("B1")).toString()});
    return types;
}

int typeIndex(const std::vector<QuestionType>& types, int typeId)
{
    for (size_t i = 0; i < types.size(); ++i)
        if (types[i].id == typeId)
            return int(i);
    return -1;
}

bool hasContent(const QString& plainText)
{
    return !plainText.trimmed().isEmpty();
}

Check checkQuestion(const QString& stemText, const QString& answer, bool typeChosen)
{
    if (!hasContent(stemText))
        return Check::MissingStem;
    if (answer.trimmed().isEmpty())
        return Check::MissingAnswer;
    if (!typeChosen)
        return Check::MissingType;
    return Check::Ok;
}

AnswerCheck checkAnswer(int typeId, const QString& typeName, int options, const QString& answer)
{
    AnswerCheck out;
    out.answer = answer.trimmed();
    if (out.answer.isEmpty()) {
        out.fault = AnswerFault::Empty;
        return out;
    }
    const int count = std::clamp(options, kMinOptions, kMaxOptions);
    const auto letterIndex = [count](QChar c) {
        const int i = c.unicode() - u'A';
        return i >= 0 && i < count ? i : -1;
    };
    switch (practice::AnswerPageOfType(typeId, typeName)) {
    case practice::SinglePage:
        if (out.answer.size() != 1 || letterIndex(out.answer[0]) < 0)
            out.fault = AnswerFault::NotOneLetter;
        break;
    case practice::MultiPage:
    case practice::MatchPage: {
        // The practice screens read pressed letters in order, so "BA" is kept as "AB".
        std::vector<bool> seen(size_t(count), false);
        for (QChar c : out.answer) {
            const int i = letterIndex(c);
            if (i < 0 || seen[size_t(i)]) {
                out.fault = AnswerFault::NotDistinctLetters;
                return out;
            }
            seen[size_t(i)] = true;
        }
        out.answer.clear();
        for (int i = 0; i < count; ++i)
            if (seen[size_t(i)])
                out.answer += practice::optionLetter(i);
        break;
    }
    case practice::JudgePage:
        if (out.answer != QLatin1String("A") && out.answer != QLatin1String("B"))
            out.fault = AnswerFault::NotTrueFalse;
        break;
    default: break;
    }
    return out;
}

QString answerFaultText(AnswerFault fault, const QString& typeName, int options)
{
    const QString last = practice::optionLetter(std::clamp(options, kMinOptions, kMaxOptions) - 1);
    const QString range = last == QLatin1String("A") ? QStringLiteral("A") : QStringLiteral("A～") + last;
    const QString head = QStringLiteral("试题答案与题型“%1”不符：").arg(typeName.trimmed());
    switch (fault) {
    case AnswerFault::NotOneLetter: return head + QStringLiteral("应为 %1 中的一个字母！").arg(range);
    case AnswerFault::NotDistinctLetters: return head + QStringLiteral("应为 %1 中不重复的字母！").arg(range);
    case AnswerFault::NotTrueFalse: return head + QStringLiteral("应为 A（正确）或 B（错误）！");
    case AnswerFault::Empty: return QStringLiteral("请填写试题答案！");
    case AnswerFault::None: break;
    }
    return {};
}

QString checkMessage(Check check)
{
    switch (check) {
    case Check::MissingStem: return QStringLiteral("请填写试题内容！");
    case Check::MissingAnswer: return QStringLiteral("请填写试题答案！");
    case Check::MissingType: return QStringLiteral("请选择题型！");
    case Check::Ok: break;
    }
    return {};
}

SaveOutcome saveNewQuestion(store::Connection& db, const NewQuestion& q)
{
    const QStringList points = q.points.mid(0, kMaxQuestionPoints);
    // Joins an import's transaction: one per file, not a savepoint per question.
    store::Transaction t(db, store::Transaction::Nesting::Join);
    const int number = q.runningNumber > 0 ? q.runningNumber : largestRunningNumber(db) + 1;
    if (number > kMaxRunningNumber)
        return {};
    const QString id = newQuestionId(q.chapter, q.type, q.options, number);

    store::Params p = {{QStringLiteral(":a1"), id},
                       {QStringLiteral(":a2"), q.answer.trimmed()},
                       {QStringLiteral(":a2_1"), q.options},
                       {QStringLiteral(":a10"), q.chapter},
                       {QStringLiteral(":a13"), q.type}};
    QString cols, marks;
    for (int i = 0; i < points.size(); ++i) {
        cols += QStringLiteral(",k%1").arg(i + 3);
        marks += QStringLiteral(",:k%1").arg(i + 3);
        p.emplace_back(QStringLiteral(":k%1").arg(i + 3), points[i]);
    }
    db.exec(QStringLiteral("insert into tab_answ (a1,a2,a2_1,a10,a13%1,f1) values (:a1,:a2,:a2_1,:a10,:a13%2,2)").arg(cols, marks), p);

    if (q.analysis)
        db.exec(QStringLiteral("insert into tab_exer (a1,a15,jx) values(:a1,:A15,:jx)"),
                {{QStringLiteral(":a1"), id}, {QStringLiteral(":A15"), q.stem}, {QStringLiteral(":jx"), *q.analysis}});
    else
        db.exec(QStringLiteral("insert into tab_exer (a1,a15) values(:a1,:A15)"),
                {{QStringLiteral(":a1"), id}, {QStringLiteral(":A15"), q.stem}});

    // "in" over the chapter and its prefixes: each row rises once, even where two
    // prefixes are the same code.
    db.exec(QStringLiteral("update tab_kmmc set c3=c3+1 where C1 in (:c6,:c4,:c2,:c1)"),
            {{QStringLiteral(":c6"), q.chapter},
             {QStringLiteral(":c4"), q.chapter.left(4)},
             {QStringLiteral(":c2"), q.chapter.left(2)},
             {QStringLiteral(":c1"), q.chapter.left(1)}});

    const QStringList ids = distinct(points);
    if (!ids.isEmpty()) {
        store::Params rp;
        db.exec(QStringLiteral("update tab_rule set q=q+1 where ftid in (") + placeholders(QStringLiteral("p"), ids, rp)
                    + QLatin1Char(')'),
                rp);
        // Sections and top nodes, as the answer bookkeeping counts them: the first
        // 6 and the first 2 characters of each point id.
        QStringList nodes;
        for (const QString& id : ids)
            nodes << id.left(6) << id.left(2);
        store::Params np;
        db.exec(QStringLiteral("update tab_fgmc set q=q+1 where id in (") + placeholders(QStringLiteral("n"), distinct(nodes), np)
                    + QLatin1Char(')'),
                np);
    }
    search::reindexQuestions(db, {id});
    t.commit();
    return {true, id};
}

QString groupIdOf(const QString& questionId)
{
    return questionId.contains(QLatin1Char('-')) ? questionId.left(16) : QString();
}

void saveQuestionEdit(store::Connection& db, const QuestionEdit& edit)
{
    const QStringList points = edit.points.mid(0, kMaxQuestionPoints);
    const store::Params key = {{QStringLiteral(":a1"), edit.id}};
    store::Transaction t(db);
    const QStringList before = outline::questionPointIds(db, edit.id, outline::EmptyPoint::EndsList);

    // A question without its text row (or a group without its stem row) gets one,
    // so what was typed is not dropped by an update that finds no row.
    if ((edit.stem || edit.analysis) && db.scalar(QStringLiteral("select count(*) from tab_exer where A1=:a1"), key).toInt() == 0)
        db.exec(QStringLiteral("insert into tab_exer (A1) values (:a1)"), key);
    if (edit.stem)
        db.exec(QStringLiteral("update tab_exer set A15=:A15 where A1=:a1"), {{QStringLiteral(":A15"), *edit.stem}, key[0]});
    if (edit.analysis)
        db.exec(QStringLiteral("update tab_exer set jx=:jx where A1=:a1"),
                {{QStringLiteral(":jx"), edit.analysis->isEmpty() ? QVariant() : QVariant(*edit.analysis)}, key[0]});

    store::Params p = {key[0], {QStringLiteral(":a2"), edit.answer.trimmed()}, {QStringLiteral(":a2_1"), edit.options}};
    QString sets = QStringLiteral("a2=:a2,a2_1=:a2_1");
    if (edit.type) {
        sets += QStringLiteral(",a13=:a13");
        p.emplace_back(QStringLiteral(":a13"), *edit.type);
    }
    for (int k = 0; k < kMaxQuestionPoints; ++k) {
        sets += QStringLiteral(",k%1=:k%1").arg(k + 3);
        p.emplace_back(QStringLiteral(":k%1").arg(k + 3), k < points.size() ? QVariant(points[k]) : QVariant());
    }
    sets += QStringLiteral(",ecount=coalesce(ecount,0)+1");
    if (db.exec(QStringLiteral("update tab_answ set ") + sets + QStringLiteral(" where a1=:a1"), p) == 0)
        throw store::DbError(store::DbError::Kind::Sql, QStringLiteral("question %1 is no longer in the bank").arg(edit.id));

    const QString group = groupIdOf(edit.id);
    if (edit.sharedStem && !group.isEmpty()
        && db.scalar(QStringLiteral("select count(*) from tab_title where A1=:A1"), {{QStringLiteral(":A1"), group}}).toInt() == 0)
        db.exec(QStringLiteral("insert into tab_title (A1) values (:A1)"), {{QStringLiteral(":A1"), group}});
    if (edit.sharedStem && !group.isEmpty())
        db.exec(QStringLiteral("update tab_title set A15=:A15 where A1=:A1"),
                {{QStringLiteral(":A15"), *edit.sharedStem}, {QStringLiteral(":A1"), group}});

    // The points it has now and the ones it lost: each q is the number of
    // questions that list the point.
    for (const QString& id : distinct(points + before))
        recountPoint(db, id);
    // A new shared stem is text of every question of the group.
    if (edit.sharedStem && !group.isEmpty())
        search::reindexGroup(db, group);
    else
        search::reindexQuestions(db, {edit.id});
    t.commit();
}

std::vector<OutlineNode> readPickerNodes(store::Connection& db)
{
    const store::Rows rows = db.query(QStringLiteral("select id,n from tab_fgmc where len(id) = 6 or len(id)=2 order by bh,id"));
    std::vector<OutlineNode> nodes;
    for (int r = 0; r < rows.size(); ++r)
        nodes.push_back({rows.at(r, QStringLiteral("id")).toString(), rows.at(r, QStringLiteral("n")).toString()});
    return nodes;
}

std::vector<ExamPoint> readNodePoints(store::Connection& db, const QString& nodeId)
{
    const store::Rows rows = db.query(QStringLiteral("select ftid,sn from tab_rule where id = :id order by ftid"),
                                      {{QStringLiteral(":id"), nodeId}});
    std::vector<ExamPoint> points;
    for (int r = 0; r < rows.size(); ++r) {
        QString title = rows.at(r, QStringLiteral("sn")).toString();
        while (!title.isEmpty() && title.back().isSpace())
            title.chop(1);
        points.push_back({rows.at(r, QStringLiteral("ftid")).toString(), title});
    }
    return points;
}

QString pointDisplayText(const QString& nodeName, const QString& title)
{
    return nodeName + QLatin1Char('[') + title + QLatin1Char(']');
}

QString pointDisplayText(store::Connection& db, const QString& pointId)
{
    const store::Rows rows = db.query(
        QStringLiteral("select r.sn as sn, f.n as n from tab_rule r left join tab_fgmc f on f.id = r.id where r.ftid=:ftid"),
        {{QStringLiteral(":ftid"), pointId}});
    if (rows.empty())
        return pointId;
    QString title = rows.at(0, QStringLiteral("sn")).toString();
    while (!title.isEmpty() && title.back().isSpace())
        title.chop(1);
    return pointDisplayText(rows.at(0, QStringLiteral("n")).toString(), title);
}

PickVerdict checkPick(int alreadyChosen, int ticked)
{
    if (ticked <= 0)
        return PickVerdict::NothingTicked;
    return alreadyChosen + ticked <= kMaxPickedPoints ? PickVerdict::Accept : PickVerdict::TooMany;
}

QString pickVerdictText(PickVerdict verdict, int alreadyChosen)
{
    switch (verdict) {
    case PickVerdict::NothingTicked: return QStringLiteral("请选择对应考点，退出请按关闭按钮！");
    case PickVerdict::TooMany: return QStringLiteral("对应考点最多不能超过7条，已有考点%1条！").arg(alreadyChosen);
    case PickVerdict::Accept: break;
    }
    return {};
}

QStringList newPoints(const QStringList& chosen, const QStringList& picked)
{
    QStringList out;
    for (const QString& id : picked)
        if (!id.isEmpty() && !chosen.contains(id) && !out.contains(id))
            out << id;
    return out;
}

} // namespace authoring
