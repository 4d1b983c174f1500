#pragma once

#include "core/search/Gather.h"

#include <QDialog>
#include <QList>

class QComboBox;
class QLabel;
class QLineEdit;
class QTreeWidget;
class QTreeWidgetItem;

namespace ui {
class CommandButton;
}

namespace gather {

// The questions gathered across chapters: the wrong-question book (错题本) or the
// bookmarks (收藏夹), grouped part → chapter, filtered by type and exam point, sorted,
// practised on the practice screen, taken out of the list and written as a document.
class TFrmGather : public QDialog {
    Q_OBJECT
public:
    enum class Mode { WrongBook, Bookmarks };

    explicit TFrmGather(Mode mode, QWidget* parent = nullptr);

    Mode mode() const { return m_mode; }

    QComboBox* cbType;   // 题型
    QComboBox* cbPoint;  // 考点
    QComboBox* cbSort;   // 排序
    QTreeWidget* tvList; // the grouped list
    QLabel* lblCount;    // 共 N 题
    QLabel* lblEmpty;    // how questions come into an empty list
    QLabel* lblRemark;   // 备注 (bookmarks)
    QLineEdit* edRemark; // the current bookmark's remark
    ui::CommandButton* btnPractise; // 练习
    ui::CommandButton* btnRemove;   // 移出错题本 / 取消收藏
    ui::CommandButton* btnExport;   // 生成文档
    ui::CommandButton* btnExportQuestions; // 导出试题
    ui::CommandButton* btnClose;    // 关闭

    // Reads the list from the bank again and shows it under the current filter and sort.
    void reload();
    // The shown questions in the list's order.
    QStringList shownIds() const;
    // Selects the row of a question, or of a group by its chapter code; false when absent.
    bool selectQuestion(const QString& id);
    bool selectGroup(const QString& code);

    // Handlers, public so tests drive them as the buttons do.
    void practiseSelected();
    void removeSelected();
    void saveRemark();
    void exportList();
    void exportQuestionFile();

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void arrange(bool compact);
    void fillFilters();
    void showList();
    void updateCommands();
    QString caption() const;
    QStringList selectedQuestionIds() const;
    QTreeWidgetItem* findRow(const QString& key) const; // a question id or a group's code
    // The current row, or the one that becomes current when the list gets the focus.
    QTreeWidgetItem* currentRow() const;

    Mode m_mode;
    QList<search::Gathered> m_rows; // every row of the book, with details
    QList<search::PartGroup> m_groups; // what the list shows
    QMap<int, QString> m_typeNames;
    QString m_pendingKey;
    bool m_shown = false;
    int m_band = 0;
};

// The menu's 错题本 and 收藏夹.
void openWrongBook(QWidget* parent);
void openBookmarks(QWidget* parent);

} // namespace gather
