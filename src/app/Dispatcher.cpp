#include "app/Dispatcher.h"

#include "common/Guard.h"

#include "core/app/AppState.h"
#include "common/Prompt.h"
#include "ui/Screen.h"

#include <QDebug>
#include <QApplication>
#include <QDesktopServices>
#include <QEvent>
#include <QWidget>
#include <exception>

namespace shell {

namespace {

struct Command {
    QLatin1String word;
    bool hourglass;
    int subject; // CurrentSubject before the opener, 0 = unchanged
    int paper;   // CurrentPaperNo after the opener, 0 = unchanged
    const char* page;
};

// The command table, in the order words are matched.
constexpr Command kCommands[] = {
    {QLatin1String("ksdg"), true, 0, 0, nullptr},
    {QLatin1String("zsd"), true, 0, 0, nullptr},
    {QLatin1String("lx"), true, 1, 0, nullptr},
    {QLatin1String("lx2"), true, 2, 0, nullptr},
    {QLatin1String("lx3"), true, 3, 0, nullptr},
    {QLatin1String("lx4"), true, 4, 0, nullptr},
    {QLatin1String("lx5"), true, 5, 0, nullptr},
    {QLatin1String("szjh"), true, 0, 0, nullptr},
    {QLatin1String("szks"), true, 0, 0, nullptr},
    {QLatin1String("rz"), true, 0, 0, nullptr},
    {QLatin1String("tj"), true, 0, 0, nullptr},
    {QLatin1String("sj"), false, 0, 0, nullptr},
    {QLatin1String("music"), false, 0, 0, nullptr},
    {QLatin1String("sztime"), false, 0, 0, nullptr},
    {QLatin1String("fg"), false, 0, 0, "Orvalex.htm"},
    {QLatin1String("lxfs"), false, 0, 0, "发行站及专业书店联系方式.htm"},
    {QLatin1String("help"), false, 0, 0, "help.htm"},
    {QLatin1String("about"), false, 0, 0, nullptr},
    {QLatin1String("quit"), false, 0, 0, nullptr},
    {QLatin1String("cj"), true, 0, 0, nullptr},
    {QLatin1String("mnks"), false, 0, 1, nullptr},
    {QLatin1String("mnks2"), false, 0, 2, nullptr},
    {QLatin1String("mnks3"), false, 0, 3, nullptr},
    {QLatin1String("mnks4"), false, 0, 4, nullptr},
    {QLatin1String("mnks5"), false, 0, 5, nullptr},
    {QLatin1String("jrfx"), true, 0, 0, nullptr},
    {QLatin1String("ctb"), true, 0, 0, nullptr},
    {QLatin1String("scj"), true, 0, 0, nullptr},
    {QLatin1String("ss"), true, 0, 0, nullptr},
};

const Command* commandOf(const QString& word)
{
    for (const Command& c : kCommands)
        if (word == c.word)
            return &c;
    return nullptr;
}

} // namespace

Dispatcher::Dispatcher(const QString& appDir)
{
    setAppDir(appDir);
    m_urlOpener = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
}

const QStringList& Dispatcher::words()
{
    static const QStringList all = [] {
        QStringList l;
        for (const Command& c : kCommands)
            l << QString(c.word);
        return l;
    }();
    return all;
}

bool Dispatcher::usesHourglass(const QString& word)
{
    const Command* c = commandOf(word);
    return c && c->hourglass;
}

QString Dispatcher::pageOf(const QString& word)
{
    const Command* c = commandOf(word);
    return c && c->page ? QStringLiteral("htm/") + QString::fromUtf8(c->page) : QString();
}

bool Dispatcher::setOpener(const QString& word, Opener opener)
{
    if (!commandOf(word))
        return false;
    if (opener)
        m_openers.insert(word, std::move(opener));
    else
        m_openers.remove(word);
    return true;
}

bool Dispatcher::hasOpener(const QString& word) const
{
    return bool(openerOf(word));
}

void Dispatcher::setAppDir(const QString& appDir)
{
    m_appDir = appDir;
    if (!m_appDir.isEmpty() && !m_appDir.endsWith(QLatin1Char('/')))
        m_appDir += QLatin1Char('/');
}

Dispatcher::Opener Dispatcher::openerOf(const QString& word) const
{
    const Command* c = commandOf(word);
    if (!c)
        return {};
    if (c->page) {
        const QString path = m_appDir + pageOf(word);
        return [this, path] { m_urlOpener(QUrl::fromLocalFile(path)); }; // the result is not used
    }
    auto it = m_openers.constFind(word);
    if (it != m_openers.constEnd())
        return *it;
    if (word == QLatin1String("zsd"))
        return m_openers.value(QStringLiteral("ksdg"));
    return {};
}

bool Dispatcher::dispatch(const QString& word)
{
    if (m_busy)
        return false;
    const Command* c = commandOf(word);
    const Opener open = openerOf(word);
    if (!c || !open)
        return false;

    m_busy = true;
    struct Idle {
        bool& busy;
        ~Idle() { busy = false; }
    } idle{m_busy};

    try {
        if (c->subject)
            app::CurrentSubject = c->subject;
        if (c->hourglass)
            withHourglass(open);
        else
            open();
        if (c->paper)
            app::CurrentPaperNo = c->paper;
    } catch (const std::exception& e) {
        // A screen that fails to open must not take the program down with it. The
        // engine's words go to the log; the candidate reads ours, with the kind's line.
        qWarning().noquote() << "opening" << word << "failed:" << e.what();
        prompt::messageBox(prompt::Icon::Error, QStringLiteral("错误"),
                           guard::messageFor(QStringLiteral("操作未能完成！"), std::current_exception()));
    }
    return true;
}

void Dispatcher::withHourglass(const std::function<void()>& work)
{
    ui::withHourglass(work);
}

} // namespace shell
