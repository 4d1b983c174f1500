#pragma once

#include <QFrame>

class QLabel;

// The waiting panel that long operations show while they work. Not modal, no cancel.
class TFrmProgress : public QFrame {
    Q_OBJECT
public:
    explicit TFrmProgress(QWidget* parent = nullptr);

    QLabel* Label1 = nullptr;
};

// The one progress window of the program, created on first use.
TFrmProgress* progressWindow();

namespace progress {

// Shows the window centred on the desktop with `text` and lets it paint.
void show(const QString& text);
// Changes the text and lets pending events run once, so the new text is painted.
// User input stays queued: clicks must not start other work in the middle of this one.
void setText(const QString& text);
void hide();

bool isShown();
QString text();

} // namespace progress
