#pragma once

#include "store/Connection.h"

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

// Drops the paper's table with its score row, and the score row also when the
// table is missing.
void deletePaper(TDM1& dm, const QString& paperTable);

} // namespace exam
