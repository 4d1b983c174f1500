#pragma once

#include "ui/HoverButton.h"

#include <QAbstractButton>
#include <QPixmap>

namespace ui {

// A button drawn from pictures: the up picture normally, the down picture while
// pressed or checked, the disabled picture (or a faded up picture) when disabled.
// Its caption is drawn over the picture in the command colours (black, blue under
// the mouse, grey when disabled). Assistive technology names it by its caption
// unless an accessible name is set.
class PictureButton : public HoverButton<QAbstractButton> {
    Q_OBJECT
public:
    explicit PictureButton(QWidget* parent = nullptr);
    explicit PictureButton(const QString& caption, QWidget* parent = nullptr);

    // Loads the pictures from files; false (and nothing changed) when the up or the
    // down picture cannot be read, or a disabled picture is named and cannot be read.
    bool loadPictures(const QString& upFile, const QString& downFile, const QString& disabledFile = QString());
    void setPictures(const QPixmap& up, const QPixmap& down, const QPixmap& disabled = QPixmap());
    void setUpPicture(const QPixmap& up);
    void setDownPicture(const QPixmap& down);
    void setDisabledPicture(const QPixmap& disabled);

    QPixmap upPicture() const { return m_up; }
    QPixmap downPicture() const { return m_down; }
    QPixmap disabledPicture() const { return m_disabled; }
    // The picture for the current state, as painted.
    QPixmap currentPicture() const;

    QColor textColour() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap m_up, m_down, m_disabled;
};

} // namespace ui
