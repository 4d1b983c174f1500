#pragma once

#include "core/exchange/Question.h"

// The spreadsheet template: one question a row under the header
// 题型, 题干, 选项A … 选项F, 答案, 解析, 考点 — as CSV (UTF-8 with or without its mark,
// or GB18030; quoted fields may hold commas, quotes and line breaks) or as XLSX.
// Also the tab-separated file flash-card programs import.
namespace exchange {

QStringList templateColumns();

// Rows of cells as a sheet holds them, each with the line (CSV) or row number (XLSX)
// it starts on; the first row with content is the header.
struct TableRow {
    QStringList cells;
    int line = 0;
};
ReadResult readRows(const std::vector<TableRow>& rows);

ReadResult readCsv(const QByteArray& bytes);
ReadResult readXlsx(const QByteArray& bytes);

// UTF-8 with its mark (spreadsheet programs then read the Chinese right), CRLF rows.
// Stems and analyses with formatting or pictures are written as HTML, others as plain text.
QByteArray writeCsv(const std::vector<Question>& questions);
QByteArray writeXlsx(const std::vector<Question>& questions);
// The template to fill in: the header row alone.
QByteArray csvTemplate();
QByteArray xlsxTemplate();

// Flash cards: one card a line, front and back separated by a tab, as HTML (a line
// break is <br>): front the stem with its options, back the answer and the analysis.
QByteArray writeFlashCards(const std::vector<Question>& questions);

// For the writers: a question's cells in the template's column order.
QStringList cellsOfQuestion(const Question& q);
// For the readers: a cell's text as the bank's HTML (HTML cells kept, plain text escaped).
QString cellHtml(const QString& cell);

} // namespace exchange
