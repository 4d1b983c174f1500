#pragma once

#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QStringList>

class QApplication;
class QLabel;
class QPainter;
class QRect;
class QWidget;

// The program's look in one place: the Song-style CJK face, the colours of every
// screen and window, and the prompt icons. Colours inside a document (a table's
// rules, a chosen text colour) belong to the document.
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
inline const QColor kTitleText{255, 255, 255};          // text on the title strip, dark boards and bars
inline const QColor kPaper{255, 255, 255};              // white pages: charts, lists of settings
inline const QColor kWindowEdge{81, 104, 138};          // edge of a borderless settings window
inline const QColor kBoardFace{30, 52, 88};             // dark totals board drawn without a picture
inline const QColor kBoardValue{120, 230, 255};         // figures on a dark totals board
inline const QColor kScoreBoardFace{20, 40, 70};        // the score list's counters
inline const QColor kScoreBoardValue{120, 230, 140};
inline const QColor kHintText{160, 0, 0};               // a hint under a list
inline const QColor kMatchFace{255, 222, 110};          // the found words in a search result

// A grid's column headings: a light gradient with grey rules.
inline const QColor kHeadingRule{170, 180, 194};
inline const QColor kHeadingTop{247, 249, 252};
inline const QColor kHeadingBottom{221, 229, 239};

// The note line under a list (an outline node's points).
inline const QColor kNoteText{0, 0, 128};
inline const QColor kNoteFace{236, 242, 250};
inline const QColor kNoteFrame{150, 170, 200};

// Mastery bars: green, amber, red by accuracy; grey and dotted where nothing was answered.
inline const QColor kMasteryHigh{46, 160, 67};
inline const QColor kMasteryMiddle{230, 160, 20};
inline const QColor kMasteryLow{210, 48, 48};
inline const QColor kMasteryNeutral{190, 190, 190};
inline const QColor kMasteryBarFrame{120, 134, 156};
inline const QColor kMasteryBarEmpty{255, 255, 255};
inline const QColor kMasteryNeutralFace{236, 236, 236};
inline const QColor kMasteryNeutralFrame{170, 170, 170};

// Cells of a gauge (the answer-time bar).
inline const QColor kGaugeTrough{24, 40, 56};
inline const QColor kGaugeUnlit{40, 64, 80};
inline const QColor kGaugeLit{64, 216, 96};
inline const QColor kGaugeWarning{232, 48, 40};

// Settings: the on/off switch, and the plan's days left (near in red, far in green).
inline const QColor kSwitchOn{63, 143, 58};
inline const QColor kSwitchOff{154, 166, 181};
inline const QColor kPlanNear{255, 0, 0};
inline const QColor kPlanFar{100, 203, 37};

// Bars of the charts: answered and wrong.
inline const QColor kChartAnswered{0, 160, 0};
inline const QColor kChartWrong{220, 0, 0};
inline const QColor kChartLabel{0, 0, 0};

// The gloss over the prompt's title strip: light at the top, a shade at the foot.
inline const QColor kGlossTop{255, 255, 255, 70};
inline const QColor kGlossMiddle{255, 255, 255, 10};
inline const QColor kGlossBottom{0, 0, 0, 30};

// The menu's commands: the frame and face under the mouse (deeper while pressed),
// and the dashed frame of the keyboard focus.
inline const QColor kMenuHoverEdge{0xe0, 0x8e, 0x1a};
inline const QColor kMenuHoverFace{0xff, 0xd3, 0x6b, 55};
inline const QColor kMenuPressedFace{0xff, 0xc8, 0x5a, 90};
inline const QColor kMenuFocusEdge{0x1a, 0x5f, 0xc8};
// A command's badge (a count at its top right corner), in the review tile's red.
inline const QColor kMenuBadgeFace{0xd9, 0x58, 0x7c};
inline const QColor kMenuBadgeText{0xff, 0xff, 0xff};

// The about window: its band, the accent line on it, the rule and the bank's path.
inline const QColor kAboutBandLeft{0x14, 0x2f, 0x55};
inline const QColor kAboutBandRight{0x2b, 0x8c, 0xa6};
inline const QColor kAboutAccent{0xff, 0xd3, 0x6b};
inline const QColor kAboutRule{0xd8, 0xe2, 0xee};
inline const QColor kAboutNote{0x4a, 0x5a, 0x70};

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

// A framed window of our own (the daily log, search, the gathered lists): its title
// band's height at either size; the band with the window's title and the thin
// border; the layout's margins under the band and spacing, and the text font of
// every child.
// A label of plain text in a note's colour, wrapping where asked.
QLabel* noteLabel(QWidget* parent, const char* objectName, const QColor& colour, bool wrap = true);

inline int frameBand(bool compact) { return compact ? 34 : 42; }
void paintWindowFrame(QPainter& p, const QWidget& window, int band);
void arrangeFramedLayout(QWidget& window, int band, bool compact);

// Text colour of a command caption: black, blue under the mouse, grey when disabled.
QColor commandTextColour(bool enabled, bool hovered);

// The face of a framed command button: a gradient from top to bottom and its frame.
struct ButtonFace {
    QColor top, bottom, frame;
};
ButtonFace buttonFace(bool enabled, bool down, bool hovered);

// Style sheet of a grid's column headings (kHeading*), with the section's padding in
// pixels; `bold` for headings that the sheet itself makes bold.
QString gridHeadingSheet(int padVertical, int padHorizontal, bool bold = false);

// The three prompt icons: page 0 information, 1 warning, 2 error. Painted, so the
// prompt never depends on picture files (it reports missing pictures itself).
QPixmap promptIcon(int page, int size = 32);

// Application-wide style, font and palette; called once at start-up.
void applyStyle(QApplication& app);

} // namespace ui
