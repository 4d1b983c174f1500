#pragma once

#include <QByteArray>

class QTextDocument;

// A QTextDocument as an Office Open XML word-processing file (.docx): paragraphs with
// alignment and indents, runs with bold, italic, underline, strike-through, colour,
// size and raised/lowered text, tables (with spans, also inside cells), pictures
// (stored as PNG) and page breaks before paragraphs. Written by us, zipped with libzip.
namespace ui {

// The file's bytes. Throws std::runtime_error when the archive cannot be made.
QByteArray docxBytes(const QTextDocument& doc);

} // namespace ui
