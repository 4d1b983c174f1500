#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>

namespace shell {

// Turns the menu's command words into screens. Words are compared exactly
// (case-sensitive); a word without an opener does nothing, like an unknown one.
// The openers come from installMenuScreens (tests register their own):
//
//     dispatcher.setOpener("lx", [] { TFrmkmmc f; f.exec(); });
//
// The dispatcher does the table's bookkeeping around the opener: CurrentSubject
// before "lx" … "lx5", CurrentPaperNo after "mnks" … "mnks5", and the hourglass
// pointer while an hourglass screen is being prepared. "zsd" uses the opener of
// "ksdg" unless it has its own. While an opener runs (its modal screen is open)
// further words are ignored.
class Dispatcher {
public:
    using Opener = std::function<void()>;
    using UrlOpener = std::function<bool(const QUrl&)>;

    // The pages are looked up in appDir + "htm/".
    explicit Dispatcher(const QString& appDir = {});

    // Every word of the command table, in table order.
    static const QStringList& words();
    static bool isCommandWord(const QString& word) { return words().contains(word); }
    static bool usesHourglass(const QString& word);
    // The page a word opens ("fg", "lxfs", "help"); empty for other words.
    static QString pageOf(const QString& word);

    // Registers (or with an empty function removes) the opener of a word of the
    // table; returns false for a word that is not in the table.
    bool setOpener(const QString& word, Opener opener);
    bool hasOpener(const QString& word) const;
    // How pages are shown; the desktop's default program unless replaced (tests).
    void setUrlOpener(UrlOpener opener) { m_urlOpener = std::move(opener); }
    void setAppDir(const QString& appDir);
    QString appDir() const { return m_appDir; }

    // Acts on one command word; true when it acted.
    bool dispatch(const QString& word);
    bool isBusy() const { return m_busy; }

    // Runs `work` under the hourglass: the wait pointer shows until the first
    // window appears (the screen is on view) and is gone when `work` returns.
    static void withHourglass(const std::function<void()>& work);

private:
    Opener openerOf(const QString& word) const;

    QString m_appDir;
    QHash<QString, Opener> m_openers;
    UrlOpener m_urlOpener;
    bool m_busy = false;
};

} // namespace shell
