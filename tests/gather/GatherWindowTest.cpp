// The wrong-question book and bookmarks screen on the shipped demo bank, with answers
// recorded first through the answer path, driven through its real controls.
#include "gather/TFrmGather.h"

#include "authoring/QuestionExport.h"
#include "core/exchange/Exchange.h"
#include "app/Dispatcher.h"
#include "app/MenuScreens.h"
#include "common/Prompt.h"
#include "core/app/AppState.h"
#include "core/exam/PaperExport.h"
#include "core/exchange/Zip.h"
#include "core/practice/ChooserRules.h"
#include "core/question/AnswerRules.h"
#include "core/search/Gather.h"
#include "core/store/Clock.h"
#include "core/store/DataModule.h"
#include "core/store/Dataset.h"
#include "exam/PaperDocument.h"
#include "practice/TFrmLxxt.h"
#include "question/AnswerPages.h"
#include "support/TempBank.h"
#include "support/WhenModal.h"
#include "ui/CommandButton.h"
#include "ui/PictureButton.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

const QDate kDay1(2026, 11, 2);
const QDate kDay2(2026, 11, 9);

// A copy of the demo bank with wrong answers recorded: three single-choice questions of
// chapter 0201 and one multiple-choice of 0202 (part 02), two of part 03.
class GatherWindowTest : public ::testing::Test {
protected:
    GatherWindowTest()
    {
        app::resetAppState();
        setDay(kDay1);
        path = dir.file(QStringLiteral("ZT468913.db"));
        EXPECT_TRUE(QFile::copy(QStringLiteral(TESVORA_DEMO_BANK), path));
        EXPECT_TRUE(dm.openBank(path));
        dm.AppDir = QStringLiteral(TESVORA_APPDIR "/");
        DM1 = &dm;
        single0201 = pick(QStringLiteral("0201"), 11, 3);
        multi0202 = pick(QStringLiteral("0202"), 14, 1);
        part03 = pick(QStringLiteral("03"), 11, 2);
        for (const QString& id : single0201 + multi0202 + part03)
            answer(id, false);
    }
    ~GatherWindowTest() override
    {
        exam::setSavePathChooser({});
        exam::setDocumentOpener({});
        DM1 = nullptr;
        store::Clock::reset();
        app::resetAppState();
    }

    static void setDay(const QDate& day) { store::Clock::setFixed(QDateTime(day, QTime(9, 30))); }

    QStringList pick(const QString& chapter, int type, int n)
    {
        QStringList ids;
        for (const auto& r : dm.db()
                                 .query(QStringLiteral("select A1 from tab_answ where A10 like :c || '%' and A13 = :t and F1 <> 1"
                                                       " and length(A1) = 12 order by A1 limit :n"),
                                        {{":c", chapter}, {":t", type}, {":n", n}})
                                 .values)
            ids << r[0].toString();
        EXPECT_EQ(ids.size(), n) << chapter.toStdString();
        return ids;
    }
    QString key(const QString& id) { return dm.db().scalar(QStringLiteral("select A2 from tab_answ where A1=:a1"), {{":a1", id}}).toString(); }
    // One answer through the answer path, as the practice screen records it.
    void answer(const QString& id, bool right)
    {
        const QString k = key(id);
        // Each answer as on a new practice screen, which forgets the open answers.
        dm.db().exec(QStringLiteral("update tab_answ set E2_1 = '' where A1 = :a1"), {{":a1", id}});
        store::Dataset* set = dm.Cn1Query_tm;
        set->close();
        set->setSql(QStringLiteral("select %1 from tab_answ where A1 = :a1").arg(QLatin1String(practice::kQuestionColumns)));
        set->setParam(QStringLiteral(":a1"), id);
        set->open();
        practice::recordAnswer(dm, *set, right ? k : (k == QLatin1String("A") ? QStringLiteral("B") : QStringLiteral("A")));
        set->close();
    }
    // Every row of the book's own tables, for "no counter changed".
    QString bookTables()
    {
        QString out;
        for (const QString& table : dm.db().tables()) {
            if (!table.startsWith(QLatin1String("tab_")))
                continue;
            out += table + QLatin1Char('\n');
            for (const auto& row : dm.db().query(QStringLiteral("select * from %1 order by rowid").arg(store::quoteIdentifier(table))).values) {
                for (const QVariant& v : row)
                    out += v.toString() + QLatin1Char('|');
                out += QLatin1Char('\n');
            }
        }
        return out;
    }
    std::unique_ptr<gather::TFrmGather> open(gather::TFrmGather::Mode mode)
    {
        auto screen = std::make_unique<gather::TFrmGather>(mode);
        screen->show();
        return screen;
    }
    static QStringList topLevelTexts(QTreeWidget* tree)
    {
        QStringList out;
        for (int i = 0; i < tree->topLevelItemCount(); ++i)
            out << tree->topLevelItem(i)->text(0);
        return out;
    }
    static void choose(QComboBox* box, const QVariant& data)
    {
        const int at = box->findData(data);
        ASSERT_GE(at, 0) << data.toString().toStdString();
        box->setCurrentIndex(at);
        emit box->activated(at);
    }

    TempDir dir;
    QString path;
    TDM1 dm;
    prompt::Script prompts{{}, 1};
    QStringList single0201, multi0202, part03;
};

TEST_F(GatherWindowTest, TheBookListsWrongQuestionsByPartAndChapterWithCountsFiltersAndSorts)
{
    auto screen = open(gather::TFrmGather::Mode::WrongBook);
    QStringList all = single0201 + multi0202 + part03;
    EXPECT_EQ(screen->shownIds(), all);
    EXPECT_EQ(screen->lblCount->text(), "共 6 题");
    EXPECT_EQ(screen->lblCount->accessibleName(), "共 6 题");
    EXPECT_TRUE(screen->lblEmpty->isHidden());
    QTreeWidget* tree = screen->tvList;
    ASSERT_EQ(tree->topLevelItemCount(), 2);
    EXPECT_EQ(topLevelTexts(tree), (QStringList{"第二部分 操作系统（4题）", "第三部分 数据结构与算法（2题）"}));
    QTreeWidgetItem* os = tree->topLevelItem(0);
    ASSERT_EQ(os->childCount(), 2);
    EXPECT_TRUE(os->child(0)->text(0).endsWith("（3题）"));
    EXPECT_TRUE(os->child(1)->text(0).endsWith("（1题）"));
    const QTreeWidgetItem* row = os->child(0)->child(0);
    EXPECT_EQ(row->text(0), single0201[0]);
    EXPECT_EQ(row->text(1), "单选");
    EXPECT_EQ(row->text(2), "1");
    EXPECT_EQ(row->text(3), "2026-11-02");
    EXPECT_FALSE(row->text(5).isEmpty());
    EXPECT_FALSE(row->text(5).contains('\n'));
    EXPECT_EQ(row->data(2, Qt::AccessibleTextRole).toString(), "错误1次");
    EXPECT_EQ(row->data(3, Qt::AccessibleTextRole).toString(), "最近作答2026-11-02");

    // Filters: a type, then an exam point, each offering only what the book holds.
    EXPECT_EQ(screen->cbType->count(), 3) << "全部题型, 单选, 多选";
    choose(screen->cbType, 14);
    EXPECT_EQ(screen->shownIds(), multi0202);
    EXPECT_EQ(screen->lblCount->text(), "共 1 题");
    EXPECT_EQ(screen->cbType->accessibleDescription(), "多选") << "a screen reader hears the choice";
    choose(screen->cbType, 0);
    const QString point = dm.db().scalar("select K3 from tab_answ where A1=:a1", {{":a1", part03[0]}}).toString();
    choose(screen->cbPoint, point);
    for (const QString& id : screen->shownIds())
        EXPECT_EQ(dm.db().scalar("select count(*) from tab_answ where A1=:a1 and :p in (K3,K4,K5,K6,K7,K8,K9,K10,K11,K12)",
                                 {{":a1", id}, {":p", point}}).toInt(), 1) << id.toStdString();
    EXPECT_TRUE(screen->shownIds().contains(part03[0]));
    choose(screen->cbPoint, QString());

    // Sorting works inside each chapter: one question wrong twice more, another answered later.
    setDay(kDay2);
    answer(single0201[2], false);
    answer(single0201[2], false);
    answer(single0201[1], false);
    screen->reload();
    EXPECT_EQ(screen->shownIds(), all) << "chapter order";
    choose(screen->cbSort, int(search::SortKey::WrongCount));
    EXPECT_EQ(screen->shownIds().mid(0, 3), (QStringList{single0201[2], single0201[1], single0201[0]}));
    EXPECT_EQ(tree->topLevelItem(0)->child(0)->child(0)->text(2), "3");
    choose(screen->cbSort, int(search::SortKey::LastAnswered));
    EXPECT_EQ(screen->shownIds().mid(0, 3), (QStringList{single0201[1], single0201[2], single0201[0]}));
    EXPECT_EQ(screen->shownIds().mid(3), (QStringList{multi0202 + part03}));
}

TEST_F(GatherWindowTest, PractisingAChapterRecordsAsRedoAndAMasteredQuestionLeavesTheBook)
{
    auto screen = open(gather::TFrmGather::Mode::WrongBook);
    const QString id = multi0202[0];
    const QString k = key(id);
    QString heading;
    QStringList practised;
    // Three right answers on three practice screens take a first-wrong question out.
    for (int round = 0; round < 3; ++round) {
        ASSERT_TRUE(screen->selectQuestion(id)) << round;
        WhenModal<TFrmLxxt> drive([&](TFrmLxxt* s) {
            s->Timer1->stop();
            heading = s->epLabel2->text();
            practised.clear();
            for (int i = 1; i <= DM1->Cn1Query_tm->recordCount(); ++i)
                if (DM1->Cn1Query_tm->moveTo(i))
                    practised << DM1->Cn1Query_tm->text(QStringLiteral("a1"));
            DM1->Cn1Query_tm->moveTo(1);
            for (const QChar letter : k)
                QTest::mouseClick(s->Notebook1->option(practice::MultiPage, letter.unicode() - u'A'), Qt::LeftButton);
            QTest::mouseClick(s->epEfTrBtn3, Qt::LeftButton);
            s->close();
        });
        QTest::mouseClick(screen->btnPractise, Qt::LeftButton);
        ASSERT_EQ(drive.seen(), 1) << round;
        EXPECT_EQ(practised, QStringList{id}) << "the question's chapter is the group practised";
        EXPECT_TRUE(heading.startsWith("错题本 > 第二部分 操作系统 > ")) << heading.toStdString();
        // Until mastered it stays, and the list shows it after each screen.
        EXPECT_EQ(screen->shownIds().contains(id), round < 2) << round;
    }
    EXPECT_EQ(dm.db().scalar("select E4 from tab_answ where A1=:a1", {{":a1", id}}).toInt(), 0);
    EXPECT_EQ(dm.db().scalar("select group_concat(distinct source) from answer_log where A1=:a1 and right=1", {{":a1", id}}).toString(), "3");
    EXPECT_EQ(screen->lblCount->text(), "共 5 题");
    EXPECT_EQ(topLevelTexts(screen->tvList).value(0), "第二部分 操作系统（3题）");
}

TEST_F(GatherWindowTest, RemovingByHandAsksFirstAndChangesNoCounterOfTheBooksTables)
{
    auto screen = open(gather::TFrmGather::Mode::WrongBook);
    const QString before = bookTables();
    ASSERT_TRUE(screen->selectQuestion(part03[1]));

    prompts.clear();
    prompt::Script cancel({2});
    QTest::mouseClick(screen->btnRemove, Qt::LeftButton);
    ASSERT_EQ(cancel.asked().size(), 1u);
    EXPECT_EQ(cancel.asked()[0].text, "确定将选中的 1 道题移出错题本吗？");
    EXPECT_TRUE(screen->shownIds().contains(part03[1])) << "cancelled";

    prompt::Script confirm({1});
    screen->tvList->setFocus();
    QTest::keyClick(screen->tvList, Qt::Key_Delete);
    ASSERT_EQ(confirm.asked().size(), 1u);
    EXPECT_FALSE(screen->shownIds().contains(part03[1]));
    EXPECT_EQ(screen->lblCount->text(), "共 5 题");

    // A group's row stands for its questions.
    ASSERT_TRUE(screen->selectGroup("0201"));
    prompt::Script group({1});
    QTest::mouseClick(screen->btnRemove, Qt::LeftButton);
    EXPECT_EQ(group.asked().at(0).text, "确定将选中的 3 道题移出错题本吗？");
    EXPECT_EQ(screen->shownIds(), (QStringList{multi0202 + part03.mid(0, 1)}));
    EXPECT_EQ(bookTables(), before) << "removing changes none of the book's tables";
    EXPECT_EQ(search::wrongBook(dm.db()).size(), 2);

    // An empty book: nothing to practise, remove or write.
    for (const char* part : {"02", "03"}) {
        ASSERT_TRUE(screen->selectGroup(QString::fromLatin1(part)));
        prompt::Script all({1});
        QTest::mouseClick(screen->btnRemove, Qt::LeftButton);
    }
    EXPECT_EQ(screen->lblCount->text(), "共 0 题");
    EXPECT_EQ(screen->tvList->topLevelItemCount(), 0);
    // The empty list says how questions come into it, to the eye and to a screen reader.
    EXPECT_FALSE(screen->lblEmpty->isHidden());
    EXPECT_TRUE(screen->lblEmpty->text().startsWith("错题本里还没有题目。")) << screen->lblEmpty->text().toStdString();
    EXPECT_EQ(screen->tvList->accessibleDescription(), screen->lblEmpty->text().simplified());
    for (const QWidget* w : {static_cast<QWidget*>(screen->btnPractise), static_cast<QWidget*>(screen->btnRemove),
                             static_cast<QWidget*>(screen->btnExport), static_cast<QWidget*>(screen->btnExportQuestions)})
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
}

TEST_F(GatherWindowTest, BookmarksKeepTheirRemarkAndAreTakenAwayHere)
{
    for (const QString& id : {single0201[0], part03[0]})
        search::toggleBookmark(dm.db(), id);
    {
        auto screen = open(gather::TFrmGather::Mode::Bookmarks);
        EXPECT_EQ(screen->btnRemove->text(), "取消收藏");
        EXPECT_EQ(screen->shownIds(), (QStringList{single0201[0], part03[0]}));
        ASSERT_TRUE(screen->selectQuestion(part03[0]));
        ASSERT_TRUE(screen->edRemark->isEnabled());
        screen->edRemark->setFocus();
        screen->edRemark->insert(QStringLiteral("易错：栈与队列")); // as an input method commits it
        QTest::keyClick(screen->edRemark, Qt::Key_Return);
        EXPECT_EQ(screen->tvList->currentItem()->text(4), "易错：栈与队列");
        // A group row has no remark to edit.
        ASSERT_TRUE(screen->selectGroup("02"));
        EXPECT_FALSE(screen->edRemark->isEnabled());
    }
    EXPECT_EQ(search::bookmarks(dm.db()).value(1).remark, "易错：栈与队列");
    auto screen = open(gather::TFrmGather::Mode::Bookmarks);
    ASSERT_TRUE(screen->selectQuestion(part03[0]));
    EXPECT_EQ(screen->edRemark->text(), "易错：栈与队列") << "read back from the bank";

    ASSERT_TRUE(screen->selectQuestion(single0201[0]));
    prompt::Script confirm({1});
    QTest::mouseClick(screen->btnRemove, Qt::LeftButton);
    EXPECT_EQ(screen->shownIds(), QStringList{part03[0]});
    EXPECT_FALSE(search::isBookmarked(dm.db(), single0201[0]));
}

TEST_F(GatherWindowTest, GenerateDocumentWritesTheListedQuestionsWithAnswersAndAnalyses)
{
    auto screen = open(gather::TFrmGather::Mode::WrongBook);
    choose(screen->cbType, 11);
    const QString file = dir.file(QStringLiteral("错题本.docx"));
    QString proposed, opened;
    exam::setSavePathChooser([&](QWidget*, const QString& p) {
        proposed = p;
        return file;
    });
    exam::setDocumentOpener([&](const QString& p) { opened = p; });
    QTest::mouseClick(screen->btnExport, Qt::LeftButton);
    EXPECT_TRUE(proposed.endsWith("错题本.docx"));
    EXPECT_EQ(opened, file);

    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const exchange::ZipReader docx(f.readAll());
    ASSERT_TRUE(docx.isOpen());
    const QString xml = QString::fromUtf8(docx.read(QStringLiteral("word/document.xml"), 1 << 24).value_or(QByteArray()));
    EXPECT_TRUE(xml.contains("错题本"));
    EXPECT_TRUE(xml.contains("第二部分 操作系统 &gt; ") || xml.contains("第二部分 操作系统 > "));
    EXPECT_TRUE(xml.contains("答案："));
    EXPECT_TRUE(xml.contains("第5题")) << "five single-choice questions";
    EXPECT_FALSE(xml.contains("第6题")) << "the filtered-out multiple choice is not written";
    EXPECT_TRUE(xml.contains("试题答案：" + key(part03[1])));
    EXPECT_TRUE(xml.contains("试题解析："));
}

TEST_F(GatherWindowTest, AListsContentKeepsItsSectionsOrderAndLeavesOutIdsGoneFromTheBank)
{
    const exam::PaperContent content = exam::readQuestionListContent(
        dm.db(), "收藏夹", {{"甲", {part03[1], "000000000000"}}, {"乙", {single0201[0]}}, {"丙", {"gone"}}});
    EXPECT_EQ(content.questions, 2);
    QStringList texts;
    for (const exam::PaperPiece& p : content.pieces)
        if (p.kind == exam::PaperPiece::Kind::Text && !p.text.isEmpty())
            texts << p.text;
    EXPECT_EQ(texts.mid(0, 3), (QStringList{"收藏夹", "甲", "乙"}));
    EXPECT_FALSE(texts.contains("丙")) << "a section with nothing left has no heading";
    EXPECT_EQ(texts.indexOf("第1题") < texts.indexOf("第2题"), true);
    EXPECT_TRUE(texts.contains("试题答案：" + key(part03[1])));
}


TEST_F(GatherWindowTest, TheMenuWordsOpenTheScreenAtBothSizesEveryControlReachedAndNamed)
{
    search::toggleBookmark(dm.db(), part03[0]);
    shell::Dispatcher d(dm.AppDir);
    shell::installMenuScreens(d);
    const struct {
        const char* word;
        gather::TFrmGather::Mode mode;
    } words[] = {{"ctb", gather::TFrmGather::Mode::WrongBook}, {"scj", gather::TFrmGather::Mode::Bookmarks}};
    for (const char* size : {"800", "1024"}) {
        app::ScreenSizeTag = QString::fromLatin1(size);
        const QSize screen = app::ScreenSizeTag == QLatin1String("800") ? QSize(800, 600) : QSize(1024, 768);
        for (const auto& w : words) {
            SCOPED_TRACE(std::string(w.word) + " at " + size);
            int rows = -1;
            QStringList unreachable, unnamed;
            WhenModal<gather::TFrmGather> look([&](gather::TFrmGather* s) {
                EXPECT_EQ(s->mode(), w.mode);
                EXPECT_LE(s->width(), screen.width() - 20);
                EXPECT_LE(s->height(), screen.height() - 60);
                rows = int(s->shownIds().size());
                for (QWidget* c : s->findChildren<QWidget*>()) {
                    if (!c->isVisibleTo(s) || !(qobject_cast<QAbstractButton*>(c) || qobject_cast<QLineEdit*>(c)
                                                || qobject_cast<QComboBox*>(c) || qobject_cast<QTreeWidget*>(c)))
                        continue;
                    if (!(c->focusPolicy() & Qt::TabFocus))
                        unreachable << c->objectName();
                    if (c->accessibleName().isEmpty())
                        unnamed << c->objectName();
                }
                QTest::keyClick(s, Qt::Key_Escape);
            });
            EXPECT_TRUE(d.dispatch(QString::fromLatin1(w.word)));
            EXPECT_EQ(look.seen(), 1);
            EXPECT_EQ(rows, w.mode == gather::TFrmGather::Mode::WrongBook ? 6 : 1);
            EXPECT_EQ(unreachable.join(','), "");
            EXPECT_EQ(unnamed.join(','), "");
        }
    }
}


TEST_F(GatherWindowTest, ExportQuestionsWritesTheShownQuestionsAndTheBookOffersFlashCards)
{
    search::toggleBookmark(dm.db(), part03[0]);
    const struct {
        gather::TFrmGather::Mode mode;
        bool flashCards;
        QStringList ids;
    } cases[] = {{gather::TFrmGather::Mode::WrongBook, true, part03}, {gather::TFrmGather::Mode::Bookmarks, false, {part03[0]}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.mode));
        auto screen = open(c.mode);
        if (c.mode == gather::TFrmGather::Mode::WrongBook)
            choose(screen->cbPoint, dm.db().scalar("select K3 from tab_answ where A1=:a1", {{":a1", part03[0]}}).toString());
        const QStringList shown = screen->shownIds();
        bool offered = false;
        QString written;
        WhenModal<authoring::TFrmExport> dialog([&](authoring::TFrmExport* d) {
            offered = d->formatBox->findData(int(exchange::Format::FlashCards)) >= 0;
            EXPECT_EQ(d->countLabel->text(), QStringLiteral("共 %1 道试题").arg(shown.size()));
            d->setFormat(exchange::Format::Csv);
            d->pathEdit->setText(dir.file(QStringLiteral("out%1").arg(int(c.mode))));
            QTest::mouseClick(d->btnExport, Qt::LeftButton);
            written = d->writtenPath();
        });
        QTest::mouseClick(screen->btnExportQuestions, Qt::LeftButton);
        ASSERT_EQ(dialog.seen(), 1);
        EXPECT_EQ(offered, c.flashCards);
        const exchange::ReadResult back = exchange::readQuestionFile(written);
        ASSERT_TRUE(back.fileOk) << back.summary().toStdString();
        EXPECT_EQ(int(back.questions.size()), int(shown.size()));
        for (const QString& id : c.ids)
            EXPECT_TRUE(shown.contains(id)) << id.toStdString();
    }
}

} // namespace

