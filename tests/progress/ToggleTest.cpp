// Screens follow the state of their check boxes and radio buttons, not only
// clicks: a screen reader's or switch access's Toggle action, and setChecked,
// change the screen as a click does.
#include "progress/ProgressFixture.h"
#include "progress/TFrmEset.h"
#include "progress/TFrmplan.h"
#include "progress/Tfrmchart.h"

#include "common/Prompt.h"
#include "support/AccessibleAction.h"
#include "ui/CommandButton.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QStackedWidget>
#include <functional>
#include <gtest/gtest.h>

namespace {

using namespace progresstest;

// How the state changes: the accessibility Toggle action, or in code.
enum class Way { AccessibleToggle, SetChecked };

void change(QAbstractButton* b, Way way, bool on)
{
    if (way == Way::SetChecked) {
        b->setChecked(on);
        return;
    }
    if (b->isChecked() != on)
        accessibleToggle(b);
}

class ToggleTest : public ::testing::Test {
protected:
    ToggleTest()
        : scope(bank)
    {
    }
    Bank bank;
    Scope scope;
    prompt::Script answers;
};

TEST_F(ToggleTest, ChartTypesLegendsAndStyleBoxes)
{
    bank.chapter(QStringLiteral("01"), QStringLiteral("甲"), 30, 10, 20, 5);
    struct Case {
        const char* what;
        std::function<QAbstractButton*(Tfrmchart&)> button;
        bool on;
        std::function<bool(Tfrmchart&)> shown;
    };
    const Case cases[] = {
        {"习题分布", [](Tfrmchart& f) { return f.typeButton(Tfrmchart::Distribution); }, true,
         [](Tfrmchart& f) { return f.shownPage() == progress::DistributionPage; }},
        {"进度统计", [](Tfrmchart& f) { return f.typeButton(Tfrmchart::Progress); }, true,
         [](Tfrmchart& f) { return f.shownPage() == progress::ProgressPage; }},
        {"图例下方", [](Tfrmchart& f) { return f.legendButton(Tfrmchart::Bottom); }, true,
         [](Tfrmchart& f) { return f.legends[size_t(f.shownPage())]->side() == Qt::AlignBottom; }},
        {"显示图例", [](Tfrmchart& f) { return f.CheckBox2; }, false,
         [](Tfrmchart& f) { return !f.legends[size_t(f.shownPage())]->isVisible() && !f.RadioGroup2->isEnabled(); }},
    };
    for (Way way : {Way::AccessibleToggle, Way::SetChecked})
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.what) + (way == Way::SetChecked ? " setChecked" : " Toggle"));
            Tfrmchart f;
            f.show();
            ASSERT_FALSE(c.shown(f));
            change(c.button(f), way, c.on);
            EXPECT_TRUE(c.shown(f));
        }
}

TEST_F(ToggleTest, ExamSettingsBoxesEnableTheDefaultButton)
{
    for (Way way : {Way::AccessibleToggle, Way::SetChecked}) {
        TFrmEset f;
        f.show();
        change(f.suiCheckBox1, way, true);
        change(f.suiCheckBox2, way, false);
        EXPECT_TRUE(f.suiButton1->isEnabled());
        change(f.suiCheckBox1, way, false);
        EXPECT_FALSE(f.suiButton1->isEnabled());
    }
}

TEST_F(ToggleTest, PlanKindEnablesItsAmount)
{
    for (Way way : {Way::AccessibleToggle, Way::SetChecked}) {
        TFrmplan f;
        f.show();
        f.SpeedButton1->click(); // 设定
        ASSERT_TRUE(f.planByAnswers->isChecked());
        change(f.planByMinutes, way, true);
        EXPECT_FALSE(f.suiNumberEdit1->isEnabled());
        EXPECT_TRUE(f.suiNumberEdit2->isEnabled());
        change(f.planByAnswers, way, true);
        EXPECT_TRUE(f.suiNumberEdit1->isEnabled());
        EXPECT_FALSE(f.suiNumberEdit2->isEnabled());
    }
}

} // namespace
