#pragma once

#include <QHash>
#include <QPixmap>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QTransform>
#include <QWidget>
#include <memory>

class QAbstractButton;
class QSvgRenderer;

namespace shell {

class MenuCommandButton;

// The animated menu drawing (pic/main.svg). Every element whose id is
// "cmd-<word>" is a command: clicking it, or Enter/Space on it, emits
// commandTriggered(word). Each command is a transparent push button laid over its
// element, so Tab/arrow keys and assistive technology reach it by its caption.
//
// Shapes that carry an animation are drawn in a layer above the still drawing;
// the still drawing (most of the text) is rendered once per size.
class MenuView : public QWidget {
    Q_OBJECT
public:
    explicit MenuView(QWidget* parent = nullptr);
    ~MenuView() override;

    // False when the file is missing, is not a drawing, or has no command.
    bool load(const QString& path);
    static bool canLoad(const QString& path);
    bool isLoaded() const;

    QStringList commands() const { return m_commands; } // in document order
    QString captionOf(const QString& word) const { return m_captions.value(word); }
    QRectF commandRect(const QString& word) const;       // widget coordinates
    QString commandAt(const QPointF& pos) const;          // '' outside every command
    QAbstractButton* commandButton(const QString& word) const;

    // A short text (a count) drawn at the command's top right corner; empty removes it.
    // A screen reader hears the caption followed by `spoken` (by default the text).
    void setBadge(const QString& word, const QString& text, const QString& spoken = {});
    QString badgeOf(const QString& word) const { return m_badges.value(word).text; }
    QRectF badgeRect(const QString& word) const; // widget coordinates; empty without a badge

    void setAnimationRunning(bool on);
    bool isAnimationRunning() const { return m_animating; }

Q_SIGNALS:
    void commandTriggered(const QString& word);
    void firstFramePainted();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void layoutCommands();
    void repaintMoving();
    void moveFocus(MenuCommandButton* from, int key);
    QRectF docRect(const QString& word) const;   // drawing coordinates
    QRectF targetRect() const;                   // where the drawing lands in the widget
    QTransform toWidget() const;                 // drawing coordinates → widget

    std::unique_ptr<QSvgRenderer> m_still;
    std::unique_ptr<QSvgRenderer> m_moving;
    QStringList m_commands;
    QHash<QString, QString> m_captions;
    QHash<QString, MenuCommandButton*> m_buttons;
    struct Badge {
        QString text;
        QString spoken;
    };
    QHash<QString, Badge> m_badges; // kept across a reload of the drawing
    QPixmap m_stillCache;
    QStringList m_movingIds;  // shapes of the moving layer
    QHash<QString, QRectF> m_movingPaths; // where each has been, drawing coordinates
    QTimer m_frameTimer;
    bool m_animating = true;
    bool m_focusVisible = false;
    bool m_painted = false;
};

} // namespace shell
