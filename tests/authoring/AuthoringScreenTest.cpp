#include "authoring/ScreenSupport.h"
#include "authoring/QuestionInputs.h"
#include "authoring/TFrmInPut.h"
#include "authoring/TFrmSelectFG.h"
#include "authoring/TfrmTedit.h"
#include "common/Prompt.h"
#include "core/store/Dataset.h"
#include "core/store/RtfWriter.h"
#include "ui/RichText.h"
#include "ui/RichTextEdit.h"
#include "ui/CommandButton.h"
#include "ui/RichTextToolBar.h"

#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextTable>
#include <QTimer>
#include <QToolButton>
#include <functional>
#include <gtest/gtest.h>

using authoringtest::AuthoringBank;
using authoringtest::QuestionRow;

using namespace authoringtest;

namespace {

// ---- the picker ------------------------------------------------------------------

class PickerTest : public ScreenTest {
protected:
    std::unique_ptr<TFrmSelectFG> picker;

    TFrmSelectFG& open(const QStringList& chosen)
    {
        picker = std::make_unique<TFrmSelectFG>();
        picker->setPage(TFrmSelectFG::Page::Selection);
        picker->setChosen(chosen);
        picker->show();
        return *picker;
    }
    void choose(const QString& nodeName)
    {
        const int i = picker->ComboBox1->findData(nodeName);
        ASSERT_GE(i, 0);
        picker->ComboBox1->setCurrentIndex(i);
        picker->ComboBox1Change(i);
    }
    QStringList visibleTicks()
    {
        QStringList out;
        for (int i = 0; i < picker->CheckListBox1->count(); ++i)
            if (picker->CheckListBox1->item(i)->checkState() == Qt::Checked)
                out << picker->CheckListBox2->item(i)->text();
        return out;
    }
    QStringList pickIds()
    {
        QStringList out;
        for (const auto& p : picker->picks())
            out << p.ftid;
        return out;
    }
};

TEST_F(PickerTest, ShowsTwoAndSixCharacterNodesAndOpensOnTheFirstNodeWithPoints)
{
    bank.db().exec(QStringLiteral("insert into tab_fgmc (id,n,bh) values ('0101','四位',0)"));
    TFrmSelectFG& p = open({QStringLiteral("010101001")});
    QStringList nodes;
    for (int i = 0; i < p.ComboBox1->count(); ++i)
        nodes << p.ComboBox2->itemText(i);
    nodes.sort();
    EXPECT_EQ(nodes, QStringList({"01", "010101", "02", "020202"}));
    // The heading "基础" comes first but holds no points: the picker starts on its section.
    EXPECT_EQ(p.ComboBox1->currentData().toString(), QStringLiteral("数据结构"));
    EXPECT_EQ(p.CheckListBox1->count(), 8);
    EXPECT_FALSE(p.emptyHint->isVisible());
    EXPECT_EQ(visibleTicks(), QStringList({"010101001"}));
    EXPECT_EQ(p.CheckListBox1->count(), p.CheckListBox2->count());
    // A heading chosen by hand says why its list is empty.
    choose(QStringLiteral("基础"));
    EXPECT_EQ(p.CheckListBox1->count(), 0);
    EXPECT_TRUE(p.emptyHint->isVisible());
    EXPECT_FALSE(p.ComboBox2->isVisible());
    EXPECT_FALSE(p.CheckListBox2->isVisible());
}

TEST_F(PickerTest, ChosenPointsShowTickedButAreNotPicked)
{
    open({QStringLiteral("010101001"), QStringLiteral("010101003")});
    choose(QStringLiteral("数据结构"));
    EXPECT_EQ(visibleTicks(), QStringList({"010101001", "010101003"}));
    EXPECT_TRUE(pickIds().isEmpty());
    // Unticking a chosen point picks nothing and removes nothing.
    tick(picker->CheckListBox1, 0);
    tick(picker->CheckListBox1, 1);
    EXPECT_EQ(pickIds(), QStringList({"010101002"}));
    EXPECT_EQ(picker->picks().front().nodeName, QStringLiteral("数据结构"));
    EXPECT_EQ(picker->picks().front().title, QStringLiteral("栈2"));
}

TEST_F(PickerTest, SevenPointLimitCountsTheChosenAndEveryNewTick)
{
    const QStringList five = {"020202001", "a", "b", "c", "d"};
    const QStringList fiveWithTwoHere = {"010101001", "010101002", "a", "b", "c"};
    const struct {
        QStringList chosen;
        int newTicks;
        bool accepted;
    } cases[] = {
        {five, 2, true},
        {five, 3, false},
        {fiveWithTwoHere, 2, true},  // the two shown ticked are among the five
        {fiveWithTwoHere, 3, false},
        {{}, 7, true},
    };
    for (const auto& c : cases) {
        open(c.chosen);
        choose(QStringLiteral("数据结构"));
        int ticked = 0;
        for (int row = 0; ticked < c.newTicks; ++row)
            if (picker->CheckListBox1->item(row)->checkState() == Qt::Unchecked) {
                tick(picker->CheckListBox1, row);
                ++ticked;
            }
        prompts.clear();
        click(picker.get(), "epEfButton1");
        EXPECT_EQ(picker->result() == QDialog::Accepted, c.accepted) << c.chosen.join(',').toStdString() << "+" << c.newTicks;
        EXPECT_EQ(picker->isVisible(), !c.accepted);
        if (!c.accepted) {
            EXPECT_EQ(asked(), QStringList({"对应考点最多不能超过7条，已有考点5条！"}));
        }
    }
}

TEST_F(PickerTest, ConfirmingWithoutATickKeepsThePickerOpen)
{
    open({});
    click(picker.get(), "epEfButton1");
    EXPECT_TRUE(picker->isVisible());
    EXPECT_EQ(asked(), QStringList({"请选择对应考点，退出请按关闭按钮！"}));
    click(picker.get(), "epEfButton2");
    EXPECT_FALSE(picker->isVisible());
    EXPECT_EQ(picker->result(), QDialog::Rejected);
}

TEST_F(PickerTest, TicksSurviveSwitchingNodesAndAllCountAgainstTheLimit)
{
    open({"a", "b", "c", "d", "e"});
    choose(QStringLiteral("数据结构"));
    tick(picker->CheckListBox1, 0);
    choose(QStringLiteral("操作系统"));
    EXPECT_TRUE(visibleTicks().isEmpty());
    tick(picker->CheckListBox1, 0);
    EXPECT_EQ(pickIds(), QStringList({"010101001", "020202001"}));
    EXPECT_EQ(picker->picks().front().nodeName, QStringLiteral("数据结构"));
    EXPECT_EQ(picker->picks().back().nodeName, QStringLiteral("操作系统"));
    // Back on the first node its tick shows again; one more makes 5 + 3 > 7.
    choose(QStringLiteral("数据结构"));
    EXPECT_EQ(visibleTicks(), QStringList({"010101001"}));
    tick(picker->CheckListBox1, 1);
    click(picker.get(), "epEfButton1");
    EXPECT_EQ(asked(), QStringList({"对应考点最多不能超过7条，已有考点5条！"}));
    EXPECT_TRUE(picker->isVisible());
    tick(picker->CheckListBox1, 1); // untick: 5 + 2
    click(picker.get(), "epEfButton1");
    EXPECT_EQ(picker->result(), QDialog::Accepted);
    EXPECT_EQ(pickIds(), QStringList({"010101001", "020202001"}));
}

TEST_F(PickerTest, AnOutlineWithoutNodesLeavesOnlyClose)
{
    bank.db().exec(QStringLiteral("delete from tab_fgmc"));
    open({});
    EXPECT_EQ(picker->ComboBox1->count(), 0);
    EXPECT_EQ(picker->CheckListBox1->count(), 0);
    click(picker.get(), "epEfButton1");
    EXPECT_TRUE(picker->isVisible());
}

TEST_F(PickerTest, UsageNotesPage)
{
    picker = std::make_unique<TFrmSelectFG>();
    picker->setPage(TFrmSelectFG::Page::UsageNotes);
    picker->show();
    const QStringList lines = picker->Memo1->toPlainText().split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 15);
    EXPECT_EQ(lines.first(), QStringLiteral("使用方法如下："));
    EXPECT_EQ(lines[4], QStringLiteral("   7月有几天？"));
    EXPECT_EQ(lines.last(), QStringLiteral("动填写1；"));
    EXPECT_TRUE(picker->Memo1->isReadOnly());
    // Nothing of the outline is read for the notes.
    EXPECT_EQ(picker->ComboBox1->count(), 0);
    click(picker.get(), "epEfButton3");
    EXPECT_FALSE(picker->isVisible());
}

// ---- question entry -------------------------------------------------------------

class EntryTest : public ScreenTest {
protected:
    std::unique_ptr<TFrmInPut> entry;

    TFrmInPut& open(const QString& chapter = QStringLiteral("010101"))
    {
        entry = std::make_unique<TFrmInPut>();
        entry->setChapter(chapter, QStringLiteral("试题录入 [章节]"));
        entry->show();
        return *entry;
    }
    QuestionInputs& in() { return *entry->inputs; }
    void chooseType(const QString& name)
    {
        const int i = in().ComboBox1->findText(name);
        ASSERT_GE(i, 0) << name.toStdString();
        in().ComboBox1->setCurrentIndex(i);
    }
    void fill(const QString& stem, const QString& answer)
    {
        entry->Re1->setPlainText(stem);
        in().Edit1->clear();
        QTest::keyClicks(in().Edit1, answer);
    }
    QStringList ids()
    {
        QStringList out;
        for (const auto& row : bank.db().query("select a1 from tab_answ where a1 like 'U%' order by a1").values)
            out << row[0].toString();
        return out;
    }
};

TEST_F(EntryTest, OpensWithFiveAnswersTheFirstTypeAndUpperCaseAnswers)
{
    TFrmInPut& f = open();
    EXPECT_EQ(in().SE_Num->value(), 5);
    EXPECT_EQ(in().SE_Num->minimum(), 1);
    EXPECT_EQ(in().SE_Num->maximum(), 6) << "the answer pages show A to F";
    EXPECT_EQ(in().ComboBox1->count(), 8);
    EXPECT_EQ(in().ComboBox1->currentText(), QStringLiteral("单选"));
    EXPECT_TRUE(in().SE_Num->isEnabled());
    QTest::keyClicks(in().Edit1, QStringLiteral("abd"));
    EXPECT_EQ(in().Edit1->text(), QStringLiteral("ABD"));
    EXPECT_EQ(in().Edit1->maxLength(), 100);
    EXPECT_EQ(in().ListBox1->toolTip(), QStringLiteral("点击\"Delete\"键可以删除考点"));
    EXPECT_EQ(f.windowTitle(), QStringLiteral("试题录入"));
    // 设置 opens the system settings in full, owned by this screen.
    bool settingsShown = false;
    onNextModal([&](QWidget* modal) {
        settingsShown = modal->objectName() == QStringLiteral("TFrmConfig") && modal->parentWidget() == &f && !app::ConfigTimesOnly;
        modal->close();
    });
    click(&f, "btnConfig");
    EXPECT_TRUE(settingsShown);
    EXPECT_EQ(f.size(), QSize(931, 611));
    for (QWidget* w : f.findChildren<QWidget*>()) {
        if (w->isVisible() && w->focusPolicy() != Qt::NoFocus && !w->objectName().isEmpty() && w->inherits("QAbstractButton")) {
            EXPECT_FALSE(w->accessibleName().isEmpty() && static_cast<QAbstractButton*>(w)->text().isEmpty()) << w->objectName().toStdString();
        }
    }
}

TEST_F(EntryTest, SubjectiveTypesLockOneAndOneAndAreStoredSo)
{
    open();
    QTest::keyClicks(in().Edit1, QStringLiteral("B"));
    chooseType(QStringLiteral("案例分析"));
    EXPECT_EQ(in().SE_Num->value(), 1);
    EXPECT_EQ(in().Edit1->text(), QStringLiteral("1"));
    EXPECT_FALSE(in().SE_Num->isEnabled());
    EXPECT_FALSE(in().Edit1->isEnabled());
    entry->Re1->setPlainText(QStringLiteral("简述栈的用途"));
    click(entry.get(), "btnSave");
    ASSERT_EQ(ids().size(), 1);
    EXPECT_EQ(column(bank, ids()[0], "a2"), QStringLiteral("1"));
    EXPECT_EQ(column(bank, ids()[0], "a2_1"), QStringLiteral("1"));
    EXPECT_EQ(column(bank, ids()[0], "a13"), QStringLiteral("64"));

    // An objective type unlocks both and empties the answer; the count stays.
    chooseType(QStringLiteral("多选"));
    EXPECT_TRUE(in().SE_Num->isEnabled());
    EXPECT_TRUE(in().Edit1->isEnabled());
    EXPECT_EQ(in().Edit1->text(), QString());
}

TEST_F(EntryTest, ChecksRefuseInOrderAndWriteNothing)
{
    const struct {
        const char* stem;
        const char* answer;
        bool dropTypes;
        const char* message;
        const char* focus;
    } cases[] = {
        {"", "A", false, "请填写试题内容！", "Re1"},
        {"   ", "A", false, "请填写试题内容！", "Re1"},
        {"题干", " ", false, "请填写试题答案！", "Edit1"},
        {"题干", "A", true, "请选择题型！", "ComboBox1"},
    };
    for (const auto& c : cases) {
        if (c.dropTypes)
            bank.db().exec(QStringLiteral("delete from tab_tx1"));
        open();
        QApplication::setActiveWindow(entry.get());
        fill(QString::fromUtf8(c.stem), QString::fromUtf8(c.answer));
        const QString before = bank.fullSnapshot();
        prompts.clear();
        click(entry.get(), "btnSave");
        EXPECT_EQ(asked(), QStringList({QString::fromUtf8(c.message)}));
        EXPECT_EQ(bank.fullSnapshot(), before);
        EXPECT_EQ(QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString(), QString::fromLatin1(c.focus));
        EXPECT_EQ(entry->savedCount(), 0);
    }
}

TEST_F(EntryTest, AnswersThatCanNeverBeRightAreRefusedAndEverythingTypedStays)
{
    const struct {
        const char* type;
        int options;
        const char* answer;
        const char* message;
    } cases[] = {
        {"单选", 3, "Z'\xF0\x9F\x98\x80", "试题答案与题型“单选”不符：应为 A～C 中的一个字母！"},
        {"单选", 3, "D", "试题答案与题型“单选”不符：应为 A～C 中的一个字母！"},
        {"多选", 4, "ACA", "试题答案与题型“多选”不符：应为 A～D 中不重复的字母！"},
        {"不定项", 2, "ABC", "试题答案与题型“不定项”不符：应为 A～B 中不重复的字母！"},
        {"判断", 5, "C", "试题答案与题型“判断”不符：应为 A（正确）或 B（错误）！"},
    };
    for (const auto& c : cases) {
        open();
        QApplication::setActiveWindow(entry.get());
        chooseType(QString::fromUtf8(c.type));
        in().SE_Num->setValue(c.options);
        entry->Re1->setPlainText(QStringLiteral("题干"));
        in().Edit1->clear();
        in().Edit1->insert(QString::fromUtf8(c.answer)); // as typed or pasted, through the upper-case check
        entry->Re2->setPlainText(QStringLiteral("解析"));
        in().addPoint(QStringLiteral("010101001"), QStringLiteral("数据结构[栈1]"));
        const QString before = bank.fullSnapshot();
        prompts.clear();
        click(entry.get(), "btnSave");
        EXPECT_EQ(asked(), QStringList({QString::fromUtf8(c.message)})) << c.type << c.answer;
        EXPECT_EQ(bank.fullSnapshot(), before);
        EXPECT_EQ(entry->savedCount(), 0);
        EXPECT_EQ(QApplication::focusWidget(), in().Edit1);
        EXPECT_EQ(in().Edit1->text(), QString::fromUtf8(c.answer).toUpper());
        EXPECT_EQ(in().ComboBox1->currentText(), QString::fromUtf8(c.type));
        EXPECT_EQ(in().SE_Num->value(), c.options);
        EXPECT_EQ(entry->Re1->toPlainText(), QStringLiteral("题干"));
        EXPECT_EQ(entry->Re2->toPlainText(), QStringLiteral("解析"));
        EXPECT_EQ(in().pointIds(), QStringList({QStringLiteral("010101001")}));
    }
}

TEST_F(EntryTest, SavesQuestionsOneAfterAnother)
{
    open();
    for (int n = 1; n <= 2; ++n) {
        fill(QStringLiteral("第%1题").arg(n), QStringLiteral("c"));
        in().SE_Num->setValue(3);
        entry->Re2->setPlainText(n == 1 ? QStringLiteral("   ") : QStringLiteral("解析"));
        click(entry.get(), "btnSave");
        EXPECT_EQ(entry->savedCount(), n);
        // Emptied for the next question; the count stays.
        EXPECT_TRUE(entry->Re1->toPlainText().isEmpty());
        EXPECT_TRUE(in().Edit1->text().isEmpty());
        EXPECT_EQ(in().SE_Num->value(), 3);
    }
    EXPECT_EQ(ids(), QStringList({"US01010111300001", "US01010111300002"}));
    // A blank analysis stores no jx.
    EXPECT_TRUE(bank.value("select jx from tab_exer where a1='US01010111300001'").isNull());
    EXPECT_FALSE(bank.value("select jx from tab_exer where a1='US01010111300002'").isNull());
    EXPECT_EQ(column(bank, "US01010111300001", "a2"), QStringLiteral("C"));
    EXPECT_EQ(bank.chapterC3(QStringLiteral("010101")), 2);
}

TEST_F(EntryTest, TypeAndCountStayForTheNextQuestion)
{
    open();
    // Type and count both stay for the next question; 清除 starts over from the first type.
    chooseType(QStringLiteral("多选"));
    in().SE_Num->setValue(4);
    fill(QStringLiteral("第1题"), QStringLiteral("bd"));
    click(entry.get(), "btnSave");
    EXPECT_EQ(entry->savedCount(), 1);
    EXPECT_EQ(in().ComboBox1->currentText(), QStringLiteral("多选"));
    EXPECT_EQ(in().SE_Num->value(), 4);
    EXPECT_TRUE(in().Edit1->text().isEmpty());
    fill(QStringLiteral("第2题"), QStringLiteral("ac"));
    click(entry.get(), "btnSave");
    EXPECT_EQ(column(bank, QStringLiteral("US01010114400002"), "a2"), QStringLiteral("AC"));
    chooseType(QStringLiteral("案例分析"));
    entry->Re1->setPlainText(QStringLiteral("第3题"));
    click(entry.get(), "btnSave");
    EXPECT_EQ(in().ComboBox1->currentText(), QStringLiteral("案例分析"));
    EXPECT_EQ(in().Edit1->text(), QStringLiteral("1")); // still locked as the type wants
    EXPECT_FALSE(in().Edit1->isEnabled());
    click(entry.get(), "btnClear");
    EXPECT_EQ(in().ComboBox1->currentText(), QStringLiteral("单选"));
}

TEST_F(EntryTest, FormattingTablesAndPicturesReachThePracticeReader)
{
    open();
    ui::RichTextEdit* re = entry->Re1;
    re->setFocus();
    re->insertPlainText(QStringLiteral("下表中"));
    QTest::keyClick(re, Qt::Key_B, Qt::ControlModifier);
    re->insertPlainText(QStringLiteral("粗体"));
    QTest::keyClick(re, Qt::Key_B, Qt::ControlModifier);
    QTest::mouseClick(entry->inputs->toolbar->italicButton, Qt::LeftButton);
    re->insertPlainText(QStringLiteral("斜体"));
    re->setUnderline(true);
    re->setTextColour(QColor(200, 0, 0));
    re->setFontPixelSize(24);
    re->insertPlainText(QStringLiteral("红字"));
    ASSERT_TRUE(re->insertTable(2, 3));
    re->insertPlainText(QStringLiteral("格1"));
    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(Qt::blue);
    ASSERT_TRUE(re->insertPicture(picture));
    QTest::keyClicks(in().Edit1, QStringLiteral("A"));
    click(entry.get(), "btnSave");
    ASSERT_EQ(ids().size(), 1);

    const DocumentFacts stored = facts(bank.value("select A15 from tab_exer where a1=:a1", {{":a1", ids()[0]}}).toByteArray());
    EXPECT_TRUE(stored.text.contains(QStringLiteral("下表中粗体斜体红字"))) << stored.text.toStdString();
    EXPECT_TRUE(stored.text.contains(QStringLiteral("格1")));
    EXPECT_EQ(stored.tables, 1);
    EXPECT_EQ(stored.pictures, 1);
    EXPECT_TRUE(stored.bold);
    EXPECT_TRUE(stored.italic);
    EXPECT_TRUE(stored.underline);
    EXPECT_EQ(stored.colour, QColor(200, 0, 0));
    EXPECT_EQ(stored.largestPx, 24);
}

TEST_F(EntryTest, TabMovesThroughTableCellsAndLeavesTheEditorOutsideThem)
{
    open();
    QApplication::setActiveWindow(entry.get());
    ui::RichTextEdit* re = entry->Re1;
    re->setFocus();
    ASSERT_TRUE(re->insertTable(1, 2));
    QTest::keyClicks(re, QStringLiteral("a"));
    QTest::keyClick(re, Qt::Key_Tab);
    QTest::keyClicks(re, QStringLiteral("b"));
    QTest::keyClick(re, Qt::Key_Tab); // past the last cell: a new row
    QTest::keyClicks(re, QStringLiteral("c"));
    QTest::keyClick(re, Qt::Key_Backtab);
    QTest::keyClicks(re, QStringLiteral("d"));
    QTextTable* table = re->textCursor().currentTable();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->rows(), 2);
    const auto cellText = [&](int r, int c) {
        QTextCursor from = table->cellAt(r, c).firstCursorPosition();
        from.setPosition(table->cellAt(r, c).lastCursorPosition().position(), QTextCursor::KeepAnchor);
        return from.selectedText();
    };
    EXPECT_EQ(cellText(0, 0), QStringLiteral("a"));
    EXPECT_EQ(cellText(0, 1), QStringLiteral("db"));
    EXPECT_EQ(cellText(1, 0), QStringLiteral("c"));
    EXPECT_TRUE(re->hasFocus());

    // Outside a table Tab goes on to the next input, and on through the inputs to the commands.
    re->moveCursor(QTextCursor::End);
    QTest::keyClick(re, Qt::Key_Tab);
    EXPECT_FALSE(re->hasFocus());
    for (QWidget* next : {static_cast<QWidget*>(in().ComboBox1), static_cast<QWidget*>(in().SE_Num),
                          static_cast<QWidget*>(in().Edit1), static_cast<QWidget*>(in().ListBox1),
                          static_cast<QWidget*>(in().addPointButton), static_cast<QWidget*>(entry->btnSave)}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget* focus = QApplication::focusWidget();
        EXPECT_TRUE(focus == next || next->isAncestorOf(focus)) << next->objectName().toStdString();
    }
}

TEST_F(EntryTest, AFailedSaveKeepsWhatWasTyped)
{
    open();
    bank.breakTable(QStringLiteral("tab_exer"), QStringLiteral("insert"));
    chooseType(QStringLiteral("填空")); // a fill-in answer may hold quotes
    fill(QStringLiteral("题干'\"; --"), QStringLiteral("a'b"));
    in().addPoint(QStringLiteral("010101001"), QStringLiteral("数据结构[栈1]"));
    const QString before = bank.fullSnapshot();
    click(entry.get(), "btnSave");
    ASSERT_EQ(prompts.asked().size(), 1u);
    EXPECT_TRUE(asked().front().startsWith(QStringLiteral("保存试题出现错误！")));
    EXPECT_EQ(bank.fullSnapshot(), before);
    EXPECT_EQ(entry->Re1->toPlainText(), QStringLiteral("题干'\"; --"));
    EXPECT_EQ(in().Edit1->text(), QStringLiteral("A'B"));
    EXPECT_EQ(in().pointIds(), QStringList({"010101001"}));
    EXPECT_EQ(entry->savedCount(), 0);

    // Mended, the same inputs save.
    bank.db().execScript(QStringLiteral("drop trigger break_tab_exer_insert"));
    click(entry.get(), "btnSave");
    EXPECT_EQ(entry->savedCount(), 1);
    EXPECT_EQ(column(bank, ids().value(0), "a2"), QStringLiteral("A'B"));
}

TEST_F(EntryTest, RunningNumbersUsedUp)
{
    QuestionRow last;
    last.id = QStringLiteral("US0101011149999");
    bank.add(last);
    open();
    fill(QStringLiteral("题干"), QStringLiteral("A"));
    const QString before = bank.fullSnapshot();
    click(entry.get(), "btnSave");
    EXPECT_EQ(asked(), QStringList({"最多只能录入9999道题！"}));
    EXPECT_EQ(prompts.asked().front().page, int(prompt::Icon::Warning));
    EXPECT_EQ(bank.fullSnapshot(), before);
}

TEST_F(EntryTest, PointsThroughThePickerAndTheDeleteKey)
{
    open();
    in().addPoint(QStringLiteral("010101001"), QStringLiteral("数据结构[栈1]"));
    // Three ticked, the first already in the list: the other two are added.
    onNextModal([](QWidget* modal) {
        auto* picker = qobject_cast<TFrmSelectFG*>(modal);
        ASSERT_NE(picker, nullptr);
        const int i = picker->ComboBox1->findData(QStringLiteral("数据结构"));
        picker->ComboBox1->setCurrentIndex(i);
        picker->ComboBox1Change(i);
        tick(picker->CheckListBox1, 0); // shown ticked: this unticks it
        tick(picker->CheckListBox1, 0); // and ticks it again, now as a pick
        tick(picker->CheckListBox1, 1);
        tick(picker->CheckListBox1, 2);
        QTest::mouseClick(picker->epEfButton1, Qt::LeftButton);
    });
    click(entry.get(), "addPointButton");
    EXPECT_EQ(in().pointIds(), QStringList({"010101001", "010101002", "010101003"}));
    EXPECT_EQ(in().ListBox1->item(1)->text(), QStringLiteral("数据结构[栈2]"));

    // Delete with nothing selected does nothing; with a selection removes from both lists.
    in().ListBox1->clearSelection();
    in().ListBox1->setCurrentRow(-1);
    in().ListBox1->setFocus();
    QTest::keyClick(in().ListBox1, Qt::Key_Delete);
    EXPECT_EQ(in().pointIds().size(), 3);
    in().ListBox1->setCurrentRow(1);
    QTest::keyClick(in().ListBox1, Qt::Key_Delete);
    EXPECT_EQ(in().pointIds(), QStringList({"010101001", "010101003"}));
    EXPECT_EQ(in().ListBox1->count(), 2);

    // Saved: two points of one section raise the section once.
    fill(QStringLiteral("题干"), QStringLiteral("A"));
    click(entry.get(), "btnSave");
    EXPECT_EQ(bank.nodeQ(QStringLiteral("010101")), 1);
    EXPECT_EQ(bank.ruleQ(QStringLiteral("010101003")), 1);
    EXPECT_EQ(bank.ruleQ(QStringLiteral("010101002")), 0);
}

TEST_F(EntryTest, TenPointsRefuseThePicker)
{
    open();
    for (int i = 0; i < 10; ++i)
        in().addPoint(QStringLiteral("p%1").arg(i), QStringLiteral("p"));
    click(entry.get(), "addPointButton");
    EXPECT_EQ(asked(), QStringList({"试题对应考点最多为10条！\r如果要去掉考点，请选中要\r去掉的考点，再按键盘上的\r[Delete]键！"}));
    EXPECT_EQ(QApplication::activeModalWidget(), entry.get());
}

TEST_F(EntryTest, CompactArrangement)
{
    app::ScreenSizeTag = QStringLiteral("800");
    TFrmInPut& f = open();
    EXPECT_EQ(f.size(), QSize(762, 480));
    // Every input still has room to be used.
    for (QWidget* w : {static_cast<QWidget*>(f.Re1), static_cast<QWidget*>(f.Re2), static_cast<QWidget*>(f.inputs->ListBox1)})
        EXPECT_GE(w->height(), 60) << w->objectName().toStdString();
}

} // namespace
