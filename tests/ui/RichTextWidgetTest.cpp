#include "core/store/Connection.h"
#include "core/store/Dataset.h"
#include "support/AccessibleAction.h"
#include "support/TempBank.h"
#include "ui/RichTextEdit.h"
#include "ui/RichTextFixture.h"
#include "ui/RichTextToolBar.h"
#include "ui/RichTextView.h"

#include <QAccessible>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>

#include <functional>
#include <gtest/gtest.h>

using namespace richtexttest;

namespace {

// ---------------------------------------------------------------------------
// The widgets.

TEST(RichTextView, ReadOnlyWrappingFocusableAndAccessible)
{
    ui::RichTextView view;
    view.setObjectName("Re1");
    view.resize(200, 80);
    view.show();
    view.setRichText(rtf(QByteArray(2000, 'w') + " \\'d6\\'d0"));
    EXPECT_TRUE(view.isReadOnly());
    EXPECT_TRUE(view.focusPolicy() & Qt::TabFocus);
    EXPECT_TRUE(view.textInteractionFlags() & Qt::TextSelectableByKeyboard);
    EXPECT_EQ(view.lineWrapMode(), QTextEdit::WidgetWidth);
    EXPECT_FALSE(view.horizontalScrollBar()->isVisible()) << "a long word wraps instead of scrolling";
    EXPECT_TRUE(view.verticalScrollBar()->isVisible());
    EXPECT_EQ(view.textCursor().position(), 0) << "opens at the top";

    QTest::keyClicks(&view, "typed");
    EXPECT_FALSE(view.toPlainText().contains("typed"));

    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(&view);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(a->textInterface(), nullptr);
    EXPECT_TRUE(a->textInterface()->text(0, a->textInterface()->characterCount()).endsWith(QString::fromUtf8("中")));
    EXPECT_TRUE(a->state().readOnly);
    EXPECT_TRUE(a->state().focusable);

    view.setRichText({});
    EXPECT_TRUE(view.document()->isEmpty());
}

// A bank with two questions, for the bound widgets.
struct BoundBank {
    TempDir dir;
    std::unique_ptr<store::Connection> conn;
    store::Dataset ds;

    BoundBank()
    {
        conn = store::Connection::create(dir.file("bank.db"), store::bankKey());
        conn->execScript("CREATE TABLE tab_exer (A1 TEXT PRIMARY KEY, A15 BLOB, jx BLOB);");
        conn->exec("INSERT INTO tab_exer VALUES ('q1', :a, :j), ('q2', :b, NULL)",
                   {{":a", rtf("\\'d2\\'bb")}, {":j", QByteArray("<p>jx one</p>")}, {":b", QByteArray("two")}});
        ds.setConnection(conn.get());
        ds.setSql("select * from tab_exer order by A1");
        ds.open();
    }
};

TEST(RichTextView, BoundViewFollowsTheCurrentRow)
{
    BoundBank bank;
    ui::RichTextView view;
    view.bind(&bank.ds, "A15");
    EXPECT_EQ(view.toPlainText(), QString::fromUtf8("一"));
    bank.ds.next();
    EXPECT_EQ(view.toPlainText(), "two");
    bank.ds.setValue("A15", QByteArray("edited"));
    EXPECT_EQ(view.toPlainText(), "edited") << "a change of the column itself shows";
    bank.ds.cancel();
    EXPECT_EQ(view.toPlainText(), "two");
    bank.ds.close();
    EXPECT_EQ(view.toPlainText(), "");
    view.bind(nullptr, {});
    bank.ds.open();
    EXPECT_EQ(view.toPlainText(), "") << "unbound";
}

TEST(RichTextEdit, BoundEditorKeepsTypingWhenAnotherColumnIsSet)
{
    BoundBank bank;
    ui::RichTextEdit stem, analysis;
    stem.bind(&bank.ds, "A15");
    analysis.bind(&bank.ds, "jx");
    EXPECT_EQ(analysis.toPlainText(), "jx one");
    analysis.moveCursor(QTextCursor::End);
    QTest::keyClicks(&analysis, " more");
    // Saving writes the stem first; the analysis typed so far must survive it.
    bank.ds.setValue("A15", stem.toPlainText());
    EXPECT_EQ(analysis.toPlainText(), "jx one more");
    bank.ds.setValue("jx", analysis.richText());
    bank.ds.post();
    EXPECT_EQ(ui::richTextToPlain(bank.conn->scalar("select jx from tab_exer where A1='q1'").toByteArray()).trimmed(), "jx one more");
    bank.ds.next();
    EXPECT_EQ(analysis.toPlainText(), "") << "a NULL analysis";
}

TEST(RichTextEdit, SavesHtmlAndTakesPastedPictures)
{
    ui::RichTextEdit edit;
    edit.setRichText(rtf("\\'d6\\'d0"));
    EXPECT_FALSE(edit.isReadOnly());
    EXPECT_FALSE(edit.document()->isUndoAvailable()) << "loading is not an edit";
    edit.moveCursor(QTextCursor::End);
    auto* mime = new QMimeData;
    mime->setImageData(tinyImage());
    QGuiApplication::clipboard()->setMimeData(mime);
    ASSERT_TRUE(edit.canPaste());
    edit.paste();
    QTest::keyClicks(&edit, "z");
    const QByteArray saved = edit.richText();
    EXPECT_TRUE(QString::fromUtf8(saved).contains(QString::fromUtf8("中")));

    QTextDocument doc;
    ui::loadRichText(&doc, saved);
    EXPECT_EQ(documentText(doc), QString::fromUtf8("中z"));
    const auto pictures = images(doc);
    ASSERT_EQ(pictures.size(), 1);
    EXPECT_EQ(resourceImage(doc, pictures[0].name()).size(), QSize(3, 2));
}

} // namespace

// The format buttons follow their state: a screen reader's Toggle formats the
// selection as a click does, and the buttons showing the format at the cursor
// change no text.
TEST(RichTextToolBar, FormatButtonsFollowTheirStateAndShowingTheCursorChangesNothing)
{
    struct Case {
        const char* what;
        QToolButton* ui::RichTextToolBar::*button;
        std::function<bool(const QTextCharFormat&)> on;
    };
    const Case cases[] = {
        {"粗体", &ui::RichTextToolBar::boldButton, [](const QTextCharFormat& f) { return f.fontWeight() >= QFont::Bold; }},
        {"斜体", &ui::RichTextToolBar::italicButton, [](const QTextCharFormat& f) { return f.fontItalic(); }},
        {"下划线", &ui::RichTextToolBar::underlineButton, [](const QTextCharFormat& f) { return f.fontUnderline(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ui::RichTextEdit edit;
        ui::RichTextToolBar bar;
        bar.addEditor(&edit);
        edit.setPlainText(QStringLiteral("甲乙丙"));
        const auto select = [&](int anchor, int position) {
            QTextCursor cursor = edit.textCursor();
            cursor.setPosition(anchor);
            cursor.setPosition(position, QTextCursor::KeepAnchor);
            edit.setTextCursor(cursor);
        };
        const auto formatted = [&](int at) {
            QTextCursor cursor(edit.document());
            cursor.setPosition(at + 1); // the format of the character before
            return c.on(cursor.charFormat());
        };
        QToolButton* b = bar.*c.button;
        select(0, 2);
        ASSERT_FALSE(b->isChecked());
        accessibleToggle(b);
        EXPECT_TRUE(b->isChecked());
        EXPECT_TRUE(formatted(0));
        EXPECT_TRUE(formatted(1));
        EXPECT_FALSE(formatted(2));

        select(3, 3);
        EXPECT_FALSE(b->isChecked());
        select(3, 1); // the cursor after 甲 shows its format over 乙丙
        EXPECT_TRUE(b->isChecked());
        EXPECT_FALSE(formatted(2)) << "showing the format applied it";
    }
}
