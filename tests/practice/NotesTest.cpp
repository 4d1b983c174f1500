#include "question/TFrmBj.h"
#include "question/TFrmJx.h"
#include "core/app/AppState.h"
#include "common/Prompt.h"
#include "core/store/DataModule.h"
#include "core/store/Dataset.h"
#include "core/store/RtfWriter.h"
#include "core/store/Schema.h"
#include "support/TempBank.h"
#include "ui/CommandButton.h"
#include "ui/RichTextView.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// A question set of two rows on a real bank, as the practice screen holds it.
class NotesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        app::resetAppState();
        const QString path = dir.file("bank.db");
        store::createBankSchema(*store::Connection::create(path, store::bankKey()));
        ASSERT_TRUE(dm.openBank(path));
        dm.db().exec("insert into tab_answ (A1,A2,A10,A13,A14) values ('q1','A','010101',11,null)");
        dm.db().exec("insert into tab_answ (A1,A2,A10,A13,A14) values ('q2','B','010101',11,'  记住：补码  ')");
        set = dm.Cn1Query_tm;
        set->setSql("select a1,a2,a10,a13,a14,e2 from tab_answ order by a1");
        set->open();
    }
    void TearDown() override { app::resetAppState(); }

    QVariant storedNote(const char* id)
    {
        return dm.db().scalar("select A14 from tab_answ where A1=:a1", {{":a1", QString::fromLatin1(id)}});
    }
    // Rejects every change to the question rows, as a locked or read-only bank would.
    void failWrites()
    {
        dm.db().exec("create trigger no_write before update on tab_answ begin select raise(abort, 'disk is full'); end");
    }

    TempDir dir;
    TDM1 dm;
    store::Dataset* set = nullptr;
};

TEST_F(NotesTest, TypedNoteIsPostedOnCloseAndFlagged)
{
    TFrmBj f;
    f.Label1->setText("lx");
    ASSERT_TRUE(f.bind(set, "A14"));
    EXPECT_EQ(set->state(), store::Dataset::State::Edit);
    f.show();
    EXPECT_EQ(f.windowTitle(), "笔记");
    EXPECT_EQ(f.size(), QSize(392, 353));
    EXPECT_FALSE(f.Label1->isVisible());
    EXPECT_EQ(f.DBMemo1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);

    QTest::keyClicks(f.DBMemo1, "stack: LIFO");
    QTest::mouseClick(f.findChild<QAbstractButton*>("Button1"), Qt::LeftButton);

    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(storedNote("q1"), QVariant("stack: LIFO"));
    EXPECT_EQ(set->state(), store::Dataset::State::Browse);
    EXPECT_EQ(set->text("A14"), "stack: LIFO");
    EXPECT_TRUE(app::NoteHasText);
}

TEST_F(NotesTest, EveryWayOfClosingPostsAndSetsTheFlagFromTheTrimmedText)
{
    struct Case {
        const char* name;
        int row;             // 1 q1 (no note), 2 q2 (a note)
        QString typed;       // replaces the text; null: left as it was
        std::function<void(TFrmBj&)> closeIt;
        QVariant stored;
        bool hasText;
    };
    const auto button = [](TFrmBj& f) { QTest::mouseClick(f.Button1, Qt::LeftButton); };
    const auto escape = [](TFrmBj& f) { QTest::keyClick(&f, Qt::Key_Escape); };
    const auto windowClose = [](TFrmBj& f) { f.close(); };
    const Case cases[] = {
        {"blanks are kept as typed", 1, "   \n\t ", button, "   \n\t ", false},
        {"ideographic blanks only", 1, "\u3000\u3000", escape, "\u3000\u3000", false},
        {"unchanged existing note", 2, QString(), windowClose, "  记住：补码  ", true},
        {"existing note cleared", 2, "", escape, "", false},
        {"no note, nothing typed", 1, QString(), button, QVariant(), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dm.db().exec("update tab_answ set A14=null where A1='q1'");
        dm.db().exec("update tab_answ set A14='  记住：补码  ' where A1='q2'");
        set->refresh();
        ASSERT_TRUE(set->moveTo(c.row));
        app::NoteHasText = !c.hasText; // must be overwritten
        TFrmBj f;
        ASSERT_TRUE(f.bind(set, "A14"));
        f.show();
        if (!c.typed.isNull())
            f.DBMemo1->setPlainText(c.typed);
        c.closeIt(f);
        EXPECT_FALSE(f.isVisible());
        EXPECT_EQ(storedNote(c.row == 1 ? "q1" : "q2"), c.stored);
        EXPECT_EQ(app::NoteHasText, c.hasText);
        EXPECT_EQ(set->state(), store::Dataset::State::Browse);
    }
}

TEST_F(NotesTest, AFailedPostKeepsTheWindowAndTheTypedText)
{
    prompt::Script script({1}); // back to the note
    TFrmBj f;
    ASSERT_TRUE(f.bind(set, "A14"));
    f.show();
    QTest::keyClicks(f.DBMemo1, "TCP");
    f.DBMemo1->insertPlainText("三次握手");
    failWrites();
    QTest::mouseClick(f.Button1, Qt::LeftButton);

    ASSERT_EQ(script.asked().size(), 1u);
    EXPECT_EQ(script.asked()[0].caption, "错误");
    EXPECT_TRUE(script.asked()[0].text.contains("笔记未能保存"));
    EXPECT_FALSE(script.asked()[0].text.contains("disk is full")) << "the engine's words are logged, not shown";
    EXPECT_TRUE(f.isVisible());
    EXPECT_EQ(f.DBMemo1->toPlainText(), "TCP三次握手");
    EXPECT_TRUE(storedNote("q1").isNull());

    // Once the bank takes writes again the same close saves the note.
    dm.db().exec("drop trigger no_write");
    QTest::mouseClick(f.Button1, Qt::LeftButton);
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(storedNote("q1"), QVariant("TCP三次握手"));
    EXPECT_TRUE(app::NoteHasText);
}

TEST_F(NotesTest, GivingUpAfterAFailedPostClosesWithTheRowUnchanged)
{
    ASSERT_TRUE(set->moveTo(2));
    prompt::Script script({2}); // give up the change
    TFrmBj f;
    ASSERT_TRUE(f.bind(set, "A14"));
    f.show();
    f.DBMemo1->setPlainText("new text");
    failWrites();
    f.close();
    EXPECT_EQ(script.asked().size(), 1u);
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(set->state(), store::Dataset::State::Browse);
    EXPECT_EQ(set->text("A14"), "  记住：补码  ");
    EXPECT_EQ(storedNote("q2"), QVariant("  记住：补码  "));
    EXPECT_TRUE(app::NoteHasText);
}

TEST_F(NotesTest, NothingToBindToIsRefusedAndAnUnusedEditorReleasesTheRow)
{
    TFrmBj f;
    set->close();
    EXPECT_FALSE(f.bind(set, "A14"));
    EXPECT_FALSE(f.bind(nullptr, "A14"));

    set->open();
    {
        TFrmBj unused;
        ASSERT_TRUE(unused.bind(set, "A14"));
        unused.DBMemo1->setPlainText("never shown");
    }
    EXPECT_EQ(set->state(), store::Dataset::State::Browse);
    EXPECT_TRUE(storedNote("q1").isNull());
}

// The analysis of the text row, as the practice screen hands it over.
class AnalysisTest : public NotesTest {
protected:
    void SetUp() override
    {
        NotesTest::SetUp();
        store::RtfWriter w;
        w.addText("栈是");
        w.addText("后进先出", {.bold = true});
        w.addText("的线性表。");
        w.endParagraph();
        rtf = w.toRtf();
        dm.db().exec("insert into tab_exer (A1,A15,jx) values ('q1','stem',:jx)", {{":jx", rtf}});
        dm.db().exec("insert into tab_exer (A1,A15,jx) values ('q2','stem',null)");
        nr = dm.cn1query_nr;
        nr->setSql("select * from tab_exer where A1=:a1");
        nr->setParam(":a1", "q1");
        nr->open();
    }
    QByteArray rtf;
    store::Dataset* nr = nullptr;
};

TEST_F(AnalysisTest, ShowsTheRowsAnalysisReadOnlyAndWritesNothing)
{
    TFrmJx f;
    ASSERT_TRUE(f.bind(nr, "jx"));
    f.show();
    EXPECT_EQ(f.windowTitle(), "解析");
    EXPECT_EQ(f.size(), QSize(596, 359));
    EXPECT_TRUE(f.Re->isReadOnly());
    EXPECT_EQ(f.Re->toPlainText().trimmed(), "栈是后进先出的线性表。");

    f.Re->setFocus();
    QTest::keyClicks(f.Re, "xyz");
    EXPECT_EQ(f.Re->toPlainText().trimmed(), "栈是后进先出的线性表。");
    QTest::mouseClick(f.findChild<QAbstractButton*>("Button1"), Qt::LeftButton);
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(dm.db().scalar("select jx from tab_exer where A1='q1'").toByteArray(), rtf);
    EXPECT_EQ(nr->state(), store::Dataset::State::Browse);
}

TEST_F(AnalysisTest, AFailedBindLeavesAnEmptyPane)
{
    struct Case {
        const char* name;
        std::function<store::Dataset*()> source;
        const char* column;
    };
    const Case cases[] = {
        {"unknown column", [this] { return nr; }, "nope"},
        {"closed dataset", [this] { nr->close(); return nr; }, "jx"},
        {"no dataset", [] { return static_cast<store::Dataset*>(nullptr); }, "jx"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        nr->open();
        TFrmJx f;
        f.Re->setRichText("left over");
        EXPECT_FALSE(f.bind(c.source(), c.column));
        f.show();
        EXPECT_TRUE(f.Re->toPlainText().isEmpty());
        f.close();
    }
    // A row without analysis shows an empty pane as well.
    nr->close();
    nr->setParam(":a1", "q2");
    nr->open();
    TFrmJx f;
    EXPECT_TRUE(f.bind(nr, "jx"));
    EXPECT_TRUE(f.Re->toPlainText().isEmpty());
}

} // namespace
