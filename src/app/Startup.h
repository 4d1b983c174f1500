#pragma once

#include "core/app/BankLocation.h"

#include <QSize>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class QTranslator;
class TFrmStart;

namespace shell {

class SingleInstance;

struct StartupOptions {
    QString appDir;      // the executable's folder; empty: where it really is
    QString bankPath;    // --bank PATH; empty: the portable or the candidate's own bank
    QString userDataDir; // the candidate's data folder; empty: the platform's
    QString instanceKey; // --instance NAME; empty: "Tesvora-" + user + the bank
    bool quitAfterShow = false; // --quit-after-show: end once the menu is on screen
    // The screen as the checks see it; tests put other screens in.
    std::function<qreal()> logicalDpi;
    std::function<QSize()> screenSize;
};

// --bank PATH, --instance NAME, --quit-after-show; other arguments are ignored.
StartupOptions parseStartupArguments(const QStringList& arguments);

// The start-up sequence, one step at a time; each step runs only when the one
// before let it. run() does them all and then runs the program.
class Startup {
public:
    explicit Startup(StartupOptions options);
    ~Startup();
    Startup(const Startup&) = delete;
    Startup& operator=(const Startup&) = delete;

    static QString title() { return QStringLiteral("Tesvora"); }

    // Qt's own Chinese texts (file dialogs, standard buttons), from the system's Qt
    // translations; none when they are not installed: the dialogs stay in English.
    static QTranslator* loadQtTranslations();
    void setTitle();
    // True: a running instance was asked to come forward; this one ends silently.
    bool FindRunningInstance();
    // The menu drawing pic/main.svg loads; otherwise a warning, and false.
    bool menuPlayable();
    // Creates DM1 and connects to the bank; otherwise DM1 is destroyed, an error
    // is shown, and false.
    bool createDataModule();
    // A bank without the search index (one of an older program) gets it, under the
    // progress window. Search reads every question when there is none, so a failure
    // is only logged and the start goes on. False when the index is not there.
    bool buildSearchIndex();
    // The screen is set to 96 dots per inch ("small fonts").
    bool IsSmallFonts() const;
    // The font check, then the main window and the shared windows.
    bool createMainWindow();
    // Shows the main window and runs the event loop; the program's exit code.
    int exec();

    // All of the above. 0 when the program ran (or handed over), 1 when a check stopped it.
    int run();

    TFrmStart* mainWindow() const { return m_main.get(); }
    QString appDir() const { return m_appDir; }
    QString menuPath() const { return m_appDir + QStringLiteral("pic/main.svg"); }
    QString bankPath() const { return m_layout.bankPath; }
    const BankLayout& layout() const { return m_layout; }

private:
    StartupOptions m_options;
    BankLayout m_layout;
    QString m_appDir; // resources (pic/, sound/, htm/), with a trailing "/"
    std::unique_ptr<SingleInstance> m_instance;
    std::unique_ptr<TFrmStart> m_main;
};

} // namespace shell
