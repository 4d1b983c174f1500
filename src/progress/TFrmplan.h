#pragma once

#include "core/progress/PlanForecast.h"

#include <QDialog>
#include <memory>

class QButtonGroup;
class QDateEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QTableWidget;


namespace ui {
class CommandButton;
}

// The study plan ("学习计划"): answers or minutes a day, the exam date and the
// days left until it, what that leaves to do each day, and the score each mock
// paper is expected to earn today and on exam day.
class TFrmplan : public QDialog {
    Q_OBJECT
public:
    explicit TFrmplan(QWidget* parent = nullptr);
    ~TFrmplan() override;

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
    QLabel* lblForecast;         // 成绩预测
    QTableWidget* gridForecast;  // per mock: today, exam day, pass line
    QLabel* lblForecastNote;     // how the forecast is made, or why it is missing
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
    // Fills the forecast rows for this exam date; returns what it showed.
    std::vector<progress::MockForecast> showForecast(const QDate& examDate);

    QButtonGroup* m_items;
    std::unique_ptr<progress::BankRecall> m_recall; // read once per showing; the date only moves the day
    bool m_editing = false;
    bool m_shown = false;
};
