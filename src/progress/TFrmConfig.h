#pragma once

#include <QDialog>
#include <QList>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QLabel;
class QScrollArea;
class QWidget;

namespace ui {
class CommandButton;
}

// The system settings ("系统设置"): background music in music mode, the answer
// time of each question type of the current paper in answer-time mode
// (app::ConfigTimesOnly).
class TFrmConfig : public QDialog {
    Q_OBJECT
public:
    explicit TFrmConfig(QWidget* parent = nullptr);

    // Creates the window in the mode asked for, shows it modally and discards it:
    // what the menu words and the settings buttons of the screens call.
    static void open(bool timesOnly, QWidget* owner = nullptr);

    QLabel* Label1;              // 背景音乐
    QCheckBox* RxSwitch1;        // music on or off
    QLabel* Label5;              // 声音列表
    QComboBox* FlatComboBox1;    // tunes
    QLabel* Label4;              // 答题时间设置
    QScrollArea* ScrollBox1;     // one line per question type
    ui::CommandButton* epFocusButton3; // 关闭

    // The opener's rearrangement for answer-time mode.
    void arrangeForTimes();
    // Fills the window for the mode in app::ConfigTimesOnly.
    void FormShow();
    // The editors of the answer-time lines, in line order.
    QList<QLineEdit*> timeEditors() const { return m_editors; }

    void RxSwitch1Toggled(bool on);
    void FlatComboBox1Change();

public Q_SLOTS:
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void arrange(bool compact);
    void addTimeLines();
    void saveTimes();
    // The first line whose text is not a time within range, after saying which; null when all are.
    QLineEdit* refuseBadTime();
    void fitTimeLines();
    void rememberMusic();

    QWidget* m_lines;
    QList<QLineEdit*> m_editors;
    bool m_shown = false;
    bool m_saved = false;
};
