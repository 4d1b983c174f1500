#pragma once

#include <QRect>
#include <QSize>

#include <array>

// Sizes and rectangles of the generated pictures in pic/, shared by the picture
// generator (tools/art) and the screens that lay widgets over them, so both agree.
// Corners outside rounded faces are filled with the panel colour RGB(193,209,227).
namespace ui::art {

// Practice grid: question-number button faces.
inline constexpr QSize kGridFace{40, 32};
inline constexpr const char* kGridUp = "zeptup.bmp";        // not answered
inline constexpr const char* kGridDown = "zeptdw.bmp";      // not answered, pressed
inline constexpr const char* kGridRight = "zeptyes.bmp";    // answered right
inline constexpr const char* kGridWrong = "zeptno.bmp";     // answered wrong
inline constexpr const char* kGridRightDown = "zeptdw_r.bmp";
inline constexpr const char* kGridWrongDown = "zeptdw_w.bmp";
inline constexpr const char* kGridAnswered = "zeptover.bmp"; // exam: answered (right or wrong not told)

// Type-filter buttons.
inline constexpr QSize kTypeFace{80, 24};
inline constexpr const char* kTypeUp = "zepttxup.bmp";
inline constexpr const char* kTypeDown = "zepttxdw.bmp";

// Answer pages: round letter buttons A … F and the 对/错 buttons. Captions are drawn
// by the buttons, not baked into the faces.
inline constexpr QSize kOptionFace{40, 40};
inline constexpr const char* kOptionUp = "optup.bmp";
inline constexpr const char* kOptionDown = "optdw.bmp";
inline constexpr QSize kJudgeFace{64, 40};
inline constexpr const char* kJudgeUp = "judgeup.bmp";
inline constexpr const char* kJudgeDown = "judgedw.bmp";

// Chapter chooser backgrounds. The picture draws the title strip (with "科目名称"),
// a framed well behind the grid, the totals board (heading, four label/value wells)
// and six empty button faces; the screen lays the grid, the four labels and values
// and six transparent ui::CommandButtons (which draw their own captions) over them.
enum ChooserButton { NewQuestions, WrongQuestions, Review, QuestionEntry, Settings, Close, ChooserButtonCount };
inline constexpr std::array<const char*, ChooserButtonCount> kChooserCaptions{
    "练习新题", "错题重做", "习题重温", "试题录入", "设置", "关闭"};
inline constexpr std::array<const char*, 4> kBoardLabels{"总习题数", "已做题道次", "做错题道次", "综合成绩"};

struct ChooserLayout {
    const char* file;
    QSize picture;
    QSize window;
    QRect title;        // strip across the top
    QRect titleText;    // where "科目名称" is drawn
    QRect grid;         // the chapter grid
    QRect board;        // totals board panel
    QRect boardHeading; // "学习统计" heading inside the board
    std::array<QRect, 4> boardLabels; // 总习题数, 已做题道次, 做错题道次, 综合成绩
    std::array<QRect, 4> boardValues;
    std::array<QRect, ChooserButtonCount> buttons;
    int buttonFontPx;
};

// ScreenSizeTag "800": 760 × 480 picture in a 761 × 480 window.
inline constexpr ChooserLayout kChooserCompact{
    "kmmc800.bmp", {760, 480}, {761, 480},
    {0, 0, 760, 40}, {20, 6, 320, 28},
    {14, 52, 588, 362},
    {616, 52, 130, 362}, {616, 52, 130, 30},
    {{{626, 92, 110, 20}, {626, 172, 110, 20}, {626, 252, 110, 20}, {626, 332, 110, 20}}},
    {{{626, 114, 110, 32}, {626, 194, 110, 32}, {626, 274, 110, 32}, {626, 354, 110, 32}}},
    {{{14, 426, 132, 38}, {166, 426, 132, 38}, {318, 426, 132, 38}, {470, 426, 132, 38},
      {616, 426, 61, 38}, {685, 426, 61, 38}}},
    14};

// Every other screen size: 936 × 613.
inline constexpr ChooserLayout kChooserFull{
    "kmmc1024.bmp", {936, 613}, {936, 613},
    {0, 0, 936, 48}, {24, 8, 400, 32},
    {18, 64, 724, 470},
    {758, 64, 160, 470}, {758, 64, 160, 36},
    {{{772, 116, 132, 22}, {772, 220, 132, 22}, {772, 324, 132, 22}, {772, 428, 132, 22}}},
    {{{772, 142, 132, 38}, {772, 246, 132, 38}, {772, 350, 132, 38}, {772, 454, 132, 38}}},
    {{{18, 552, 166, 44}, {204, 552, 166, 44}, {390, 552, 166, 44}, {576, 552, 166, 44},
      {758, 552, 76, 44}, {842, 552, 76, 44}}},
    16};

inline constexpr const ChooserLayout& chooserLayout(bool compact)
{
    return compact ? kChooserCompact : kChooserFull;
}

} // namespace ui::art
