#include "progress/Panel.h"

#include "ui/Style.h"

#include <QLinearGradient>
#include <QPainter>

namespace progress {

void paintPanel(QPainter& p, const QRect& rect, int bandHeight)
{
    QLinearGradient face(rect.topLeft(), rect.bottomLeft());
    face.setColorAt(0, ui::kPanelBackground.lighter(108));
    face.setColorAt(1, ui::kPanelBackground);
    p.fillRect(rect, face);
    if (bandHeight > 0)
        ui::paintTitleBand(p, QRect(rect.left(), rect.top(), rect.width(), bandHeight));
    p.setPen(ui::kTitleStripDark);
    p.drawRect(rect.adjusted(0, 0, -1, -1));
}

} // namespace progress
