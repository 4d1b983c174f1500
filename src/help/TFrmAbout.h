#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// The about box: the program's title and its makers, one close button.
class TFrmAbout : public QDialog {
    Q_OBJECT
public:
    explicit TFrmAbout(QWidget* parent = nullptr);

    QPushButton* btnClose;
    QLabel* lblBank = nullptr; // where the bank is

protected:
    void paintEvent(QPaintEvent* event) override;
};
