#pragma once

#include "ui/RichText.h"

#include <QTextEdit>

namespace ui {

// Editor for a stem or an analysis. Opens any document the reader accepts and saves
// HTML (UTF-8) with the pictures inside it. Pictures can be pasted.
//
//     auto* re = new ui::RichTextEdit(this);
//     re->setRichText(oldDocument);
//     QByteArray saved = re->richText();
class RichTextEdit : public QTextEdit {
    Q_OBJECT
public:
    explicit RichTextEdit(QWidget* parent = nullptr);

    void setRichText(const QByteArray& data);
    QByteArray richText() const;
    // Shows the column of the dataset's current row and follows the cursor. Nothing is
    // written back: the screen saves the editor's content itself.
    void bind(store::Dataset* dataset, const QString& column);
    RichTextBinding* binding() const { return m_binding; }

    // Inserts a picture at the cursor, at its own size; false for a null image.
    bool insertPicture(const QImage& image);

protected:
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;
    QVariant loadResource(int type, const QUrl& name) override;

private:
    RichTextBinding* m_binding;
};

} // namespace ui
