#pragma once

#include <QDialog>
#include <QStringList>
#include <vector>

class QComboBox;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QPlainTextEdit;
class QStackedWidget;

namespace ui {
class CommandButton;
}

// The exam-point picker ("欢迎"): the points of one outline node at a time with
// tick boxes, handed to question entry or editing; its second page shows the
// usage notes of the authoring screens.
//
//     TFrmSelectFG picker(this);
//     picker.setChosen(pointIds);
//     if (picker.exec() == QDialog::Accepted)
//         for (const auto& p : picker.picks()) ...
class TFrmSelectFG : public QDialog {
    Q_OBJECT
public:
    enum class Page { Selection = 0, UsageNotes = 1 };

    explicit TFrmSelectFG(QWidget* parent = nullptr);

    // Given before showing.
    void setPage(Page page);
    Page page() const;
    // The points the question already has: their number counts against the limit,
    // and on a node chosen in the list they show ticked.
    void setChosen(const QStringList& pointIds);

    struct Pick {
        QString ftid;
        QString title;
        QString nodeName;
    };
    // The points newly ticked, on any node, in the order they were ticked.
    std::vector<Pick> picks() const;

    // The lines of the usage notes.
    static QStringList usageNotes();

    // Selection page.
    QComboBox* ComboBox1;        // nodes by name
    QComboBox* ComboBox2;        // their ids (hidden)
    QListWidget* CheckListBox1;  // the node's points, visible ticks
    QListWidget* CheckListBox2;  // their ids, picks (hidden)
    QLabel* emptyHint;           // shown for a node without points
    ui::CommandButton* epEfButton1; // 确定
    ui::CommandButton* epEfButton2; // 关闭
    // Usage-notes page.
    QPlainTextEdit* Memo1;
    ui::CommandButton* epEfButton3; // 关闭
    QStackedWidget* Notebook1;

    void FormShow();
    void ComboBox1Change(int index);
    void epEfButton1Click();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void loadPoints(const QString& nodeId);
    void CheckListBox1ClickCheck(QListWidgetItem* item);

    QStringList m_chosen;
    std::vector<Pick> m_picked;
    bool m_filled = false;
};
