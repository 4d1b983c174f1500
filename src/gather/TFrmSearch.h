#pragma once

#include "core/search/Search.h"
#include "core/search/SearchPlaces.h"

#include <QDialog>
#include <QHash>
#include <QTimer>

class QComboBox;
class QLabel;
class QLineEdit;
class QTableView;

namespace ui {
class CommandButton;
}

namespace gather {

class SearchResults;

// 搜索: finds questions by a piece of their text as the candidate types, narrowed by
// part, chapter and type; a found question opens on the practice screen, and all
// of them can be practised or exported together.
class TFrmSearch : public QDialog {
    Q_OBJECT
public:
    explicit TFrmSearch(QWidget* parent = nullptr);
    ~TFrmSearch() override;

    QLineEdit* edText;       // 搜索内容
    QComboBox* cbPart;       // 部分
    QComboBox* cbChapter;    // 章节
    QComboBox* cbType;       // 题型
    QTableView* tvResults;   // 搜索结果
    QLabel* lblCount;        // 共 N 题
    ui::CommandButton* btnPractise; // 练习全部
    ui::CommandButton* btnExport;   // 导出试题
    ui::CommandButton* btnClose;    // 关闭

    // Searches now for the text and filters as they are (typing waits a moment first).
    void runSearch();
    bool searchPending() const { return m_typing.isActive(); }
    search::Filter filter() const;
    int total() const { return m_total; }
    QStringList shownIds() const; // the rows read so far, in list order

    // Handlers, public so tests drive them as the keys and buttons do.
    void openCurrent();
    void practiseAll();
    void exportAll();

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void arrange(bool compact);
    void fillFilters();
    void fillChapters();
    void updateCommands();
    QStringList allIds();
    QString chapterName(const QString& code) const;

    SearchResults* m_results;
    QTimer m_typing;
    QList<search::Place> m_chapters; // in book order
    QString m_query; // the text of the results shown
    int m_total = 0;
    bool m_shown = false;
    int m_band = 0;
};

// The menu's 搜索.
void openSearch(QWidget* parent);

} // namespace gather
