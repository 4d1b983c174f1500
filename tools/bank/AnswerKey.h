#pragma once

#include <QString>

namespace bank {

// Why an answer key A2 with A2_1 options cannot be answered right on the answer
// page of its type (practice::AnswerPageOfType), or an empty text when it fits:
// single choice one letter, multiple choice two or more letters in order A … F,
// indefinite choice one or more, all within the options; true/false "A" or "B"
// with two options; fill-in the trimmed text the candidate types; self-assessed
// types "1" with one option.
QString answerKeyProblem(int page, const QString& answer, int options);

// Largest number of options an answer page shows.
inline constexpr int kMaxOptions = 6;

} // namespace bank
