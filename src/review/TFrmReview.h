#pragma once

#include "core/review/Queue.h"

#include <QDialog>

class QLabel;

namespace store {
class Connection;
}

namespace ui {
class CommandButton;
}

namespace reviewq {

// 今日复习: how many questions are due today, how many new ones the plan leaves room
// for and the minutes they take at the candidate's pace; 开始复习 practises them on
// the practice screen, and the counts are read again when it closes.
class TFrmReview : public QDialog {
    Q_OBJECT
public:
    explicit TFrmReview(QWidget* parent = nullptr);

    QLabel* lblDue;     // 待复习
    QLabel* lblNew;     // 新题
    QLabel* lblMinutes; // 预计用时
    QLabel* lblPace;    // what the estimate rests on
    QLabel* lblExam;    // the exam date in view
    QLabel* lblEmpty;   // nothing to do today
    ui::CommandButton* btnStart; // 开始复习
    ui::CommandButton* btnClose; // 关闭

    // Reads today's review from the bank and shows it.
    void refresh();
    const review::TodaysReview& current() const { return m_review; }
    // 开始复习: the practice screen on today's questions, then the counts again.
    void btnStartClick();

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void arrange(bool compact);
    QString summary() const;

    review::TodaysReview m_review;
    int m_band = 30;
    bool m_shown = false;
};

// What the study plan asks of today and what the daily log holds of it.
review::PlanToday planToday(store::Connection& db);

// The number of questions due today (the menu shows it). Throws store::DbError.
int dueTodayCount();

// Opens 今日复习 over `parent`; returns when it closes.
void openTodaysReview(QWidget* parent);

} // namespace reviewq
