#pragma once

#include <QDialog>
#include <QPointer>

class QLabel;
class QPlainTextEdit;

namespace store {
class Dataset;
}
namespace ui {
class CommandButton;
}

// The note editor ("笔记"): a plain-text note on a column of the caller's current
// row. The row is held in edit from bind() to closing; closing, by any means,
// writes the text and posts the row (also when nothing changed) and sets
// app::NoteHasText. A failed post keeps the window open with the text as typed.
class TFrmBj : public QDialog {
    Q_OBJECT
public:
    explicit TFrmBj(QWidget* parent = nullptr);
    ~TFrmBj() override;

    // Puts the dataset's current row in edit and shows the column's text.
    // False (nothing changed) when there is no row to edit.
    bool bind(store::Dataset* dataset, const QString& column);

    QPlainTextEdit* DBMemo1;
    ui::CommandButton* Button1; // "关  闭"
    QLabel* Label1;             // caller tag: "lx" practice, "ks" exam; never shown

public Q_SLOTS:
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    // Writes the text and posts the row; false when the post failed and the
    // candidate chose to go back to the note.
    bool saveNote();

    QPointer<store::Dataset> m_dataset;
    QString m_column;
};
