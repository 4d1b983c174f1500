#include "common/Prompt.h"
#include "common/TFrmDlg.h"
#include "common/TFrmProgress.h"
#include "ui/CommandButton.h"

#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QScreen>
#include <QStackedWidget>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace {

struct ShownButton {
    int result;
    QString caption;
    bool operator==(const ShownButton&) const = default;
};

std::ostream& operator<<(std::ostream& os, const ShownButton& b)
{
    return os << b.result << ":" << b.caption.toStdString();
}

ui::CommandButton* buttonOf(TFrmDlg* dlg, int result)
{
    return result == 1 ? dlg->fcShapeBtn1 : result == 2 ? dlg->fcShapeBtn2 : dlg->fcShapeBtn3;
}

// The visible buttons as the candidate sees them: sorted by their x position.
std::vector<ShownButton> shownButtons(TFrmDlg* dlg)
{
    std::vector<std::pair<int, ShownButton>> byX;
    for (int r : {1, 2, 3}) {
        ui::CommandButton* b = buttonOf(dlg, r);
        if (b->isVisibleTo(dlg))
            byX.push_back({b->x(), {r, b->text()}});
    }
    std::sort(byX.begin(), byX.end(), [](auto& a, auto& b) { return a.first < b.first; });
    std::vector<ShownButton> out;
    for (auto& [x, b] : byX)
        out.push_back(b);
    return out;
}

// The tables below speak in the dialog's raw mode and page numbers, so modes
// outside the named ones can be tried too.
int showPrompt(const QString& caption, const QString& text, int mode, int page, const QString& variant = QString())
{
    const prompt::Variant v = variant == QLatin1String("Exam") ? prompt::Variant::Exam
                              : variant.isEmpty()              ? prompt::Variant::Plain
                                                               : prompt::Variant::No;
    return ShowPrompt(caption, text, static_cast<prompt::Mode>(mode), static_cast<prompt::Page>(page), v);
}

// Runs a real, modal prompt and lets `act` answer it once it is on screen.
int runPrompt(const QString& text, int mode, int page, const QString& variant, std::function<void(TFrmDlg*)> act)
{
    TFrmDlg* dlg = promptDialog();
    bool acted = false;
    QTimer::singleShot(0, [&] {
        EXPECT_TRUE(dlg->isVisible());
        acted = true;
        act(dlg);
    });
    const int result = showPrompt(QStringLiteral("提示"), text, mode, page, variant);
    EXPECT_TRUE(acted);
    EXPECT_FALSE(dlg->isVisible());
    return result;
}

} // namespace

struct ModeCase {
    int mode;
    const char* variant;
    int width; // the least width: a short text needs no more
    std::vector<ShownButton> buttons; // left to right
};

// The buttons shown sit centred in the dialog, whatever its width.
void expectButtonsCentred(TFrmDlg* dlg)
{
    int left = dlg->width(), right = 0;
    for (int r : {1, 2, 3})
        if (buttonOf(dlg, r)->isVisibleTo(dlg)) {
            left = std::min(left, buttonOf(dlg, r)->geometry().left());
            right = std::max(right, buttonOf(dlg, r)->geometry().right());
        }
    EXPECT_NEAR(left, dlg->width() - 1 - right, 1) << "left " << left << " right " << right << " of " << dlg->width();
}

class PromptModeTable : public ::testing::TestWithParam<ModeCase> {};

// Each mode/variant shows the right buttons, left to right, with the right captions,
// and a real click on each one returns its result.
TEST_P(PromptModeTable, ButtonsCaptionsWidthAndResults)
{
    const ModeCase& c = GetParam();
    const QString variant = QString::fromUtf8(c.variant);
    TFrmDlg* dlg = promptDialog();
    dlg->prepare(QStringLiteral("提示"), QStringLiteral("确认交卷吗？"), c.mode, 0, variant);
    EXPECT_EQ(dlg->width(), c.width);
    EXPECT_EQ(shownButtons(dlg), c.buttons);
    expectButtonsCentred(dlg);

    for (const ShownButton& b : c.buttons) {
        const int result = runPrompt(QStringLiteral("确认交卷吗？"), c.mode, 0, variant, [&](TFrmDlg* d) {
            QTest::mouseClick(buttonOf(d, b.result), Qt::LeftButton);
        });
        EXPECT_EQ(result, b.result) << "button " << b;
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, PromptModeTable,
    ::testing::Values(
        ModeCase{0, "NO", TFrmDlg::kMinWidth, {{1, "确定"}, {2, "取消"}}},
        ModeCase{0, "Exam", TFrmDlg::kMinWidth, {{1, "确定"}, {2, "作废"}}},
        ModeCase{1, "NO", TFrmDlg::kMinWidth, {{3, "确定"}}},
        ModeCase{1, "No", TFrmDlg::kMinWidth, {{3, "确定"}}},
        ModeCase{1, "Exam", TFrmDlg::kMinWidth, {{3, "取消"}}},
        ModeCase{2, "Exam", TFrmDlg::kMinWidth, {{1, "确定"}, {3, "取消"}, {2, "作废"}}},
        ModeCase{2, "NO", TFrmDlg::kMinWidth, {{1, "确定"}, {3, "确定"}, {2, "取消"}}},
        ModeCase{2, "", TFrmDlg::kMinWidth, {{1, "确定"}, {3, "确定"}, {2, "取消"}}},
        ModeCase{3, "", 200, {{1, "确定"}}},
        ModeCase{3, "Exam", 200, {{1, "确定"}}}));

TEST(Prompt, WidthIsRestoredAfterANarrowPromptAndOtherModesKeepTheButtons)
{
    prompt::Script script({1, 3, 1});
    TFrmDlg* dlg = promptDialog();

    showPrompt(QStringLiteral("提示"), QStringLiteral("请选择具体章节!"), 3, 1);
    EXPECT_EQ(dlg->width(), 200);
    showPrompt(QStringLiteral("提示"), QStringLiteral("到时间了"), 1, 1, QStringLiteral("NO"));
    EXPECT_EQ(dlg->width(), TFrmDlg::kMinWidth);
    EXPECT_EQ(shownButtons(dlg), (std::vector<ShownButton>{{3, "确定"}}));

    // A mode outside 0 … 3 keeps the previous buttons but is no longer narrow.
    showPrompt(QStringLiteral("提示"), QStringLiteral("请选择具体章节!"), 3, 1);
    EXPECT_EQ(showPrompt(QStringLiteral("提示"), QStringLiteral("x"), 7, 1), 1);
    EXPECT_EQ(dlg->width(), TFrmDlg::kMinWidth);
    EXPECT_EQ(shownButtons(dlg), (std::vector<ShownButton>{{1, "确定"}}));
}

TEST(Prompt, CaptionTextAndIconPage)
{
    prompt::Script script;
    TFrmDlg* dlg = promptDialog();
    for (int page : {2, 0, 1}) {
        const QString caption = page == 2 ? QStringLiteral("错误") : QStringLiteral("提示");
        showPrompt(caption, QStringLiteral("无法打开试题！"), 1, page, QStringLiteral("NO"));
        EXPECT_EQ(dlg->epNoteBook1->currentIndex(), page);
        EXPECT_EQ(dlg->windowTitle(), caption);
        EXPECT_EQ(dlg->Label1->text(), caption);
        EXPECT_EQ(dlg->fcLabel1->text(), QStringLiteral("无法打开试题！"));
    }
    // An unknown page leaves the icon as it was.
    showPrompt(QStringLiteral("提示"), QStringLiteral("x"), 1, 9);
    EXPECT_EQ(dlg->epNoteBook1->currentIndex(), 1);
}

// Orca reads an alert's text as it opens; a plain dialog gave only "提示 dialog, 确定 push button".
TEST(Prompt, ScreenReaderGetsAnAlertWithTheQuestion)
{
    prompt::Script script;
    TFrmDlg* dlg = promptDialog();
    showPrompt(QStringLiteral("提示"), QStringLiteral("你还有119道题未做，确定要交卷吗？"), 2, 0, QStringLiteral("Exam"));
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(dlg);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->role(), QAccessible::AlertMessage);
    EXPECT_EQ(a->text(QAccessible::Name), QStringLiteral("提示"));
    // The text is read from the alert's label, once: it is not repeated as a description.
    EXPECT_TRUE(a->text(QAccessible::Description).isEmpty());
    // The next prompt says its own text, not the last one's.
    showPrompt(QStringLiteral("错误"), QStringLiteral("保存设置失败！"), 1, 2, QStringLiteral("NO"));
    EXPECT_EQ(a->text(QAccessible::Name), QStringLiteral("错误"));
    QStringList labels;
    for (int i = 0; i < a->childCount(); ++i)
        if (a->child(i)->role() == QAccessible::StaticText)
            labels << a->child(i)->text(QAccessible::Name);
    EXPECT_TRUE(labels.contains(QStringLiteral("保存设置失败！"))) << labels.join(u'|').toStdString();
}

TEST(Prompt, ScriptRecordsEveryCallAndAnswersInOrder)
{
    prompt::Script script({1, 3}, 0);
    EXPECT_EQ(showPrompt(QStringLiteral("提示"), QStringLiteral("确认交卷吗？"), 2, 0, QStringLiteral("Exam")), 1);
    EXPECT_EQ(showPrompt(QStringLiteral("提示"), QStringLiteral("确认交卷吗？"), 2, 0, QStringLiteral("Exam")), 3);
    // Answers used up: the fallback 0 names no button, so the prompt is dismissed,
    // which picks its 取消 button (3: continue the exam, never void the paper).
    EXPECT_EQ(showPrompt(QStringLiteral("提示"), QStringLiteral("确认交卷吗？"), 2, 0, QStringLiteral("Exam")), 3);
    EXPECT_EQ(showPrompt(QStringLiteral("错误"), QStringLiteral("无法打开试题！"), 1, 2, QStringLiteral("NO")), 3);
    EXPECT_FALSE(promptDialog()->isVisible());

    ASSERT_EQ(script.asked().size(), 4u);
    const prompt::Asked& last = script.asked().back();
    EXPECT_EQ(last.kind, prompt::Asked::Kind::Prompt);
    EXPECT_EQ(last.caption, QStringLiteral("错误"));
    EXPECT_EQ(last.text, QStringLiteral("无法打开试题！"));
    EXPECT_EQ(last.mode, 1);
    EXPECT_EQ(last.page, 2);
    EXPECT_EQ(last.variant, QStringLiteral("NO"));
    EXPECT_EQ(script.texts().first(), QStringLiteral("确认交卷吗？"));
}

TEST(Prompt, ScriptedAnswerForAHiddenButtonCountsAsDismissed)
{
    prompt::Script script({2, 2});
    // Mode 1 shows only button 3.
    EXPECT_EQ(showPrompt(QStringLiteral("提示"), QStringLiteral("到时间了"), 1, 1, QStringLiteral("NO")), 3);
    // Mode 0 shows 1 and 2: 2 is a real answer there.
    EXPECT_EQ(showPrompt(QStringLiteral("提示"), QStringLiteral("x"), 0, 1, QStringLiteral("NO")), 2);
}

TEST(Prompt, ScriptsNestAndRestoreThePreviousOne)
{
    EXPECT_EQ(prompt::activeScript(), nullptr);
    {
        prompt::Script outer({1});
        {
            prompt::Script inner({3});
            EXPECT_EQ(prompt::activeScript(), &inner);
            showPrompt(QStringLiteral("提示"), QStringLiteral("inner"), 1, 1);
            EXPECT_EQ(inner.asked().size(), 1u);
        }
        EXPECT_EQ(prompt::activeScript(), &outer);
        EXPECT_TRUE(outer.asked().empty());
    }
    EXPECT_EQ(prompt::activeScript(), nullptr);
}

TEST(Prompt, MessageBoxGoesThroughTheSameSeam)
{
    using prompt::Buttons;
    using prompt::Icon;
    prompt::Script script({prompt::Ok, prompt::Cancel, 0, prompt::Cancel});
    EXPECT_EQ(prompt::messageBox(Icon::Question, QStringLiteral("提示"), QStringLiteral("还未完成今日学习计划，要退出吗？"), Buttons::OkCancel), prompt::Ok);
    EXPECT_EQ(prompt::messageBox(Icon::Question, QStringLiteral("提示"), QStringLiteral("还未完成今日学习计划，要退出吗？"), Buttons::OkCancel), prompt::Cancel);
    // No answer given: an OK/Cancel box is cancelled, the safe choice.
    EXPECT_EQ(prompt::messageBox(Icon::Question, QStringLiteral("提示"), QStringLiteral("q"), Buttons::OkCancel), prompt::Cancel);
    // A one-button box can only be answered with OK.
    EXPECT_EQ(prompt::messageBox(Icon::Error, QStringLiteral("错误"), QStringLiteral("无法连接数据库！")), prompt::Ok);

    ASSERT_EQ(script.asked().size(), 4u);
    const prompt::Asked& a = script.asked().back();
    EXPECT_EQ(a.kind, prompt::Asked::Kind::MessageBox);
    EXPECT_EQ(a.caption, QStringLiteral("错误"));
    EXPECT_EQ(a.page, static_cast<int>(Icon::Error));
    EXPECT_EQ(a.mode, static_cast<int>(Buttons::Ok));
}

// Escape (or closing the borderless dialog another way) never picks a dangerous
// button: it answers like 取消 when there is one, else like the only button.
TEST(Prompt, EscapeAnswersLikeCancelOrTheOnlyButton)
{
    struct Case { int mode; const char* variant; int expected; };
    const Case cases[] = {{0, "NO", 2}, {1, "NO", 3}, {2, "Exam", 3}, {2, "NO", 2}, {3, "", 1}};
    for (const Case& c : cases) {
        const int result = runPrompt(QStringLiteral("x"), c.mode, 1, QString::fromUtf8(c.variant), [](TFrmDlg* d) {
            QTest::keyClick(d, Qt::Key_Escape);
        });
        EXPECT_EQ(result, c.expected) << "mode " << c.mode << " " << c.variant;
    }
}

TEST(Prompt, EnterPressesTheLeftmostButtonAndTabReachesTheOthers)
{
    EXPECT_EQ(runPrompt(QStringLiteral("确认交卷吗？"), 2, 0, QStringLiteral("Exam"), [](TFrmDlg* d) {
                  QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : d, Qt::Key_Return);
              }), 1);
    EXPECT_EQ(runPrompt(QStringLiteral("确认交卷吗？"), 2, 0, QStringLiteral("Exam"), [](TFrmDlg* d) {
                  QTest::keyClick(d, Qt::Key_Tab);
                  EXPECT_EQ(QApplication::focusWidget(), d->fcShapeBtn3);
                  QTest::keyClick(d->fcShapeBtn3, Qt::Key_Space);
              }), 3);
}

TEST(Prompt, ShowsTheNormalPointerEvenWhileTheHourglassIsOn)
{
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    Qt::CursorShape during = Qt::WaitCursor;
    runPrompt(QStringLiteral("无法提取资源文件！"), 1, 2, QStringLiteral("NO"), [&](TFrmDlg* d) {
        during = QGuiApplication::overrideCursor()->shape();
        QTest::keyClick(d, Qt::Key_Escape);
    });
    EXPECT_EQ(during, Qt::ArrowCursor);
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    QGuiApplication::restoreOverrideCursor();
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

// A long message wraps and the dialog grows, so nothing is cut off or hidden under the buttons.
// Captioned prompts are as wide as their text needs, within the screen, not the
// whole design width, and their buttons are centred.
TEST(Prompt, WidthFollowsTheTextWithinTheScreen)
{
    prompt::Script script;
    TFrmDlg* dlg = promptDialog();
    const struct {
        const char* caption;
        const char* text;
        int mode;
    } cases[] = {
        {"提示", "请先做出答案！", 1},
        {"错误", "答案未能保存，请重新作答！", 1},
        {"提示", "即将删除试卷，要继续么？", 0},
        {"提示", "成绩低于 60 分，关闭后本试卷不被保留。\n第二行", 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        showPrompt(QString::fromUtf8(c.caption), QString::fromUtf8(c.text), c.mode, 0, QStringLiteral("NO"));
        const QRect text = dlg->fcLabel1->geometry();
        EXPECT_LT(dlg->width(), 500);
        EXPECT_LE(text.right(), dlg->width());
        EXPECT_EQ(text.height(), std::max(dlg->fcLabel1->heightForWidth(text.width()), dlg->fcLabel1->fontMetrics().height()));
        const int lines = QString::fromUtf8(c.text).count(QLatin1Char('\n')) + 1;
        EXPECT_LE(text.height(), lines * dlg->fcLabel1->fontMetrics().lineSpacing() + 2) << "no wrapping of a short text";
        expectButtonsCentred(dlg);
    }
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        EXPECT_LE(dlg->width(), screen->availableGeometry().width());
}

TEST(Prompt, LongTextWrapsAndPushesTheButtonsDown)
{
    prompt::Script script;
    TFrmDlg* dlg = promptDialog();
    showPrompt(QStringLiteral("提示"), QStringLiteral("短"), 1, 1, QStringLiteral("NO"));
    EXPECT_EQ(dlg->height(), TFrmDlg::kDesignHeight);
    EXPECT_EQ(dlg->fcShapeBtn3->y(), 80);

    const QString longText = QString(QStringLiteral("本题已被您作废！")).repeated(20);
    showPrompt(QStringLiteral("提示"), longText, 1, 1, QStringLiteral("NO"));
    const QRect text = dlg->fcLabel1->geometry();
    EXPECT_GE(text.height(), dlg->fcLabel1->heightForWidth(text.width()));
    EXPECT_LE(text.right(), dlg->width());
    EXPECT_GT(dlg->fcShapeBtn3->y(), text.bottom());
    EXPECT_LE(dlg->fcShapeBtn3->geometry().bottom(), dlg->height());
    EXPECT_EQ(dlg->width(), std::min(TFrmDlg::kDesignWidth, QGuiApplication::primaryScreen()->availableGeometry().width() - 40))
        << "as wide as the design and the screen allow, then wrapped";
    expectButtonsCentred(dlg);

    showPrompt(QStringLiteral("提示"), QStringLiteral("短"), 1, 1, QStringLiteral("NO"));
    EXPECT_EQ(dlg->height(), TFrmDlg::kDesignHeight);
}

// The drawn look: background colour, dark title strip with white title, an icon.
TEST(Prompt, RendersInTheProgramsColours)
{
    prompt::Script script;
    TFrmDlg* dlg = promptDialog();
    showPrompt(QStringLiteral("提示"), QStringLiteral("恭喜完成今日学习计划！"), 0, 0, QStringLiteral("NO"));
    const QImage img = dlg->grab().toImage();
    if (const QByteArray dir = qgetenv("TESVORA_SHOT_DIR"); !dir.isEmpty()) {
        // Pictures to look at: every icon page and the button layouts.
        const QDir shots(QString::fromLocal8Bit(dir));
        img.save(shots.filePath(QStringLiteral("prompt.png")));
        struct Shot { const char* name; const char* caption; const char* text; int mode; int page; const char* variant; };
        const Shot more[] = {
            {"prompt-warning", "提示", "请选择具体章节目录！", 1, 1, "NO"},
            {"prompt-error", "错误", "无法提取资源文件！", 1, 2, "NO"},
            {"prompt-exam", "提示", "确认交卷吗？", 2, 0, "Exam"},
            {"prompt-narrow", "提示", "请选择具体章节!", 3, 1, ""},
            {"prompt-long", "提示", "本题已被您作废！本题已被您作废！本题已被您作废！本题已被您作废！本题已被您作废！本题已被您作废！本题已被您作废！", 1, 1, "NO"},
        };
        for (const Shot& s : more) {
            showPrompt(QString::fromUtf8(s.caption), QString::fromUtf8(s.text), s.mode, s.page, QString::fromUtf8(s.variant));
            dlg->grab().save(shots.filePath(QString::fromUtf8(s.name) + QStringLiteral(".png")));
        }
    }
    ASSERT_EQ(img.height(), 110);
    const QColor bottom = img.pixelColor(img.width() - 20, 105);
    EXPECT_NEAR(bottom.red(), 152, 6);
    EXPECT_NEAR(bottom.green(), 180, 6);
    EXPECT_NEAR(bottom.blue(), 209, 6);
    EXPECT_LT(img.pixelColor(3, 12).lightness(), 110); // title strip is dark
    // Some pixel of the title is white.
    bool white = false;
    for (int x = 6; x < 60 && !white; ++x)
        for (int y = 5; y < 22 && !white; ++y)
            white = img.pixelColor(x, y) == QColor(Qt::white);
    EXPECT_TRUE(white);
    // The information icon is blue.
    const QColor icon = img.pixelColor(8 + 6, 32 + 16);
    EXPECT_GT(icon.blue(), icon.red() + 40);
}

TEST(Progress, ShowTextHide)
{
    progress::show(QStringLiteral("正在初始化数据..."));
    TFrmProgress* w = progressWindow();
    EXPECT_TRUE(progress::isShown());
    EXPECT_EQ(w->size(), QSize(358, 63));
    EXPECT_EQ(w->cursor().shape(), Qt::WaitCursor);
    EXPECT_EQ(w->Label1->text(), QStringLiteral("正在初始化数据..."));
    EXPECT_TRUE(w->Label1->font().bold());
    EXPECT_EQ(w->Label1->font().pixelSize(), 16);

    progress::setText(QStringLiteral("正在判卷..."));
    EXPECT_EQ(progress::text(), QStringLiteral("正在判卷..."));
    const QImage img = w->grab().toImage();
    if (const QByteArray dir = qgetenv("TESVORA_SHOT_DIR"); !dir.isEmpty())
        img.save(QDir(QString::fromLocal8Bit(dir)).filePath(QStringLiteral("progress.png")));
    EXPECT_EQ(img.pixelColor(200, 10), QColor(193, 209, 227));
    bool maroon = false;
    for (int x = 16; x < 120 && !maroon; ++x)
        for (int y = 24; y < 46 && !maroon; ++y)
            maroon = img.pixelColor(x, y) == QColor(128, 0, 0);
    EXPECT_TRUE(maroon);

    progress::hide();
    EXPECT_FALSE(progress::isShown());
    // Usable again after hiding, and setText alone works on a hidden window.
    progress::setText(QStringLiteral("正在出卷..."));
    EXPECT_FALSE(progress::isShown());
    EXPECT_EQ(progress::text(), QStringLiteral("正在出卷..."));
}
