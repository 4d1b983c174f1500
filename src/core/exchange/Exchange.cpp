#include "core/exchange/Exchange.h"

#include "core/exchange/Gift.h"
#include "core/exchange/MoodleXml.h"
#include "core/exchange/Table.h"

#include <QFile>
#include <QFileInfo>

namespace exchange {

namespace {
// What spreadsheet programs keep in one cell.
constexpr int kMaxSpreadsheetCell = 32767;
} // namespace

QString formatName(Format format)
{
    switch (format) {
    case Format::Csv: return QStringLiteral("CSV");
    case Format::Xlsx: return QStringLiteral("XLSX");
    case Format::Gift: return QStringLiteral("GIFT");
    case Format::Aiken: return QStringLiteral("Aiken");
    case Format::MoodleXml: return QStringLiteral("Moodle XML");
    case Format::FlashCards: return QStringLiteral("闪卡");
    }
    return {};
}

bool formatOfFile(const QString& fileName, const QByteArray& head, Format* format)
{
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    if (suffix == u"csv")
        *format = Format::Csv;
    else if (suffix == u"xlsx")
        *format = Format::Xlsx;
    else if (suffix == u"gift")
        *format = Format::Gift;
    else if (suffix == u"xml")
        *format = Format::MoodleXml;
    else if (suffix == u"txt") {
        // Both are plain text: Aiken has its answer lines, GIFT its braces.
        const bool aiken = head.contains("ANSWER:") || head.contains("ANSWER :");
        *format = aiken && !head.contains('{') ? Format::Aiken : Format::Gift;
    } else
        return false;
    return true;
}

bool formatOfName(const QString& name, Format* format)
{
    const QString n = name.trimmed().toLower();
    if (n == u"csv")
        *format = Format::Csv;
    else if (n == u"xlsx")
        *format = Format::Xlsx;
    else if (n == u"gift")
        *format = Format::Gift;
    else if (n == u"aiken")
        *format = Format::Aiken;
    else if (n == u"xml" || n == u"moodle" || n == u"moodlexml")
        *format = Format::MoodleXml;
    else if (n == u"tsv" || n == u"cards")
        *format = Format::FlashCards;
    else
        return false;
    return true;
}

ReadResult readQuestions(Format format, const QByteArray& bytes)
{
    if (bytes.size() > kMaxFileBytes) {
        ReadResult out;
        out.fileOk = false;
        out.problems.push_back({0, 0, {}, QStringLiteral("文件大于 %1 MB，无法导入").arg(kMaxFileBytes / (1024 * 1024))});
        return out;
    }
    if (bytes.trimmed().isEmpty()) {
        ReadResult out;
        out.fileOk = false;
        out.problems.push_back({0, 0, {}, QStringLiteral("文件是空的")});
        return out;
    }
    switch (format) {
    case Format::Csv: return readCsv(bytes);
    case Format::Xlsx: return readXlsx(bytes);
    case Format::Gift: return readGift(bytes);
    case Format::Aiken: return readAiken(bytes);
    case Format::MoodleXml: return readMoodleXml(bytes);
    case Format::FlashCards: break;
    }
    ReadResult out;
    out.fileOk = false;
    out.problems.push_back({0, 0, {}, QStringLiteral("闪卡文件不能导入")});
    return out;
}

ReadResult readQuestionFile(const QString& path)
{
    ReadResult out;
    out.fileOk = false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        out.problems.push_back({0, 0, {}, QStringLiteral("无法打开文件“%1”").arg(QFileInfo(path).fileName())});
        return out;
    }
    if (file.size() > kMaxFileBytes) {
        out.problems.push_back({0, 0, {}, QStringLiteral("文件大于 %1 MB，无法导入").arg(kMaxFileBytes / (1024 * 1024))});
        return out;
    }
    const QByteArray bytes = file.readAll();
    Format format;
    if (!formatOfFile(path, bytes.left(4096), &format)) {
        out.problems.push_back({0, 0, {}, QStringLiteral("不认识的文件类型：请选择 CSV、XLSX、GIFT、Aiken（.txt）或 Moodle XML 文件")});
        return out;
    }
    return readQuestions(format, bytes);
}

WriteResult writeQuestions(Format format, const std::vector<Question>& questions)
{
    switch (format) {
    case Format::Csv: return {writeCsv(questions), {}, {}};
    case Format::Xlsx: {
        WriteResult out{writeXlsx(questions), {}, {}};
        int number = 0;
        for (const Question& q : questions) {
            ++number;
            for (const QString& cell : cellsOfQuestion(q))
                if (cell.size() > kMaxSpreadsheetCell) {
                    out.notes.push_back({number, q.line, {}, numbered(number, QStringLiteral("有内容超过 %1 个字符（多为图片），电子表格程序中显示不全").arg(kMaxSpreadsheetCell))});
                    break;
                }
        }
        return out;
    }
    case Format::Gift: return {writeGift(questions), {}, {}};
    case Format::Aiken: return writeAiken(questions);
    case Format::MoodleXml: return {writeMoodleXml(questions), {}, {}};
    case Format::FlashCards: return {writeFlashCards(questions), {}, {}};
    }
    return {};
}

} // namespace exchange
