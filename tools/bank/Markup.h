#pragma once

#include "bank/SourceFile.h"

#include <QByteArray>

namespace bank {

// Turns a rich-text body written in the sources' markup into RTF:
//   blank line = new paragraph; a line ending in " \" = line break;
//   **bold**, //italic//, __underline__ (a backslash before * / _ | or \ keeps it literal;
//   "://" is never a marker, so addresses stay as written);
//   lines starting with "|" = a table row, cells separated by "|" (a row of dashes
//   only, as under a header, is skipped and makes the row above it bold);
//   "![](images/x.png)" alone on a line = an embedded picture, read from imageRoot.
// Problems (an unclosed marker, a missing or non-PNG picture, uneven table rows)
// are appended with the body's file and line numbers.
QByteArray markupToRtf(const QList<BodyLine>& body, const QString& file, const QString& imageRoot,
                       QList<Problem>& problems);

} // namespace bank
