#pragma once

// The practice screen on a fixture bank of chosen questions.
#include "question/AnswerPages.h"
#include "practice/PracticeFixture.h"
#include "question/TfrmAnswFagui.h"
#include "question/TFrmBj.h"
#include "question/TFrmJx.h"
#include "practice/TFrmLxxt.h"

#include "common/Prompt.h"
#include "core/store/Dataset.h"
#include "ui/CommandButton.h"
#include "ui/Gauge.h"
#include "ui/PictureButton.h"
#include "ui/RichTextView.h"
#include "question/AnswerPanel.h"
#include "support/AccessibleAction.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QListWidget>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

using namespace practicetest;
using practice::AnswerMark;

namespace practicescreentest {

inline const QString kSelect = QStringLiteral("select %1 from tab_answ ").arg(QLatin1String(practice::kQuestionColumns));

inline practice::PracticeStatement statement(const QString& where, store::Params params = {})
{
    return {kSelect + where, std::move(params)};
}

class ScreenTest : public ::testing::Test {
public:
    ScreenTest() { DM1 = &bank.dm; }
    ~ScreenTest() override
    {
        screen.reset();
        DM1 = nullptr;
    }

    // Opens the screen on the questions in book order (or on the given condition and order).
    TFrmLxxt& open(const QString& where = QStringLiteral("where f1<>1"), const QString& order = QStringLiteral("order by a13,a10,xx,a1"))
    {
        bank.dm.CurrentChapterHeading = QStringLiteral("第一部分 > 第一章");
        screen = std::make_unique<TFrmLxxt>();
        EXPECT_EQ(screen->LoadQuestionSet(statement(where + QLatin1Char(' ') + order)), TFrmLxxt::Loaded::Questions);
        screen->show();
        // The timers are stepped by hand in these tests.
        screen->Timer1->stop();
        screen->KZTimeCounter1->stop();
        return *screen;
    }
    template <class T = QAbstractButton>
    T* child(const QString& name)
    {
        T* w = screen->findChild<T*>(name);
        EXPECT_NE(w, nullptr) << name.toStdString();
        return w;
    }
    void click(const QString& name)
    {
        auto* b = child<QAbstractButton>(name);
        ASSERT_TRUE(b->isEnabled()) << name.toStdString();
        QTest::mouseClick(b, Qt::LeftButton);
    }
    void clickOption(int page, QChar letter) { QTest::mouseClick(screen->Notebook1->option(page, letter.unicode() - u'A'), Qt::LeftButton); }
    QString shownId() { return bank.dm.Cn1Query_tm->text(QStringLiteral("a1")); }
    QString column(const QString& id, const QString& col)
    {
        const QVariant v = bank.value(QStringLiteral("select %1 from tab_answ where A1=:a1").arg(col), {{":a1", id}});
        return v.isNull() ? QStringLiteral("<null>") : v.toString();
    }
    void addNumbered(int n, int type = 11)
    {
        for (int i = 1; i <= n; ++i)
            bank.add({.id = QStringLiteral("q%1").arg(i, 2, 10, QLatin1Char('0')), .key = "A", .type = type, .xx = i});
    }

    ClockScope clock;
    FixtureBank bank;
    prompt::Script prompts{{}, 3};
    std::unique_ptr<TFrmLxxt> screen;
};

} // namespace practicescreentest
