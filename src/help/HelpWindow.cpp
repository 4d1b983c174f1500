#include "help/HelpWindow.h"

#include "common/Prompt.h"
#include "ui/CommandButton.h"
#include "ui/Screen.h"
#include "ui/Style.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QShowEvent>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace shell {

namespace {

constexpr QSize kFull{900, 680};
constexpr QSize kCompact{760, 540};

bool isOwnPage(const QUrl& url)
{
    return url.isLocalFile() && QFileInfo(url.toLocalFile()).isFile();
}

} // namespace

std::function<bool(const QUrl&)>& desktopOpener()
{
    static std::function<bool(const QUrl&)> opener = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    return opener;
}

bool openOutside(const QUrl& url)
{
    if (desktopOpener()(url))
        return true;
    const QString address = url.isLocalFile() ? url.toLocalFile() : url.toString();
    prompt::messageBox(prompt::Icon::Warning, QStringLiteral("提示"), QStringLiteral("无法打开网页：") + address);
    return false;
}

bool showPage(const QUrl& url, QWidget* owner)
{
    if (!url.isLocalFile())
        return openOutside(url);
    if (!isOwnPage(url)) {
        prompt::messageBox(prompt::Icon::Warning, QStringLiteral("提示"), QStringLiteral("无法打开网页：") + url.toLocalFile());
        return false;
    }
    HelpWindow window(url, owner);
    window.exec();
    return true;
}

HelpWindow::HelpWindow(const QUrl& page, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("HelpWindow"));
    setModal(true);

    browser = new QTextBrowser(this);
    browser->setObjectName(QStringLiteral("helpBrowser"));
    browser->setAccessibleName(QStringLiteral("帮助内容"));
    // Links are followed here: the browser would try to show a web address itself.
    browser->setOpenLinks(false);
    // The pages' title band is a CSS gradient, which this viewer does not draw: without a
    // plain colour under it the white title would stand on the page's near-white.
    browser->document()->setDefaultStyleSheet(QStringLiteral("header h1, header p { background-color: #1d4a80; margin-top: 0; margin-bottom: 0; padding: 6px 8px; }"));
    btnBack = new ui::CommandButton(QStringLiteral("后退"), this);
    btnBack->setObjectName(QStringLiteral("btnBack"));
    btnBack->setAccessibleName(QStringLiteral("后退"));
    btnBack->setFramed(true);
    btnBack->setEnabled(false);
    btnClose = new ui::CommandButton(QStringLiteral("关闭"), this);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    btnClose->setAccessibleName(QStringLiteral("关闭"));
    btnClose->setFramed(true);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnBack);
    buttons->addSpacing(24);
    buttons->addWidget(btnClose);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addWidget(browser, 1);
    layout->addLayout(buttons);

    connect(browser, &QTextBrowser::anchorClicked, this, &HelpWindow::follow);
    connect(browser, &QTextBrowser::backwardAvailable, btnBack, &QWidget::setEnabled);
    connect(btnBack, &QAbstractButton::clicked, browser, &QTextBrowser::backward);
    connect(btnClose, &QAbstractButton::clicked, this, &QDialog::accept);

    browser->setSource(page);
    const QString title = browser->documentTitle().trimmed();
    setWindowTitle(title.isEmpty() ? QStringLiteral("帮助") : title);
    arrange(ui::compactLayout());
}

void HelpWindow::arrange(bool compact)
{
    resize(compact ? kCompact : kFull);
    browser->setFont(ui::songFont(compact ? 13 : 14));
    for (ui::CommandButton* b : {btnBack, btnClose}) {
        b->setFont(ui::songFont(compact ? 14 : 15, true));
        b->setFixedSize(compact ? 80 : 90, compact ? 28 : 32);
    }
}

void HelpWindow::follow(const QUrl& link)
{
    const QUrl target = browser->source().resolved(link);
    // A place in this page or another page of the program's own.
    if (target.isLocalFile() && isOwnPage(target.adjusted(QUrl::RemoveFragment)))
        browser->setSource(target);
    else
        openOutside(link);
}

void HelpWindow::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        ui::centreWindow(this, parentWidget());
}

} // namespace shell
