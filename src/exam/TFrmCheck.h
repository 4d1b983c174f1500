#pragma once

#include <QDialog>

class QLabel;
class QLCDNumber;
class QTableView;

namespace store {
class DatasetModel;
}
namespace ui {
class CommandButton;
}

// The score list ("查阅试卷"): every stored paper, newest first, with its score
// and time, three counters and the pass-mark hint; a paper is reviewed or
// deleted from here.
class TFrmCheck : public QDialog {
    Q_OBJECT
public:
    explicit TFrmCheck(QWidget* parent = nullptr);
    ~TFrmCheck() override;

    int execModal();

    void FormShow();
    void epEfTrBtn1Click(); // 查阅 (also a double click on a row)
    void SpeedButton4Click(); // 删除
    void epEfTrBtn7Click(); // 关闭

    QTableView* DBGrid1;
    QLCDNumber* LED_count;   // 考试次数
    QLCDNumber* LED_passed;  // 及格次数
    QLCDNumber* LED_average; // 平均成绩
    QLabel* Label_hint;
    ui::CommandButton* epEfTrBtn1;  // 查阅
    ui::CommandButton* SpeedButton4; // 删除
    ui::CommandButton* epEfTrBtn8;  // 设置
    ui::CommandButton* epEfTrBtn7;  // 关闭

public Q_SLOTS:
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void arrange(bool compact);
    bool hasCurrentRow() const;
    void openTable();
    void showFigures(); // the counters, and 查阅/删除 usable only with a paper
    void FormCloseQuery();

    store::DatasetModel* m_model = nullptr;
    bool m_closed = false;
    bool m_reviewing = false;
};
