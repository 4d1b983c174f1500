#pragma once

#include <QDialog>

class QPushButton;

// The about box: the program's title and its makers, one close button.
class TFrmAbout : public QDialog {
    Q_OBJECT
public:
    explicit TFrmAbout(QWidget* parent = nullptr);

    QPushButton* btnClose;

protected:
    void paintEvent(QPaintEvent* event) override;
};
