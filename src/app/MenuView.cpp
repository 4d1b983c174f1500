#include "app/MenuView.h"

#include "ui/AccessibleText.h"
#include "ui/Style.h"

#include <QDomDocument>
#include <QFile>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QSvgRenderer>
#include <QTimer>
#include <optional>

namespace shell {

namespace {

constexpr int kFramesPerSecond = 12;
const QString kCommandPrefix = QStringLiteral("cmd-");

bool isAnimation(const QDomElement& e)
{
    const QString t = e.tagName();
    return t.startsWith(QLatin1String("animate")) || t == QLatin1String("set");
}

bool carriesAnimation(const QDomElement& e)
{
    for (QDomElement c = e.firstChildElement(); !c.isNull(); c = c.nextSiblingElement())
        if (isAnimation(c))
            return true;
    return false;
}

bool hasAnimatedDescendant(const QDomElement& e)
{
    for (QDomElement c = e.firstChildElement(); !c.isNull(); c = c.nextSiblingElement())
        if (isAnimation(c) || hasAnimatedDescendant(c))
            return true;
    return false;
}

// Removes every shape that carries an animation (the still layer).
void keepStill(QDomElement e)
{
    for (QDomElement c = e.firstChildElement(); !c.isNull();) {
        QDomElement next = c.nextSiblingElement();
        if (carriesAnimation(c))
            e.removeChild(c);
        else
            keepStill(c);
        c = next;
    }
}

// Keeps only the shapes that carry an animation, their ancestors and the
// definitions they may refer to (the moving layer). Each moving shape gets an id
// so that only the part of the screen it covers is repainted.
void keepMoving(QDomElement e, QStringList& ids)
{
    for (QDomElement c = e.firstChildElement(); !c.isNull();) {
        QDomElement next = c.nextSiblingElement();
        if (c.tagName() == QLatin1String("defs")) {
            // kept whole
        } else if (carriesAnimation(c)) {
            if (!c.hasAttribute(QStringLiteral("id")))
                c.setAttribute(QStringLiteral("id"), QStringLiteral("moving-%1").arg(ids.size()));
            ids << c.attribute(QStringLiteral("id"));
        } else if (hasAnimatedDescendant(c)) {
            keepMoving(c, ids);
        } else {
            e.removeChild(c);
        }
        c = next;
    }
}

QString textOf(const QDomElement& e)
{
    QString s;
    for (QDomNode n = e.firstChild(); !n.isNull(); n = n.nextSibling()) {
        if (n.isText())
            s += n.toText().data();
        else if (n.isElement() && !isAnimation(n.toElement()))
            s += textOf(n.toElement());
    }
    return s;
}

// The caption: the command's title (its name as drawn), else its drawn texts.
QString captionOf(const QDomElement& cmd)
{
    const QString title = cmd.firstChildElement(QStringLiteral("title")).text().simplified();
    if (!title.isEmpty())
        return title;
    QStringList parts;
    const QDomNodeList texts = cmd.elementsByTagName(QStringLiteral("text"));
    for (int i = 0; i < texts.size(); ++i) {
        const QString t = textOf(texts.at(i).toElement()).simplified();
        if (!t.isEmpty())
            parts << t;
    }
    return parts.join(QLatin1Char(' '));
}

void collectCommands(const QDomElement& e, QStringList& words, QHash<QString, QString>& captions)
{
    for (QDomElement c = e.firstChildElement(); !c.isNull(); c = c.nextSiblingElement()) {
        const QString id = c.attribute(QStringLiteral("id"));
        if (id.startsWith(kCommandPrefix) && id.size() > kCommandPrefix.size()) {
            const QString word = id.mid(kCommandPrefix.size());
            if (!captions.contains(word)) {
                words << word;
                captions.insert(word, captionOf(c));
            }
        }
        collectCommands(c, words, captions);
    }
}

struct MenuDocument {
    QByteArray still;
    QByteArray moving;
    QStringList movingIds;
    QStringList words;
    QHash<QString, QString> captions;
};

bool readMenu(const QString& path, QByteArray& bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    bytes = f.readAll();
    return true;
}

bool parseMenu(const QByteArray& bytes, MenuDocument& out)
{
    QDomDocument doc;
    if (!doc.setContent(bytes) || doc.documentElement().tagName() != QLatin1String("svg"))
        return false;
    collectCommands(doc.documentElement(), out.words, out.captions);
    if (out.words.isEmpty())
        return false;
    QDomDocument still = doc.cloneNode(true).toDocument();
    keepStill(still.documentElement());
    QDomDocument moving = doc.cloneNode(true).toDocument();
    keepMoving(moving.documentElement(), out.movingIds);
    out.still = still.toByteArray(-1);
    out.moving = moving.toByteArray(-1);
    return true;
}

// The start-up checks the menu before it opens the bank and loads it a moment later:
// the check's parse is kept for the load of the same bytes, so the drawing is parsed once.
struct CheckedMenu {
    QByteArray bytes;
    MenuDocument doc;
};
std::optional<CheckedMenu>& lastChecked()
{
    static std::optional<CheckedMenu> checked;
    return checked;
}

} // namespace

// A transparent, focusable push button over one command of the drawing; the
// menu paints its hover and focus marks.
class MenuCommandButton : public QPushButton {
public:
    MenuCommandButton(const QString& word, const QString& caption, QWidget* parent)
        : QPushButton(caption, parent)
        , word(word)
    {
        setObjectName(kCommandPrefix + word);
        setAccessibleName(caption);
        setFlat(true);
        setAutoDefault(true); // Enter presses it, as in a dialog
        setFocusPolicy(Qt::StrongFocus);
        setCursor(Qt::PointingHandCursor);
        setAttribute(Qt::WA_Hover);
    }
    const QString word;

protected:
    void paintEvent(QPaintEvent*) override {}
};

MenuView::MenuView(QWidget* parent)
    : QWidget(parent)
{
    m_frameTimer.setInterval(1000 / kFramesPerSecond);
    connect(&m_frameTimer, &QTimer::timeout, this, &MenuView::repaintMoving);
    setObjectName(QStringLiteral("ShockwaveFlash1"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
}

MenuView::~MenuView() = default;

bool MenuView::canLoad(const QString& path)
{
    QByteArray bytes;
    MenuDocument doc;
    if (!readMenu(path, bytes) || !parseMenu(bytes, doc) || !QSvgRenderer(doc.still).isValid())
        return false;
    lastChecked() = CheckedMenu{bytes, std::move(doc)};
    return true;
}

bool MenuView::load(const QString& path)
{
    QByteArray bytes;
    if (!readMenu(path, bytes))
        return false;
    MenuDocument doc;
    if (std::optional<CheckedMenu>& checked = lastChecked(); checked && checked->bytes == bytes)
        doc = std::move(checked->doc);
    else if (!parseMenu(bytes, doc))
        return false;
    lastChecked().reset();
    auto still = std::make_unique<QSvgRenderer>(doc.still);
    if (!still->isValid())
        return false;
    auto moving = std::make_unique<QSvgRenderer>(doc.moving);

    qDeleteAll(m_buttons);
    m_buttons.clear();
    m_still = std::move(still);
    m_moving = std::move(moving);
    m_commands = doc.words;
    m_captions = doc.captions;
    m_stillCache = QPixmap();
    m_movingIds = doc.movingIds;
    m_movingPaths.clear();
    setAnimationRunning(m_animating);

    QWidget* previous = nullptr;
    for (const QString& word : std::as_const(m_commands)) {
        auto* b = new MenuCommandButton(word, m_captions.value(word), this);
        b->installEventFilter(this);
        connect(b, &QAbstractButton::clicked, this, [this, word] { Q_EMIT commandTriggered(word); });
        m_buttons.insert(word, b);
        if (m_badges.contains(word))
            ui::setName(b, m_captions.value(word) + QStringLiteral("，") + m_badges.value(word).spoken);
        if (previous)
            setTabOrder(previous, b);
        previous = b;
        b->show();
    }
    layoutCommands();
    update();
    return true;
}

void MenuView::repaintMoving()
{
    if (!m_animating || !isVisible() || window()->isMinimized())
        return;
    // Everywhere a moving shape has been so far: the animations repeat, so this
    // soon covers their whole paths, and nothing drawn earlier is left behind.
    const qreal pad = 6; // strokes lie outside the shapes' bounds
    for (const QString& id : std::as_const(m_movingIds)) {
        const QRectF r = m_moving->transformForElement(id).mapRect(m_moving->boundsOnElement(id)).adjusted(-pad, -pad, pad, pad);
        QRectF& seen = m_movingPaths[id];
        seen = seen.isNull() ? r : seen.united(r);
    }
    const QTransform map = toWidget();
    QRegion dirty;
    for (const QRectF& r : std::as_const(m_movingPaths))
        dirty += map.mapRect(r).toAlignedRect();
    update(dirty);
}

bool MenuView::isLoaded() const
{
    return m_still != nullptr;
}

QRectF MenuView::docRect(const QString& word) const
{
    if (!m_still)
        return {};
    const QString id = kCommandPrefix + word;
    return m_still->transformForElement(id).mapRect(m_still->boundsOnElement(id));
}

QRectF MenuView::targetRect() const
{
    // The drawing keeps its proportions and sits in the middle.
    const QRectF box = m_still->viewBoxF();
    const qreal s = qMin(width() / box.width(), height() / box.height());
    const QSizeF size = box.size() * s;
    return QRectF(QPointF((width() - size.width()) / 2, (height() - size.height()) / 2), size);
}

QTransform MenuView::toWidget() const
{
    const QRectF box = m_still->viewBoxF();
    const QRectF target = targetRect();
    return QTransform::fromTranslate(-box.x(), -box.y()) * QTransform::fromScale(target.width() / box.width(), target.height() / box.height())
        * QTransform::fromTranslate(target.x(), target.y());
}

QRectF MenuView::commandRect(const QString& word) const
{
    if (!m_captions.contains(word))
        return {};
    return toWidget().mapRect(docRect(word));
}

QString MenuView::commandAt(const QPointF& pos) const
{
    // Topmost first: later elements are drawn over earlier ones.
    for (auto it = m_commands.crbegin(); it != m_commands.crend(); ++it)
        if (commandRect(*it).contains(pos))
            return *it;
    return {};
}

QAbstractButton* MenuView::commandButton(const QString& word) const
{
    return m_buttons.value(word);
}

void MenuView::setBadge(const QString& word, const QString& text, const QString& spoken)
{
    if (text.isEmpty())
        m_badges.remove(word);
    else
        m_badges.insert(word, Badge{text, spoken.isEmpty() ? text : spoken});
    if (MenuCommandButton* b = m_buttons.value(word))
        ui::setName(b, text.isEmpty() ? m_captions.value(word) : m_captions.value(word) + QStringLiteral("，") + m_badges.value(word).spoken);
    update();
}

QRectF MenuView::badgeRect(const QString& word) const
{
    if (!m_still || !m_badges.contains(word) || !m_captions.contains(word))
        return {};
    // A pill over the element's top right corner, sized by the drawing's scale.
    const qreal scale = targetRect().width() / m_still->viewBoxF().width();
    QFont f = font();
    f.setPixelSize(qMax(9, qRound(14 * scale)));
    f.setBold(true);
    const qreal h = qMax(14.0, 22 * scale);
    const qreal w = qMax(h, QFontMetricsF(f).horizontalAdvance(m_badges.value(word).text) + h * 0.8);
    const QRectF r = commandRect(word);
    return QRectF(r.right() - w + 6 * scale, r.top() - h / 2, w, h);
}

void MenuView::setAnimationRunning(bool on)
{
    // Our own frame clock: the renderer's would repaint 30 times a second whatever it is told.
    m_animating = on;
    if (on && m_moving && m_moving->animated()) {
        m_frameTimer.start();
        update();
    } else {
        m_frameTimer.stop();
    }
}

void MenuView::layoutCommands()
{
    if (!m_still)
        return;
    for (auto it = m_buttons.cbegin(); it != m_buttons.cend(); ++it)
        it.value()->setGeometry(commandRect(it.key()).toAlignedRect());
    m_stillCache = QPixmap();
}

void MenuView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layoutCommands();
}

void MenuView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (!m_still) {
        p.fillRect(rect(), ui::kPaper);
        return;
    }
    const QRectF target = targetRect();
    const qreal dpr = devicePixelRatioF();
    if (m_stillCache.size() != size() * dpr) {
        m_stillCache = QPixmap(size() * dpr);
        m_stillCache.setDevicePixelRatio(dpr);
        m_stillCache.fill(ui::kPaper);
        QPainter cp(&m_stillCache);
        cp.setRenderHint(QPainter::Antialiasing);
        m_still->render(&cp, target);
    }
    p.drawPixmap(0, 0, m_stillCache);
    p.setRenderHint(QPainter::Antialiasing);
    m_moving->render(&p, target);

    const qreal scale = target.width() / m_still->viewBoxF().width();
    for (MenuCommandButton* b : std::as_const(m_buttons)) {
        const bool hovered = b->underMouse() && b->isEnabled();
        const bool focused = m_focusVisible && b->hasFocus();
        if (!hovered && !focused && !b->isDown())
            continue;
        const QRectF r = commandRect(b->word).adjusted(-4 * scale, -4 * scale, 4 * scale, 4 * scale);
        const qreal radius = 12 * scale;
        if (hovered || b->isDown()) {
            p.setPen(QPen(ui::kMenuHoverEdge, 2));
            p.setBrush(b->isDown() ? ui::kMenuPressedFace : ui::kMenuHoverFace);
            p.drawRoundedRect(r, radius, radius);
        }
        if (focused) {
            QPen pen(ui::kMenuFocusEdge, 2.5, Qt::DashLine);
            p.setPen(pen);
            p.setBrush(Qt::NoBrush);
            p.drawRoundedRect(r.adjusted(-2, -2, 2, 2), radius + 2, radius + 2);
        }
    }

    for (auto it = m_badges.cbegin(); it != m_badges.cend(); ++it) {
        const QRectF r = badgeRect(it.key());
        if (r.isEmpty())
            continue;
        QFont f = font();
        f.setPixelSize(qMax(9, qRound(14 * scale)));
        f.setBold(true);
        p.setFont(f);
        p.setPen(QPen(ui::kMenuBadgeText, 1.5));
        p.setBrush(ui::kMenuBadgeFace);
        p.drawRoundedRect(r, r.height() / 2, r.height() / 2);
        p.setPen(ui::kMenuBadgeText);
        p.drawText(r, Qt::AlignCenter, it.value().text);
    }

    if (!m_painted) {
        m_painted = true;
        QTimer::singleShot(0, this, &MenuView::firstFramePainted);
    }
}

bool MenuView::eventFilter(QObject* watched, QEvent* event)
{
    auto* b = dynamic_cast<MenuCommandButton*>(watched);
    if (!b)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent*>(event)->key();
        m_focusVisible = true;
        if (key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up || key == Qt::Key_Down) {
            moveFocus(b, key);
            return true;
        }
        update();
        break;
    }
    case QEvent::FocusIn: {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason)
            m_focusVisible = true;
        update();
        break;
    }
    case QEvent::MouseButtonPress:
        m_focusVisible = false;
        update();
        break;
    case QEvent::HoverEnter:
    case QEvent::HoverLeave:
    case QEvent::FocusOut:
    case QEvent::MouseButtonRelease:
        update();
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void MenuView::mousePressEvent(QMouseEvent* event)
{
    m_focusVisible = false;
    QWidget::mousePressEvent(event);
}

void MenuView::moveFocus(MenuCommandButton* from, int key)
{
    // The nearest command in the arrow's direction, preferring ones in line.
    const QPointF c = commandRect(from->word).center();
    MenuCommandButton* best = nullptr;
    qreal bestScore = 0;
    for (MenuCommandButton* b : std::as_const(m_buttons)) {
        if (b == from)
            continue;
        const QPointF d = commandRect(b->word).center() - c;
        qreal along = 0;
        qreal across = 0;
        switch (key) {
        case Qt::Key_Left: along = -d.x(); across = d.y(); break;
        case Qt::Key_Right: along = d.x(); across = d.y(); break;
        case Qt::Key_Up: along = -d.y(); across = d.x(); break;
        default: along = d.y(); across = d.x(); break;
        }
        if (along <= 1 || qAbs(across) > 2 * along)
            continue; // behind, or too far off to the side
        const qreal score = along + 2 * qAbs(across);
        if (!best || score < bestScore) {
            best = b;
            bestScore = score;
        }
    }
    if (best)
        best->setFocus(Qt::OtherFocusReason);
    update();
}

} // namespace shell
