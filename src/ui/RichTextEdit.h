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

    // Inserts a picture at the cursor, at its own size (wide ones scaled down to
    // kMaxPictureWidth); false for a null image.
    bool insertPicture(const QImage& image);
    // The same for a picture file (PNG, JPEG, GIF or BMP); false when it cannot be read.
    bool insertPictureFile(const QString& path);
    static constexpr int kMaxPictureWidth = 800;

    // Formatting of the selection (or of what is typed next). Ctrl+B, Ctrl+I and
    // Ctrl+U toggle the three emphases.
    void setBold(bool on);
    void setItalic(bool on);
    void setUnderline(bool on);
    void setTextColour(const QColor& colour);
    void setFontPixelSize(int px);
    // A table of empty cells at the cursor, the cursor in its first cell.
    bool insertTable(int rows, int columns);
    static constexpr int kMaxTableSide = 20;

    // True when the document holds anything but blanks (a picture counts).
    bool hasContent() const;

Q_SIGNALS:
    // The formatting at the cursor changed (for a toolbar to follow).
    void formatAtCursorChanged(const QTextCharFormat& format);

protected:
    bool event(QEvent* e) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;
    QVariant loadResource(int type, const QUrl& name) override;

private:
    RichTextBinding* m_binding;
};

} // namespace ui
