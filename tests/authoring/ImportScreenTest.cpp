// 试题导入 and 导出试题 on real widgets: the preview, cancel, import from the chooser,
// the template, and an exported file read back.
#include "authoring/QuestionExport.h"
#include "authoring/ScreenSupport.h"
#include "authoring/TFrmImport.h"
#include "common/TFrmProgress.h"
#include "core/authoring/AuthoringRules.h"
#include "core/app/Preferences.h"
#include "core/authoring/QuestionImport.h"
#include "core/exchange/Exchange.h"
#include "core/exchange/Table.h"
#include "core/store/Dataset.h"
#include "practice/TFrmkmmc.h"
#include "support/TempBank.h"
#include "support/WhenModal.h"
#include "ui/CommandButton.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <cstdio>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLCDNumber>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>

using namespace authoringtest;

namespace {

// Two good questions and, between them, one whose answer names an option it lacks.
const char kBrokenCsv[] = "题型,题干,选项A,选项B,选项C,选项D,选项E,选项F,答案,解析,考点\n"
                          "单选,后进先出的结构是,栈,队列,数组,链表,,,A,栈的定义,\n"
                          "单选,先进先出的结构是,栈,队列,数组,链表,,,E,,\n"
                          "判断,死锁可以避免,,,,,,,对,,\n";

class ImportScreenTest : public ScreenTest {
protected:
    void SetUp() override
    {
        bank.dm.AppDir = QStringLiteral(TESVORA_APPDIR "/");
        m_prefs = prefs::setFile(dir.file(QStringLiteral("prefs.ini")));
    }
    void TearDown() override
    {
        authoring::setFileChooser({});
        prefs::setFile(m_prefs);
    }

    QString write(const QString& name, const QByteArray& bytes)
    {
        const QString path = dir.file(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    }
    qint64 questions() { return bank.number(QStringLiteral("select count(*) from tab_answ")); }

    TempDir dir;
    QString m_prefs;
};

TEST_F(ImportScreenTest, PreviewListsEveryQuestionAndCancelWritesNothing)
{
    const QString file = write(QStringLiteral("broken.csv"), kBrokenCsv);
    const QString rows = bank.fullSnapshot();
    const QByteArray bytes = fileDigest(bank.path);
    const QByteArray wal = fileDigest(bank.path + QStringLiteral("-wal"));

    TFrmImport screen;
    screen.setChapter(QStringLiteral("010101"), QStringLiteral("试题导入 [数据结构]"));
    // The file comes through the program's file dialog.
    QString offered;
    authoring::setFileChooser([&](QWidget*, const authoring::FileRequest& r) {
        offered = r.filter;
        EXPECT_FALSE(r.save);
        return file;
    });
    screen.show();
    QTest::mouseClick(screen.btnFile, Qt::LeftButton);
    EXPECT_TRUE(offered.contains(QStringLiteral("*.xlsx")) && offered.contains(QStringLiteral("*.gift"))) << offered.toStdString();

    ASSERT_EQ(screen.previewRows(), 3);
    EXPECT_EQ(screen.previewText(0, 0), QStringLiteral("第1题"));
    EXPECT_EQ(screen.previewText(0, 1), QStringLiteral("单选"));
    EXPECT_EQ(screen.previewText(0, 2), QStringLiteral("后进先出的结构是"));
    EXPECT_EQ(screen.previewText(0, 3), QStringLiteral("A"));
    EXPECT_TRUE(screen.previewText(0, 4).isEmpty());
    EXPECT_EQ(screen.previewText(1, 0), QStringLiteral("第2题"));
    EXPECT_TRUE(screen.previewText(1, 4).contains(QStringLiteral("第2题：答案 E 超出 4 个选项"))) << screen.previewText(1, 4).toStdString();
    EXPECT_EQ(screen.previewText(2, 1), QStringLiteral("判断"));
    EXPECT_EQ(screen.previewText(2, 3), QStringLiteral("对"));
    EXPECT_TRUE(screen.summaryLabel->text().startsWith(QStringLiteral("可导入 2 道试题；1 道有问题"))) << screen.summaryLabel->text().toStdString();
    // A screen reader hears the summary, not a bare label.
    EXPECT_TRUE(screen.summaryLabel->accessibleName().contains(QStringLiteral("可导入 2 道试题")));
    // and so does 导入, where the keyboard lands after the preview.
    EXPECT_EQ(screen.focusWidget(), screen.btnImport);
    EXPECT_TRUE(screen.btnImport->accessibleDescription().startsWith(QStringLiteral("可导入 2 道试题")));
    EXPECT_TRUE(screen.btnImport->isEnabled());

    QTest::mouseClick(screen.btnCancel, Qt::LeftButton);
    EXPECT_FALSE(screen.isVisible());
    EXPECT_EQ(screen.savedCount(), 0);
    EXPECT_EQ(bank.fullSnapshot(), rows);
    EXPECT_EQ(fileDigest(bank.path), bytes);
    EXPECT_EQ(fileDigest(bank.path + QStringLiteral("-wal")), wal);
}

// Files that give nothing to import: the reason is shown, 导入 stays off, the bank is untouched.
TEST_F(ImportScreenTest, UnreadableFilesOfferNothing)
{
    struct Case {
        const char* name;
        QByteArray bytes;
        const char* says;
    };
    const Case cases[] = {
        {"empty.csv", "", ""},
        {"unclosed.gift", "问题一{=甲 ~乙\n", "1 道有问题"},
        {"wrong.xml", "<?xml version=\"1.0\"?><quiz><question type=\"multichoice\">", ""},
        {"picture.png", "\x89PNG\r\n", ""},
        {"missing.csv", QByteArray(), ""},
    };
    const qint64 before = questions();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = QString::fromLatin1(c.name) == u"missing.csv" ? dir.file(QStringLiteral("none/missing.csv"))
                                                                          : write(QString::fromLatin1(c.name), c.bytes);
        TFrmImport screen;
        screen.setChapter(QStringLiteral("010101"), QStringLiteral("试题导入"));
        screen.show();
        screen.pathEdit->setText(path);
        QTest::keyClick(screen.pathEdit, Qt::Key_Return);
        EXPECT_FALSE(screen.btnImport->isEnabled());
        EXPECT_FALSE(screen.summaryLabel->text().isEmpty());
        EXPECT_FALSE(screen.summaryLabel->text().startsWith(QStringLiteral("可导入"))) << screen.summaryLabel->text().toStdString();
        EXPECT_TRUE(screen.summaryLabel->text().contains(QString::fromUtf8(c.says))) << screen.summaryLabel->text().toStdString();
        screen.btnImportClick(); // what a stray key could reach: still nothing
    }
    EXPECT_EQ(questions(), before);
}

TEST_F(ImportScreenTest, ChooserImportsIntoTheSelectedChapterAndCountsThem)
{
    const QString file = write(QStringLiteral("good.gift"), "::栈::后进先出的结构是{=栈 ~队列 ~数组}\n\n死锁可以避免{T}\n\n论述进程与线程的区别{}\n");
    TFrmkmmc chooser;
    chooser.show();
    chooser.FormShow();
    ASSERT_TRUE(bank.dm.Cn1Table_kmmc->locate(QStringLiteral("C1"), QStringLiteral("010102")));
    const int before = chooser.epNum_all->intValue();
    const qint64 c3 = bank.chapterC3(QStringLiteral("010102"));

    WhenModal<TFrmImport> import([&](TFrmImport* f) {
        EXPECT_EQ(f->chapterId(), QStringLiteral("010102"));
        f->pathEdit->setText(file);
        QTest::keyClick(f->pathEdit, Qt::Key_Return);
        EXPECT_EQ(f->previewRows(), 3);
        // After the preview the keyboard is on 导入.
        EXPECT_TRUE(f->btnImport->hasFocus());
        QTest::mouseClick(f->btnImport, Qt::LeftButton);
    });
    ASSERT_TRUE(chooser.btnImport->isEnabled());
    QTest::mouseClick(chooser.btnImport, Qt::LeftButton);
    ASSERT_EQ(import.seen(), 1);
    EXPECT_EQ(chooser.epNum_all->intValue(), before + 3);
    EXPECT_EQ(bank.chapterC3(QStringLiteral("010102")), c3 + 3);
    EXPECT_EQ(bank.dm.Cn1Table_kmmc->text(QStringLiteral("C1")), QStringLiteral("010102"));
    EXPECT_EQ(bank.dm.Cn1Table_kmmc->integer(QStringLiteral("C3")), c3 + 3);
    EXPECT_EQ(asked(), QStringList{QStringLiteral("已导入 3 道试题。")});
    // Each one the candidate's own, like an entered one.
    EXPECT_EQ(authoring::ownQuestionIds(bank.db(), QStringLiteral("010102")).size(), 3);

    // A part is not a chapter: nothing opens.
    prompts.clear();
    ASSERT_TRUE(bank.dm.Cn1Table_kmmc->locate(QStringLiteral("C1"), QStringLiteral("01")));
    QTest::mouseClick(chooser.btnImport, Qt::LeftButton);
    EXPECT_EQ(import.seen(), 1);
    EXPECT_EQ(prompts.asked().size(), 1u);
}

// 下载模板 writes each template; filled in, it comes back through the preview.
TEST_F(ImportScreenTest, TemplateRoundTrip)
{
    for (const char* suffix : {"csv", "xlsx"}) {
        SCOPED_TRACE(suffix);
        const bool xlsx = QLatin1String(suffix) == u"xlsx";
        const QString base = dir.file(QStringLiteral("模板%1").arg(QLatin1String(suffix)));
        TFrmImport screen;
        screen.setChapter(QStringLiteral("010101"), QStringLiteral("试题导入"));
        // The name typed without an ending takes the one of the chosen type.
        authoring::setFileChooser([&](QWidget*, const authoring::FileRequest& r) {
            EXPECT_TRUE(r.save);
            if (r.selectedFilter)
                *r.selectedFilter = r.filter.split(QStringLiteral(";;")).value(xlsx ? 1 : 0);
            return base;
        });
        prompts.clear();
        QTest::mouseClick(screen.btnTemplate, Qt::LeftButton);
        const QString path = base + QLatin1Char('.') + QLatin1String(suffix);
        ASSERT_TRUE(QFile::exists(path));
        ASSERT_EQ(prompts.asked().size(), 1u);
        EXPECT_TRUE(prompts.asked()[0].text.contains(QStringLiteral("模板已保存")));

        // Read back, the header is the template's columns and nothing else.
        const exchange::ReadResult empty = exchange::readQuestionFile(path);
        EXPECT_TRUE(empty.questions.empty());
        std::vector<exchange::Question> one(1);
        one[0].kind = exchange::Kind::Multiple;
        one[0].stem = QStringLiteral("线性结构有");
        one[0].options = {QStringLiteral("栈"), QStringLiteral("树"), QStringLiteral("队列")};
        one[0].answer = QStringLiteral("AC");
        const QByteArray filled = xlsx ? exchange::writeXlsx(one) : exchange::writeCsv(one);
        if (!xlsx) // the template's header row is what a filled-in file starts with
            EXPECT_TRUE(filled.startsWith(exchange::csvTemplate()));
        const QString back = write(QStringLiteral("filled.") + QLatin1String(suffix), filled);
        screen.loadPreview(back);
        ASSERT_EQ(screen.previewRows(), 1);
        EXPECT_EQ(screen.previewText(0, 1), QStringLiteral("多选"));
        EXPECT_EQ(screen.previewText(0, 3), QStringLiteral("AC"));
        EXPECT_TRUE(screen.btnImport->isEnabled());
    }
}

// A file as large as the running numbers allow: the preview, then the import under the
// progress window, which counts up to the last question and is gone after. Prints the times.
TEST_F(ImportScreenTest, LargeFileUnderTheProgressWindow)
{
    std::vector<exchange::Question> qs(authoring::kMaxRunningNumber);
    for (int i = 0; i < int(qs.size()); ++i) {
        qs[size_t(i)].stem = QStringLiteral("第%1题：后进先出的结构是").arg(i + 1);
        qs[size_t(i)].options = {QStringLiteral("栈"), QStringLiteral("队列"), QStringLiteral("数组")};
        qs[size_t(i)].answer = QStringLiteral("A");
    }
    const QString file = write(QStringLiteral("large.csv"), exchange::writeCsv(qs));
    TFrmImport screen;
    screen.setChapter(QStringLiteral("010101"), QStringLiteral("试题导入"));
    screen.show();
    QElapsedTimer timer;
    timer.start();
    screen.loadPreview(file);
    const qint64 previewMs = timer.restart();
    ASSERT_EQ(screen.previewRows(), authoring::kMaxRunningNumber);
    QTest::mouseClick(screen.btnImport, Qt::LeftButton);
    const qint64 importMs = timer.elapsed();
    EXPECT_EQ(screen.savedCount(), authoring::kMaxRunningNumber);
    EXPECT_EQ(progress::text(), QStringLiteral("正在导入试题 9999 / 9999"));
    EXPECT_FALSE(progress::isShown());
    EXPECT_EQ(bank.chapterC3(QStringLiteral("010101")), authoring::kMaxRunningNumber);
    std::printf("[ time ] 9999 questions through the import screen: preview %lld ms, import %lld ms\n",
                static_cast<long long>(previewMs), static_cast<long long>(importMs));
}

// 导出试题 writes every format offered; each file (but the flash cards) reads back the same questions.
TEST_F(ImportScreenTest, ExportWritesFilesThatImportBack)
{
    const QString file = write(QStringLiteral("in.gift"),
                               "后进先出的结构是{=栈 ~队列 ~数组}\n\n线性结构有{~%50%栈 ~树 ~%50%队列}\n\n死锁可以避免{T}\n\n"
                               "进程是资源分配的{=单位}\n\n论述进程与线程的区别{}\n");
    authoring::ImportRequest into;
    into.chapter = QStringLiteral("010101");
    const authoring::ImportResult r = authoring::importQuestions(bank.db(), exchange::readQuestionFile(file), into);
    ASSERT_EQ(r.saved, 5) << r.error.toStdString();
    // Asked for in an order of the caller's own, and one id twice.
    QStringList ids = r.ids;
    std::reverse(ids.begin(), ids.end());
    ids << r.ids[0] << QStringLiteral("no such id");
    const std::vector<exchange::Question> original = authoring::questionsByIds(bank.db(), ids);
    ASSERT_EQ(original.size(), 5u);
    EXPECT_EQ(original[0].title, r.ids[4]);
    EXPECT_EQ(original[4].title, r.ids[0]);

    for (exchange::Format format : {exchange::Format::Csv, exchange::Format::Xlsx, exchange::Format::Gift, exchange::Format::Aiken,
                                    exchange::Format::MoodleXml, exchange::Format::FlashCards}) {
        SCOPED_TRACE(exchange::formatName(format).toStdString());
        const QString suffix = format == exchange::Format::Csv      ? QStringLiteral("csv")
                               : format == exchange::Format::Xlsx   ? QStringLiteral("xlsx")
                               : format == exchange::Format::Gift   ? QStringLiteral("gift")
                               : format == exchange::Format::Aiken  ? QStringLiteral("txt")
                               : format == exchange::Format::MoodleXml ? QStringLiteral("xml")
                                                                    : QStringLiteral("tsv");
        prompts.clear();
        QString written;
        WhenModal<authoring::TFrmExport> dialog([&](authoring::TFrmExport* d) {
            EXPECT_EQ(d->countLabel->text(), QStringLiteral("共 5 道试题"));
            d->setFormat(format);
            EXPECT_EQ(d->format(), format);
            // The suggested name, with the ending of the format.
            EXPECT_TRUE(d->pathEdit->text().endsWith(QStringLiteral("错题本.") + suffix)) << d->pathEdit->text().toStdString();
            d->pathEdit->setText(dir.file(QStringLiteral("out")));
            QTest::mouseClick(d->btnExport, Qt::LeftButton);
            written = d->writtenPath();
        });
        EXPECT_TRUE(authoring::exportQuestions(nullptr, ids, QStringLiteral("错题本"), true));
        ASSERT_EQ(dialog.seen(), 1);
        ASSERT_FALSE(written.isEmpty());
        ASSERT_TRUE(QFile::exists(written));
        EXPECT_EQ(QFileInfo(written).completeBaseName(), QStringLiteral("out"));
        ASSERT_EQ(prompts.asked().size(), 1u);
        EXPECT_TRUE(prompts.asked()[0].text.startsWith(QStringLiteral("已导出 %1 道试题").arg(format == exchange::Format::Aiken ? 1 : 5)))
            << prompts.asked()[0].text.toStdString();
        if (format == exchange::Format::FlashCards) {
            QFile f(written);
            ASSERT_TRUE(f.open(QIODevice::ReadOnly));
            EXPECT_EQ(f.readAll().count('\n'), 2 + 5);
            continue;
        }
        const exchange::ReadResult back = exchange::readQuestionFile(written);
        ASSERT_TRUE(back.fileOk) << back.summary().toStdString();
        std::vector<const exchange::Question*> expected;
        for (const auto& q : original)
            if (format != exchange::Format::Aiken || q.kind == exchange::Kind::Single)
                expected.push_back(&q);
        ASSERT_EQ(back.questions.size(), expected.size());
        for (size_t i = 0; i < expected.size(); ++i) {
            EXPECT_EQ(back.questions[i].kind, expected[i]->kind);
            EXPECT_EQ(exchange::htmlToPlain(back.questions[i].stem).simplified(), exchange::htmlToPlain(expected[i]->stem).simplified());
            EXPECT_EQ(back.questions[i].options, expected[i]->options);
            EXPECT_EQ(back.questions[i].answer, expected[i]->answer);
        }
    }
}

TEST_F(ImportScreenTest, ExportTellsWhatWentWrong)
{
    std::vector<exchange::Question> one(1);
    one[0].kind = exchange::Kind::TrueFalse;
    one[0].stem = QStringLiteral("死锁可以避免");
    one[0].answer = QStringLiteral("A");
    authoring::TFrmExport d(one, QStringLiteral("试题"), false);
    d.show();
    // No flash cards unless offered.
    EXPECT_EQ(d.formatBox->findData(int(exchange::Format::FlashCards)), -1);

    // A folder that does not exist.
    d.pathEdit->setText(dir.file(QStringLiteral("no/such/folder/out.csv")));
    QTest::mouseClick(d.btnExport, Qt::LeftButton);
    EXPECT_TRUE(d.isVisible());
    ASSERT_EQ(prompts.asked().size(), 1u);
    EXPECT_TRUE(prompts.asked()[0].text.startsWith(QStringLiteral("文件夹不存在")));

    // Aiken cannot carry a judgement: no file, and it says so.
    prompts.clear();
    d.setFormat(exchange::Format::Aiken);
    EXPECT_TRUE(d.formatNote->text().contains(QStringLiteral("只能保存单选题")));
    d.pathEdit->setText(dir.file(QStringLiteral("aiken")));
    QTest::mouseClick(d.btnExport, Qt::LeftButton);
    EXPECT_TRUE(d.isVisible());
    EXPECT_FALSE(QFile::exists(dir.file(QStringLiteral("aiken.txt"))));
    ASSERT_EQ(prompts.asked().size(), 1u);

    // A file already there is replaced only when the candidate says so.
    const QString there = dir.file(QStringLiteral("there.csv"));
    write(QStringLiteral("there.csv"), "keep me");
    d.setFormat(exchange::Format::Csv);
    d.pathEdit->setText(there);
    {
        prompt::Script no({prompt::Cancel});
        QTest::mouseClick(d.btnExport, Qt::LeftButton);
        ASSERT_EQ(no.asked().size(), 1u);
        EXPECT_TRUE(no.asked()[0].text.startsWith(QStringLiteral("文件已存在")));
    }
    QFile kept(there);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray("keep me"));
    EXPECT_TRUE(d.isVisible());

    // A folder in the way of the file: the write fails and the dialog stays.
    prompts.clear();
    d.setFormat(exchange::Format::Csv);
    QDir().mkpath(dir.file(QStringLiteral("taken.csv")));
    d.pathEdit->setText(dir.file(QStringLiteral("taken.csv")));
    QTest::mouseClick(d.btnExport, Qt::LeftButton);
    EXPECT_TRUE(d.isVisible());
    EXPECT_TRUE(d.writtenPath().isEmpty());
    ASSERT_FALSE(prompts.asked().empty());
    EXPECT_TRUE(prompts.asked().back().text.startsWith(QStringLiteral("导出试题失败"))) << prompts.asked().back().text.toStdString();
}

// The chooser's 导出试题 offers the candidate's own questions of the chapter only.
TEST_F(ImportScreenTest, ChooserExportsTheChaptersOwnQuestions)
{
    TFrmkmmc chooser;
    chooser.show();
    chooser.FormShow();
    ASSERT_TRUE(bank.dm.Cn1Table_kmmc->locate(QStringLiteral("C1"), QStringLiteral("010101")));
    QTest::mouseClick(chooser.btnExport, Qt::LeftButton);
    ASSERT_EQ(prompts.asked().size(), 1u);
    EXPECT_TRUE(prompts.asked()[0].text.startsWith(QStringLiteral("本章没有您加入的试题")));

    authoring::ImportRequest into;
    into.chapter = QStringLiteral("010101");
    const QString file = write(QStringLiteral("two.gift"), "后进先出的结构是{=栈 ~队列}\n\n死锁可以避免{F}\n");
    ASSERT_EQ(authoring::importQuestions(bank.db(), exchange::readQuestionFile(file), into).saved, 2);
    int count = -1;
    WhenModal<authoring::TFrmExport> dialog([&](authoring::TFrmExport* d) {
        count = d->countLabel->text() == QStringLiteral("共 2 道试题") ? 2 : 0;
        QTest::mouseClick(d->btnCancel, Qt::LeftButton);
    });
    QTest::mouseClick(chooser.btnExport, Qt::LeftButton);
    EXPECT_EQ(dialog.seen(), 1);
    EXPECT_EQ(count, 2);
}

} // namespace
