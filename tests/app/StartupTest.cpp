#include "ShellTestSupport.h"

#include "app/MenuView.h"
#include "common/Prompt.h"
#include "app/SingleInstance.h"
#include "app/Startup.h"
#include "app/TFrmStart.h"
#include "common/TFrmProgress.h"
#include "core/search/Search.h"
#include "core/search/SearchIndex.h"
#include "../support/TempBank.h"

#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QTranslator>
#include <QUuid>
#include <algorithm>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using shell::SingleInstance;
using shell::Startup;
using shell::StartupOptions;

namespace {

QString uniqueKey()
{
    return QStringLiteral("TesvoraTest-") + QUuid::createUuid().toString(QUuid::Id128).left(12);
}

struct StartupTest : ShellTest {
    ProgramFolder folder;

    StartupOptions options(qreal dpi = 96, QSize screen = QSize(1024, 768)) const
    {
        StartupOptions o;
        o.appDir = folder.appDir();
        o.instanceKey = uniqueKey();
        o.quitAfterShow = true;
        o.logicalDpi = [dpi] { return dpi; };
        o.screenSize = [screen] { return screen; };
        return o;
    }
};

// A socket file with nobody behind it, as a crashed run leaves it.
void leaveStaleSocket(const QString& key)
{
    const QByteArray path = QFile::encodeName(QDir::tempPath() + QLatin1Char('/') + key);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    ASSERT_LT(size_t(path.size()), sizeof addr.sun_path);
    memcpy(addr.sun_path, path.constData(), path.size());
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ::close(fd); // the file stays, nobody listens
    ASSERT_TRUE(QFile::exists(QFile::decodeName(path)));
}

} // namespace

TEST_F(StartupTest, MissingOrBrokenMenuStopsBeforeTheBankIsTouched)
{
    folder.createBank();
    const QByteArray before = fileDigest(folder.bankPath());
    for (const char* menu : {static_cast<const char*>(nullptr), "", "<svg xmlns=\"http://www.w3.org/2000/svg\"><rect/></svg>", "not a drawing"}) {
        SCOPED_TRACE(menu ? menu : "missing");
        QFile::remove(folder.menuPath());
        if (menu)
            folder.writeFile(QStringLiteral("pic/main.svg"), menu);
        prompt::Script script;
        Startup s(options());
        EXPECT_EQ(s.run(), 1);
        ASSERT_EQ(script.asked().size(), 1u);
        EXPECT_EQ(script.asked()[0].kind, prompt::Asked::Kind::MessageBox);
        EXPECT_EQ(script.asked()[0].caption, QStringLiteral("提示"));
        EXPECT_EQ(script.asked()[0].text, QStringLiteral("无法加载菜单文件！请重新安装本软件。"));
        EXPECT_EQ(script.asked()[0].page, int(prompt::Icon::Warning));
        EXPECT_EQ(DM1, nullptr);
        EXPECT_EQ(s.mainWindow(), nullptr);
    }
    EXPECT_EQ(fileDigest(folder.bankPath()), before);
}

TEST_F(StartupTest, UnreachableBankEndsWithAnErrorAndLeavesTheFileAlone)
{
    folder.addMenu();
    TempDir other;
    const QString missing = QStringLiteral("题库文件不存在。");
    const QString notABank = QStringLiteral("文件不是本程序的题库，或者已经损坏。");
    const QString readOnly = QStringLiteral("题库文件是只读的，无法保存。");
    // A good bank in a folder of its own, for the read-only cases.
    const auto copyOfBank = [&](const QString& name) {
        QDir(other.dir.path()).mkpath(name);
        const QString p = other.file(name + QStringLiteral("/bank.db"));
        store::createBankSchema(*store::Connection::create(p, store::bankKey()));
        return p;
    };
    const struct {
        const char* name;
        std::function<QString()> make; // the bank path
        QString why;                   // the second line
    } cases[] = {
        {"missing", [&] { return folder.appDir() + QStringLiteral("data/none.db"); }, missing},
        {"another key", [&] {
             const QString p = other.file(QStringLiteral("key.db"));
             auto db = store::Connection::create(p, QByteArrayLiteral("not the bank key"));
             store::createBankSchema(*db);
             return p;
         }, notABank},
        {"not a database", [&] {
             const QString p = other.file(QStringLiteral("junk.db"));
             QFile f(p);
             f.open(QIODevice::WriteOnly);
             f.write(QByteArray(8192, '\x5a'));
             return p;
         }, notABank},
        {"empty file", [&] {
             const QString p = other.file(QStringLiteral("empty.db"));
             QFile f(p);
             f.open(QIODevice::WriteOnly);
             return p;
         }, notABank},
        {"a folder", [&] { return other.dir.path(); }, missing},
        {"a read-only file", [&] {
             const QString p = copyOfBank(QStringLiteral("ro-file"));
             QFile::setPermissions(p, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
             return p;
         }, readOnly},
        {"a read-only folder", [&] {
             const QString p = copyOfBank(QStringLiteral("ro-folder"));
             QFile::setPermissions(QFileInfo(p).absolutePath(), QFile::ReadOwner | QFile::ExeOwner);
             return p;
         }, readOnly},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = c.make();
        const bool existed = QFileInfo::exists(path);
        const QByteArray before = fileDigest(path);
        StartupOptions o = options();
        o.bankPath = path;
        prompt::Script script;
        Startup s(o);
        EXPECT_EQ(s.run(), 1);
        ASSERT_EQ(script.asked().size(), 1u);
        EXPECT_EQ(script.asked()[0].caption, QStringLiteral("错误"));
        EXPECT_EQ(script.asked()[0].text, QStringLiteral("无法连接数据库！\n") + c.why);
        EXPECT_EQ(script.asked()[0].page, int(prompt::Icon::Error));
        EXPECT_EQ(DM1, nullptr) << "the data module is destroyed";
        EXPECT_EQ(s.mainWindow(), nullptr);
        EXPECT_EQ(QFileInfo::exists(path), existed);
        EXPECT_EQ(fileDigest(path), before);
        EXPECT_FALSE(QFileInfo::exists(path + QStringLiteral("-wal")));
    }
}

TEST_F(StartupTest, LargeFontsAreRefusedBeforeTheMenuShows)
{
    folder.addMenu();
    folder.createBank();
    prompt::Script script;
    Startup s(options(120));
    EXPECT_EQ(s.run(), 1);
    ASSERT_EQ(script.asked().size(), 1u);
    EXPECT_EQ(script.asked()[0].caption, QStringLiteral("提示"));
    EXPECT_EQ(script.asked()[0].text, QStringLiteral("推荐您在小字体下使用本软件，请在设置后重新运行！"));
    EXPECT_EQ(script.asked()[0].page, int(prompt::Icon::Warning));
    EXPECT_EQ(s.mainWindow(), nullptr);
}

TEST_F(StartupTest, AGoodStartShowsTheMenuOnTheBank)
{
    folder.addMenu();
    folder.createBank();
    prompt::Script script;
    Startup s(options(96, QSize(800, 600)));
    EXPECT_EQ(s.run(), 0);
    EXPECT_TRUE(script.asked().empty());
    ASSERT_NE(s.mainWindow(), nullptr);
    EXPECT_TRUE(s.mainWindow()->ShockwaveFlash1->isLoaded());
    EXPECT_EQ(app::ScreenSizeTag, QStringLiteral("800"));
    EXPECT_EQ(app::CurrentPaperNo, 1);
    EXPECT_EQ(app::TypeIds, (QVector<int>{11, 14}));
    EXPECT_EQ(QCoreApplication::applicationName(), QStringLiteral("Tesvora"));
}

// A bank of an older program has no search index: the start builds it under the
// progress window, also where the index tables are gone altogether though its layout
// says they are there.
TEST_F(StartupTest, ABankWithoutTheSearchIndexGetsItAtTheStartOrIsSearchedWithoutIt)
{
    folder.addMenu();
    const auto queries = {QStringLiteral("进程"), QStringLiteral("的"), QStringLiteral("ｃｐｕ"), QStringLiteral("不存在的词")};
    const struct {
        const char* name;
        const char* change;
    } cases[] = {
        {"older layout", "drop table search_built; drop table search_fts; drop table search_doc; pragma user_version = 2;"},
        {"index emptied", "delete from search_built; delete from search_doc;"},
        {"tables dropped", "drop table search_built; drop table search_fts; drop table search_doc;"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(folder.bankPath());
        ASSERT_TRUE(QFile::copy(QStringLiteral(TESVORA_DEMO_BANK), folder.bankPath()));
        QFile::setPermissions(folder.bankPath(), QFile::ReadOwner | QFile::WriteOwner);
        {
            auto db = store::Connection::open(folder.bankPath(), store::bankKey());
            for (const QString& statement : QString::fromLatin1(c.change).split(QLatin1Char(';'), Qt::SkipEmptyParts))
                if (!statement.trimmed().isEmpty())
                    db->exec(statement.trimmed());
            ASSERT_FALSE(search::isBuilt(*db));
        }
        // What the progress window says while the start works.
        QStringList shown;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (progress::isShown() && !shown.contains(progress::text()))
                shown << progress::text();
        });
        watch.start(0);
        prompt::Script script;
        Startup s(options());
        EXPECT_EQ(s.run(), 0);
        watch.stop();
        EXPECT_TRUE(script.asked().empty()) << "nothing to tell the candidate";
        ASSERT_NE(s.mainWindow(), nullptr);
        EXPECT_TRUE(s.mainWindow()->ShockwaveFlash1->isLoaded());
        EXPECT_FALSE(progress::isShown());
        auto bank = store::Connection::open(folder.bankPath(), store::bankKey()); // the program closed its own
        store::Connection& db = *bank;
        EXPECT_TRUE(search::isBuilt(db));
        ASSERT_FALSE(shown.isEmpty());
        EXPECT_TRUE(shown.first().startsWith(QStringLiteral("正在建立搜索索引..."))) << shown.first().toStdString();
        for (const QString& q : queries)
            EXPECT_EQ(search::find(db, q, {}, 0), search::scan(db, q, {}, 0)) << q.toStdString();
    }
}

TEST_F(StartupTest, WithAnInstanceRunningTheStartHandsOverBeforeAnyCheck)
{
    // Neither a menu nor a bank here: nothing after the hand-over may run.
    StartupOptions o = options();
    SingleInstance running(o.instanceKey);
    ASSERT_FALSE(running.handOverToRunning());
    QSignalSpy asked(&running, &SingleInstance::showRequested);

    prompt::Script script;
    Startup s(o);
    EXPECT_EQ(s.run(), 0);
    EXPECT_TRUE(script.asked().empty()) << "the second start ends without a word";
    EXPECT_EQ(DM1, nullptr);
    EXPECT_EQ(s.mainWindow(), nullptr);
    EXPECT_TRUE(asked.wait(2000));
}

TEST_F(StartupTest, StandardDialogsSpeakChinese)
{
    const struct {
        const char* context;
        const char* source;
    } texts[] = {{"QFileDialog", "Look in:"}, {"QFileDialog", "File &name:"}, {"QPlatformTheme", "Cancel"},
                 {"QFileSystemModel", "Date Modified"}};
    QTranslator* translator = Startup::loadQtTranslations();
    ASSERT_NE(translator, nullptr) << "the Qt translations package is missing";
    for (const auto& t : texts) {
        const QString shown = QCoreApplication::translate(t.context, t.source);
        EXPECT_NE(shown, QString::fromLatin1(t.source)) << t.source;
        EXPECT_TRUE(std::any_of(shown.begin(), shown.end(), [](QChar c) { return c.script() == QChar::Script_Han; }))
            << t.source << " -> " << shown.toStdString();
    }
    QCoreApplication::removeTranslator(translator);
    delete translator;
}

TEST_F(StartupTest, ArgumentsForTestsAndDevelopment)
{
    const StartupOptions o = shell::parseStartupArguments(
        {QStringLiteral("tesvora"), QStringLiteral("--bank"), QStringLiteral("/tmp/x.db"), QStringLiteral("--quit-after-show"),
         QStringLiteral("--instance"), QStringLiteral("k1"), QStringLiteral("--unknown")});
    EXPECT_EQ(o.bankPath, QStringLiteral("/tmp/x.db"));
    EXPECT_EQ(o.instanceKey, QStringLiteral("k1"));
    EXPECT_TRUE(o.quitAfterShow);
    const StartupOptions none = shell::parseStartupArguments({QStringLiteral("tesvora"), QStringLiteral("--bank")});
    EXPECT_TRUE(none.bankPath.isEmpty());
    EXPECT_FALSE(none.quitAfterShow);
}

TEST(SingleInstanceTest, ASecondStartHandsOverAndTheFirstIsAsked)
{
    const QString key = uniqueKey();
    SingleInstance first(key);
    EXPECT_FALSE(first.handOverToRunning());
    EXPECT_TRUE(first.isListening());
    QSignalSpy asked(&first, &SingleInstance::showRequested);

    SingleInstance second(key);
    EXPECT_TRUE(second.handOverToRunning());
    EXPECT_FALSE(second.isListening());
    EXPECT_TRUE(asked.wait(2000));
    EXPECT_EQ(asked.size(), 1);

    // A bare connection (no request) does not disturb the running instance.
    QLocalSocket probe;
    probe.connectToServer(key);
    ASSERT_TRUE(probe.waitForConnected(1000));
    probe.disconnectFromServer();
    QTest::qWait(50);
    EXPECT_EQ(asked.size(), 1);
}

TEST(SingleInstanceTest, ASocketLeftByACrashDoesNotBlockTheNextStart)
{
    const QString key = uniqueKey();
    leaveStaleSocket(key);
    SingleInstance next(key);
    EXPECT_FALSE(next.handOverToRunning(300));
    EXPECT_TRUE(next.isListening());

    SingleInstance third(key);
    EXPECT_TRUE(third.handOverToRunning()) << "the new instance now answers";
}

TEST(SingleInstanceTest, TheNameBelongsToTheTitleAndTheUser)
{
    const QString key = SingleInstance::defaultKey(QStringLiteral("Tesvora"));
    EXPECT_TRUE(key.startsWith(QStringLiteral("Tesvora-")));
    EXPECT_GT(key.size(), 8);
    EXPECT_FALSE(key.contains(QLatin1Char('/')));
}

// Two real processes of the program.
struct TwoProcessesTest : ShellTest {
    ProgramFolder folder; // only its bank is used: the program runs from its build folder
    QString key = uniqueKey();
    QTemporaryDir runtime;

    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("tesvora.*.info=true"));
        return env;
    }
    void start(QProcess& p, QStringList extra = {}) const
    {
        p.setProcessEnvironment(environment());
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(QStringLiteral(TESVORA_EXECUTABLE),
                QStringList{QStringLiteral("--bank"), folder.bankPath(), QStringLiteral("--instance"), key} + extra);
        ASSERT_TRUE(p.waitForStarted(5000));
    }
    static bool waitForOutput(QProcess& p, const QString& text, QByteArray& seen, int ms = 8000)
    {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < ms) {
            seen += p.readAll();
            if (QString::fromUtf8(seen).contains(text))
                return true;
            if (p.state() == QProcess::NotRunning)
                return false;
            p.waitForReadyRead(100);
        }
        return false;
    }
};

TEST_F(TwoProcessesTest, TheSecondStartBringsTheFirstForwardAndLeavesSilently)
{
    folder.createBank();
    QProcess first;
    start(first);
    QByteArray firstOut;
    ASSERT_TRUE(waitForOutput(first, QStringLiteral("menu on screen"), firstOut)) << firstOut.constData();

    QProcess second;
    start(second);
    ASSERT_TRUE(second.waitForFinished(10000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    const QByteArray secondOut = second.readAll();
    EXPECT_FALSE(secondOut.contains("menu on screen")) << "the second start shows nothing";
    EXPECT_TRUE(waitForOutput(first, QStringLiteral("asked this one to show itself"), firstOut)) << firstOut.constData();
    EXPECT_EQ(first.state(), QProcess::Running);

    // A crash leaves the socket behind; the next start must still come up.
    first.kill();
    first.waitForFinished(5000);
    QProcess third;
    start(third, {QStringLiteral("--quit-after-show")});
    QByteArray thirdOut;
    EXPECT_TRUE(waitForOutput(third, QStringLiteral("menu on screen"), thirdOut)) << thirdOut.constData();
    ASSERT_TRUE(third.waitForFinished(10000));
    EXPECT_EQ(third.exitCode(), 0);
}
