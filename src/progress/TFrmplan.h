#pragma once

#include <QDialog>

class QButtonGroup;
class QDateEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace ui {
class CommandButton;
}

// The study plan ("学习计划"): answers or minutes a day, the exam date and the
// days left until it, and what that leaves to do each day.
class TFrmplan : public QDialog {
    Q_OBJECT
public:
    explicit TFrmplan(QWidget* parent = nullptr);

    QLabel* epLabel1;   // 距离考试还有 / 考试已结束！ / 祝考试成功！
    QLabel* Label1;     // days left
    QLabel* epLabel2;   // 天
    QLabel* Label2;     // 考试日：
    QDateEdit* DateEdit1;
    QGroupBox* SeSkinRadioGroup1;
    QRadioButton* planByAnswers; // item 0
    QRadioButton* planByMinutes; // item 1
    QLineEdit* suiNumberEdit1;   // answers a day
    QLineEdit* suiNumberEdit2;   // minutes a day
    QLabel* lblQuota;            // answers a day the backlog needs
    ui::CommandButton* SpeedButton1; // 设定 / 保存
    ui::CommandButton* SpeedButton2; // 关闭

    bool editing() const { return m_editing; }
    int planItem() const; // 0 or 1

    void FormShow();
    void SeSkinRadioGroup1Click(int item);
    void SpeedButton1Click();
    // Days left from the date shown, in the countdown labels.
    void showCountdown(const QDate& examDate);

public Q_SLOTS:
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void arrange(bool compact);
    void setEditing(bool on);
    void showQuota(const QDate& examDate);

    QButtonGroup* m_items;
    bool m_editing = false;
    bool m_shown = false;
};
