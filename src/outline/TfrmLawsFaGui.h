#pragma once

#include "common/ModalLoop.h"
#include "core/outline/OutlineRules.h"

#include <QStringList>
#include <QWidget>
#include <memory>
#include <vector>

class QLabel;
class QLineEdit;
class QStackedLayout;
class QTableWidget;
class TfrmLawDetail;

namespace store {
class Dataset;
}
namespace ui {
class CommandButton;
}
namespace outline {
class MasteryLegend;
}

// The exam-point outline browser: the outline nodes with their counters and a
// mastery bar, finding a node by name, the detail page of a node (its points, the
// text of one, its counters), its key points, and practising one point.
//
// A modal window with exec() like a dialog; it is a plain window because it hides
// itself while the practice screen it started is open.
class TfrmLawsFaGui : public QWidget {
    Q_OBJECT
public:
    explicit TfrmLawsFaGui(QWidget* parent = nullptr);
    ~TfrmLawsFaGui() override;

    // Shows the browser modally; returns when it closes.
    int exec();

    // Handlers, named after their controls; public so tests can drive them.
    void LoadOutline();           // the table from the bank, counters current
    void m_btnFindClick();        // next node or exam point whose title holds the search text
    void m_btnSelectClick();      // open the selected node
    void m_LBmenuClick(int row);  // the point of entry `row` becomes current
    void m_btnMostClick();        // key points / all points
    void m_btnQuestionClick();    // practise the selected point
    void m_btnBackClick();        // back to the outline
    void m_btnExitClick();

    // Screen state.
    const QStringList& nodeIds() const { return m_nodeIds; }
    int keyThreshold() const { return m_keyThreshold; }
    int keyToggle() const; // 0 all points listed, 1 key points (the 重点 button's tag)
    bool detailShown() const { return m_detail != nullptr; }
    TfrmLawDetail* detail() const { return m_detail; }
    store::Dataset* queryDetail() const { return m_queryDetail.get(); }

    QLabel* m_Ltiltle;
    QTableWidget* m_grid;
    QLineEdit* m_editFind;
    ui::CommandButton* m_btnFind;
    ui::CommandButton* m_btnSelect;
    ui::CommandButton* m_btnMost;
    ui::CommandButton* m_btnQuestion;
    ui::CommandButton* m_btnBack;
    ui::CommandButton* m_btnExit;
    outline::MasteryLegend* m_legend;

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QWidget* buildTitleStrip(bool compact);
    void buildGrid();
    void buildCommands();
    void layOut(QWidget* strip);
    void arrange(bool compact);
    void setHeadings(bool compact);
    void showOutlinePage();
    void setKeyToggle(int toggle);
    void listPoints();
    void writeNote();
    int selectedRow() const; // 0-based row of the table, -1 for none
    void selectRow(int row);

    QStackedLayout* m_pages;
    QWidget* m_outlinePage;
    TfrmLawDetail* m_detail = nullptr;
    std::unique_ptr<store::Dataset> m_queryDetail;
    std::vector<outline::OutlineRow> m_rows;
    // The last search: its text, its hits and the one shown.
    QString m_findText;
    std::vector<outline::SearchHit> m_hits;
    int m_hit = -1;
    QStringList m_nodeIds;
    QString m_nodeId; // the node on the detail page
    int m_keyThreshold = 1;
    modal::Loop m_modal;
};
