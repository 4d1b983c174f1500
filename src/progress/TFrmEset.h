#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;

namespace ui {
class CommandButton;
}

// The exam settings: the lowest score a finished mock paper is kept with
// (LeastMark) and the length of a mock exam (ExamTime, shown in minutes).
class TFrmEset : public QDialog {
    Q_OBJECT
public:
    explicit TFrmEset(QWidget* parent = nullptr);

    QCheckBox* suiCheckBox1;  // 保留试卷最低分数
    QLineEdit* suiNumberEdit1; // LeastMark
    QCheckBox* suiCheckBox2;  // 模拟考试答题时间
    QLineEdit* suiNumberEdit2; // exam minutes
    ui::CommandButton* suiButton1; // 默认
    ui::CommandButton* suiButton2; // 关闭

    void FormShow();
    void suiButton1Click();
    void suiNumberEdit1Change();
    // Saves and closes; a failed save is reported and the window closes all the same.
    void suiButton2Click();

public Q_SLOTS:
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void arrange(bool compact);
    void boxClicked();
    int paperTotal();
    bool examMinutesValid() const;

    QLabel* m_unit;
    int m_total = -1;
    bool m_shown = false;
    bool m_checking = false;
};
