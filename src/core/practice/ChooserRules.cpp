#include "core/practice/ChooserRules.h"

#include "core/store/Dataset.h"
#include "core/store/Schema.h"
#include "core/store/Statistics.h"

namespace practice {

bool isChapterCode(const QString& code)
{
    return code.size() > 2;
}

PracticeStatement practiceStatement(PracticeMode mode, const QString& code)
{
    // Only the chapter test is bound: "(left(A10,n) = 'code')" with the code as a value.
    // "+E2" keeps the engine off the index by last answer: with every question of the
    // bank not yet answered, seeking those would read the whole bank, not the chapter.
    QString where;
    switch (mode) {
    case PracticeMode::NewQuestions:
        where = QStringLiteral("(+E2 = '' or +E2 is null) and (f1<>1) order by a13,a10,xx,a1");
        break;
    case PracticeMode::NewByChapter:
        where = QStringLiteral("(+E2 = '' or +E2 is null) and (f1<>1) order by a13,a10,xx");
        break;
    case PracticeMode::WrongQuestions:
        where = QStringLiteral("(E4 < 0) and (f1<>1) order by a13,e3,e4,e1,xx,a1");
        break;
    case PracticeMode::Review:
        where = QStringLiteral("(E2 <> '' and E2 is not null) order by a13,e3,e4,e1,xx,a1");
        break;
    }
    return {QStringLiteral("select %1 from tab_answ where %2 and %3").arg(QLatin1String(kQuestionColumns), store::chapterCondition(code), where),
            store::chapterParams(code)};
}

qint64 chapterQuestionCount(store::Connection& db, const QString& code)
{
    return db.scalar(QStringLiteral("select count(*) from tab_answ where ") + store::chapterCondition(code),
                     store::chapterParams(code))
        .toLongLong();
}

ChapterTotals readChapterTotals(store::Dataset& query)
{
    query.close();
    query.setSql(QStringLiteral("select sum(C3) as count_c3,sum(D1) as count_d1,sum(D2) as count_d2 "
                                "from tab_kmmc where len(c1)=6"));
    query.open();
    // A sum over no rows is null: it reads as 0.
    return {query.integer(QStringLiteral("count_c3")), query.integer(QStringLiteral("count_d1")),
            query.integer(QStringLiteral("count_d2"))};
}

qint64 shownQuestionCount(qint64 questions)
{
    return std::min(questions, kShownQuestionLimit);
}

std::optional<QString> totalsScoreText(const ChapterTotals& totals)
{
    if (totals.answers <= 0)
        return std::nullopt;
    return store::scoreText(double(totals.answers - totals.wrong) / double(totals.answers) * 100.0);
}

} // namespace practice
