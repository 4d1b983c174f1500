#pragma once

#include <QString>

namespace store::rtf {
struct RtfDocument;
}

namespace exchange {

// A stored RTF document as an HTML fragment for the formats that carry formatting:
// paragraphs, bold, italic, underline, strike-through, super- and subscript, colour,
// alignment, tables, and PNG, JPEG, GIF and BMP pictures as data: URLs at the size
// the document asks for. Fonts and sizes stay behind: the importing side has its own.
QString rtfToHtml(const store::rtf::RtfDocument& doc);

} // namespace exchange
