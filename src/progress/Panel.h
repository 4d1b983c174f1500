#pragma once

#include <QRect>

class QPainter;
class QWidget;

namespace progress {

// The face of the small borderless windows of this folder (exam settings, plan):
// the light panel with a darker band at the top and a frame, drawn instead of a
// background picture so it fits any window size.
void paintPanel(QPainter& p, const QRect& rect, int bandHeight);

} // namespace progress
