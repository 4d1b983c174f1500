#include "ui/PictureButton.h"
#include "ui/Screen.h"

#include "ui/Style.h"

#include <QEvent>
#include <QPainter>

namespace ui {

namespace {

QPixmap faded(const QPixmap& pm)
{
    if (pm.isNull())
        return pm;
    QImage img = pm.toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < img.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            const int g = qGray(line[x]);
            const int v = (g + 2 * 224) / 3; // grey, pulled towards light
            line[x] = qRgba(v, v, v, qAlpha(line[x]));
        }
    }
    return QPixmap::fromImage(img);
}

} // namespace

PictureButton::PictureButton(QWidget* parent)
    : PictureButton(QString(), parent)
{
}

PictureButton::PictureButton(const QString& caption, QWidget* parent)
    : HoverButton(parent)
{
    setText(caption);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_Hover);
}

bool PictureButton::loadPictures(const QString& upFile, const QString& downFile, const QString& disabledFile)
{
    const QPixmap up = loadPicture(upFile), down = loadPicture(downFile);
    QPixmap disabled;
    if (up.isNull() || down.isNull())
        return false;
    if (!disabledFile.isEmpty()) {
        disabled = loadPicture(disabledFile);
        if (disabled.isNull())
            return false;
    }
    setPictures(up, down, disabled);
    return true;
}

void PictureButton::setPictures(const QPixmap& up, const QPixmap& down, const QPixmap& disabled)
{
    m_up = up;
    m_down = down;
    m_disabled = disabled;
    updateGeometry();
    update();
}

void PictureButton::setUpPicture(const QPixmap& up)
{
    m_up = up;
    updateGeometry();
    update();
}

void PictureButton::setDownPicture(const QPixmap& down)
{
    m_down = down;
    update();
}

void PictureButton::setDisabledPicture(const QPixmap& disabled)
{
    m_disabled = disabled;
    update();
}

QPixmap PictureButton::currentPicture() const
{
    // A pressed button that cannot be used still shows that it is pressed (the
    // candidate's answer on a page that is read-only in review).
    if (!isEnabled())
        return !m_disabled.isNull() ? m_disabled : isChecked() && !m_down.isNull() ? faded(m_down) : faded(m_up);
    if ((isDown() || isChecked()) && !m_down.isNull())
        return m_down;
    return m_up;
}

QColor PictureButton::textColour() const
{
    return commandTextColour(isEnabled(), isHovered());
}

QSize PictureButton::sizeHint() const
{
    if (!m_up.isNull())
        return m_up.deviceIndependentSize().toSize();
    const QFontMetrics fm(font());
    return fm.size(Qt::TextShowMnemonic, text()) + QSize(12, 8);
}

void PictureButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QPixmap pm = currentPicture();
    if (!pm.isNull()) {
        p.setRenderHint(QPainter::SmoothPixmapTransform, pm.deviceIndependentSize().toSize() != size());
        p.drawPixmap(rect(), pm);
    }
    paintCaption(p, textColour(), 2);
}

} // namespace ui
