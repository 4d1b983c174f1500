// The template as an XLSX workbook: its first sheet read through libzip and
// QXmlStreamReader (shared and inline strings), and written with inline strings.
#include "core/exchange/MoodleXml.h"
#include "core/exchange/Table.h"
#include "core/exchange/Zip.h"

#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <stdexcept>

namespace exchange {

namespace {

// An unpacked part may be larger than the file, but not without bound.
constexpr qint64 kMaxPartBytes = 4 * kMaxFileBytes;

QString notWorkbook()
{
    return QStringLiteral("不是有效的 XLSX 工作簿，无法读取");
}

// "BC12" → 54 (columns from 0); -1 when the reference has no letters.
int columnOf(QStringView reference)
{
    int column = 0, letters = 0;
    for (QChar c : reference) {
        if (c < u'A' || c > u'Z')
            break;
        column = column * 26 + (c.unicode() - u'A' + 1);
        if (++letters > 3)
            return -1;
    }
    return letters ? column - 1 : -1;
}

// A reader over one part that refuses document type definitions, as every reader here does.
struct Part {
    QXmlStreamReader xml;
    QString error;
    explicit Part(const QByteArray& data) : xml(data) {}
    bool next()
    {
        if (xml.atEnd())
            return false;
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::DTD) {
            error = dtdRefused();
            return false;
        }
        if (token == QXmlStreamReader::EntityReference) {
            error = notWorkbook();
            return false;
        }
        if (xml.hasError()) {
            error = notWorkbook();
            return false;
        }
        return true;
    }
};

// The text of the <t> elements inside the element the reader stands on (a shared
// string item or an inline string), phonetic runs left out.
QString stringItem(Part& part)
{
    QString text;
    int depth = 1;
    bool inT = false;
    int phonetic = 0;
    while (depth > 0 && part.next()) {
        if (part.xml.isStartElement()) {
            ++depth;
            if (part.xml.name() == u"rPh")
                ++phonetic;
            inT = part.xml.name() == u"t";
        } else if (part.xml.isEndElement()) {
            --depth;
            if (part.xml.name() == u"rPh")
                --phonetic;
            inT = false;
        } else if (part.xml.isCharacters() && inT && phonetic == 0) {
            text += part.xml.text();
        }
    }
    return text;
}

QString firstSheetPath(const ZipReader& zip)
{
    const QString fallback = QStringLiteral("xl/worksheets/sheet1.xml");
    const std::optional<QByteArray> workbook = zip.read(QStringLiteral("xl/workbook.xml"), kMaxPartBytes);
    const std::optional<QByteArray> rels = zip.read(QStringLiteral("xl/_rels/workbook.xml.rels"), kMaxPartBytes);
    if (!workbook || !rels)
        return fallback;
    QString id;
    for (Part p(*workbook); p.next();)
        if (p.xml.isStartElement() && p.xml.name() == u"sheet") {
            for (const QXmlStreamAttribute& a : p.xml.attributes())
                if (a.name() == u"id")
                    id = a.value().toString();
            break;
        }
    for (Part p(*rels); p.next() && !id.isEmpty();)
        if (p.xml.isStartElement() && p.xml.name() == u"Relationship" && p.xml.attributes().value(QStringLiteral("Id")) == id) {
            const QString target = p.xml.attributes().value(QStringLiteral("Target")).toString();
            return target.startsWith(u'/') ? target.mid(1) : QStringLiteral("xl/") + target;
        }
    return fallback;
}

} // namespace

ReadResult readXlsx(const QByteArray& bytes)
{
    ReadResult failed;
    failed.fileOk = false;
    const auto fail = [&failed](const QString& message) {
        failed.problems.push_back({0, 0, {}, message});
        return failed;
    };
    ZipReader zip(bytes);
    if (!zip.isOpen())
        return fail(notWorkbook());
    QStringList shared;
    if (const auto sst = zip.read(QStringLiteral("xl/sharedStrings.xml"), kMaxPartBytes)) {
        Part p(*sst);
        while (p.next())
            if (p.xml.isStartElement() && p.xml.name() == u"si")
                shared << stringItem(p);
        if (!p.error.isEmpty())
            return fail(p.error);
    }
    const std::optional<QByteArray> sheet = zip.read(firstSheetPath(zip), kMaxPartBytes);
    if (!sheet)
        return fail(notWorkbook());
    std::vector<TableRow> rows;
    Part p(*sheet);
    int rowNumber = 0;
    while (p.next()) {
        if (!p.xml.isStartElement())
            continue;
        if (p.xml.name() == u"row") {
            bool ok = false;
            const int r = p.xml.attributes().value(QStringLiteral("r")).toInt(&ok);
            rowNumber = ok ? r : rowNumber + 1;
            rows.push_back({{}, rowNumber});
        } else if (p.xml.name() == u"c" && !rows.empty()) {
            const QXmlStreamAttributes a = p.xml.attributes();
            const QString type = a.value(QStringLiteral("t")).toString();
            int column = columnOf(a.value(QStringLiteral("r")));
            QStringList& cells = rows.back().cells;
            if (column < 0)
                column = int(cells.size());
            if (column >= 64) { // past the template's columns: nothing to read there
                p.xml.skipCurrentElement();
                continue;
            }
            QString value;
            if (type == u"inlineStr") {
                value = stringItem(p);
            } else {
                QString v;
                int depth = 1;
                while (depth > 0 && p.next()) {
                    if (p.xml.isStartElement()) {
                        ++depth;
                        if (p.xml.name() == u"v")
                            v = p.xml.readElementText(), --depth;
                    } else if (p.xml.isEndElement()) {
                        --depth;
                    }
                }
                if (type == u"s") {
                    bool ok = false;
                    const int i = v.toInt(&ok);
                    value = ok && i >= 0 && i < shared.size() ? shared[i] : QString();
                } else if (type == u"b") {
                    value = v == u"1" ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
                } else {
                    value = v;
                }
            }
            while (cells.size() <= column)
                cells << QString();
            cells[column] = value;
        }
    }
    if (!p.error.isEmpty())
        return fail(p.error);
    if (p.xml.hasError())
        return fail(notWorkbook());
    return readRows(rows);
}

namespace {

const char kContentTypes[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
    "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
    "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
    "<Override PartName=\"/xl/workbook.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>"
    "<Override PartName=\"/xl/worksheets/sheet1.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>"
    "<Override PartName=\"/xl/styles.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml\"/>"
    "</Types>";

const char kPackageRels[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
    "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
    "Target=\"xl/workbook.xml\"/></Relationships>";

const char kWorkbook[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
    "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
    "<sheets><sheet name=\"试题\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>";

const char kWorkbookRels[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
    "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" "
    "Target=\"worksheets/sheet1.xml\"/>"
    "<Relationship Id=\"rId2\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles\" "
    "Target=\"styles.xml\"/></Relationships>";

// One font, the two fills every workbook has, one border, one cell format and the
// Normal style; the header row uses a second format with the font in bold.
const char kStyles[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
    "<fonts count=\"2\"><font><sz val=\"11\"/><name val=\"宋体\"/></font><font><b/><sz val=\"11\"/><name val=\"宋体\"/></font></fonts>"
    "<fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill><fill><patternFill patternType=\"gray125\"/></fill></fills>"
    "<borders count=\"1\"><border><left/><right/><top/><bottom/><diagonal/></border></borders>"
    "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"/></cellStyleXfs>"
    "<cellXfs count=\"2\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"/>"
    "<xf numFmtId=\"0\" fontId=\"1\" fillId=\"0\" borderId=\"0\" xfId=\"0\" applyFont=\"1\"/></cellXfs>"
    "<cellStyles count=\"1\"><cellStyle name=\"Normal\" xfId=\"0\" builtinId=\"0\"/></cellStyles>"
    "</styleSheet>";

QString columnName(int column)
{
    QString name;
    for (int c = column + 1; c > 0; c = (c - 1) / 26)
        name.prepend(QChar(char16_t(u'A' + (c - 1) % 26)));
    return name;
}

QByteArray sheetXml(const std::vector<QStringList>& rows)
{
    QByteArray out;
    QXmlStreamWriter w(&out);
    w.writeStartDocument(QStringLiteral("1.0"), true);
    w.writeStartElement(QStringLiteral("worksheet"));
    w.writeDefaultNamespace(QStringLiteral("http://schemas.openxmlformats.org/spreadsheetml/2006/main"));
    w.writeStartElement(QStringLiteral("sheetData"));
    for (size_t r = 0; r < rows.size(); ++r) {
        w.writeStartElement(QStringLiteral("row"));
        w.writeAttribute(QStringLiteral("r"), QString::number(r + 1));
        for (int c = 0; c < rows[r].size(); ++c) {
            QString text = rows[r][c];
            if (text.isEmpty())
                continue;
            // XML 1.0 cannot carry most control characters.
            text.removeIf([](QChar ch) { return ch.unicode() < 0x20 && ch != u'\t' && ch != u'\n' && ch != u'\r'; });
            w.writeStartElement(QStringLiteral("c"));
            w.writeAttribute(QStringLiteral("r"), columnName(c) + QString::number(r + 1));
            w.writeAttribute(QStringLiteral("t"), QStringLiteral("inlineStr"));
            if (r == 0)
                w.writeAttribute(QStringLiteral("s"), QStringLiteral("1"));
            w.writeStartElement(QStringLiteral("is"));
            w.writeStartElement(QStringLiteral("t"));
            w.writeAttribute(QStringLiteral("xml:space"), QStringLiteral("preserve"));
            w.writeCharacters(text);
            w.writeEndElement();
            w.writeEndElement();
            w.writeEndElement();
        }
        w.writeEndElement();
    }
    w.writeEndElement();
    w.writeEndElement();
    w.writeEndDocument();
    return out;
}

QByteArray workbookOf(const std::vector<QStringList>& rows)
{
    ZipWriter zip;
    // The content types first, as readers that sniff the archive expect.
    zip.add("[Content_Types].xml", QByteArray(kContentTypes));
    zip.add("_rels/.rels", QByteArray(kPackageRels));
    zip.add("xl/workbook.xml", QByteArray(kWorkbook));
    zip.add("xl/_rels/workbook.xml.rels", QByteArray(kWorkbookRels));
    zip.add("xl/styles.xml", QByteArray(kStyles));
    zip.add("xl/worksheets/sheet1.xml", sheetXml(rows));
    return zip.finish();
}

} // namespace

QByteArray writeXlsx(const std::vector<Question>& questions)
{
    std::vector<QStringList> rows = {templateColumns()};
    for (const Question& q : questions)
        rows.push_back(cellsOfQuestion(q));
    return workbookOf(rows);
}

QByteArray xlsxTemplate()
{
    return workbookOf({templateColumns()});
}

} // namespace exchange
