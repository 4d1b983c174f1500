#include "app/Startup.h"

#include "common/Guard.h"
#include "common/Prompt.h"
#include "app/MenuScreens.h"
#include "app/MenuView.h"
#include "core/app/ShellRules.h"
#include "app/SingleInstance.h"
#include "common/TFrmDlg.h"
#include "common/TFrmProgress.h"
#include "app/TFrmStart.h"
#include "core/search/SearchIndex.h"
#include "core/store/DataModule.h"
#include "ui/Style.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QLoggingCategory>
#include <QScreen>
#include <QStandardPaths>
#include <QTranslator>

Q_LOGGING_CATEGORY(lcStartup, "tesvora.startup", QtWarningMsg)


namespace shell {

StartupOptions parseStartupArguments(const QStringList& arguments)
{
    StartupOptions o;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (a == QLatin1String("--quit-after-show"))
            o.quitAfterShow = true;
        else if (a == QLatin1String("--bank") && i + 1 < arguments.size())
            o.bankPath = arguments[++i];
        else if (a == QLatin1String("--instance") && i + 1 < arguments.size())
            o.instanceKey = arguments[++i];
    }
    return o;
}

Startup::Startup(StartupOptions options)
    : m_options(std::move(options))
{
    // The data folder is named after the program.
    QCoreApplication::setApplicationName(title());
    const QString exeDir = m_options.appDir.isEmpty() ? QCoreApplication::applicationDirPath() : m_options.appDir;
    const QString userDir = m_options.userDataDir.isEmpty()
                                ? QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)
                                : m_options.userDataDir;
    m_layout = locateBank({exeDir, installedShareDir(exeDir), userDir, m_options.bankPath});
    m_appDir = m_layout.resourceDir;
    if (!m_options.logicalDpi)
        m_options.logicalDpi = [] { return QGuiApplication::primaryScreen()->logicalDotsPerInchX(); };
    if (!m_options.screenSize)
        m_options.screenSize = [] { return QGuiApplication::primaryScreen()->size(); };
}

Startup::~Startup()
{
    m_main.reset();
    delete DM1; // clears DM1
    DM1 = nullptr;
}

void Startup::setTitle()
{
    ui::applyStyle(*qApp);
    QCoreApplication::setApplicationName(title());
    QGuiApplication::setApplicationDisplayName(title());
}

bool Startup::FindRunningInstance()
{
    const QString key = m_options.instanceKey.isEmpty() ? SingleInstance::defaultKey(title(), bankPath()) : m_options.instanceKey;
    m_instance = std::make_unique<SingleInstance>(key);
    return m_instance->handOverToRunning();
}

bool Startup::menuPlayable()
{
    if (MenuView::canLoad(menuPath()))
        return true;
    prompt::messageBox(prompt::Icon::Warning, QStringLiteral("提示"), QStringLiteral("无法加载菜单文件！请重新安装本软件。"));
    return false;
}

bool Startup::createDataModule()
{
    // First start of an installed copy: the candidate's own bank from the pristine one.
    if (QString why; !ensureBank(m_layout, &why))
        qCWarning(lcStartup) << "cannot create the bank:" << why;
    delete DM1;
    DM1 = new TDM1;
    DM1->AppDir = m_appDir;
    if (DM1->openBank(bankPath()) && DM1->ConnectOk)
        return true;
    // The candidate learns why: the kind's line under the fixed text.
    QString text = QStringLiteral("无法连接数据库！");
    if (const QString why = DM1->OpenFailure ? guard::kindText(*DM1->OpenFailure) : QString(); !why.isEmpty())
        text += QLatin1Char('\n') + why;
    delete DM1;
    DM1 = nullptr;
    prompt::messageBox(prompt::Icon::Error, QStringLiteral("错误"), text);
    return false;
}

bool Startup::buildSearchIndex()
{
    if (!DM1)
        return false;
    try {
        store::Connection& db = DM1->db();
        if (search::isBuilt(db))
            return true;
        const QString text = QStringLiteral("正在建立搜索索引...");
        progress::show(text);
        struct Hide {
            ~Hide() { progress::hide(); }
        } hide;
        search::buildIndex(db, [&text](int done, int total) {
            progress::setText(text + QStringLiteral(" %1%").arg(total > 0 ? done * 100 / total : 100));
        });
        return true;
    } catch (const std::exception& e) {
        qCWarning(lcStartup) << "no search index, search reads every question:" << e.what();
        return false;
    }
}

bool Startup::IsSmallFonts() const
{
    return isSmallFontsDpi(m_options.logicalDpi());
}

bool Startup::createMainWindow()
{
    if (!IsSmallFonts()) {
        prompt::messageBox(prompt::Icon::Warning, QStringLiteral("提示"),
                           QStringLiteral("推荐您在小字体下使用本软件，请在设置后重新运行！"));
        return false;
    }
    m_main = std::make_unique<TFrmStart>(m_appDir, m_options.screenSize());
    installMenuScreens(m_main->dispatcher());
    // The shared windows live from here to the end, as every screen expects.
    progressWindow();
    promptDialog();
    return true;
}

int Startup::exec()
{
    TFrmStart* w = m_main.get();
    if (m_instance)
        QObject::connect(m_instance.get(), &SingleInstance::showRequested, w, &TFrmStart::bringForward);
    QObject::connect(w, &TFrmStart::closed, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    if (m_options.quitAfterShow)
        QObject::connect(w, &TFrmStart::menuShown, w, &QWidget::close, Qt::QueuedConnection);
    w->showMaximized();
    return QApplication::exec();
}

QTranslator* Startup::loadQtTranslations()
{
    // The program speaks Chinese whatever the desktop's language is.
    auto translator = std::make_unique<QTranslator>(qApp);
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (!translator->load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qt"), QStringLiteral("_"), folder)) {
        qCWarning(lcStartup) << "no Chinese Qt translations in" << folder;
        return nullptr;
    }
    QCoreApplication::installTranslator(translator.get());
    return translator.release();
}

int Startup::run()
{
    loadQtTranslations();
    setTitle();
    if (FindRunningInstance())
        return 0;
    if (!menuPlayable() || !createDataModule() || !createMainWindow())
        return 1;
    buildSearchIndex();
    return exec();
}

} // namespace shell
