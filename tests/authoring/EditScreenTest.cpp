#include "authoring/QuestionInputs.h"
#include "authoring/ScreenSupport.h"
#include "authoring/TFrmInPut.h"
#include "authoring/TfrmTedit.h"
#include "core/store/Dataset.h"
#include "core/store/RtfWriter.h"
#include "ui/RichTextEdit.h"

#include <QBuffer>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSpinBox>
#include <QTextCursor>

using namespace authoringtest;

namespace {

// A stem as the book ships them: RTF with emphasis, a table and a picture.
QByteArray bookStem()
{
    QImage img(12, 8, QImage::Format_RGB32);
    img.fill(Qt::red);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    img.save(&buffer, "PNG");
    store::RtfWriter w;
    w.addText(QStringLiteral("栈是"));
    w.addText(QStringLiteral("后进先出"), {.bold = true});
    w.addText(QStringLiteral("的线性表。"), {.italic = true});
    w.endParagraph();
    w.addTable({{{{QStringLiteral("操作"), {}}}, {{QStringLiteral("复杂度"), {}}}}, {{{QStringLiteral("入栈"), {}}}, {{QStringLiteral("O(1)"), {}}}}});
    w.addPicture(png);
    w.endParagraph();
    return w.toRtf();
}

constexpr const char* kSelect = "select a1 ,a2,a2_1,k3,k4,k5,k6,k7,k8,k9,k10,k11,k12,a10,a13,a14,e1,e2,e2_1,e3,e4,f1,xx,csbs,ecount"
                                " from tab_answ where (f1<>1) order by a13,a10,xx,a1";

class EditScreenTest : public ScreenTest {
protected:
    std::unique_ptr<TfrmTedit> editor;

    void SetUp() override
    {
        QuestionRow q;
        q.id = QStringLiteral("Q1");
        q.key = QStringLiteral("AB");
        q.options = 4;
        q.type = 14;
        q.points = {QStringLiteral("010101001"), QStringLiteral("010101002"), QStringLiteral("020202001")};
        q.stem = bookStem();
        q.analysis = QByteArrayLiteral("<p>先进<b>后出</b></p>");
        bank.add(q);
        QuestionRow other;
        other.id = QStringLiteral("Q2");
        other.points = {QStringLiteral("010101002")};
        bank.add(other);
        bank.db().exec(QStringLiteral("update tab_rule set q=7"));
    }
    ~EditScreenTest() override
    {
        editor.reset();
        bank.dm.Cn1Query_tm->close();
        bank.dm.cn1query_nr->close();
        bank.dm.Cn1Query2->close();
    }

    // The rows the practice screen holds for the question it shows.
    TfrmTedit& open(const QString& id)
    {
        store::Dataset* set = bank.dm.Cn1Query_tm;
        set->close();
        set->setSql(QString::fromLatin1(kSelect));
        set->open();
        EXPECT_TRUE(set->locate(QStringLiteral("a1"), id));
        store::Dataset* text = bank.dm.cn1query_nr;
        text->close();
        text->setSql(QStringLiteral("select * from tab_exer where a1 =:a1"));
        text->setParam(QStringLiteral(":a1"), id);
        text->open();
        editor = std::make_unique<TfrmTedit>();
        editor->show();
        return *editor;
    }
    QuestionInputs& in() { return *editor->inputs; }
    QByteArray stored(const QString& col, const QString& id = QStringLiteral("Q1"))
    {
        return bank.value(QStringLiteral("select %1 from tab_exer where a1=:a1").arg(col), {{":a1", id}}).toByteArray();
    }
    void deletePoint(int row)
    {
        in().ListBox1->setCurrentRow(row);
        QTest::keyClick(in().ListBox1, Qt::Key_Delete);
    }
};

TEST_F(EditScreenTest, OpensOnThePracticeScreensQuestion)
{
    TfrmTedit& f = open(QStringLiteral("Q1"));
    EXPECT_EQ(f.windowTitle(), QStringLiteral("试题修改"));
    EXPECT_EQ(f.size(), QSize(944, 623));
    EXPECT_EQ(in().SE_Num->value(), 4);
    EXPECT_EQ(in().Edit1->text(), QStringLiteral("AB"));
    EXPECT_EQ(in().ComboBox1->currentText(), QStringLiteral("多选"));
    EXPECT_TRUE(in().Edit1->isEnabled());
    EXPECT_EQ(in().pointIds(), QStringList({"010101001", "010101002", "020202001"}));
    EXPECT_EQ(in().ListBox1->item(2)->text(), QStringLiteral("操作系统[进程]"));
    EXPECT_TRUE(f.RxDBRichEdit1->toPlainText().contains(QStringLiteral("后进先出")));
    EXPECT_EQ(f.RxDBRichEdit2->toPlainText(), QStringLiteral("先进后出"));
    // No group: no shared-stem editor, and the stem editor takes its room.
    EXPECT_FALSE(f.RxDBRichEdit3->isVisible());
    EXPECT_GT(f.RxDBRichEdit1->height(), f.RxDBRichEdit2->height());
}

TEST_F(EditScreenTest, GroupQuestionsAndSubjectiveTypes)
{
    QuestionRow g;
    g.id = QStringLiteral("G000000000000001-1");
    g.type = 64;
    g.key = QStringLiteral("1");
    g.options = 1;
    bank.add(g);
    bank.db().exec(QStringLiteral("insert into tab_title (A1,A15) values ('G000000000000001','<p>共用的<b>材料</b></p>')"));
    TfrmTedit& f = open(g.id);
    EXPECT_TRUE(f.RxDBRichEdit3->isVisible());
    EXPECT_EQ(f.RxDBRichEdit3->toPlainText(), QStringLiteral("共用的材料"));
    EXPECT_EQ(in().ComboBox1->currentText(), QStringLiteral("案例分析"));
    EXPECT_EQ(in().SE_Num->value(), 1);
    EXPECT_FALSE(in().SE_Num->isEnabled());
    EXPECT_FALSE(in().Edit1->isEnabled());

    // The shared stem is edited and saved with the question.
    QTextCursor end(f.RxDBRichEdit3->document());
    end.movePosition(QTextCursor::End);
    f.RxDBRichEdit3->setTextCursor(end);
    f.RxDBRichEdit3->insertPlainText(QStringLiteral("（续）"));
    click(editor.get(), "btnSave");
    const DocumentFacts shared = facts(bank.value("select A15 from tab_title where A1='G000000000000001'").toByteArray());
    EXPECT_EQ(shared.text, QStringLiteral("共用的材料（续）"));
    EXPECT_TRUE(shared.bold);
}

TEST_F(EditScreenTest, ThreePointsDownToOneRecountsThemAll)
{
    open(QStringLiteral("Q1"));
    deletePoint(0);
    deletePoint(0);
    ASSERT_EQ(in().pointIds(), QStringList({"020202001"}));
    click(editor.get(), "btnSave");
    EXPECT_EQ(editor->result(), QDialog::Accepted);

    EXPECT_EQ(column(bank, "Q1", "k3"), QStringLiteral("020202001"));
    for (int k = 4; k <= 12; ++k)
        EXPECT_EQ(column(bank, "Q1", QStringLiteral("k%1").arg(k)), QStringLiteral("<null>"));
    // Every q is the number of questions listing the point, removed ones too.
    EXPECT_EQ(bank.ruleQ(QStringLiteral("020202001")), 1);
    EXPECT_EQ(bank.ruleQ(QStringLiteral("010101001")), 0);
    EXPECT_EQ(bank.ruleQ(QStringLiteral("010101002")), 1);
    EXPECT_EQ(bank.ruleQ(QStringLiteral("010101003")), 7); // never on the question: untouched
    EXPECT_EQ(bank.nodeQ(QStringLiteral("010101")), 0);

    // The practice screen's row shows the bank's values.
    store::Dataset* set = bank.dm.Cn1Query_tm;
    EXPECT_EQ(set->text(QStringLiteral("a1")), QStringLiteral("Q1"));
    EXPECT_EQ(set->text(QStringLiteral("k3")), QStringLiteral("020202001"));
    EXPECT_TRUE(set->isNull(QStringLiteral("k4")));
    EXPECT_EQ(set->integer(QStringLiteral("ecount")), 1);
}

TEST_F(EditScreenTest, EverySaveCountsOnce)
{
    for (int n = 1; n <= 2; ++n) {
        open(QStringLiteral("Q1"));
        in().Edit1->clear();
        QTest::keyClicks(in().Edit1, QStringLiteral("abc"));
        in().SE_Num->setValue(5);
        click(editor.get(), "btnSave");
        EXPECT_EQ(column(bank, "Q1", "ecount"), QString::number(n));
    }
    EXPECT_EQ(column(bank, "Q1", "a2"), QStringLiteral("ABC"));
    EXPECT_EQ(column(bank, "Q1", "a2_1"), QStringLiteral("5"));
    EXPECT_EQ(column(bank, "Q2", "ecount"), QStringLiteral("0"));
}

TEST_F(EditScreenTest, FormattingIsKeptThroughAnEdit)
{
    const QByteArray before = stored("A15");
    // Untouched documents stay byte for byte; a changed one keeps its emphasis,
    // table and picture.
    open(QStringLiteral("Q1"));
    QTest::keyClicks(in().Edit1, QStringLiteral("C"));
    click(editor.get(), "btnSave");
    EXPECT_EQ(stored("A15"), before);
    EXPECT_EQ(stored("jx"), QByteArrayLiteral("<p>先进<b>后出</b></p>"));

    open(QStringLiteral("Q1"));
    QTextCursor start(editor->RxDBRichEdit1->document());
    editor->RxDBRichEdit1->setTextCursor(start);
    editor->RxDBRichEdit1->insertPlainText(QStringLiteral("改："));
    click(editor.get(), "btnSave");
    const DocumentFacts stem = facts(stored("A15"));
    EXPECT_TRUE(stem.text.startsWith(QStringLiteral("改：栈是后进先出的线性表。"))) << stem.text.toStdString();
    EXPECT_TRUE(stem.text.contains(QStringLiteral("复杂度")));
    EXPECT_TRUE(stem.bold);
    EXPECT_TRUE(stem.italic);
    EXPECT_EQ(stem.tables, 1);
    EXPECT_EQ(stem.pictures, 1);
    // The practice screen's text row holds the new stem.
    EXPECT_EQ(bank.dm.cn1query_nr->bytes(QStringLiteral("A15")), stored("A15"));

    // An analysis emptied by the candidate is removed.
    open(QStringLiteral("Q1"));
    editor->RxDBRichEdit2->selectAll();
    QTest::keyClick(editor->RxDBRichEdit2, Qt::Key_Delete);
    click(editor.get(), "btnSave");
    EXPECT_TRUE(bank.value("select jx from tab_exer where a1='Q1'").isNull());
}

TEST_F(EditScreenTest, CancelDiscardsWhatWasTyped)
{
    open(QStringLiteral("Q1"));
    const QString before = bank.fullSnapshot();
    editor->RxDBRichEdit1->insertPlainText(QStringLiteral("不要了"));
    QTest::keyClicks(in().Edit1, QStringLiteral("D"));
    deletePoint(0);
    click(editor.get(), "btnCancel");
    EXPECT_EQ(editor->result(), QDialog::Rejected);
    EXPECT_EQ(bank.fullSnapshot(), before);
    EXPECT_EQ(bank.dm.Cn1Query_tm->text(QStringLiteral("a2")), QStringLiteral("AB"));
    EXPECT_EQ(bank.dm.Cn1Query_tm->state(), store::Dataset::State::Browse);
}

TEST_F(EditScreenTest, AFailedSaveWritesNothingAndKeepsTheInputs)
{
    const struct {
        const char* table;
        const char* stem; // text added to the stem, so tab_exer is written too
    } cases[] = {{"tab_rule", ""}, {"tab_exer", "新"}, {"tab_answ", ""}};
    for (const auto& c : cases) {
        bank.breakTable(QString::fromLatin1(c.table), QStringLiteral("update"));
        open(QStringLiteral("Q1"));
        editor->RxDBRichEdit1->insertPlainText(QString::fromUtf8(c.stem));
        in().Edit1->setText(QStringLiteral("DB"));
        deletePoint(0);
        const QString before = bank.fullSnapshot();
        prompts.clear();
        click(editor.get(), "btnSave");
        ASSERT_EQ(prompts.asked().size(), 1u) << c.table;
        EXPECT_TRUE(asked().front().startsWith(QStringLiteral("保存试题出现错误！")));
        EXPECT_TRUE(editor->isVisible());
        EXPECT_EQ(bank.fullSnapshot(), before) << c.table;
        EXPECT_EQ(in().Edit1->text(), QStringLiteral("DB"));
        EXPECT_EQ(in().pointIds().size(), 2);
        EXPECT_EQ(bank.dm.Cn1Query_tm->text(QStringLiteral("a2")), QStringLiteral("AB"));
        EXPECT_EQ(bank.dm.Cn1Query_tm->integer(QStringLiteral("ecount")), 0);
        bank.db().execScript(QStringLiteral("drop trigger break_%1_update").arg(QString::fromLatin1(c.table)));
    }
}

TEST_F(EditScreenTest, AnAnswerThatCanNeverBeRightIsRefusedAndKept)
{
    open(QStringLiteral("Q1"));
    in().Edit1->setText(QStringLiteral("AE"));
    const QString before = bank.fullSnapshot();
    click(editor.get(), "btnSave");
    EXPECT_EQ(asked(), QStringList({QStringLiteral("试题答案与题型“多选”不符：应为 A～D 中不重复的字母！")}));
    EXPECT_EQ(bank.fullSnapshot(), before);
    EXPECT_TRUE(editor->isVisible());
    EXPECT_EQ(in().Edit1->text(), QStringLiteral("AE"));
    EXPECT_EQ(in().pointIds().size(), 3);

    // Letters typed out of order are stored in the order the practice page reads them.
    in().Edit1->setText(QStringLiteral("DB"));
    click(editor.get(), "btnSave");
    EXPECT_EQ(column(bank, QStringLiteral("Q1"), "a2"), QStringLiteral("BD"));
}

TEST_F(EditScreenTest, LabelsTheInputsAsQuestionEntryDoes)
{
    open(QStringLiteral("Q1"));
    TFrmInPut entry;
    QuestionInputs& other = *entry.inputs;
    const std::pair<QLabel*, QLabel*> labels[] = {{in().optionsLabel, other.optionsLabel},
                                                  {in().answerLabel, other.answerLabel},
                                                  {in().typeLabel, other.typeLabel},
                                                  {in().pointsLabel, other.pointsLabel}};
    for (const auto& [mine, theirs] : labels) {
        EXPECT_EQ(mine->text(), theirs->text());
        EXPECT_EQ(mine->buddy()->accessibleName(), theirs->buddy()->accessibleName());
    }
    EXPECT_EQ(in().optionsLabel->text(), QStringLiteral("待选答案个数："));
    EXPECT_EQ(in().answerLabel->text(), QStringLiteral("试题答案："));

    // The limit message names the points as the label does.
    for (int i = 0; in().pointIds().size() < 10; ++i)
        in().addPoint(QStringLiteral("p%1").arg(i), QStringLiteral("p"));
    click(editor.get(), "addPointButton");
    EXPECT_EQ(asked(), QStringList({QStringLiteral("试题对应考点最多为10条！\r如果要去掉考点，请选中要\r去掉的考点，再按键盘上的\r[Delete]键！")}));
}

TEST_F(EditScreenTest, CompactArrangement)
{
    app::ScreenSizeTag = QStringLiteral("800");
    TfrmTedit& f = open(QStringLiteral("Q1"));
    EXPECT_EQ(f.size(), QSize(780, 490));
    EXPECT_GE(f.RxDBRichEdit2->height(), 60);
}

} // namespace
