#include "practice/ChooserRules.h"

#include "store/Dataset.h"
#include "store/Schema.h"
#include "store/Statistics.h"

namespace practice {

bool isChapterCode(const QString& code)
{
    return code.size() > 2;
}

PracticeStatement practiceStatement(PracticeMode mode, const QString& code)
{
    // The statements keep their documented wording; only the chapter test is the
    // bound form of "(left(A10,n) = 'code')".
    QString sql;
    switch (mode) {
    case PracticeMode::NewQuestions:
        sql = QStringLiteral("select a1 ,a2,a2_1,k3,k4,k5,k6,k7,k8,k9,k10,k11,k12,a10,a13,a14,e1,e2,e2_1,e3,e4,f1,xx,csbs,ecount"
                             " from tab_answ where %1 and (E2 = '' or E2 is null)  and (f1<>1)  order by a13,a10,xx,a1");
        break;
    case PracticeMode::NewByChapter:
        sql = QStringLiteral("select a1 ,a2,a2_1,k3,k4,k5,k6,k7,k8,k9,k10,k11,k12,a10,a13,a14,e1,e2,e2_1,e3,e4,f1,xx,csbs,ecount"
                             " from tab_answ where %1 and (E2 = '' or E2 is null)  and (f1<>1)  order by a13,a10,xx");
        break;
    case PracticeMode::WrongQuestions:
        sql = QStringLiteral("select a1,a2,a2_1,k3,k4,k5,k6,k7,k8,k9,k10,k11,k12,a10,a13,a14,e1,e2,e2_1,e3,e4,f1,xx,csbs,ecount"
                             " from tab_answ  where %1 and (E4 < 0)  and (f1<>1) order by a13,e3,e4,e1,xx,a1");
        break;
    case PracticeMode::Review:
        sql = QStringLiteral("select a1,a2,a2_1,k3,k4,k5,k6,k7,k8,k9,k10,k11,k12,a10,a13,a14,e1,e2,e2_1,e3,e4,f1,xx,csbs,ecount"
                             " from tab_answ where %1 and (E2 <> '' and E2 is not null) order by a13,e3,e4,e1,xx,a1");
        break;
    }
    return {sql.arg(store::chapterCondition(code)), store::chapterParams(code)};
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
