#pragma once

#include "core/update/BankUpgrade.h"

#include <QDialog>
#include <functional>
#include <memory>

class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QToolButton;

namespace ui {
class CommandButton;
}

// The bank upgrade ("题库升级"): choose an upgrade file and merge it into the bank,
// once per upgrade and only for this bank's product. A checked backup of the bank
// is taken before the merge and named on the screen.
//
//     Tfrmstxz f(this);
//     f.exec();
class Tfrmstxz : public QDialog {
    Q_OBJECT
public:
    explicit Tfrmstxz(QWidget* parent = nullptr);
    ~Tfrmstxz() override;

    QGroupBox* RadioGroup1;            // 选择升级方式
    QRadioButton* rbLocal;             // 本地升级
    QLineEdit* Edit1;                  // path of the upgrade file
    QToolButton* SpeedButton1;         // folder: the open-file dialog
    QLabel* Label1;                    // advice
    QLabel* lblBackup;                 // the backup taken by the last upgrade
    ui::CommandButton* epFocusButton1; // 开始升级
    ui::CommandButton* epFocusButton3; // 关闭

    void SpeedButton1Click();
    void epFocusButton1Click();

    // The upgrade file open since the last start; null when none.
    const update::UpgradeFile* openFile() const { return m_file.get(); }

    // Test seam: replaces the open-file dialog (returns the chosen path, or empty).
    using FileChooser = std::function<QString(QWidget* owner, const QString& filter)>;
    static void setFileChooser(FileChooser chooser);

    static QString fileFilter();

public Q_SLOTS:
    void done(int result) override;

private:
    void arrange(bool compact);
    void report(const update::UpgradeRun& run);

    std::unique_ptr<update::UpgradeFile> m_file;
};
