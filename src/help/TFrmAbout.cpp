#include "help/TFrmAbout.h"

#include "core/store/DataModule.h"
#include "ui/CommandButton.h"
#include "ui/Style.h"

#include <QDir>
#include <QFontMetrics>

#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace {
constexpr int kBandHeight = 64;
}

TFrmAbout::TFrmAbout(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("TFrmAbout"));
    setWindowTitle(QStringLiteral("关于"));
    setFixedSize(395, 266);
    setModal(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, ui::kPaper);
    setPalette(pal);
    setAutoFillBackground(true);

    auto* title = new QLabel(QStringLiteral("Tesvora"), this);
    title->setObjectName(QStringLiteral("lblTitle"));
    QFont tf = title->font();
    tf.setPixelSize(30);
    tf.setBold(true);
    title->setFont(tf);
    title->setStyleSheet(QStringLiteral("color: white;"));
    title->setGeometry(24, 10, 347, 44);

    auto* body = new QLabel(this);
    body->setObjectName(QStringLiteral("lblInfo"));
    body->setText(QStringLiteral(
        "<b>专业技术资格考试（演示题库）学习软件</b><br>"
        "版本 %1<br>"
        "出版：Orvalex 出版社<br>"
        "编写：Tesvora 考试研究组<br>"
        "题库：演示题库，仅供试用与学习")
                      .arg(QCoreApplication::applicationVersion().isEmpty() ? QStringLiteral("1.0")
                                                                             : QCoreApplication::applicationVersion()));
    body->setTextFormat(Qt::RichText);
    QFont bf = body->font();
    bf.setPixelSize(14);
    body->setFont(bf);
    body->setGeometry(28, kBandHeight + 12, 340, 118);
    body->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    // Where the candidate's history is, for backups and for a second bank.
    const QString bank = DM1 && DM1->ConnectOk ? QDir::toNativeSeparators(DM1->db().path()) : QString();
    auto* where = new QLabel(this);
    where->setObjectName(QStringLiteral("lblBank"));
    QFont wf = where->font();
    wf.setPixelSize(11);
    where->setFont(wf);
    QPalette notePal = where->palette();
    notePal.setColor(QPalette::WindowText, ui::kAboutNote);
    where->setPalette(notePal);
    where->setGeometry(28, kBandHeight + 128, 340, 16);
    where->setText(QFontMetrics(wf).elidedText(QStringLiteral("题库文件：") + bank, Qt::ElideMiddle, 340));
    where->setToolTip(bank);
    where->setAccessibleName(QStringLiteral("题库文件"));
    where->setAccessibleDescription(bank);
    where->setVisible(!bank.isEmpty());
    lblBank = where;

    auto* close = new ui::CommandButton(QStringLiteral("关 闭"), this);
    close->setFramed(true);
    btnClose = close;
    btnClose->setObjectName(QStringLiteral("btnClose"));
    btnClose->setGeometry((395 - 88) / 2, 266 - 48, 88, 30);
    btnClose->setDefault(true);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::accept);

    if (QScreen* s = parent ? parent->screen() : QGuiApplication::primaryScreen())
        move(s->geometry().center() - rect().center());
}

void TFrmAbout::paintEvent(QPaintEvent* event)
{
    QDialog::paintEvent(event);
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient band(0, 0, width(), 0);
    band.setColorAt(0, ui::kAboutBandLeft);
    band.setColorAt(1, ui::kAboutBandRight);
    p.fillRect(QRect(0, 0, width(), kBandHeight), band);
    p.fillRect(QRect(24, kBandHeight - 12, 120, 3), ui::kAboutAccent);
    p.setPen(ui::kAboutRule);
    p.drawLine(24, height() - 60, width() - 24, height() - 60);
}
