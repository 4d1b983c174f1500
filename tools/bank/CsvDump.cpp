#include "bank/CsvDump.h"

#include "core/store/RtfWriter.h"

#include <QRegularExpression>

namespace bank {

QString csvField(const QVariant& value, bool plainText)
{
    if (value.isNull())
        return {};
    QString text;
    if (value.typeId() == QMetaType::QByteArray) {
        const QByteArray bytes = value.toByteArray();
        if (bytes.startsWith("{\\rtf"))
            text = plainText ? store::plainTextOfRtf(bytes) : QString::fromLatin1(bytes);
        else
            text = QString::fromLatin1(bytes.toBase64());
    } else if (value.typeId() == QMetaType::Double) {
        text = QString::number(value.toDouble(), 'g', 15);
    } else {
        text = value.toString();
        if (plainText && text.startsWith(QLatin1String("{\\rtf")))
            text = store::plainTextOfRtf(text.toLatin1());
    }
    static const QRegularExpression special(QStringLiteral("[\",\\r\\n]|^\\s|\\s$"));
    if (text.isEmpty() || special.match(text).hasMatch())
        return QLatin1Char('"') + QString(text).replace(QLatin1Char('"'), QLatin1String("\"\"")) + QLatin1Char('"');
    return text;
}

QString findTable(store::Connection& db, const QString& name)
{
    for (const QString& t : db.tables())
        if (t.compare(name, Qt::CaseInsensitive) == 0)
            return t;
    return {};
}

void dumpTable(store::Connection& db, const QString& table, QIODevice& out, bool plainText)
{
    // The name was looked up among the bank's tables; quoting keeps it an identifier.
    const QString quoted = store::quoteIdentifier(table);
    const store::Rows rows = db.query(QStringLiteral("select * from ") + quoted);
    QStringList header;
    for (const QString& c : rows.columns)
        header << csvField(c);
    out.write(header.join(QLatin1Char(',')).toUtf8() + '\n');
    for (const auto& row : rows.values) {
        QStringList fields;
        for (const QVariant& v : row)
            fields << csvField(v, plainText);
        out.write(fields.join(QLatin1Char(',')).toUtf8() + '\n');
    }
}

} // namespace bank
