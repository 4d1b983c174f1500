#pragma once

#include <QPointer>
#include <QWidget>

class QComboBox;
class QTextCharFormat;
class QToolButton;

namespace ui {

class RichTextEdit;

// The formatting commands of the rich-text editors of a screen: bold, italic,
// underline, colour, size, a table, a picture from a file. One bar serves all the
// editors added to it and acts on the one that had the focus last.
class RichTextToolBar : public QWidget {
    Q_OBJECT
public:
    explicit RichTextToolBar(QWidget* parent = nullptr);

    void addEditor(RichTextEdit* editor);
    RichTextEdit* editor() const { return m_editor; }

    QToolButton* boldButton;
    QToolButton* italicButton;
    QToolButton* underlineButton;
    QToolButton* colourButton;
    QComboBox* sizeBox;
    QToolButton* tableButton;
    QToolButton* pictureButton;

    // The sizes offered, in pixels (16 is what the editors start with).
    static QList<int> sizes();

Q_SIGNALS:
    // A chosen file was not a picture the editor takes; the screen tells the candidate.
    void pictureRejected(const QString& path);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setEditor(RichTextEdit* editor);
    void follow(const QTextCharFormat& format);
    void chooseColour();
    void chooseTable();
    void choosePicture();

    QPointer<RichTextEdit> m_editor;
};

} // namespace ui
