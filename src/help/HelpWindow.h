#pragma once

#include <QDialog>
#include <QUrl>
#include <functional>

class QTextBrowser;

namespace ui {
class CommandButton;
}

namespace shell {

// How addresses outside the program are opened: the desktop's browser, unless a
// test puts something else in.
std::function<bool(const QUrl&)>& desktopOpener();

// Hands an outside address to the desktop; when nothing takes it, says
// "无法打开网页：" and the address. False when it was not opened.
bool openOutside(const QUrl& url);

// A page of the program's own (a local file) in the help window, modally; any
// other address goes to openOutside. A missing page is said like an address that
// cannot be opened.
bool showPage(const QUrl& url, QWidget* owner);

// The program's help pages, read inside the program: their own links, 后退 and 关闭.
class HelpWindow : public QDialog {
    Q_OBJECT
public:
    explicit HelpWindow(const QUrl& page, QWidget* parent = nullptr);

    QTextBrowser* browser;
    ui::CommandButton* btnBack;
    ui::CommandButton* btnClose;

    // A link of the page: pages and places of the program's own are shown here,
    // the rest goes outside.
    void follow(const QUrl& link);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void arrange(bool compact);
};

} // namespace shell
