#include "common/TFrmProgress.h"

#include "ui/Screen.h"
#include "ui/Style.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QPointer>
#include <QScreen>

TFrmProgress::TFrmProgress(QWidget* parent)
    : QFrame(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("TFrmProgress"));
    setWindowTitle(QStringLiteral("进度条"));
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setLineWidth(2);
    ui::usePanelBackground(this);
    setCursor(Qt::WaitCursor);
    ui::keepHourglassWhenShown(this);
    setFixedSize(358, 63);

    Label1 = new QLabel(QStringLiteral("请等待..."), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(ui::songFont(ui::kProgressFontPx, true));
    QPalette textPal = Label1->palette();
    textPal.setColor(QPalette::WindowText, ui::kProgressText);
    Label1->setPalette(textPal);
    Label1->setGeometry(16, 24, width() - 24, 22);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

TFrmProgress* progressWindow()
{
    static QPointer<TFrmProgress> window;
    if (!window) {
        window = new TFrmProgress;
        qAddPostRoutine([] { delete window.data(); });
    }
    return window;
}

namespace progress {

namespace {

void paintNow(TFrmProgress* w)
{
    if (w->isVisible())
        w->repaint();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

} // namespace

void show(const QString& text)
{
    TFrmProgress* w = progressWindow();
    w->Label1->setText(text);
    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen) {
        QRect r = w->rect();
        r.moveCenter(screen->availableGeometry().center());
        w->move(r.topLeft());
    }
    w->show();
    w->raise();
    paintNow(w);
}

void setText(const QString& text)
{
    TFrmProgress* w = progressWindow();
    w->Label1->setText(text);
    paintNow(w);
}

void hide()
{
    progressWindow()->hide();
}

bool isShown()
{
    return progressWindow()->isVisible();
}

QString text()
{
    return progressWindow()->Label1->text();
}

} // namespace progress
