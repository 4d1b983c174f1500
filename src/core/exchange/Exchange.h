#pragma once

#include "core/exchange/Aiken.h"
#include "core/exchange/Question.h"

// One way in and out for the import and export screens and the bank tool: the
// format by the file's name (and, for .txt, by its content), the file read with its
// size checked first, and the writer of each format.
namespace exchange {

enum class Format { Csv, Xlsx, Gift, Aiken, MoodleXml, FlashCards };

QString formatName(Format format); // "CSV", "XLSX", "GIFT", "Aiken", "Moodle XML", "闪卡"
// By the suffix: .csv, .xlsx, .gift, .xml; .txt by its content (GIFT braces or Aiken's
// ANSWER: lines). False when it names none of the formats.
bool formatOfFile(const QString& fileName, const QByteArray& head, Format* format);
// By a name as the bank tool's --format takes it: csv, xlsx, gift, aiken, xml (or
// moodle), tsv (or cards).
bool formatOfName(const QString& name, Format* format);

// Reads bytes already in memory (a flash-card file is not read back).
ReadResult readQuestions(Format format, const QByteArray& bytes);
// Reads the file: one larger than kMaxFileBytes, missing or unreadable gives a
// result that is not fileOk, with the reason.
ReadResult readQuestionFile(const QString& path);

// Writes the questions; Aiken leaves out those it cannot carry and lists them; XLSX notes
// the questions with a cell longer than spreadsheet programs keep.
WriteResult writeQuestions(Format format, const std::vector<Question>& questions);

} // namespace exchange
