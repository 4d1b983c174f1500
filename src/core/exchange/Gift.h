#pragma once

#include "core/exchange/Question.h"

// GIFT, the plain-text quiz format: questions separated by blank lines, answers in
// braces ({=right ~wrong}, {T}, {=short =answer}, {} for an essay), "::title::",
// "// comments", "$CATEGORY:" lines, "[html]" texts and the escapes \~ \= \# \{ \} \: \n.
namespace exchange {

// Multiple choice → 单选 (one "=" answer) or 多选 (several, or positive %weights);
// true/false → 判断; short answer and missing word → 填空; essay → subjective.
// Matching, numerical and description blocks are skipped and counted.
ReadResult readGift(const QByteArray& bytes);

// Every kind can be written. 不定项 is written as multiple answers (it reads back as
// 多选, or 单选 with one right answer); a subjective question's reference answer goes
// into the general feedback after its analysis; points go into a $CATEGORY line.
QByteArray writeGift(const std::vector<Question>& questions);

} // namespace exchange
