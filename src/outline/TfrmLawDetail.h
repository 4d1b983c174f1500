#pragma once

#include <QWidget>

class QLabel;
class QListWidget;
class QSplitter;

namespace store {
class Dataset;
}
namespace ui {
class RichTextView;
}

// The detail page of the outline browser: the exam points of one node in a list,
// the text of the selected point and a note line with its counters. It lives only
// as a panel inside the browser, in the place of the outline table.
class TfrmLawDetail : public QWidget {
    Q_OBJECT
public:
    explicit TfrmLawDetail(bool compact, QWidget* parent = nullptr);
    ~TfrmLawDetail() override;

    // Lists the visible rows of the point set ("sn(q)", or "sn" without questions),
    // selects the first entry quietly and binds the viewer to the set's `n` column.
    // An empty set leaves an empty list and a line saying so.
    void fill(store::Dataset* points);
    // Detaches the viewer (before the set is filtered under it).
    void unbind();
    void setNote(const QString& text);

    QListWidget* m_LBmenu; // the points
    QSplitter* Splitter1;
    ui::RichTextView* Re;  // text of the selected point
    QLabel* m_pNote;       // counters of the selected point

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

Q_SIGNALS:
    // The candidate moved to another entry (click or keys); row from 0.
    void pointChosen(int row);

private:
    void fitNote();
    int m_noteBasePx = 13;
};
