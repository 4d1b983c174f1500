#pragma once

// Documents and probes shared by the rich-text tests.
#include "core/store/RtfWriter.h"
#include "ui/RichText.h"

#include <QBuffer>
#include <QImage>
#include <QStringEncoder>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>
#include <QPixmap>

namespace richtexttest {


// What rich-edit controls put before the body of a Chinese document.
inline const QByteArray kHead = "{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl{\\f0\\fnil\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}"
                         "{\\f1\\fswiss\\fcharset0 Arial;}}"
                         "{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}"
                         "\\viewkind4\\uc1\\pard\\lang2052\\f0\\fs21 ";

inline QByteArray rtf(const QByteArray& body)
{
    return kHead + body + "\\par\r\n}\r\n";
}

inline QByteArray gbk(const QString& text)
{
    QStringEncoder encoder("GBK");
    return encoder.encode(text);
}

inline QByteArray png(const QImage& image, const char* format = "PNG")
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

// One table cell of one run.
inline store::RtfWriter::Cell cell(const QString& text, store::RtfFormat format = {})
{
    return store::RtfWriter::Cell{store::RtfWriter::Run{text, format}};
}

inline QImage tinyImage()
{
    QImage image(3, 2, QImage::Format_RGB32);
    image.fill(QColor(200, 10, 20));
    image.setPixelColor(2, 1, QColor(0, 0, 255));
    return image;
}

// The document's text in the form richTextToPlain() gives: table cells separated by
// tabs, rows and paragraphs by newlines, pictures left out.
inline QString frameText(QTextFrame* frame)
{
    QStringList parts;
    for (auto it = frame->begin(); !it.atEnd(); ++it) {
        auto next = it;
        ++next;
        if (!it.currentFrame() && it.currentBlock().text().isEmpty() && !next.atEnd() && qobject_cast<QTextTable*>(next.currentFrame()))
            continue; // Qt keeps a block in front of every table
        if (QTextFrame* child = it.currentFrame()) {
            if (auto* table = qobject_cast<QTextTable*>(child)) {
                for (int r = 0; r < table->rows(); ++r) {
                    QStringList cells;
                    for (int c = 0; c < table->columns(); ++c) {
                        QTextTableCell cell = table->cellAt(r, c);
                        QStringList paras;
                        for (auto ci = cell.begin(); !ci.atEnd(); ++ci)
                            paras << ci.currentBlock().text();
                        cells << paras.join('\n');
                    }
                    parts << cells.join('\t');
                }
            } else {
                parts << frameText(child);
            }
        } else {
            parts << it.currentBlock().text();
        }
    }
    QString text = parts.join('\n');
    text.replace(QChar::LineSeparator, '\n');
    text.remove(QChar::ObjectReplacementCharacter);
    return text;
}

inline QString documentText(QTextDocument& doc)
{
    return frameText(doc.rootFrame());
}

inline QTextCharFormat formatAt(QTextDocument& doc, const QString& text)
{
    const QTextCursor found = doc.find(text);
    EXPECT_FALSE(found.isNull()) << "no " << text.toStdString() << " in " << doc.toPlainText().toStdString();
    QTextCursor at(&doc);
    at.setPosition(found.selectionStart() + 1);
    return at.charFormat();
}

inline QTextBlockFormat blockAt(QTextDocument& doc, const QString& text)
{
    const QTextCursor found = doc.find(text);
    EXPECT_FALSE(found.isNull()) << "no " << text.toStdString();
    return found.block().blockFormat();
}

inline QList<QTextImageFormat> images(QTextDocument& doc)
{
    QList<QTextImageFormat> out;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().isImageFormat())
                out << it.fragment().charFormat().toImageFormat();
    return out;
}

inline QImage resourceImage(QTextDocument& doc, const QString& name)
{
    const QVariant v = doc.resource(QTextDocument::ImageResource, QUrl(name));
    return v.canConvert<QImage>() && !v.value<QImage>().isNull() ? v.value<QImage>() : v.value<QPixmap>().toImage();
}
} // namespace richtexttest
