#include "UpgradeFixture.h"

#include "core/app/AppState.h"
#include "app/Dispatcher.h"
#include "app/MenuScreens.h"
#include "common/Prompt.h"
#include "core/store/Backup.h"
#include "core/store/DataModule.h"
#include "ui/CommandButton.h"
#include "update/Tfrmstxz.h"

#include <QApplication>
#include <QGroupBox>
#include <QTimer>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

class TfrmstxzTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        app::resetAppState();
        QDir().mkpath(dir.file(QStringLiteral("data")));
        fixture::makeBank(bank);
        ASSERT_TRUE(dm.openBank(bank));
        DM1 = &dm;
    }
    void TearDown() override
    {
        Tfrmstxz::setFileChooser({});
        DM1 = nullptr;
        app::resetAppState();
    }
    QString upgradeFile(const QString& name)
    {
        const QString path = dir.file(name);
        fixture::addNewPart(*fixture::makeUpgrade(path));
        return path;
    }
    static void click(QAbstractButton* b) { QTest::mouseClick(b, Qt::LeftButton); }

    TempDir dir;
    QString bank = dir.file(QStringLiteral("data/ZT468913.db"));
    TDM1 dm;
};

} // namespace

TEST_F(TfrmstxzTest, BothSizesShowTheNamedElements)
{
    for (const char* tag : {"1024", "800"}) {
        SCOPED_TRACE(tag);
        app::ScreenSizeTag = QString::fromLatin1(tag);
        Tfrmstxz f;
        f.show();
        EXPECT_EQ(f.windowTitle(), QStringLiteral("题库升级"));
        EXPECT_EQ(f.size(), QString::fromLatin1(tag) == QLatin1String("800") ? QSize(460, 264) : QSize(540, 300));
        EXPECT_TRUE(f.rbLocal->isChecked());
        EXPECT_EQ(f.RadioGroup1->title(), QStringLiteral("选择升级方式"));
        EXPECT_EQ(f.Label1->text(), QStringLiteral("建议先下载升级题库，然后选择本地升级！"));
        for (const char* name : {"RadioGroup1", "Edit1", "SpeedButton1", "epFocusButton1", "epFocusButton3"}) {
            auto* w = f.findChild<QWidget*>(QString::fromLatin1(name));
            ASSERT_NE(w, nullptr) << name;
            EXPECT_FALSE(w->accessibleName().isEmpty()) << name;
            // Every element fits inside the window at this size.
            EXPECT_TRUE(f.rect().contains(QRect(w->mapTo(&f, QPoint(0, 0)), w->size()))) << name;
        }
        // Tab goes from the path to the folder button and the two commands.
        EXPECT_EQ(f.Edit1->nextInFocusChain(), f.SpeedButton1);
        EXPECT_EQ(f.SpeedButton1->nextInFocusChain(), f.epFocusButton1);
        EXPECT_EQ(f.epFocusButton1->nextInFocusChain(), f.epFocusButton3);
        EXPECT_TRUE(f.SpeedButton1->focusPolicy() & Qt::TabFocus);
    }
}

TEST_F(TfrmstxzTest, ACandidateUpgradesOnceAndIsToldOfEachRefusal)
{
    const QString file = upgradeFile(QStringLiteral("演示 升级'1.db"));
    const QString junk = dir.file(QStringLiteral("junk.db"));
    fixture::writeFile(junk, QByteArray(4096, 'j'));
    prompt::Script script;
    Tfrmstxz f;
    f.show();

    // Nothing chosen yet.
    click(f.epFocusButton1);
    // The folder button puts the chosen file into the path.
    QString filter;
    Tfrmstxz::setFileChooser([&](QWidget*, const QString& f) {
        filter = f;
        return file;
    });
    click(f.SpeedButton1);
    EXPECT_TRUE(filter.startsWith(QStringLiteral("升级文件"))) << filter.toStdString();
    EXPECT_TRUE(filter.endsWith(QStringLiteral("所有文件(*)"))) << filter.toStdString();
    EXPECT_EQ(f.Edit1->text(), QDir::toNativeSeparators(file));
    click(f.epFocusButton1);
    ASSERT_NE(f.openFile(), nullptr);
    EXPECT_TRUE(f.lblBackup->text().contains(QStringLiteral("ZT468913-"))) << f.lblBackup->text().toStdString();
    EXPECT_EQ(dm.db().scalar(QStringLiteral("select count(*) from tab_answ where A10 = '020101'")).toInt(), 2);
    // Again, by the keyboard: Enter in the path starts.
    f.Edit1->setFocus();
    QTest::keyClick(f.Edit1, Qt::Key_Return);
    f.Edit1->setText(QStringLiteral("  ") + junk + QStringLiteral("  "));
    click(f.epFocusButton1);

    const std::vector<prompt::Asked>& asked = script.asked();
    ASSERT_EQ(asked.size(), 4u) << script.texts().join(QLatin1Char('|')).toStdString();
    struct Expect {
        const char* caption;
        QString text;
        prompt::Page page;
    } expected[] = {
        {"提示", QStringLiteral("请点击文件夹按钮选择升级文件！"), prompt::Page::Warning},
        {"提示", QStringLiteral("升级成功！\n新增试题 2 道。\n升级前的题库已备份为 %1。")
                    .arg(QFileInfo(store::listBackups(bank).first().path).fileName()),
         prompt::Page::Information},
        {"提示", QStringLiteral("您已升级过了！"), prompt::Page::Warning},
        {"错误", QStringLiteral("无法打开升级文件！"), prompt::Page::Error},
    };
    for (size_t i = 0; i < asked.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(asked[i].caption, QString::fromUtf8(expected[i].caption));
        EXPECT_EQ(asked[i].text, expected[i].text);
        EXPECT_EQ(asked[i].page, int(expected[i].page));
        EXPECT_EQ(asked[i].mode, int(prompt::Mode::Single));
        EXPECT_EQ(asked[i].variant, QStringLiteral("NO"));
    }
    EXPECT_EQ(store::listBackups(bank).size(), 1);

    // The screen stays usable; closing it lets go of the file.
    EXPECT_TRUE(f.isVisible());
    click(f.epFocusButton3);
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(f.openFile(), nullptr);
}

TEST_F(TfrmstxzTest, ClosingLetsGoOfTheOpenFile)
{
    prompt::Script script;
    Tfrmstxz f;
    f.show();
    f.Edit1->setText(upgradeFile(QStringLiteral("up.db")));
    click(f.epFocusButton1);
    ASSERT_NE(f.openFile(), nullptr);
    QTest::keyClick(&f, Qt::Key_Escape);
    EXPECT_EQ(f.openFile(), nullptr);
}

TEST_F(TfrmstxzTest, TheMenuWordSjOpensTheScreen)
{
    shell::Dispatcher d;
    shell::installMenuScreens(d);
    QString seen;
    // Looks at the modal screen once it runs, then closes it.
    QTimer::singleShot(0, [&] {
        if (auto* f = qobject_cast<Tfrmstxz*>(QApplication::activeModalWidget())) {
            seen = f->windowTitle();
            f->reject();
        }
    });
    // Never left hanging should the screen not be the modal one.
    QTimer::singleShot(3000, [] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* f = qobject_cast<Tfrmstxz*>(w))
                f->reject();
    });
    EXPECT_TRUE(d.dispatch(QStringLiteral("sj")));
    EXPECT_EQ(seen, QStringLiteral("题库升级"));
}
