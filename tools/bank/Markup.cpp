#include "bank/Markup.h"

#include "core/store/RtfWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace bank {

namespace {

using store::RtfWriter;

bool isAsciiWordChar(QChar c)
{
    return c.unicode() < 0x80 && !c.isSpace();
}

// Inline markers of one paragraph or one table cell. The format carries over
// line breaks; whatever is still open at the end is reported where it opened.
class InlineParser {
public:
    InlineParser(const QString& file, QList<Problem>& problems) : m_file(file), m_problems(problems) {}

    // Appends the runs of one line.
    void parse(const QString& text, int line, QList<RtfWriter::Run>& runs)
    {
        QString current;
        auto flush = [&] {
            if (!current.isEmpty())
                runs.append({current, m_format});
            current.clear();
        };
        auto toggle = [&](bool RtfWriter::Format::*flag, int& openedAt) {
            flush();
            m_format.*flag = !(m_format.*flag);
            openedAt = m_format.*flag ? line : 0;
        };
        for (qsizetype i = 0; i < text.size(); ++i) {
            const QChar c = text.at(i);
            const QChar next = i + 1 < text.size() ? text.at(i + 1) : QChar();
            if (c == QLatin1Char('\\') && QStringLiteral("*/_|\\").contains(next)) {
                current += next;
                ++i;
                continue;
            }
            if (c == QLatin1Char('*') && next == QLatin1Char('*')) {
                toggle(&RtfWriter::Format::bold, m_boldLine);
                ++i;
                continue;
            }
            if (c == QLatin1Char('/') && next == QLatin1Char('/') && !(i > 0 && text.at(i - 1) == QLatin1Char(':'))) {
                toggle(&RtfWriter::Format::italic, m_italicLine);
                ++i;
                continue;
            }
            if (c == QLatin1Char('_') && next == QLatin1Char('_')) {
                toggle(&RtfWriter::Format::underline, m_underlineLine);
                ++i;
                continue;
            }
            current += c;
        }
        flush();
    }

    RtfWriter::Format format() const { return m_format; }

    // Reports markers left open and starts over with plain text.
    void finish()
    {
        auto report = [&](int line, const char* marker) {
            if (line > 0)
                m_problems.append({m_file, line, QStringLiteral("\"%1\" is not closed in its paragraph or cell (write \\%2 for a literal one)")
                                                      .arg(QLatin1String(marker), QLatin1String(marker).left(1))});
        };
        report(m_boldLine, "**");
        report(m_italicLine, "//");
        report(m_underlineLine, "__");
        m_format = {};
        m_boldLine = m_italicLine = m_underlineLine = 0;
    }

private:
    QString m_file;
    QList<Problem>& m_problems;
    RtfWriter::Format m_format;
    int m_boldLine = 0;
    int m_italicLine = 0;
    int m_underlineLine = 0;
};

// Splits a table line into cells at "|" that is not escaped.
QStringList tableCells(QString line)
{
    line = line.trimmed();
    line.remove(0, 1); // the leading "|"
    if (line.endsWith(QLatin1Char('|')) && !line.endsWith(QLatin1String("\\|")))
        line.chop(1);
    QStringList cells;
    QString cell;
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line.at(i) == QLatin1Char('\\') && i + 1 < line.size()) {
            cell += line.at(i);
            cell += line.at(++i);
            continue;
        }
        if (line.at(i) == QLatin1Char('|')) {
            cells << cell.trimmed();
            cell.clear();
            continue;
        }
        cell += line.at(i);
    }
    cells << cell.trimmed();
    return cells;
}

bool isSeparatorRow(const QStringList& cells)
{
    static const QRegularExpression dashes(QStringLiteral("^:?-+:?$"));
    for (const QString& c : cells)
        if (!dashes.match(c).hasMatch())
            return false;
    return true;
}

} // namespace

QByteArray markupToRtf(const QList<BodyLine>& body, const QString& file, const QString& imageRoot,
                       QList<Problem>& problems)
{
    static const QRegularExpression picture(QStringLiteral("^!\\[[^\\]]*\\]\\(([^)\\s]+)\\)$"));
    RtfWriter writer;
    InlineParser inlines(file, problems);

    // The paragraph being collected: its runs and line breaks.
    bool inParagraph = false;
    bool breakPending = false;
    QChar lastChar;
    auto endParagraph = [&] {
        if (!inParagraph)
            return;
        inlines.finish();
        writer.endParagraph();
        inParagraph = false;
        breakPending = false;
        lastChar = QChar();
    };

    qsizetype i = 0;
    while (i < body.size()) {
        const BodyLine& bl = body[i];
        const QString trimmed = bl.text.trimmed();
        if (trimmed.isEmpty()) {
            endParagraph();
            ++i;
            continue;
        }
        if (trimmed.startsWith(QLatin1Char('|'))) {
            endParagraph();
            QList<RtfWriter::TableRow> rows;
            qsizetype firstWidth = -1;
            for (; i < body.size() && body[i].text.trimmed().startsWith(QLatin1Char('|')); ++i) {
                const QStringList cells = tableCells(body[i].text);
                if (isSeparatorRow(cells)) {
                    if (rows.size() == 1) // a header line above it
                        for (auto& cell : rows.first())
                            for (auto& run : cell)
                                run.format.bold = true;
                    continue;
                }
                if (firstWidth < 0)
                    firstWidth = cells.size();
                else if (cells.size() != firstWidth)
                    problems.append({file, body[i].line, QStringLiteral("this table row has %1 cells, the first row has %2")
                                                             .arg(cells.size()).arg(firstWidth)});
                RtfWriter::TableRow row;
                for (const QString& text : cells) {
                    RtfWriter::Cell cell;
                    inlines.parse(text, body[i].line, cell);
                    inlines.finish();
                    row.append(cell);
                }
                rows.append(row);
            }
            writer.addTable(rows);
            continue;
        }
        if (const auto m = picture.match(trimmed); m.hasMatch()) {
            endParagraph();
            const QString rel = m.captured(1);
            const QString path = QDir(imageRoot).filePath(rel);
            QFile f(path);
            if (QDir::isAbsolutePath(rel) || rel.split(QLatin1Char('/')).contains(QStringLiteral(".."))) {
                problems.append({file, bl.line, QStringLiteral("picture %1: give a path inside the source folder").arg(rel)});
            } else if (!f.open(QIODevice::ReadOnly)) {
                problems.append({file, bl.line, QStringLiteral("picture %1 cannot be read").arg(rel)});
            } else if (!writer.addPicture(f.readAll())) {
                problems.append({file, bl.line, QStringLiteral("picture %1 is not a PNG image").arg(rel)});
            } else {
                writer.endParagraph();
            }
            ++i;
            continue;
        }

        // A text line of the current paragraph.
        QString text = bl.text;
        bool lineBreak = false;
        if (text.endsWith(QLatin1String(" \\")) || text == QLatin1String("\\")) {
            text.chop(1);
            lineBreak = true;
        }
        text = text.trimmed();
        if (inParagraph) {
            if (breakPending)
                writer.addLineBreak();
            else if (!text.isEmpty() && isAsciiWordChar(lastChar) && isAsciiWordChar(text.front()))
                writer.addText(QStringLiteral(" "), inlines.format());
        }
        inParagraph = true;
        QList<RtfWriter::Run> runs;
        inlines.parse(text, bl.line, runs);
        for (const auto& run : runs)
            writer.addText(run.text, run.format);
        if (!text.isEmpty())
            lastChar = text.back();
        breakPending = lineBreak;
        ++i;
    }
    endParagraph();
    return writer.toRtf();
}

} // namespace bank
