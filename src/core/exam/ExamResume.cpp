#include "core/exam/ExamResume.h"

#include "core/store/Schema.h"

#include <algorithm>

namespace exam {

void saveProgress(store::Connection& db, const RunningPaper& run)
{
    db.exec(QStringLiteral("insert or replace into tab_ksrun (A1,mock,secs,qno) values (:a1,:mock,:secs,:qno)"),
            {{QStringLiteral(":a1"), run.table}, {QStringLiteral(":mock"), run.mock},
             {QStringLiteral(":secs"), run.seconds}, {QStringLiteral(":qno"), run.question}});
}

void forgetProgress(store::Connection& db, const QString& table)
{
    if (db.hasTable(QStringLiteral("tab_ksrun")))
        db.exec(QStringLiteral("delete from tab_ksrun where A1 = :a1"), {{QStringLiteral(":a1"), table}});
}

std::optional<RunningPaper> unfinishedPaper(store::Connection& db)
{
    if (!db.hasTable(QStringLiteral("tab_ksrun")))
        return std::nullopt;
    const store::Rows rows = db.query(QStringLiteral(
        "select r.A1, r.mock, r.secs, r.qno, c.A3, c.A6 from tab_ksrun r left join tab_cj c on c.A1 = r.A1"
        " order by c.A3_1 desc"));
    std::optional<RunningPaper> found;
    for (int i = 0; i < rows.size(); ++i) {
        const QString table = rows.at(i, QStringLiteral("A1")).toString();
        const bool fits = store::isPaperTableName(table) && !rows.at(i, QStringLiteral("A3")).isNull()
            && rows.at(i, QStringLiteral("A6")).isNull() && db.hasTable(table)
            && !db.scalar(QStringLiteral("select 1 from ") + table + QStringLiteral(" limit 1")).isNull();
        if (!fits) {
            forgetProgress(db, table);
            continue;
        }
        if (found)
            continue; // an older running paper stays as it is
        RunningPaper run;
        run.table = table;
        run.title = rows.at(i, QStringLiteral("A3")).toString();
        run.mock = std::clamp(rows.at(i, QStringLiteral("mock")).toInt(), 1, 5);
        run.seconds = std::max<qint64>(rows.at(i, QStringLiteral("secs")).toLongLong(), 0);
        run.question = std::max(rows.at(i, QStringLiteral("qno")).toInt(), 1);
        run.answered = db.scalar(QStringLiteral("select count(*) from ") + table + QStringLiteral(" where E2_1 <> ''")).toInt();
        found = run;
    }
    return found;
}

QString resumeQuestion(const RunningPaper& run)
{
    return QStringLiteral("上次的模拟考试尚未交卷：\n%1，已做 %2 题\n要继续吗？%3")
        .arg(run.title)
        .arg(run.answered)
        .arg(run.answered > 0 ? QStringLiteral("（选“否”则按已做的题目判卷）") : QStringLiteral("（选“否”则删除这份试卷）"));
}

} // namespace exam
