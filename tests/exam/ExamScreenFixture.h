#pragma once

// The exam screen on a fixture bank: a paper of chosen questions, a clock the test moves.
#include "exam/ExamFixture.h"
#include "support/WhenModal.h"
#include "support/AccessibleAction.h"
#include "core/exam/ExamRules.h"
#include "core/exam/PaperDraw.h"
#include "exam/PauseCover.h"
#include "exam/TFrmExam.h"
#include "practice/TFrmLxxt.h"

#include "question/AnswerPages.h"
#include "question/AnswerPanel.h"
#include "question/TFrmBj.h"
#include "common/Prompt.h"
#include "common/TFrmProgress.h"
#include "core/store/Dataset.h"
#include "core/store/Random.h"
#include "ui/CommandButton.h"
#include "ui/PictureButton.h"
#include "ui/RichTextView.h"

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QPlainTextEdit>
#include <QLineEdit>
#include <QSplitter>
#include <QStackedWidget>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <map>
#include <memory>


using namespace examtest;

namespace examscreentest {


const QDateTime kStart(practicetest::kDay1, QTime(9, 0));

class ExamScreen : public ::testing::Test {
public:
    ExamScreen()
    {
        DM1 = &bank.dm;
        app::setEndProgramHandler([this](int code) { ended = code; });
        store::Clock::setFixed(kStart);
        store::Random::seed(11);
        bank.type(1, 11, 80, 1, QStringLiteral("单选"));
        bank.type(1, 14, 40, 2, QStringLiteral("多选"));
    }
    ~ExamScreen() override
    {
        screen.reset();
        app::setEndProgramHandler({});
        DM1 = nullptr;
    }

    // n single-choice questions s001… (key A) and m multiple-choice m001… (key ABD),
    // spread over the parts mock 1 draws from, so that its paper takes every one
    // while there are no more than it asks for.
    void questions(int singles, int multis = 0)
    {
        store::Transaction t(bank.db());
        for (int i = 1; i <= singles; ++i)
            bank.add({.id = QStringLiteral("s%1").arg(i, 3, 10, QLatin1Char('0')), .key = "A", .type = 11, .chapter = chapterFor(11, i - 1)});
        for (int i = 1; i <= multis; ++i)
            bank.add({.id = QStringLiteral("m%1").arg(i, 3, 10, QLatin1Char('0')), .key = "ABD", .options = 5, .type = 14, .chapter = chapterFor(14, i - 1)});
        t.commit();
    }

    static QString chapterFor(int type, int i)
    {
        for (const exam::DrawEntry& e : exam::drawsOf(1, type)) {
            if (i < e.count)
                return (e.prefix + QStringLiteral("0101")).left(6);
            i -= e.count;
        }
        return QStringLiteral("030101");
    }

    // A new paper of mock 1 (every question drawn while there are few), on view, the clock stepped by hand.
    TFrmExam& start()
    {
        app::CurrentPaperNo = 1;
        const exam::NewPaper p = exam::createPaper(bank.dm, 1, practicetest::kDay1);
        table = p.table;
        screen = std::make_unique<TFrmExam>();
        EXPECT_TRUE(screen->InitPaper(p.table, p.title, exam::Mode::Answering, 0, QStringLiteral("0:00:00")));
        EXPECT_TRUE(screen->OpenPaper());
        screen->show();
        screen->KZTimeCounter1->stop();
        return *screen;
    }
    // Moves the clock on and lets the screen's clock tick once.
    void after(int seconds)
    {
        now = now.addSecs(seconds);
        store::Clock::setFixed(now);
        screen->KZTimeCounter1Timer();
    }
    void click(QAbstractButton* b)
    {
        ASSERT_TRUE(b->isEnabled()) << b->objectName().toStdString();
        // click(), not a synthesized mouse click: two synthesized clicks on the same
        // spot in quick succession read as a double click, which presses again.
        b->click();
    }
    void option(int page, char letter) { click(screen->Notebook1->option(page, letter - 'A')); }
    void key(int k) { QTest::keyClick(screen.get(), Qt::Key(k)); }
    QString paperAnswer(const QString& id)
    {
        return bank.value(QStringLiteral("select ifnull(E2_1,'<null>') from %1 where A1=:a1").arg(table), {{":a1", id}}).toString();
    }
    QString shownId() { return DM1->Cn1Query_exam->text(QStringLiteral("A1")); }
    bool paperExists() { return bank.db().hasTable(table) && bank.number(QStringLiteral("select count(*) from tab_cj where A1='%1'").arg(table)) == 1; }
    // Answers questions 1 … n on the single page with A (right) and moves on.
    void answerRight(int n)
    {
        for (int i = 1; i <= n; ++i) {
            screen->pressGridButton(i);
            option(practice::SinglePage, 'A');
        }
        screen->pressGridButton(n < screen->questionCount() ? n + 1 : 1);
    }

    ClockScope clock;
    ExamBank bank;
    QDateTime now = kStart;
    QString table;
    int ended = -1;
    std::unique_ptr<TFrmExam> screen;
};

} // namespace examscreentest
