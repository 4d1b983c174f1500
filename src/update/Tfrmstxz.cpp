#include "update/Tfrmstxz.h"

#include "common/Guard.h"
#include "common/Prompt.h"
#include "core/store/Clock.h"
#include "core/store/DataModule.h"
#include "ui/CommandButton.h"
#include "ui/Screen.h"
#include "ui/Style.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QRadioButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

Q_LOGGING_CATEGORY(lcUpgrade, "tesvora.update", QtWarningMsg)

namespace {

Tfrmstxz::FileChooser g_chooser;

struct Arrangement {
    QSize client;
    int fontPx;
    int button;
};
constexpr Arrangement kFull{{540, 300}, 14, 100};
constexpr Arrangement kCompact{{460, 264}, 12, 88};

void say(const QString& caption, const QString& text, prompt::Page page)
{
    ShowPrompt(caption, text, prompt::Mode::Single, page, prompt::Variant::No);
}

} // namespace

Tfrmstxz::Tfrmstxz(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("Tfrmstxz"));
    setWindowTitle(QStringLiteral("题库升级"));
    setModal(true);
    ui::usePanelBackground(this);

    RadioGroup1 = new QGroupBox(QStringLiteral("选择升级方式"), this);
    RadioGroup1->setObjectName(QStringLiteral("RadioGroup1"));
    RadioGroup1->setAccessibleName(QStringLiteral("选择升级方式"));
    rbLocal = new QRadioButton(QStringLiteral("本地升级"), RadioGroup1);
    rbLocal->setObjectName(QStringLiteral("rbLocal"));
    rbLocal->setAccessibleName(QStringLiteral("本地升级"));
    rbLocal->setChecked(true);

    Edit1 = new QLineEdit(RadioGroup1);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setAccessibleName(QStringLiteral("升级文件路径"));
    Edit1->setPlaceholderText(QStringLiteral("升级文件的路径"));

    SpeedButton1 = new QToolButton(RadioGroup1);
    SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    SpeedButton1->setAccessibleName(QStringLiteral("选择升级文件"));
    SpeedButton1->setToolTip(QStringLiteral("选择升级文件"));
    SpeedButton1->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
    SpeedButton1->setFocusPolicy(Qt::StrongFocus);

    Label1 = new QLabel(QStringLiteral("建议先下载升级题库，然后选择本地升级！"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);

    lblBackup = new QLabel(QStringLiteral("升级前会先备份题库，最近十份备份保存在题库旁的 backup 文件夹中。"), this);
    lblBackup->setObjectName(QStringLiteral("lblBackup"));
    lblBackup->setAccessibleName(QStringLiteral("升级前的备份"));
    lblBackup->setWordWrap(true);
    lblBackup->setTextFormat(Qt::PlainText);
    lblBackup->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);

    epFocusButton1 = new ui::CommandButton(QStringLiteral("开始升级"), this);
    epFocusButton1->setObjectName(QStringLiteral("epFocusButton1"));
    epFocusButton1->setAccessibleName(QStringLiteral("开始升级"));
    epFocusButton1->setFramed(true);
    epFocusButton1->setDefault(true);
    epFocusButton3 = new ui::CommandButton(QStringLiteral("关闭"), this);
    epFocusButton3->setObjectName(QStringLiteral("epFocusButton3"));
    epFocusButton3->setAccessibleName(QStringLiteral("关闭"));
    epFocusButton3->setFramed(true);

    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(Edit1, 1);
    pathRow->addWidget(SpeedButton1);
    auto* group = new QVBoxLayout(RadioGroup1);
    group->addWidget(rbLocal);
    group->addLayout(pathRow);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(epFocusButton1);
    buttons->addSpacing(24);
    buttons->addWidget(epFocusButton3);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(RadioGroup1);
    layout->addWidget(Label1);
    layout->addWidget(lblBackup, 1);
    layout->addLayout(buttons);

    setTabOrder(rbLocal, Edit1);
    setTabOrder(Edit1, SpeedButton1);
    setTabOrder(SpeedButton1, epFocusButton1);
    setTabOrder(epFocusButton1, epFocusButton3);

    connect(SpeedButton1, &QToolButton::clicked, this, [this] { SpeedButton1Click(); });
    connect(epFocusButton1, &QAbstractButton::clicked, this, guard::slot(QStringLiteral("升级失败！"), [this] { epFocusButton1Click(); }));
    connect(epFocusButton3, &QAbstractButton::clicked, this, &QDialog::reject);

    arrange(ui::compactLayout());
    ui::centreWindow(this, parent);
    Edit1->setFocus();
}

Tfrmstxz::~Tfrmstxz() = default;

void Tfrmstxz::arrange(bool compact)
{
    const Arrangement& a = compact ? kCompact : kFull;
    setFont(ui::songFont(a.fontPx));
    Label1->setFont(ui::songFont(a.fontPx, true));
    for (ui::CommandButton* b : {epFocusButton1, epFocusButton3})
        b->setFixedSize(a.button, a.fontPx * 2 + 6);
    SpeedButton1->setFixedSize(a.fontPx * 2 + 6, a.fontPx * 2 + 6);
    SpeedButton1->setIconSize(QSize(a.fontPx + 6, a.fontPx + 6));
    setFixedSize(a.client);
}

QString Tfrmstxz::fileFilter()
{
    return QStringLiteral("升级文件(*.db);;所有文件(*)");
}

void Tfrmstxz::setFileChooser(FileChooser chooser)
{
    g_chooser = std::move(chooser);
}

void Tfrmstxz::SpeedButton1Click()
{
    // Where the last file was, else the program's own upgrade folder.
    QString start = QFileInfo(Edit1->text().trimmed()).absolutePath();
    if (Edit1->text().trimmed().isEmpty())
        start = DM1 && QFileInfo(DM1->AppDir + QStringLiteral("upgrade")).isDir() ? DM1->AppDir + QStringLiteral("upgrade") : QString();
    const QString chosen = g_chooser ? g_chooser(this, fileFilter())
                                     : QFileDialog::getOpenFileName(this, QStringLiteral("选择升级文件"), start, fileFilter());
    if (!chosen.isEmpty())
        Edit1->setText(QDir::toNativeSeparators(chosen));
    // Back to this window for the keyboard, also where no window manager hands it back.
    activateWindow();
    Edit1->setFocus();
}

void Tfrmstxz::epFocusButton1Click()
{
    update::UpgradeRun run;
    {
        ui::WaitCursor wait;
        run = update::runUpgrade(DM1->db(), Edit1->text(), m_file, store::Clock::now());
    }
    if (!run.failure.isEmpty())
        qCWarning(lcUpgrade).noquote() << Edit1->text().trimmed() << "--" << run.failure;
    if (run.outcome == update::Outcome::Merged)
        DM1->refreshSharedTables(); // open shared tables show the new rows
    report(run);
}

void Tfrmstxz::report(const update::UpgradeRun& run)
{
    using update::Outcome;
    switch (run.outcome) {
    case Outcome::NoPath:
        say(QStringLiteral("提示"), QStringLiteral("请点击文件夹按钮选择升级文件！"), prompt::Page::Warning);
        Edit1->setFocus();
        return;
    case Outcome::CannotOpen:
        say(QStringLiteral("错误"), QStringLiteral("无法打开升级文件！"), prompt::Page::Error);
        return;
    case Outcome::ForeignProduct:
        say(QStringLiteral("提示"), QStringLiteral("升级文件不属于本软件！"), prompt::Page::Warning);
        return;
    case Outcome::AlreadyApplied:
        say(QStringLiteral("提示"), QStringLiteral("您已升级过了！"), prompt::Page::Warning);
        return;
    case Outcome::BackupFailed:
        say(QStringLiteral("提示"), QStringLiteral("升级失败！\n无法备份题库，题库未作任何改动。"), prompt::Page::Error);
        return;
    case Outcome::MergeFailed:
        lblBackup->setText(QStringLiteral("升级前的题库已备份为：%1").arg(QDir::toNativeSeparators(run.backupPath)));
        say(QStringLiteral("提示"), QStringLiteral("升级失败！\n题库未作任何改动。"), prompt::Page::Error);
        return;
    case Outcome::Merged: {
        lblBackup->setText(QStringLiteral("升级前的题库已备份为：%1").arg(QDir::toNativeSeparators(run.backupPath)));
        QString text = QStringLiteral("升级成功！\n新增试题 %1 道").arg(run.merge.questionsAdded());
        if (run.merge.rowsSkipped() > 0)
            text += QStringLiteral("；题库中已有的 %1 条记录保持不变").arg(run.merge.rowsSkipped());
        text += QStringLiteral("。\n升级前的题库已备份为 %1。").arg(QFileInfo(run.backupPath).fileName());
        say(QStringLiteral("提示"), text, prompt::Page::Information);
        return;
    }
    }
}

void Tfrmstxz::done(int result)
{
    // Closing the screen lets go of the upgrade file.
    m_file.reset();
    QDialog::done(result);
}
