#pragma once

#include "ui/RichText.h"

#include <QTextEdit>

namespace ui {

// Read-only pane for a stem, an analysis, a shared stem, a point text or chapter
// guidance. Wraps words, scrolls when needed, takes focus so the keys scroll and
// select, and reports its text to assistive tools.
//
//     auto* re = new ui::RichTextView(this);
//     re->setObjectName("Re1");
//     re->setRichText(dataset->bytes("A15"));   // or: re->bind(dataset, "A15");
class RichTextView : public QTextEdit {
    Q_OBJECT
public:
    explicit RichTextView(QWidget* parent = nullptr);

    // RTF, HTML or plain text (see loadRichText); empty data clears the pane.
    void setRichText(const QByteArray& data);
    // Shows the column of the dataset's current row and follows the cursor.
    void bind(store::Dataset* dataset, const QString& column);
    RichTextBinding* binding() const { return m_binding; }

protected:
    QVariant loadResource(int type, const QUrl& name) override;

private:
    RichTextBinding* m_binding;
};

} // namespace ui
