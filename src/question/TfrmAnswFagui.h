#pragma once

#include <QDialog>
#include <QStringList>
#include <memory>

class QLabel;
class QListWidget;
class QSplitter;

namespace store {
class Dataset;
}
namespace ui {
class CommandButton;
class RichTextView;
}

// A question's exam points ("相关考点"): their titles in a list, the text of the
// chosen point and the name of the outline node it belongs to.
//
//     TfrmAnswFagui f(this);
//     if (f.load(questionId))
//         f.exec();
class TfrmAnswFagui : public QDialog {
    Q_OBJECT
public:
    explicit TfrmAnswFagui(QWidget* parent = nullptr);
    ~TfrmAnswFagui() override;

    // Reads the question's point ids (K3 … K12, in column order, empty ones left
    // out); true when it has at least one. Throws store::DbError: callers run it
    // through the slot guard.
    bool load(const QString& questionId);
    const QStringList& pointIds() const { return m_listbox; }

    QLabel* epLabel1;       // node name
    QListWidget* ListBox1;  // point titles
    QSplitter* Splitter1;
    ui::RichTextView* Re;   // text of the current point
    ui::CommandButton* epEfTrBtn1; // "关  闭"

    // Makes the entry's point current and shows its node.
    void ListBox1Click(int row);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormShow();
    void showNodeOf(const QString& nodeId);

    QStringList m_listbox; // the question's point ids
    std::unique_ptr<store::Dataset> m_points; // id, n, sn of the points
};
