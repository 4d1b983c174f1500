#pragma once

#include "core/store/Connection.h"

#include <QIODevice>
#include <QString>
#include <QVariant>

namespace bank {

// One CSV field (UTF-8 text, RFC 4180 quoting). NULL is an empty field and the
// empty string a quoted empty field (""), so the two stay apart. A blob holding
// RTF is its RTF text (its plain text with plainText), another blob base64.
QString csvField(const QVariant& value, bool plainText = false);

// The table whose name matches (case-insensitively), or an empty string.
QString findTable(store::Connection& db, const QString& name);

// Writes a header line of column names and one line per row, in the table's
// natural order. The table must exist (findTable).
void dumpTable(store::Connection& db, const QString& table, QIODevice& out, bool plainText = false);

} // namespace bank
