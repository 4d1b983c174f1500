#pragma once

#include "core/store/Connection.h"

#include "core/exam/ExamRules.h"

#include <QHash>
#include <QString>

class TDM1;

// The score list's figures and the deletion of a stored paper.
namespace exam {

// (full score integer-divided by 5) × 3.
int passLine(int fullScore);

struct ScoreFigures {
    int papers = 0;  // 考试次数
    int passed = 0;  // 及格次数: scored at least the pass line
    int average = 0; // 平均成绩: mean of the scores, halves to the even neighbour
};
ScoreFigures scoreFigures(store::Connection& db, int passLine);

// "[提示]：成绩少于 " + LeastMark as stored + " 分的试卷，不被保留。"
QString scoreHint(store::Connection& db);

// "成绩低于 " + LeastMark + " 分，关闭后本试卷不被保留。": said before a paper
// graded below the pass mark goes with its review.
QString belowPassNotice(store::Connection& db);

// Drops the paper's table with its score row, and the score row also when the
// table is missing.
void deletePaper(TDM1& dm, const QString& paperTable);

// The mock a stored paper was drawn from. The paper does not record it, but its
// title in tab_cj carries the mock's title; 0 when the title names no mock.
int paperMock(store::Connection& db, const QString& paperTable);
// The type table of the paper's own mock; `fallback` when its mock is not known.
QString paperTypeTable(store::Connection& db, const QString& paperTable, const QString& fallback);
// The types of the paper's questions: name and score from the type table, the
// count from the paper's own rows, so headings and sums fit the paper reviewed.
QHash<int, PaperType> paperOwnTypes(store::Connection& db, const QString& paperTable, const QString& typeTable);

} // namespace exam
