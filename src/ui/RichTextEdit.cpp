#include "ui/RichTextEdit.h"

#include "ui/Style.h"

#include <QImageReader>
#include <QKeyEvent>
#include <QMimeData>
#include <QTextTable>
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
    connect(this, &QTextEdit::currentCharFormatChanged, this, &RichTextEdit::formatAtCursorChanged);
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

bool RichTextEdit::insertPicture(const QImage& original)
{
    if (original.isNull())
        return false;
    // Photos would make every stem megabytes long.
    const QImage image = original.width() > kMaxPictureWidth
                             ? original.scaledToWidth(kMaxPictureWidth, Qt::SmoothTransformation)
                             : original;
    const QString name = QStringLiteral("pasted:") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    document()->addResource(QTextDocument::ImageResource, QUrl(name), image);
    QTextImageFormat format;
    format.setName(name);
    format.setWidth(image.width());
    format.setHeight(image.height());
    textCursor().insertImage(format);
    return true;
}

bool RichTextEdit::insertPictureFile(const QString& path)
{
    QImageReader reader(path);
    const QByteArray format = reader.format().toLower();
    static const QList<QByteArray> accepted = {"png", "jpeg", "jpg", "gif", "bmp"};
    if (!accepted.contains(format))
        return false;
    // The same bounds the reader puts on pictures inside documents.
    const QSize size = reader.size();
    if (!size.isValid() || size.width() > 16384 || size.height() > 16384 || qint64(size.width()) * size.height() > 16 * 1024 * 1024)
        return false;
    reader.setAutoTransform(true);
    return insertPicture(reader.read());
}

void RichTextEdit::setBold(bool on)
{
    QTextCharFormat f;
    f.setFontWeight(on ? QFont::Bold : QFont::Normal);
    mergeCurrentCharFormat(f);
}

void RichTextEdit::setItalic(bool on)
{
    QTextCharFormat f;
    f.setFontItalic(on);
    mergeCurrentCharFormat(f);
}

void RichTextEdit::setUnderline(bool on)
{
    QTextCharFormat f;
    f.setFontUnderline(on);
    mergeCurrentCharFormat(f);
}

void RichTextEdit::setTextColour(const QColor& colour)
{
    if (!colour.isValid())
        return;
    QTextCharFormat f;
    f.setForeground(colour);
    mergeCurrentCharFormat(f);
}

void RichTextEdit::setFontPixelSize(int px)
{
    if (px <= 0)
        return;
    QTextCharFormat f;
    QFont font;
    font.setPixelSize(px);
    f.setFont(font, QTextCharFormat::FontPropertiesSpecifiedOnly);
    mergeCurrentCharFormat(f);
}

bool RichTextEdit::insertTable(int rows, int columns)
{
    if (rows < 1 || columns < 1 || rows > kMaxTableSide || columns > kMaxTableSide)
        return false;
    QTextTableFormat format;
    // Empty cells would shrink to nothing: the columns share a width from the start.
    format.setWidth(QTextLength(QTextLength::PercentageLength, std::min(100, 20 * columns)));
    format.setColumnWidthConstraints(QList<QTextLength>(columns, QTextLength(QTextLength::PercentageLength, 100.0 / columns)));
    format.setBorder(1);
    format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
    format.setCellPadding(3);
    format.setCellSpacing(0);
    format.setBorderCollapse(true);
    QTextCursor cursor = textCursor();
    QTextTable* table = cursor.insertTable(rows, columns, format);
    setTextCursor(table->cellAt(0, 0).firstCursorPosition());
    return true;
}

bool RichTextEdit::hasContent() const
{
    return !document()->toPlainText().trimmed().isEmpty();
}

bool RichTextEdit::event(QEvent* e)
{
    // Inside a table Tab and Shift+Tab move between the cells (Tab in the last cell
    // adds a row), as in a word processor; elsewhere they may leave the editor.
    if (e->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(e);
        QTextTable* table = textCursor().currentTable();
        if (table && (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab)
            && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            const QTextTableCell cell = table->cellAt(textCursor());
            const bool back = key->key() == Qt::Key_Backtab || (key->modifiers() & Qt::ShiftModifier);
            const int index = std::max(0, cell.row() * table->columns() + cell.column() + (back ? -1 : 1));
            if (index >= table->rows() * table->columns())
                table->appendRows(1);
            setTextCursor(table->cellAt(index / table->columns(), index % table->columns()).firstCursorPosition());
            return true;
        }
    }
    return QTextEdit::event(e);
}

void RichTextEdit::keyPressEvent(QKeyEvent* event)
{
    if (event->modifiers() == Qt::ControlModifier) {
        const QTextCharFormat f = currentCharFormat();
        switch (event->key()) {
        case Qt::Key_B: setBold(f.fontWeight() < QFont::Bold); return;
        case Qt::Key_I: setItalic(!f.fontItalic()); return;
        case Qt::Key_U: setUnderline(!f.fontUnderline()); return;
        default: break;
        }
    }
    QTextEdit::keyPressEvent(event);
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
