// Feeds arbitrary bytes to the rich-text reader the way the program uses it: detect,
// load into a document, lay out and paint, save as HTML and load that again, and take
// the plain text. Any crash, sanitizer report or hang is a finding.

#include "ui/RichText.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTextDocument>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Raw data without a copy: a read past the end is the sanitizer's to catch.
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    (void)ui::detectRichFormat(bytes);
    (void)ui::richTextToPlain(bytes);

    QTextDocument doc;
    ui::loadRichText(&doc, bytes);
    doc.setTextWidth(240);
    (void)doc.size();
    QImage canvas(240, 160, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::white);
    {
        QPainter painter(&canvas);
        doc.drawContents(&painter, QRectF(0, 0, 240, 160));
    }

    // The font cache is trimmed by a timer; without an event loop it would only grow.
    QCoreApplication::processEvents();

    // What the editor saves must read back.
    const QByteArray html = ui::richTextHtml(&doc);
    QTextDocument again;
    ui::loadRichText(&again, html);
    (void)again.toPlainText();
    return 0;
}
