#include "ui/RichTextView.h"

#include "ui/Style.h"

namespace ui {

namespace {

// Rich-edit documents are written in 10.5 pt: text without a size of its own matches them.
constexpr int kRichTextFontPx = 14;

} // namespace

RichTextView::RichTextView(QWidget* parent)
    : QTextEdit(parent), m_binding(new RichTextBinding([this](const QByteArray& data) { setRichText(data); }, this))
{
    setReadOnly(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setFocusPolicy(Qt::StrongFocus);
    setFont(songFont(kRichTextFontPx));
    setLineWrapMode(QTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

void RichTextView::setRichText(const QByteArray& data)
{
    loadRichText(document(), data);
    moveCursor(QTextCursor::Start);
}

void RichTextView::bind(store::Dataset* dataset, const QString& column)
{
    m_binding->bind(dataset, column);
}

QVariant RichTextView::loadResource(int type, const QUrl& name)
{
    return loadEmbeddedResource(type, name);
}

} // namespace ui
