#include "ShellTestSupport.h"

#include "core/app/BankLocation.h"
#include "app/SingleInstance.h"
#include "support/TempBank.h"

#include <QFileInfo>
#include <unistd.h>

using namespace shell;

namespace {

// An install tree: <root>/bin (the executable's folder), <root>/share/tesvora with the
// pristine bank, and a home folder for the candidate's data.
struct InstallTree {
    QTemporaryDir root;
    QString bin() const { return root.path() + QStringLiteral("/bin"); }
    QString share() const { return installedShareDir(bin()); }
    QString userData() const { return root.path() + QStringLiteral("/home/.local/share/Tesvora"); }
    QString userBank() const { return userData() + QStringLiteral("/data/ZT468913.db"); }
    QString pristine() const { return share() + QStringLiteral("data/ZT468913.db"); }

    InstallTree()
    {
        QDir().mkpath(bin());
        QDir().mkpath(share() + QStringLiteral("data"));
        QFile::copy(QStringLiteral(TESVORA_DEMO_BANK), pristine());
    }
    BankPlaces places(const QString& bankOption = {}) const { return {bin(), share(), userData(), bankOption}; }
};

bool opensAsBank(const QString& path)
{
    try {
        auto db = store::Connection::open(path, store::bankKey(), store::Connection::Mode::ReadOnly);
        return db->scalar(QStringLiteral("select count(*) from tab_answ")).toInt() > 0;
    } catch (const store::DbError&) {
        return false;
    }
}

} // namespace

TEST(BankLocation, PortableInstalledAndChosenBanks)
{
    InstallTree tree;
    // A portable folder: the executable's folder holds a writable bank.
    ProgramFolder portable;
    ASSERT_TRUE(QFile::copy(QStringLiteral(TESVORA_DEMO_BANK), portable.bankPath()));
    QFile::setPermissions(portable.bankPath(), QFile::ReadOwner | QFile::WriteOwner);
    // A program folder with its pictures but no bank of its own.
    ProgramFolder pictures;
    pictures.addMenu();

    const struct {
        const char* name;
        BankPlaces places;
        QString resources, bank, pristine;
        bool portable;
    } cases[] = {
        {"portable", {portable.appDir(), tree.share(), tree.userData(), {}}, portable.appDir(), portable.bankPath(), {}, true},
        {"installed", tree.places(), tree.share(), tree.userBank(), tree.pristine(), false},
        {"installed, --bank", tree.places(QStringLiteral("/tmp/other.db")), tree.share(), QStringLiteral("/tmp/other.db"), {}, false},
        {"portable, --bank", {portable.appDir(), tree.share(), tree.userData(), QStringLiteral("/tmp/other.db")},
         portable.appDir(), QStringLiteral("/tmp/other.db"), {}, true},
        {"own pictures, --bank", {pictures.appDir(), tree.share(), tree.userData(), QStringLiteral("/tmp/other.db")},
         pictures.appDir(), QStringLiteral("/tmp/other.db"), {}, false},
        {"own pictures, no bank", {pictures.appDir(), tree.share(), tree.userData(), {}}, pictures.appDir(),
         tree.userBank(), pictures.appDir() + QStringLiteral("data/ZT468913.db"), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const BankLayout layout = locateBank(c.places);
        EXPECT_EQ(layout.resourceDir, c.resources);
        EXPECT_EQ(layout.bankPath, c.bank);
        EXPECT_EQ(layout.pristineBank, c.pristine);
        EXPECT_EQ(layout.portable, c.portable);
    }
    EXPECT_EQ(installedShareDir(QStringLiteral("/usr/bin")), QStringLiteral("/usr/share/tesvora/"));
}

// A program folder whose bank cannot be written (an install under /opt) is not portable.
TEST(BankLocation, ReadOnlyProgramFolderUsesTheCandidatesOwnBank)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root can write any file";
    InstallTree tree;
    ProgramFolder folder;
    ASSERT_TRUE(QFile::copy(QStringLiteral(TESVORA_DEMO_BANK), folder.bankPath()));
    QFile::setPermissions(folder.bankPath(), QFile::ReadOwner);
    const BankLayout layout = locateBank({folder.appDir(), tree.share(), tree.userData(), {}});
    EXPECT_FALSE(layout.portable);
    EXPECT_EQ(layout.bankPath, tree.userBank());
}

TEST(BankLocation, FirstStartCopiesThePristineBankAndLaterStartsKeepTheCandidatesOwn)
{
    InstallTree tree;
    const BankLayout layout = locateBank(tree.places());
    QString why;
    ASSERT_TRUE(ensureBank(layout, &why)) << why.toStdString();
    EXPECT_TRUE(opensAsBank(tree.userBank()));
    EXPECT_FALSE(QFileInfo::exists(tree.userBank() + QStringLiteral(".part")));

    // The candidate's answers live in their bank: a later start never copies over it.
    {
        auto db = store::Connection::open(tree.userBank(), store::bankKey());
        db->exec(QStringLiteral("update tab_answ set E3=7"));
    }
    const QByteArray before = fileDigest(tree.userBank());
    ASSERT_TRUE(ensureBank(layout));
    EXPECT_EQ(fileDigest(tree.userBank()), before);
}

TEST(BankLocation, AnInterruptedOrFailedCopyNeverLeavesHalfABank)
{
    InstallTree tree;
    const BankLayout layout = locateBank(tree.places());
    // What a start killed mid-copy leaves behind is replaced, not taken for the bank.
    QDir().mkpath(QFileInfo(tree.userBank()).absolutePath());
    {
        QFile half(tree.userBank() + QStringLiteral(".part"));
        ASSERT_TRUE(half.open(QIODevice::WriteOnly));
        half.write(QByteArray(4096, 'x'));
    }
    ASSERT_TRUE(ensureBank(layout));
    EXPECT_TRUE(opensAsBank(tree.userBank()));

    // A damaged pristine bank: no bank appears, and the reason is told.
    InstallTree broken;
    {
        QFile pristine(broken.pristine());
        ASSERT_TRUE(pristine.open(QIODevice::ReadWrite));
        pristine.resize(pristine.size() / 3);
    }
    QString why;
    EXPECT_FALSE(ensureBank(locateBank(broken.places()), &why));
    EXPECT_FALSE(why.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(broken.userBank()));
    EXPECT_FALSE(QFileInfo::exists(broken.userBank() + QStringLiteral(".part")));
}

TEST(BankLocation, OneInstancePerBank)
{
    TempDir dir;
    const QString a = dir.file(QStringLiteral("a.db"));
    const QString b = dir.file(QStringLiteral("b.db"));
    QFile::copy(QStringLiteral(TESVORA_DEMO_BANK), a);
    const QString title = QStringLiteral("Tesvora");
    EXPECT_NE(SingleInstance::defaultKey(title, a), SingleInstance::defaultKey(title, b));
    // The same file, however it is spelled, is the same instance.
    EXPECT_EQ(SingleInstance::defaultKey(title, a),
              SingleInstance::defaultKey(title, dir.dir.path() + QStringLiteral("/./a.db")));
    EXPECT_TRUE(SingleInstance::defaultKey(title, a).startsWith(SingleInstance::defaultKey(title)));
}
