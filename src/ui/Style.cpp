#include "ui/Style.h"

#include <QApplication>
#include <QLabel>
#include <QLayout>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>
#include <QWidget>

namespace ui {

QFont songFont(int pixelSize, bool bold)
{
    QFont font;
    font.setFamilies(songFamilies());
    font.setStyleHint(QFont::Serif);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

void usePanelBackground(QWidget* window)
{
    QPalette face = window->palette();
    face.setColor(QPalette::Window, kPanelBackground);
    window->setPalette(face);
    window->setAutoFillBackground(true);
}

void styleHeadingStrip(QWidget* strip)
{
    strip->setObjectName(QStringLiteral("headStrip"));
    strip->setAttribute(Qt::WA_StyledBackground);
    strip->setStyleSheet(QStringLiteral("#headStrip { color: white; background: qlineargradient(x1:0, y1:0, x2:1, y2:0,"
                                        " stop:0 %1, stop:1 %2); }"
                                        "#headStrip QLabel { color: white; }")
                             .arg(kTitleStripDark.name(), kTitleStripLight.name()));
}

void paintTitleBand(QPainter& p, const QRect& band, const QString& title, int titlePx, int indent)
{
    QLinearGradient g(band.left(), 0, band.right(), 0);
    g.setColorAt(0, kTitleStripDark);
    g.setColorAt(1, kTitleStripLight);
    p.fillRect(band, g);
    if (title.isEmpty())
        return;
    p.save();
    p.setPen(Qt::white);
    p.setFont(songFont(titlePx, true));
    p.drawText(band.adjusted(indent, 0, -indent, 0), Qt::AlignVCenter | Qt::AlignLeft, title);
    p.restore();
}

QLabel* noteLabel(QWidget* parent, const char* objectName, const QColor& colour, bool wrap)
{
    auto* l = new QLabel(parent);
    l->setObjectName(QString::fromLatin1(objectName));
    l->setTextFormat(Qt::PlainText);
    l->setWordWrap(wrap);
    QPalette pal = l->palette();
    pal.setColor(QPalette::WindowText, colour);
    l->setPalette(pal);
    return l;
}

void paintWindowFrame(QPainter& p, const QWidget& window, int band)
{
    paintTitleBand(p, QRect(0, 0, window.width(), band), window.windowTitle(), band > 36 ? 20 : 17, 16);
    p.save();
    p.setPen(kTitleStripDark);
    p.setBrush(Qt::NoBrush);
    p.drawRect(window.rect().adjusted(0, 0, -1, -1));
    p.restore();
}

void arrangeFramedLayout(QWidget& window, int band, bool compact)
{
    const int margin = compact ? 10 : 14;
    window.layout()->setContentsMargins(margin, band + margin, margin, margin);
    window.layout()->setSpacing(compact ? 6 : 8);
    const QFont text = songFont(compact ? 13 : 14);
    for (QWidget* w : window.findChildren<QWidget*>())
        w->setFont(text);
}

QColor commandTextColour(bool enabled, bool hovered)
{
    if (!enabled)
        return kCommandDisabled;
    return hovered ? kCommandHover : kCommandText;
}

ButtonFace buttonFace(bool enabled, bool down, bool hovered)
{
    if (!enabled)
        return {{236, 238, 241}, {214, 218, 224}, {160, 166, 174}};
    const QColor frame = hovered ? QColor(40, 90, 170) : QColor(86, 112, 150);
    if (down)
        return {{178, 198, 222}, {212, 224, 238}, frame};
    return {{255, 255, 255}, hovered ? QColor(206, 224, 246) : QColor(216, 227, 240), frame};
}

QString gridHeadingSheet(int padVertical, int padHorizontal, bool bold)
{
    return QStringLiteral("QHeaderView::section { padding: %1px %2px; border: 0px; border-right: 1px solid %3;"
                          " border-bottom: 1px solid %3;%4"
                          " background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 %5, stop:1 %6); }")
        .arg(padVertical)
        .arg(padHorizontal)
        .arg(kHeadingRule.name(), bold ? QStringLiteral(" font-weight: bold;") : QString(), kHeadingTop.name(),
             kHeadingBottom.name());
}

namespace {

// A round or triangular badge with a soft highlight; the glyph is drawn with shapes so
// it looks the same whatever fonts are installed.
void paintBadge(QPainter& p, const QRectF& r, const QColor& light, const QColor& dark, bool triangle)
{
    QLinearGradient fill(r.topLeft(), r.bottomLeft());
    fill.setColorAt(0, light);
    fill.setColorAt(1, dark);
    QPainterPath shape;
    if (triangle) {
        const qreal inset = r.width() * 0.04;
        QPolygonF tri{QPointF(r.center().x(), r.top() + inset), QPointF(r.right() - inset, r.bottom() - inset),
                      QPointF(r.left() + inset, r.bottom() - inset)};
        shape.addPolygon(tri);
        shape.closeSubpath();
    } else {
        shape.addEllipse(r);
    }
    p.setPen(QPen(dark.darker(140), r.width() / 24.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(fill);
    p.drawPath(shape);
    // Gloss on the upper half.
    QRectF gloss = r.adjusted(r.width() * 0.18, r.height() * 0.08, -r.width() * 0.18, -r.height() * 0.55);
    if (triangle)
        gloss = QRectF(r.center().x() - r.width() * 0.12, r.top() + r.height() * 0.22, r.width() * 0.24, r.height() * 0.18);
    QLinearGradient shine(gloss.topLeft(), gloss.bottomLeft());
    shine.setColorAt(0, QColor(255, 255, 255, 150));
    shine.setColorAt(1, QColor(255, 255, 255, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(shine);
    p.drawEllipse(gloss);
}

} // namespace

QPixmap promptIcon(int page, int size)
{
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    const QRectF r(s * 0.04, s * 0.04, s * 0.92, s * 0.92);
    p.setPen(Qt::NoPen);
    switch (page) {
    case 1: { // warning: amber triangle with a dark exclamation mark
        paintBadge(p, r, QColor(255, 214, 92), QColor(232, 150, 20), true);
        p.setBrush(QColor(60, 40, 10));
        QPainterPath bar;
        bar.moveTo(s * 0.455, s * 0.36);
        bar.lineTo(s * 0.545, s * 0.36);
        bar.lineTo(s * 0.525, s * 0.70);
        bar.lineTo(s * 0.475, s * 0.70);
        bar.closeSubpath();
        p.drawPath(bar);
        p.drawEllipse(QPointF(s * 0.5, s * 0.80), s * 0.055, s * 0.055);
        break;
    }
    case 2: { // error: red disc with a white cross
        paintBadge(p, r, QColor(240, 96, 84), QColor(176, 28, 28), false);
        QPen cross(Qt::white, s * 0.13, Qt::SolidLine, Qt::RoundCap);
        p.setPen(cross);
        p.drawLine(QPointF(s * 0.34, s * 0.34), QPointF(s * 0.66, s * 0.66));
        p.drawLine(QPointF(s * 0.66, s * 0.34), QPointF(s * 0.34, s * 0.66));
        break;
    }
    default: { // information: blue disc with a white "i"
        paintBadge(p, r, QColor(110, 170, 232), QColor(30, 86, 168), false);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(s * 0.5, s * 0.27), s * 0.07, s * 0.07);
        p.drawRoundedRect(QRectF(s * 0.435, s * 0.40, s * 0.13, s * 0.38), s * 0.04, s * 0.04);
        break;
    }
    }
    return pm;
}

void applyStyle(QApplication& app)
{
    if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion")))
        app.setStyle(fusion);
    app.setFont(songFont(kDefaultFontPx));
    QPalette pal = app.style()->standardPalette();
    pal.setColor(QPalette::Highlight, QColor(60, 104, 160));
    pal.setColor(QPalette::HighlightedText, Qt::white);
    pal.setColor(QPalette::ToolTipBase, QColor(255, 252, 220));
    pal.setColor(QPalette::ToolTipText, Qt::black);
    pal.setColor(QPalette::Disabled, QPalette::ButtonText, kCommandDisabled);
    pal.setColor(QPalette::Disabled, QPalette::WindowText, kCommandDisabled);
    app.setPalette(pal);
}

} // namespace ui
