// The search window on a copy of the shipped demo bank, driven through its real
// controls: typing, the filters, the keys that open a question, the lazy list.
#include "gather/TFrmSearch.h"

#include "authoring/QuestionExport.h"
#include "common/Prompt.h"

#include "core/app/AppState.h"
#include "core/search/Search.h"
#include "core/search/SearchText.h"
#include "core/store/Clock.h"
#include "core/store/DataModule.h"
#include "core/store/Dataset.h"
#include "practice/TFrmLxxt.h"
#include "support/TempBank.h"
#include "support/WhenModal.h"
#include "ui/CommandButton.h"

#include <QAccessible>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <memory>

namespace {

class SearchWindowTest : public ::testing::Test {
protected:
    SearchWindowTest()
    {
        app::resetAppState();
        store::Clock::setFixed(QDateTime(QDate(2026, 11, 2), QTime(9, 30)));
        path = dir.file(QStringLiteral("ZT468913.db"));
        EXPECT_TRUE(QFile::copy(QStringLiteral(TESVORA_DEMO_BANK), path));
        EXPECT_TRUE(dm.openBank(path));
        dm.AppDir = QStringLiteral(TESVORA_APPDIR "/");
        DM1 = &dm;
    }
    ~SearchWindowTest() override
    {
        DM1 = nullptr;
        store::Clock::reset();
        app::resetAppState();
    }

    std::unique_ptr<gather::TFrmSearch> open()
    {
        auto w = std::make_unique<gather::TFrmSearch>();
        w->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(w.get()));
        return w;
    }

    // Types as a candidate does and waits for the pause after the last key.
    static void type(gather::TFrmSearch& w, const QString& text)
    {
        w.edText->setFocus();
        w.edText->selectAll();
        QTest::keyClick(w.edText, Qt::Key_Backspace);
        for (const QChar c : text) {
            if (c.unicode() < 0x80) {
                QTest::keyClick(w.edText, c.toLatin1());
            } else { // Chinese and full-width letters arrive from the input method
                QInputMethodEvent commit;
                commit.setCommitString(QString(c));
                QApplication::sendEvent(w.edText, &commit);
            }
        }
        EXPECT_TRUE(QTest::qWaitFor([&] { return !w.searchPending(); }, 2000));
    }

    // Picks an item of a filter box with the arrow keys, as the keyboard does.
    static void choose(QComboBox* box, const QVariant& data)
    {
        const int want = box->findData(data);
        ASSERT_GE(want, 0) << data.toString().toStdString();
        box->setFocus();
        while (box->currentIndex() != want)
            QTest::keyClick(box, box->currentIndex() < want ? Qt::Key_Down : Qt::Key_Up);
    }

    QStringList ids(const QList<search::Hit>& hits)
    {
        QStringList out;
        for (const search::Hit& h : hits)
            out << h.id;
        return out;
    }
    QString chapterOf(const QString& id)
    {
        return dm.db().scalar(QStringLiteral("select A10 from tab_answ where A1 = :a1"), {{":a1", id}}).toString();
    }
    int typeOf(const QString& id)
    {
        return dm.db().scalar(QStringLiteral("select A13 from tab_answ where A1 = :a1"), {{":a1", id}}).toInt();
    }

    TempDir dir;
    QString path;
    TDM1 dm;
};

TEST_F(SearchWindowTest, TypingFindsTheQuestionsAndTheCountAgreesWithTheSearch)
{
    auto w = open();
    EXPECT_EQ(w->edText->accessibleName(), QStringLiteral("搜索内容"));
    EXPECT_EQ(w->tvResults->accessibleName(), QStringLiteral("搜索结果"));
    EXPECT_EQ(QApplication::focusWidget(), w->edText) << "the candidate types at once";
    EXPECT_EQ(w->lblCount->text(), QStringLiteral("共 0 题"));
    EXPECT_FALSE(w->btnPractise->isEnabled());

    // One character, two, a phrase, Latin in another case and width, mixed, none.
    for (const QString& q : {QStringLiteral("程"), QStringLiteral("进程"), QStringLiteral("进程同步"), QStringLiteral("ｃｐｕ"),
                             QStringLiteral("TCP/IP"), QStringLiteral("不存在的词")}) {
        SCOPED_TRACE(q.toStdString());
        type(*w, q);
        const int expected = search::count(dm.db(), q);
        EXPECT_EQ(w->total(), expected);
        EXPECT_EQ(w->lblCount->text(), QStringLiteral("共 %1 题").arg(expected));
        EXPECT_EQ(w->lblCount->accessibleName(), w->lblCount->text()) << "a screen reader hears the new count";
        for (QWidget* where : {static_cast<QWidget*>(w->edText), static_cast<QWidget*>(w->tvResults)})
            EXPECT_EQ(QAccessible::queryAccessibleInterface(where)->text(QAccessible::Description), w->lblCount->text());
        EXPECT_EQ(w->shownIds(), ids(search::find(dm.db(), q, {}, 200)));
        EXPECT_EQ(w->btnPractise->isEnabled(), expected > 0);
        // Each row holds the match, marked where the excerpt says.
        QAbstractItemModel* m = w->tvResults->model();
        for (int r = 0; r < std::min(m->rowCount(), 30); ++r) {
            const QString excerpt = m->index(r, 2).data().toString();
            const int at = m->index(r, 2).data(Qt::UserRole).toInt();
            EXPECT_EQ(search::normalise(excerpt.mid(at, m->index(r, 2).data(Qt::UserRole + 1).toInt())), search::normalise(q)) << r;
            EXPECT_FALSE(m->index(r, 1).data().toString().isEmpty()) << "its chapter is named";
        }
    }
    EXPECT_EQ(w->total(), 0);
    EXPECT_FALSE(w->btnExport->isEnabled());

    // The field's clear empties the list at once.
    type(*w, QStringLiteral("进程"));
    ASSERT_GT(w->total(), 0);
    w->edText->clear();
    EXPECT_EQ(w->total(), 0);
    EXPECT_EQ(w->lblCount->text(), QStringLiteral("共 0 题"));
}

TEST_F(SearchWindowTest, FiltersNarrowTheResultsToTheirPartChapterAndType)
{
    auto w = open();
    const QString q = QStringLiteral("的");
    type(*w, q);
    const int all = w->total();
    ASSERT_GT(all, 0);

    struct Case {
        const char* part;
        const char* chapter;
        int type;
    };
    const Case cases[] = {{"02", "", 0}, {"02", "0201", 0}, {"", "", 11}, {"03", "", 14}, {"02", "0202", 11}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.part) + "/" + c.chapter + "/" + std::to_string(c.type));
        choose(w->cbPart, QString::fromLatin1(c.part));
        EXPECT_EQ(w->cbChapter->isEnabled(), *c.part != 0) << "chapters are chosen inside a part";
        choose(w->cbChapter, QString::fromLatin1(c.chapter));
        choose(w->cbType, c.type);
        for (QComboBox* box : {w->cbPart, w->cbChapter, w->cbType})
            EXPECT_EQ(QAccessible::queryAccessibleInterface(box)->text(QAccessible::Description), box->currentText())
                << "a screen reader says the choice with the box";
        const search::Filter f = w->filter();
        EXPECT_EQ(f.part, QString::fromLatin1(c.part));
        EXPECT_EQ(f.chapter, QString::fromLatin1(c.chapter));
        EXPECT_EQ(f.type, c.type);
        const int expected = search::count(dm.db(), q, f);
        EXPECT_EQ(w->total(), expected);
        EXPECT_GT(expected, 0);
        EXPECT_LT(expected, all);
        EXPECT_EQ(w->shownIds(), ids(search::find(dm.db(), q, f, 200)));
        for (const QString& id : w->shownIds()) {
            const QString chapter = chapterOf(id);
            EXPECT_TRUE(chapter.startsWith(QString::fromLatin1(*c.chapter ? c.chapter : c.part))) << id.toStdString();
            if (c.type)
                EXPECT_EQ(typeOf(id), c.type) << id.toStdString();
        }
    }
    // Only the chosen part's chapters are offered.
    choose(w->cbPart, QStringLiteral("03"));
    for (int i = 1; i < w->cbChapter->count(); ++i)
        EXPECT_TRUE(w->cbChapter->itemData(i).toString().startsWith(QStringLiteral("03")));
}

TEST_F(SearchWindowTest, EnterOpensTheQuestionOnThePracticeScreenAndPractiseAllTakesEveryResult)
{
    auto w = open();
    type(*w, QStringLiteral("进程"));
    ASSERT_GT(w->total(), 3);
    // While the candidate types, the list has no current row: a screen reader would
    // read a row (a focus change to it) instead of the letters typed.
    EXPECT_FALSE(w->tvResults->currentIndex().isValid());
    // Down leaves the field for the list, on the first result; Down again to the second.
    QTest::keyClick(w->edText, Qt::Key_Down);
    ASSERT_EQ(QApplication::focusWidget(), w->tvResults);
    EXPECT_TRUE(QTest::qWaitFor([&] { return w->tvResults->selectionModel()->isRowSelected(0, {}); }, 1000));
    EXPECT_EQ(w->tvResults->currentIndex().row(), 0);
    QTest::keyClick(w->tvResults, Qt::Key_Down);
    const QString second = w->shownIds().at(1);

    const auto practised = [](TFrmLxxt* s) {
        s->Timer1->stop();
        QStringList out;
        for (int i = 1; i <= DM1->Cn1Query_tm->recordCount(); ++i)
            if (DM1->Cn1Query_tm->moveTo(i))
                out << DM1->Cn1Query_tm->text(QStringLiteral("a1"));
        DM1->Cn1Query_tm->moveTo(1);
        return out;
    };
    QStringList shown;
    QString heading;
    {
        WhenModal<TFrmLxxt> drive([&](TFrmLxxt* s) {
            shown = practised(s);
            heading = s->epLabel2->text();
            s->close();
        });
        QTest::keyClick(w->tvResults, Qt::Key_Return);
        ASSERT_EQ(drive.seen(), 1);
    }
    EXPECT_EQ(shown, QStringList{second});
    EXPECT_EQ(heading, QStringLiteral("搜索 > 进程"));
    EXPECT_EQ(w->focusWidget(), w->tvResults) << "back on the list after the screen closed";

    {
        WhenModal<TFrmLxxt> drive([&](TFrmLxxt* s) {
            shown = practised(s);
            s->close();
        });
        QTest::mouseClick(w->btnPractise, Qt::LeftButton);
        ASSERT_EQ(drive.seen(), 1);
    }
    QStringList all = ids(search::find(dm.db(), QStringLiteral("进程"), {}, 0));
    std::sort(all.begin(), all.end());
    std::sort(shown.begin(), shown.end());
    EXPECT_EQ(shown, all) << "练习全部 practises every result, grouped as chapter practice is";
}

TEST_F(SearchWindowTest, AListOfManyResultsIsReadAsItScrolls)
{
    auto w = open();
    const QString q = QStringLiteral("的");
    type(*w, q);
    const int total = search::count(dm.db(), q);
    ASSERT_GT(total, 400) << "the demo bank has enough";
    EXPECT_EQ(w->total(), total);
    EXPECT_EQ(w->tvResults->model()->rowCount(), 200) << "the first page only";

    // Scrolling to the end reads the rest, page by page, in search order.
    QScrollBar* bar = w->tvResults->verticalScrollBar();
    for (int i = 0; i < 20 && w->tvResults->model()->rowCount() < total; ++i) {
        const int before = w->tvResults->model()->rowCount();
        QTest::qWait(20); // the list lays out its new rows
        bar->setValue(bar->maximum());
        EXPECT_GT(w->tvResults->model()->rowCount(), before);
    }
    EXPECT_EQ(w->tvResults->model()->rowCount(), total);
    EXPECT_TRUE(w->shownIds() == ids(search::find(dm.db(), q, {}, 0)));
}

} // namespace

namespace {

// 导出试题 takes every result, also those the list has not read yet.
TEST_F(SearchWindowTest, ExportWritesEveryResult)
{
    auto w = open();
    const QString q = QStringLiteral("的");
    type(*w, q);
    const int total = search::count(dm.db(), q);
    ASSERT_GT(total, w->tvResults->model()->rowCount()) << "more results than the list has read";
    QString count, suggested, written;
    WhenModal<authoring::TFrmExport> dialog([&](authoring::TFrmExport* d) {
        count = d->countLabel->text();
        suggested = QFileInfo(d->pathEdit->text()).completeBaseName();
        d->setFormat(exchange::Format::Csv);
        d->pathEdit->setText(dir.file(QStringLiteral("found.csv")));
        QTest::mouseClick(d->btnExport, Qt::LeftButton);
        written = d->writtenPath();
    });
    prompt::Script answers;
    QTest::mouseClick(w->btnExport, Qt::LeftButton);
    ASSERT_EQ(dialog.seen(), 1);
    EXPECT_EQ(count, QStringLiteral("共 %1 道试题").arg(total));
    EXPECT_EQ(suggested, QStringLiteral("搜索结果 - 的"));
    EXPECT_TRUE(QFile::exists(written));
}

} // namespace
