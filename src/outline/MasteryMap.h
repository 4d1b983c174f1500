#pragma once

#include "core/outline/OutlineRules.h"

#include <QColor>
#include <QStyledItemDelegate>
#include <QWidget>

// The mastery map of the outline table: a small bar in each name cell whose
// length is the node's coverage and whose colour is its accuracy band, and the
// legend that explains them.
namespace outline {

// Item data role of the name cells: the node's Counters as a QVariant list (q, q1, q2, q4).
inline constexpr int kCountersRole = Qt::UserRole + 1;

QColor bandColour(AccuracyBand band);

class MasteryDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    static constexpr int kBarWidth = 44;
    static constexpr int kBarHeight = 9;
};

class MasteryLegend : public QWidget {
    Q_OBJECT
public:
    explicit MasteryLegend(QWidget* parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace outline
