#include "progress/TFrmEset.h"

#include "progress/Panel.h"
#include "core/progress/ProgressRules.h"
#include "common/Guard.h"
#include "common/Prompt.h"
#include "core/app/AppState.h"
#include "core/store/DataModule.h"
#include "ui/CommandButton.h"
#include "ui/Screen.h"
#include "ui/Style.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QRegularExpressionValidator>

namespace {

constexpr int kBand = 26;

QLineEdit* numberEdit(QWidget* parent, const char* name, const QString& hint)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    e->setToolTip(hint);
    e->setMaxLength(3);
    e->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    e->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,3}")), e));
    return e;
}

} // namespace

TFrmEset::TFrmEset(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("TFrmEset"));
    setAccessibleName(QStringLiteral("考试设置"));
    setModal(true);

    suiCheckBox1 = new QCheckBox(QStringLiteral("保留试卷最低分数"), this);
    suiCheckBox1->setObjectName(QStringLiteral("suiCheckBox1"));
    suiNumberEdit1 = numberEdit(this, "suiNumberEdit1", QStringLiteral("与试卷总分数相关"));
    suiNumberEdit1->setAccessibleName(QStringLiteral("保留试卷最低分数"));
    suiCheckBox2 = new QCheckBox(QStringLiteral("模拟考试答题时间"), this);
    suiCheckBox2->setObjectName(QStringLiteral("suiCheckBox2"));
    suiNumberEdit2 = numberEdit(this, "suiNumberEdit2", QStringLiteral("（单位：分钟）"));
    suiNumberEdit2->setAccessibleName(QStringLiteral("模拟考试答题时间（分钟）"));
    m_unit = new QLabel(QStringLiteral("分钟"), this);

    suiButton1 = new ui::CommandButton(QStringLiteral("默认"), this);
    suiButton1->setObjectName(QStringLiteral("suiButton1"));
    suiButton1->setToolTip(QStringLiteral("先选择要恢复默认值的项"));
    suiButton1->setFramed(true);
    suiButton1->setAutoDefault(false);
    suiButton1->setEnabled(false);
    suiButton2 = new ui::CommandButton(QStringLiteral("关闭"), this);
    suiButton2->setObjectName(QStringLiteral("suiButton2"));
    suiButton2->setToolTip(QStringLiteral("保存后退出本界面"));
    suiButton2->setFramed(true);
    suiButton2->setAutoDefault(false);

    // The state, not the click: assistive tools and switch access toggle without clicking.
    connect(suiCheckBox1, &QCheckBox::toggled, this, &TFrmEset::boxClicked);
    connect(suiCheckBox2, &QCheckBox::toggled, this, &TFrmEset::boxClicked);
    connect(suiButton1, &QAbstractButton::clicked, this, &TFrmEset::suiButton1Click);
    connect(suiButton2, &QAbstractButton::clicked, this, &TFrmEset::suiButton2Click);
    connect(suiNumberEdit1, &QLineEdit::textChanged, this, &TFrmEset::suiNumberEdit1Change);

    setTabOrder(suiCheckBox1, suiNumberEdit1);
    setTabOrder(suiNumberEdit1, suiCheckBox2);
    setTabOrder(suiCheckBox2, suiNumberEdit2);
    setTabOrder(suiNumberEdit2, suiButton1);
    setTabOrder(suiButton1, suiButton2);

    arrange(ui::compactLayout());
}

void TFrmEset::arrange(bool compact)
{
    // 360 × 159 fits either screen; the compact one gets the smaller face.
    setFont(ui::songFont(compact ? 12 : 13));
    setFixedSize(360, 159);
    suiCheckBox1->setGeometry(24, kBand + 16, 170, 24);
    suiNumberEdit1->setGeometry(200, kBand + 16, 60, 24);
    suiCheckBox2->setGeometry(24, kBand + 52, 170, 24);
    suiNumberEdit2->setGeometry(200, kBand + 52, 60, 24);
    m_unit->setGeometry(266, kBand + 52, 50, 24);
    suiButton1->setGeometry(150, 118, 84, 28);
    suiButton2->setGeometry(250, 118, 84, 28);
}

void TFrmEset::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        FormShow();
        ui::centreWindow(this);
    }
}

int TFrmEset::paperTotal()
{
    if (m_total < 0)
        m_total = DM1->PaperTotalScore(app::currentTypeTable());
    return m_total;
}

void TFrmEset::FormShow()
{
    guard::run(QStringLiteral("无法读取考试设置！"), [this] {
        const progress::ExamSettings s = progress::readExamSettings(DM1->db());
        m_checking = true; // the stored value is shown as it is
        suiNumberEdit1->setText(s.leastMark);
        m_checking = false;
        suiNumberEdit2->setText(QString::number(s.examMinutes));
    });
    suiCheckBox1->setFocus();
}

void TFrmEset::boxClicked()
{
    suiButton1->setEnabled(suiCheckBox1->isChecked() || suiCheckBox2->isChecked());
}

void TFrmEset::suiButton1Click()
{
    guard::run(QStringLiteral("无法读取试卷总分数！"), [this] {
        if (suiCheckBox1->isChecked())
            suiNumberEdit1->setText(QString::number(progress::defaultLeastMark(paperTotal())));
        if (suiCheckBox2->isChecked() || !examMinutesValid())
            suiNumberEdit2->setText(QString::number(progress::kDefaultExamMinutes));
    });
}

void TFrmEset::suiNumberEdit1Change()
{
    if (m_checking)
        return;
    m_checking = true;
    guard::run(QStringLiteral("无法读取试卷总分数！"), [this] {
        const progress::LeastMarkCheck c = progress::checkLeastMark(suiNumberEdit1->text(), paperTotal());
        if (c.text != suiNumberEdit1->text())
            suiNumberEdit1->setText(c.text);
        if (c.overTotal) {
            prompt::messageBox(prompt::Icon::Information, QStringLiteral("提示"), QStringLiteral("最低分数不能超过总分数！"));
            suiNumberEdit1->setFocus();
        }
    });
    m_checking = false;
}

bool TFrmEset::examMinutesValid() const
{
    bool ok = false;
    const int minutes = suiNumberEdit2->text().trimmed().toInt(&ok);
    return ok && minutes >= progress::kMinExamMinutes && minutes <= progress::kMaxExamMinutes;
}

void TFrmEset::suiButton2Click()
{
    // An exam of 0 minutes would end at once: nothing is written, the window stays.
    if (!examMinutesValid()) {
        prompt::error(QStringLiteral("保存设置失败！\n模拟考试答题时间须为%1～%2分钟。")
                          .arg(progress::kMinExamMinutes)
                          .arg(progress::kMaxExamMinutes));
        suiNumberEdit2->setFocus();
        suiNumberEdit2->selectAll();
        return;
    }
    guard::run(QStringLiteral("保存设置失败！"), [this] {
        progress::saveExamSettings(DM1->db(), suiNumberEdit1->text(), suiNumberEdit2->text().toInt());
    });
    accept();
}

void TFrmEset::done(int result)
{
    DM1->Cn1Table_plan->close();
    QDialog::done(result);
}

void TFrmEset::paintEvent(QPaintEvent* event)
{
    QDialog::paintEvent(event);
    QPainter p(this);
    progress::paintPanel(p, rect(), kBand);
    p.setPen(ui::kTitleText);
    p.setFont(ui::songFont(14, true));
    p.drawText(QRect(12, 0, width() - 24, kBand), Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("考试设置"));
}
