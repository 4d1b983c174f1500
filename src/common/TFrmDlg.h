#pragma once

#include <QDialog>

class QLabel;
class QStackedWidget;
namespace ui { class CommandButton; }

// The program's own prompt dialog, shared by every screen (see ShowPrompt).
class TFrmDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kDesignWidth = 785;
    static constexpr int kDesignHeight = 110;
    static constexpr int kNarrowWidth = 200; // mode 3
    static constexpr int kMinWidth = 320;    // the other modes, for a short text

    explicit TFrmDlg(QWidget* parent = nullptr);

    // Steps 1–6 of a prompt: width, captions, button visibility by mode, icon page,
    // button captions by variant. Does not show the dialog.
    void prepare(const QString& caption, const QString& text, int mode, int page, const QString& variant);

    // Shows the prepared dialog modally, centred on the desktop: 1, 2 or 3.
    int run();

    // The answer when the dialog is dismissed without a button (Escape, closing):
    // the visible "取消" button, otherwise the leftmost visible button.
    int dismissResult() const;
    // The visible buttons, left to right, as their results.
    QList<int> visibleResults() const;
    int designWidth() const { return m_designWidth; }

    QLabel* Image1 = nullptr;       // background picture
    QLabel* Image2 = nullptr;       // title strip
    QLabel* Label1 = nullptr;       // title text
    QStackedWidget* epNoteBook1 = nullptr; // icon pages 0 提示, 1 警告, 2 错误
    QLabel* fcLabel1 = nullptr;     // message text
    ui::CommandButton* fcShapeBtn1 = nullptr; // result 1
    ui::CommandButton* fcShapeBtn3 = nullptr; // result 3
    ui::CommandButton* fcShapeBtn2 = nullptr; // result 2

public Q_SLOTS:
    void reject() override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void fitText();
    void paintFaces();
    void fitWidth(const QString& caption, const QString& text, int least);
    int m_designWidth;
};

// The one prompt dialog of the program, created on first use (start-up creates it
// right after the main window) and kept until the program ends.
TFrmDlg* promptDialog();
