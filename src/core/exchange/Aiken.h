#pragma once

#include "core/exchange/Question.h"

// Aiken: single-choice questions in plain text. The question on its own line(s),
// then options "A. …" or "A) …", then "ANSWER: X".
namespace exchange {

ReadResult readAiken(const QByteArray& bytes);

struct WriteResult {
    QByteArray data;
    std::vector<Problem> left;  // questions the format cannot carry, not written
    std::vector<Problem> notes; // written, but other programs may not show all of it
};

// Only 单选 fits: other kinds are left out and listed. Texts are written on one line
// each, as the format wants.
WriteResult writeAiken(const std::vector<Question>& questions);

} // namespace exchange
