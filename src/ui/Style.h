#pragma once

#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QStringList>

class QApplication;
class QPainter;
class QRect;
class QWidget;

// The program's look in one place: the Song-style CJK face, the colours the
// screens share, and the prompt icons.
namespace ui {

// Colours of the shared windows and controls.
inline const QColor kPromptBackground{152, 180, 209};   // prompt dialog face
inline const QColor kPanelBackground{193, 209, 227};    // progress window, settings, light panels
inline const QColor kTitleStripDark{44, 78, 128};       // title strip, left end
inline const QColor kTitleStripLight{96, 134, 184};     // title strip, right end
inline const QColor kProgressText{128, 0, 0};           // maroon waiting text
inline const QColor kCommandText{0, 0, 0};              // enabled command text
inline const QColor kCommandHover{0, 0, 255};           // command text under the mouse
inline const QColor kCommandDisabled{128, 128, 128};    // disabled command text (and its hover)

// Font sizes, in pixels.
inline constexpr int kDefaultFontPx = 12;
inline constexpr int kPromptFontPx = 14;
inline constexpr int kProgressFontPx = 16;

// Family list standing in for 宋体: a CJK serif face first, CJK sans faces as fallbacks.
// Inline, so the picture generator can use it without the widget library.
inline QStringList songFamilies()
{
    return {QStringLiteral("Noto Serif CJK SC"), QStringLiteral("Source Han Serif SC"),
            QStringLiteral("AR PL UMing CN"), QStringLiteral("Noto Sans CJK SC"),
            QStringLiteral("WenQuanYi Zen Hei"), QStringLiteral("Droid Sans Fallback")};
}
QFont songFont(int pixelSize = kDefaultFontPx, bool bold = false);

// Fills `window` with the light panel colour (kPanelBackground) behind its controls.
void usePanelBackground(QWidget* window);

// A screen's heading strip: the title strip's gradient behind white text. `strip` is
// a label, or a plain widget whose labels turn white.
void styleHeadingStrip(QWidget* strip);

// The title strip's gradient across `band`, with `title` in white `indent` pixels in.
void paintTitleBand(QPainter& p, const QRect& band, const QString& title = {}, int titlePx = 0, int indent = 0);

// Text colour of a command caption: black, blue under the mouse, grey when disabled.
QColor commandTextColour(bool enabled, bool hovered);

// The three prompt icons: page 0 information, 1 warning, 2 error. Painted, so the
// prompt never depends on picture files (it reports missing pictures itself).
QPixmap promptIcon(int page, int size = 32);

// Application-wide style, font and palette; called once at start-up.
void applyStyle(QApplication& app);

} // namespace ui
