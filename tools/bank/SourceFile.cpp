#include "bank/SourceFile.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStringDecoder>

namespace bank {

QString Problem::toString() const
{
    if (file.isEmpty())
        return message;
    if (line <= 0)
        return file + QStringLiteral(": ") + message;
    return QStringLiteral("%1:%2: %3").arg(file).arg(line).arg(message);
}

const Field* Record::field(const QString& name) const
{
    for (const Field& f : fields)
        if (f.name == name)
            return &f;
    return nullptr;
}

QStringList sourceFiles(const QString& dir)
{
    QDir d(dir);
    QStringList names = d.entryList({QStringLiteral("*.txt")}, QDir::Files, QDir::Name);
    QStringList paths;
    for (const QString& n : names)
        paths << d.filePath(n);
    return paths;
}

QList<Record> readSourceFile(const QString& path, QList<Problem>& problems)
{
    QList<Record> records;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        problems.append({path, 0, QStringLiteral("cannot read the file: %1").arg(f.errorString())});
        return records;
    }
    const QByteArray bytes = f.readAll();
    const QList<QByteArray> rawLines = bytes.split('\n');

    static const QRegularExpression header(QStringLiteral("^==\\s+(\\S+)\\s+(\\S+)\\s*$"));
    static const QRegularExpression fieldLine(QStringLiteral("^([a-z][a-z0-9-]*):(?:\\s(.*))?$"));

    auto fail = [&](int line, const QString& message) { problems.append({path, line, message}); };
    Field* body = nullptr; // the field whose body is being read

    auto endBody = [&] {
        if (body) {
            while (!body->body.isEmpty() && body->body.last().text.trimmed().isEmpty())
                body->body.removeLast();
            if (body->body.isEmpty())
                fail(body->line, QStringLiteral("field \"%1\" has an empty body").arg(body->name));
        }
        body = nullptr;
    };

    for (int i = 0; i < rawLines.size(); ++i) {
        const int lineNo = i + 1;
        QByteArray raw = rawLines[i];
        if (raw.endsWith('\r'))
            raw.chop(1);
        if (i == 0 && raw.startsWith("\xEF\xBB\xBF"))
            raw.remove(0, 3);
        QStringDecoder utf8(QStringConverter::Utf8);
        QString line = utf8.decode(raw);
        if (utf8.hasError()) {
            fail(lineNo, QStringLiteral("the line is not UTF-8 text"));
            continue;
        }
        if (line.trimmed().isEmpty()) {
            if (body)
                body->body.append(BodyLine{lineNo, QString()});
            continue;
        }
        if (line.startsWith(QLatin1Char('\t'))) {
            fail(lineNo, QStringLiteral("a tab at the start of a line: indent bodies with two spaces"));
            continue;
        }
        if (line.startsWith(QLatin1Char(' '))) {
            if (!body) {
                fail(lineNo, QStringLiteral("an indented line outside a field body"));
                continue;
            }
            if (!line.startsWith(QLatin1String("  "))) {
                fail(lineNo, QStringLiteral("a body line must be indented by two spaces"));
                continue;
            }
            body->body.append(BodyLine{lineNo, line.mid(2)});
            continue;
        }
        endBody();
        if (line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1String("=="))) {
            const auto m = header.match(line);
            if (!m.hasMatch()) {
                fail(lineNo, QStringLiteral("a record header is \"== <kind> <key>\""));
                records.append(Record{}); // keep following fields from joining the previous record
                records.last().file = path;
                records.last().line = lineNo;
                continue;
            }
            records.append(Record{m.captured(1), m.captured(2), path, lineNo, {}});
            continue;
        }
        const auto m = fieldLine.match(line);
        if (!m.hasMatch()) {
            fail(lineNo, QStringLiteral("expected a record header, a field \"name: value\" or a comment"));
            continue;
        }
        if (records.isEmpty()) {
            fail(lineNo, QStringLiteral("a field before the first record header"));
            continue;
        }
        Record& r = records.last();
        if (r.kind.isEmpty())
            continue; // its header was already reported
        const QString name = m.captured(1);
        if (r.field(name)) {
            fail(lineNo, QStringLiteral("field \"%1\" given twice in %2 %3").arg(name, r.kind, r.key));
            continue;
        }
        const QString value = m.captured(2).trimmed();
        r.fields.append(Field{name, value, lineNo, value.isEmpty(), {}});
        if (value.isEmpty())
            body = &r.fields.last();
    }
    endBody();
    records.removeIf([](const Record& r) { return r.kind.isEmpty(); });
    return records;
}

} // namespace bank
