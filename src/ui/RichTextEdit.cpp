#include "ui/RichTextEdit.h"

#include "ui/Style.h"

#include <QMimeData>
#include <QTextCursor>
#include <QTextDocument>
#include <QUrl>
#include <QUuid>

namespace ui {

namespace {

// The size question entry types in.
constexpr int kEditFontPx = 16;

} // namespace

RichTextEdit::RichTextEdit(QWidget* parent)
    : QTextEdit(parent), m_binding(new RichTextBinding([this](const QByteArray& data) { setRichText(data); }, this))
{
    setAcceptRichText(true);
    setFont(songFont(kEditFontPx));
    setLineWrapMode(QTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
}

void RichTextEdit::setRichText(const QByteArray& data)
{
    loadRichText(document(), data);
    moveCursor(QTextCursor::Start);
}

QByteArray RichTextEdit::richText() const
{
    return richTextHtml(document());
}

void RichTextEdit::bind(store::Dataset* dataset, const QString& column)
{
    m_binding->bind(dataset, column);
}

bool RichTextEdit::insertPicture(const QImage& image)
{
    if (image.isNull())
        return false;
    const QString name = QStringLiteral("pasted:") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    document()->addResource(QTextDocument::ImageResource, QUrl(name), image);
    QTextImageFormat format;
    format.setName(name);
    format.setWidth(image.width());
    format.setHeight(image.height());
    textCursor().insertImage(format);
    return true;
}

bool RichTextEdit::canInsertFromMimeData(const QMimeData* source) const
{
    return source->hasImage() || QTextEdit::canInsertFromMimeData(source);
}

void RichTextEdit::insertFromMimeData(const QMimeData* source)
{
    if (source->hasImage() && !source->hasHtml() && insertPicture(qvariant_cast<QImage>(source->imageData())))
        return;
    QTextEdit::insertFromMimeData(source);
}

QVariant RichTextEdit::loadResource(int type, const QUrl& name)
{
    return loadEmbeddedResource(type, name);
}

} // namespace ui
