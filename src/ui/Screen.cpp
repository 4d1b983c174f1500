#include "ui/Screen.h"

#include "ui/AccessibleText.h"

#include "core/app/AppState.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QHeaderView>
#include <QLabel>
#include <QString>
#include <QTableView>
#include <QScreen>
#include <QWidget>

namespace ui {

namespace {

constexpr char kKeepsHourglass[] = "tesvoraKeepsHourglass";

// Drops the wait pointer as soon as a window (the screen) is shown; the
// progress window is part of the preparation and keeps it.
class HourglassLift : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (m_active && event->type() == QEvent::Show && watched->isWidgetType()) {
            auto* w = static_cast<QWidget*>(watched);
            if (w->isWindow() && !w->property(kKeepsHourglass).toBool() && !(w->windowType() == Qt::ToolTip || w->windowType() == Qt::Popup))
                lift();
        }
        return false;
    }
    void lift()
    {
        if (m_active) {
            m_active = false;
            QApplication::restoreOverrideCursor();
        }
    }
    bool m_active = true;
};

class EnterKeyFilter : public QObject {
public:
    EnterKeyFilter(QObject* parent, std::function<void()> action)
        : QObject(parent)
        , m_action(std::move(action))
    {
    }
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key != Qt::Key_Return && key != Qt::Key_Enter)
            return false;
        m_action();
        return true;
    }

private:
    std::function<void()> m_action;
};

} // namespace

bool compactLayout()
{
    return app::ScreenSizeTag == QLatin1String("800");
}

void centreWindow(QWidget* window, const QWidget* owner)
{
    if (const QWidget* top = owner ? owner->window() : nullptr) {
        window->move(top->geometry().center() - window->rect().center());
    } else if (const QScreen* screen = window->screen()) {
        window->move(screen->availableGeometry().center() - window->rect().center());
    }
}

void onEnterKey(QAbstractItemView* view, std::function<void()> action)
{
    view->installEventFilter(new EnterKeyFilter(view, std::move(action)));
}

QPixmap loadPicture(const QString& path)
{
    if (qApp && qApp->devicePixelRatio() > 1.0) {
        const int dot = path.lastIndexOf(QLatin1Char('.'));
        const QString sharp = dot < 0 ? path + QStringLiteral("@2x") : path.left(dot) + QStringLiteral("@2x") + path.mid(dot);
        QPixmap picture(sharp);
        if (!picture.isNull()) {
            picture.setDevicePixelRatio(2.0);
            return picture;
        }
    }
    return QPixmap(path);
}

WaitCursor::WaitCursor()
{
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

WaitCursor::~WaitCursor()
{
    QGuiApplication::restoreOverrideCursor();
}

void keepHourglassWhenShown(QWidget* window)
{
    window->setProperty(kKeepsHourglass, true);
}

void withHourglass(const std::function<void()>& work)
{
    HourglassLift lift;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    qApp->installEventFilter(&lift);
    struct Done {
        HourglassLift& lift;
        ~Done()
        {
            qApp->removeEventFilter(&lift);
            lift.lift();
        }
    } done{lift};
    work();
}

namespace {
constexpr char kValueCaption[] = "valueCaption";
}

void captionValue(QLabel* label, const QString& caption)
{
    label->setProperty(kValueCaption, caption);
    showValue(label, label->text());
}

void showValue(QLabel* label, const QString& value)
{
    label->setText(value);
    const QString caption = label->property(kValueCaption).toString();
    const QString shown = label->text().trimmed();
    if (shown.isEmpty())
        setName(label, caption);
    else if (shown.startsWith(caption)) // "得分：70 分" names itself
        setName(label, shown);
    else
        setName(label, caption + QLatin1Char(' ') + shown);
}

void setUpRowList(QTableView* view, const QString& name, const QString& accessibleName, GridLook look)
{
    view->setObjectName(name);
    view->setAccessibleName(accessibleName);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setTabKeyNavigation(false);
    view->verticalHeader()->hide();
    if (look == GridLook::Striped) {
        view->setWordWrap(false);
        view->setAlternatingRowColors(true);
        view->horizontalHeader()->setHighlightSections(false);
        view->horizontalHeader()->setSectionsClickable(false);
    }
}

} // namespace ui
