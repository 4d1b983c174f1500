#pragma once

#include <QDialog>
#include <QList>

class QLabel;
class QTableView;

namespace store {
class DatasetModel;
}
namespace ui {
class CommandButton;
}

// The daily log ("日志"): one line per day of study, newest first, with the totals
// of all days and the overall score.
class TFrmRz : public QDialog {
    Q_OBJECT
public:
    explicit TFrmRz(QWidget* parent = nullptr);

    QTableView* DBGrid1;
    QLabel* lblAnswers; // 已做习题（道次）
    QLabel* lblWrong;   // 做错习题（道次）
    QLabel* lblScore;   // 综合成绩
    ui::CommandButton* SpeedButton1; // 设置
    ui::CommandButton* SpeedButton3; // 关闭

    void FormShow();

public Q_SLOTS:
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void arrange(bool compact);

    store::DatasetModel* m_model;
    QList<QLabel*> m_captions;
    QString m_previousSort;
    bool m_shown = false;
    int m_band = 0;
    QRect m_board;
};
