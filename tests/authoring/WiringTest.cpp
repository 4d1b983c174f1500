#include "authoring/QuestionInputs.h"
#include "authoring/ScreenSupport.h"
#include "authoring/TFrmInPut.h"
#include "authoring/TfrmTedit.h"
#include "core/practice/ChooserRules.h"
#include "practice/TFrmLxxt.h"
#include "practice/TFrmkmmc.h"
#include "core/store/Dataset.h"
#include "core/store/Statistics.h"
#include "question/AnswerPages.h"
#include "core/question/AnswerRules.h"
#include "ui/CommandButton.h"
#include "ui/RichTextEdit.h"
#include "ui/RichTextView.h"
#include "support/WhenModal.h"

#include <QComboBox>
#include <QLCDNumber>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QTimer>

using namespace authoringtest;

namespace {

class WiringTest : public ScreenTest {
protected:
    void SetUp() override { bank.dm.AppDir = QStringLiteral(TESVORA_APPDIR "/"); }
};

TEST_F(WiringTest, ChooserEntersQuestionsIntoTheSelectedChapter)
{
    TFrmkmmc chooser;
    chooser.show();
    chooser.FormShow();
    ASSERT_TRUE(bank.dm.Cn1Table_kmmc->locate(QStringLiteral("C1"), QStringLiteral("010102")));
    const int before = chooser.epNum_all->intValue();

    WhenModal<TFrmInPut> entry([](TFrmInPut* f) {
        EXPECT_EQ(f->chapterId(), QStringLiteral("010102"));
        for (const char* answer : {"A", "B"}) {
            f->Re1->setPlainText(QStringLiteral("自己的题"));
            f->inputs->Edit1->setText(QString::fromLatin1(answer));
            QTest::mouseClick(f->btnSave, Qt::LeftButton);
        }
        QTest::mouseClick(f->btnClose, Qt::LeftButton);
    });
    ASSERT_TRUE(chooser.btnInput->isEnabled());
    QTest::mouseClick(chooser.btnInput, Qt::LeftButton);
    ASSERT_EQ(entry.seen(), 1);
    EXPECT_EQ(chooser.epNum_all->intValue(), before + 2);
    EXPECT_EQ(bank.dm.Cn1Table_kmmc->text(QStringLiteral("C1")), QStringLiteral("010102"));
    EXPECT_EQ(bank.dm.Cn1Table_kmmc->integer(QStringLiteral("C3")), 2);
    EXPECT_TRUE(prompts.asked().empty()) << asked().join('|').toStdString();

    // A part is not a chapter: nothing opens.
    ASSERT_TRUE(bank.dm.Cn1Table_kmmc->locate(QStringLiteral("C1"), QStringLiteral("01")));
    QTest::mouseClick(chooser.btnInput, Qt::LeftButton);
    EXPECT_EQ(asked(), QStringList({"请选择具体章节目录！"}));
    chooser.close();
}

TEST_F(WiringTest, PracticeScreenEditsTheQuestionItShows)
{
    QuestionRow q;
    q.id = QStringLiteral("Q1");
    q.stem = QByteArrayLiteral("<p>旧题干</p>");
    bank.add(q);
    TFrmLxxt screen;
    ASSERT_EQ(screen.LoadQuestionSet({QStringLiteral("select %1 from tab_answ order by a1").arg(QLatin1String(practice::kQuestionColumns)), {}}),
              TFrmLxxt::Loaded::Questions);
    screen.show();
    screen.KZTimeCounter1->stop();
    EXPECT_TRUE(screen.Label24->text().isEmpty());

    bool timerWasOff = false;
    WhenModal<TfrmTedit> editor([&](TfrmTedit* f) {
        timerWasOff = !screen.Timer1->isActive();
        f->RxDBRichEdit1->setPlainText(QStringLiteral("新题干"));
        f->inputs->ComboBox1->setCurrentIndex(f->inputs->ComboBox1->findText(QStringLiteral("判断")));
        f->inputs->Edit1->setText(QStringLiteral("B"));
        QTest::mouseClick(f->btnSave, Qt::LeftButton);
    });
    ASSERT_TRUE(screen.epEfTrBtn11->isEnabled());
    QTest::mouseClick(screen.epEfTrBtn11, Qt::LeftButton);
    ASSERT_EQ(editor.seen(), 1);
    EXPECT_TRUE(timerWasOff);
    EXPECT_TRUE(screen.Timer1->isActive());
    EXPECT_EQ(screen.Label24->text(), QStringLiteral("本题被您修改过"));
    EXPECT_EQ(facts(bank.value("select A15 from tab_exer where a1='Q1'").toByteArray()).text, QStringLiteral("新题干"));
    EXPECT_EQ(screen.Re1->toPlainText(), QStringLiteral("新题干"));
    EXPECT_EQ(bank.dm.Cn1Query_tm->text(QStringLiteral("a2")), QStringLiteral("B"));
    // Now a true/false question: answered on the true/false page.
    EXPECT_EQ(screen.Notebook1->currentIndex(), practice::AnswerPageOfType(12, QStringLiteral("判断")));
    EXPECT_EQ(column(bank, "Q1", "ecount"), QStringLiteral("1"));

    // Cancelled, nothing changes and the timer runs again.
    WhenModal<TfrmTedit> cancelled([](TfrmTedit* f) {
        f->inputs->Edit1->setText(QStringLiteral("D"));
        QTest::mouseClick(f->btnCancel, Qt::LeftButton);
    });
    QTest::mouseClick(screen.epEfTrBtn11, Qt::LeftButton);
    ASSERT_EQ(cancelled.seen(), 1);
    EXPECT_EQ(column(bank, "Q1", "a2"), QStringLiteral("B"));
    EXPECT_TRUE(screen.Timer1->isActive());
    screen.close();
}

} // namespace
