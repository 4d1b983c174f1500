#pragma once

#include <QDialog>

namespace store {
class Dataset;
}
namespace ui {
class CommandButton;
class RichTextView;
}

// The analysis viewer ("解析"): a read-only rich-text pane on a column of the
// caller's current row (a question's analysis, a chapter's guidance).
class TFrmJx : public QDialog {
    Q_OBJECT
public:
    explicit TFrmJx(QWidget* parent = nullptr);

    // Shows the column of the dataset's current row. Any failure leaves the pane
    // empty and returns false; the window can still be shown.
    bool bind(store::Dataset* dataset, const QString& column);

    ui::RichTextView* Re;
    ui::CommandButton* Button1; // "关闭"

protected:
    void showEvent(QShowEvent* event) override;
};
