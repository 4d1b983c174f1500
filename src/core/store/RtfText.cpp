#include "core/store/RtfReader.h"

#include <QStringDecoder>

// The text encodings of the bank's documents: code pages of RTF fonts, plain text
// and HTML that may be UTF-8 or GBK, and characters a layout cannot show; and the
// plain text of a read document.

namespace store::rtf {

QStringDecoder makeDecoder(const char* name)
{
    QStringDecoder decoder(name, QStringConverter::Flag::Stateless);
    if (!decoder.isValid())
        decoder = QStringDecoder(QStringConverter::Latin1, QStringConverter::Flag::Stateless);
    return decoder;
}

const char* codePageName(int codePage)
{
    switch (codePage) {
    case 936: return "GBK";
    case 950: return "Big5";
    case 932: return "Shift_JIS";
    case 949: return "EUC-KR";
    case 874: return "windows-874";
    case 1250: return "windows-1250";
    case 1251: return "windows-1251";
    case 1253: return "windows-1253";
    case 1254: return "windows-1254";
    case 1255: return "windows-1255";
    case 1256: return "windows-1256";
    case 1257: return "windows-1257";
    case 1258: return "windows-1258";
    default: return "windows-1252";
    }
}

// Code page of an RTF font character set; 0 for "the document's".
int charsetCodePage(int charset)
{
    switch (charset) {
    case 0: return 1252;
    case 128: return 932;
    case 129: return 949;
    case 134: return 936;
    case 136: return 950;
    case 161: return 1253;
    case 162: return 1254;
    case 163: return 1258;
    case 177: return 1255;
    case 178: return 1256;
    case 186: return 1257;
    case 204: return 1251;
    case 222: return 874;
    case 238: return 1250;
    default: return 0;
    }
}

bool isValidUtf8(const QByteArray& data)
{
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const QString decoded = utf8.decode(data); // decoding happens on conversion
    return !utf8.hasError();
}

QString decodePlain(const QByteArray& data)
{
    if (auto bom = QStringConverter::encodingForData(data)) {
        QStringDecoder decoder(*bom, QStringConverter::Flag::Stateless);
        return decoder.decode(data);
    }
    if (isValidUtf8(data))
        return QString::fromUtf8(data);
    QStringDecoder gbk = makeDecoder("GBK");
    return gbk.decode(data);
}

QString decodeHtml(const QByteArray& data)
{
    QStringDecoder decoder = QStringDecoder::decoderForHtml(data);
    if (!decoder.isValid() || (QByteArray(decoder.name()).compare("UTF-8", Qt::CaseInsensitive) == 0 && !isValidUtf8(data)))
        decoder = makeDecoder("GBK");
    return decoder.decode(data);
}

// Characters that must not reach a document as text: controls, and the markers the
// document itself uses for frames, blocks and objects.
char16_t cleanChar(char16_t c)
{
    if (c == '\t')
        return c;
    if (c < 0x20 || (c >= 0x7f && c < 0xa0))
        return 0;
    switch (c) {
    case 0x2029: // paragraph separator: would split a block inside a run
        return QChar::LineSeparator;
    case 0xfdd0: case 0xfdd1: case 0xfffc: case 0xfeff:
        return 0;
    default:
        return c;
    }
}

// Replaces unpaired surrogates, which a document cannot lay out.
void fixSurrogates(QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            ++i;
            continue;
        }
        if (c.isSurrogate())
            text[i] = QChar::ReplacementCharacter;
    }
}

QString plainText(const RtfDocument& rtf)
{
    QStringList lines;
    auto paragraphText = [](const Paragraph& para) {
        QString text;
        for (const Run& run : para.runs)
            text += run.text;
        text.replace(QChar::LineSeparator, QLatin1Char('\n'));
        fixSurrogates(text);
        return text;
    };
    for (const Block& block : rtf.blocks) {
        if (const auto* para = std::get_if<Paragraph>(&block)) {
            lines.append(paragraphText(*para));
            continue;
        }
        for (const Row& row : std::get<Table>(block).rows) {
            QStringList cells;
            for (const Cell& cell : row.cells) {
                QStringList paras;
                for (const Paragraph& para : cell.paragraphs)
                    paras.append(paragraphText(para));
                cells.append(paras.join(QLatin1Char('\n')));
            }
            lines.append(cells.join(QLatin1Char('\t')));
        }
    }
    return lines.join(QLatin1Char('\n'));
}

} // namespace store::rtf
