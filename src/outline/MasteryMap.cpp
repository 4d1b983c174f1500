#include "outline/MasteryMap.h"

#include "ui/Style.h"

#include <QApplication>
#include <QPainter>

namespace outline {

namespace {

Counters countersFrom(const QVariant& v)
{
    const QVariantList l = v.toList();
    if (l.size() != 4)
        return {};
    return {l[0].toLongLong(), l[1].toLongLong(), l[2].toLongLong(), l[3].toLongLong()};
}

// One bar: a framed box, filled from the left by the share, in the band's colour.
void drawBar(QPainter* p, const QRect& box, double share, AccuracyBand band)
{
    p->save();
    p->setRenderHint(QPainter::Antialiasing, false);
    p->fillRect(box, band == AccuracyBand::Neutral ? ui::kMasteryNeutralFace : ui::kMasteryBarEmpty);
    // A little of the colour shows even for a small share, so the accuracy can be read.
    const int filled = band == AccuracyBand::Neutral ? 0 : std::max(4, int(share * box.width() + 0.5));
    if (filled > 0)
        p->fillRect(QRect(box.left(), box.top(), std::min(filled, box.width()), box.height()), bandColour(band));
    QPen pen(band == AccuracyBand::Neutral ? ui::kMasteryNeutralFrame : ui::kMasteryBarFrame);
    if (band == AccuracyBand::Neutral)
        pen.setStyle(Qt::DotLine);
    p->setPen(pen);
    p->setBrush(Qt::NoBrush);
    p->drawRect(box.adjusted(0, 0, -1, -1));
    p->restore();
}

} // namespace

QColor bandColour(AccuracyBand band)
{
    switch (band) {
    case AccuracyBand::High: return ui::kMasteryHigh;
    case AccuracyBand::Middle: return ui::kMasteryMiddle;
    case AccuracyBand::Low: return ui::kMasteryLow;
    case AccuracyBand::Neutral: break;
    }
    return ui::kMasteryNeutral;
}

void MasteryDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const QVariant data = index.data(kCountersRole);
    if (!data.isValid()) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    // The cell's face over its whole width, the name beside the bar.
    QStyleOptionViewItem face = option;
    initStyleOption(&face, index);
    face.text.clear();
    const QStyle* style = face.widget ? face.widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &face, painter, face.widget);

    QStyleOptionViewItem text = option;
    text.rect.setRight(option.rect.right() - kBarWidth - 10);
    QStyledItemDelegate::paint(painter, text, index);

    const Mastery m = mastery(countersFrom(data));
    const QRect box(option.rect.right() - kBarWidth - 5, option.rect.center().y() - kBarHeight / 2, kBarWidth, kBarHeight);
    drawBar(painter, box, m.coverage, m.band);
}

MasteryLegend::MasteryLegend(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("m_legend"));
    setAccessibleName(QStringLiteral("掌握情况图例"));
    setAccessibleDescription(QStringLiteral("条的长度表示已做题数占题数的比例；颜色表示正确率："
                                            "绿色80%以上，橙色60%到80%，红色低于60%，灰色虚框表示尚未练习"));
    setToolTip(accessibleDescription());
}

QSize MasteryLegend::sizeHint() const
{
    return {600, QFontMetrics(font()).height() + 6};
}

void MasteryLegend::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QFontMetrics fm(font());
    const int h = MasteryDelegate::kBarHeight;
    const int y = (height() - h) / 2;
    int x = 2;
    const auto text = [&](const QString& t) {
        p.setPen(palette().color(QPalette::WindowText));
        p.drawText(QRect(x, 0, fm.horizontalAdvance(t) + 2, height()), Qt::AlignVCenter | Qt::AlignLeft, t);
        x += fm.horizontalAdvance(t) + 8;
    };
    const auto bar = [&](double share, AccuracyBand band, int w) {
        drawBar(&p, QRect(x, y, w, h), share, band);
        x += w + 4;
    };
    text(QStringLiteral("掌握情况："));
    bar(0.5, AccuracyBand::High, 30);
    text(QStringLiteral("条长＝已做题数/题数"));
    bar(1, AccuracyBand::High, 14);
    text(QStringLiteral("正确率≥80%"));
    bar(1, AccuracyBand::Middle, 14);
    text(QStringLiteral("60%～80%"));
    bar(1, AccuracyBand::Low, 14);
    text(QStringLiteral("<60%"));
    bar(0, AccuracyBand::Neutral, 14);
    text(QStringLiteral("未练习"));
}

} // namespace outline
