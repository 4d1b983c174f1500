#include "progress/TFrmRz.h"

#include "core/progress/ProgressRules.h"
#include "progress/TFrmConfig.h"
#include "common/Guard.h"
#include "core/app/ShellRules.h"
#include "core/store/DataModule.h"
#include "core/store/Statistics.h"
#include "core/store/Dataset.h"
#include "core/store/DatasetModel.h"
#include "ui/CommandButton.h"
#include "ui/Screen.h"
#include "ui/Style.h"

#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QScrollBar>
#include <QTableView>
#include <array>

namespace {

// Column widths: compact screen, then any other.
constexpr std::array<int, 8> kCompactWidths{128, 60, 60, 60, 60, 80, 71, 70};
constexpr std::array<int, 8> kFullWidths{172, 80, 80, 80, 80, 80, 80, 80};

// Titles are centred whatever the alignment of their column's values.
class LogModel : public store::DatasetModel {
public:
    using store::DatasetModel::DatasetModel;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (role == Qt::TextAlignmentRole && orientation == Qt::Horizontal)
            return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
        return store::DatasetModel::headerData(section, orientation, role);
    }
};

// Whether each day met the plan as it stands now: by answers (A2) or by minutes (D1).
store::DatasetModel::Column planColumn()
{
    shell::StudyPlan plan;
    guard::run(QStringLiteral("无法读取学习计划！"), [&plan] { plan = shell::readStudyPlan(DM1->db()); });
    const bool byMinutes = plan.mark == 1;
    return {byMinutes ? QStringLiteral("D1") : QStringLiteral("A2"), QStringLiteral("完成计划"), Qt::AlignCenter,
            [plan, byMinutes](const QVariant& v) {
                shell::DayWork day;
                day.logged = true;
                if (byMinutes)
                    day.seconds = store::ClockTextToSeconds(v.toString());
                else
                    day.answers = v.toLongLong();
                switch (shell::comparePlan(plan, day)) {
                case shell::PlanStatus::Below:
                    return QStringLiteral("未完成");
                case shell::PlanStatus::Met:
                case shell::PlanStatus::Exceeded:
                    return QStringLiteral("完成");
                case shell::PlanStatus::NoPlan:
                    break;
                }
                return QString();
            }};
}

} // namespace

TFrmRz::TFrmRz(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("TFrmRz"));
    setWindowTitle(QStringLiteral("日志"));
    setAccessibleName(QStringLiteral("日志"));
    setModal(true);
    ui::usePanelBackground(this);

    DBGrid1 = new QTableView(this);
    ui::setUpRowList(DBGrid1, QStringLiteral("DBGrid1"), QStringLiteral("学习日志"), ui::GridLook::Striped);
    DBGrid1->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);

    m_model = new LogModel(DM1->Cn1Table_rz, this);
    const Qt::Alignment left = Qt::AlignLeft | Qt::AlignVCenter;
    const Qt::Alignment right = Qt::AlignRight | Qt::AlignVCenter;
    m_model->setColumns({
        {QStringLiteral("A1"), QStringLiteral("日期"), left},
        {QStringLiteral("B1"), QStringLiteral("做过题数"), left},
        {QStringLiteral("B2"), QStringLiteral("做错题数"), left},
        {QStringLiteral("A2"), QStringLiteral("做过道次"), left},
        {QStringLiteral("A3"), QStringLiteral("做错道次"), left},
        {QStringLiteral("D1"), QStringLiteral("总用时"), right},
        {QStringLiteral("A4"), QStringLiteral("平均成绩"), right},
        planColumn(),
    });
    DBGrid1->setModel(m_model);
    m_model->bindSelection(DBGrid1->selectionModel());

    auto value = [this](const char* name, const QString& accessible) {
        auto* l = new QLabel(QStringLiteral("0"), this);
        l->setObjectName(QString::fromLatin1(name));
        l->setAccessibleName(accessible);
        l->setAlignment(Qt::AlignCenter);
        l->setTextFormat(Qt::PlainText);
        QPalette p = l->palette();
        p.setColor(QPalette::WindowText, ui::kBoardValue);
        l->setPalette(p);
        return l;
    };
    lblAnswers = value("lblAnswers", QStringLiteral("已做习题（道次）"));
    lblWrong = value("lblWrong", QStringLiteral("做错习题（道次）"));
    lblScore = value("lblScore", QStringLiteral("综合成绩"));
    const QLabel* values[] = {lblAnswers, lblWrong, lblScore};
    const char* const captions[] = {"已做习题\n（道次）", "做错习题\n（道次）", "综合成绩"};
    for (int i = 0; i < 3; ++i) {
        auto* c = new QLabel(QString::fromUtf8(captions[i]), this);
        c->setAlignment(Qt::AlignCenter);
        c->setBuddy(const_cast<QLabel*>(values[i]));
        QPalette p = c->palette();
        p.setColor(QPalette::WindowText, ui::kTitleText);
        c->setPalette(p);
        m_captions << c;
    }

    SpeedButton1 = new ui::CommandButton(QStringLiteral("设置"), this);
    SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    SpeedButton1->setFramed(true);
    SpeedButton1->setAutoDefault(false);
    SpeedButton3 = new ui::CommandButton(QStringLiteral("关闭"), this);
    SpeedButton3->setObjectName(QStringLiteral("SpeedButton3"));
    SpeedButton3->setFramed(true);
    SpeedButton3->setAutoDefault(false);
    connect(SpeedButton1, &QAbstractButton::clicked, this, [this] { TFrmConfig::open(false, this); });
    connect(SpeedButton3, &QAbstractButton::clicked, this, &QDialog::accept);

    setTabOrder(DBGrid1, SpeedButton1);
    setTabOrder(SpeedButton1, SpeedButton3);

    arrange(ui::compactLayout());
}

void TFrmRz::arrange(bool compact)
{
    const auto& widths = compact ? kCompactWidths : kFullWidths;
    int gridWidth = 2 * DBGrid1->frameWidth() + 2;
    for (size_t c = 0; c < widths.size(); ++c) {
        DBGrid1->setColumnWidth(int(c), widths[c]);
        gridWidth += widths[c];
    }
    m_band = ui::frameBand(compact);
    const QSize window = compact ? QSize(761, 480) : QSize(934, 611);
    setFixedSize(window);
    const int margin = compact ? 12 : 16;
    const int bottomRow = compact ? 40 : 48;
    const int gridHeight = window.height() - m_band - margin - bottomRow - margin;
    // Room for a scroll bar, so the last column is never cut.
    gridWidth += DBGrid1->verticalScrollBar()->sizeHint().width();
    DBGrid1->setGeometry(margin, m_band + margin, gridWidth, gridHeight);

    QFont gridFont = ui::songFont(compact ? 12 : 14);
    DBGrid1->setFont(gridFont);
    DBGrid1->horizontalHeader()->setFont(ui::songFont(compact ? 12 : 13, true));
    DBGrid1->verticalHeader()->setDefaultSectionSize(QFontMetrics(gridFont).height() + 6);

    const int boardLeft = DBGrid1->geometry().right() + margin;
    m_board = QRect(boardLeft, m_band + margin, window.width() - boardLeft - margin, gridHeight);
    const int slot = m_board.height() / 3;
    const int captionH = compact ? 40 : 48;
    for (int i = 0; i < 3; ++i) {
        const int top = m_board.top() + slot * i + 8;
        m_captions[i]->setGeometry(m_board.left() + 4, top, m_board.width() - 8, captionH);
        m_captions[i]->setFont(ui::songFont(compact ? 14 : 16, true));
    }
    const std::array<QLabel*, 3> values{lblAnswers, lblWrong, lblScore};
    for (int i = 0; i < 3; ++i) {
        const int top = m_board.top() + slot * i + 8 + captionH;
        values[size_t(i)]->setGeometry(m_board.left() + 6, top, m_board.width() - 12, slot - captionH - 20);
        values[size_t(i)]->setFont(ui::songFont(compact ? 22 : 28, true));
    }
    const int buttonW = compact ? 80 : 96;
    const int buttonY = window.height() - margin - bottomRow + 6;
    SpeedButton3->setGeometry(window.width() - margin - buttonW, buttonY, buttonW, bottomRow - 10);
    SpeedButton1->setGeometry(window.width() - margin - 2 * buttonW - 10, buttonY, buttonW, bottomRow - 10);
    for (auto* b : {SpeedButton1, SpeedButton3})
        b->setFont(ui::songFont(compact ? 14 : 16, true));
}

void TFrmRz::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        FormShow();
        ui::centreWindow(this);
    }
}

void TFrmRz::FormShow()
{
    guard::run(QStringLiteral("无法读取学习日志！"), [this] {
        ui::WaitCursor wait;
        store::Dataset* log = DM1->Cn1Table_rz;
        m_previousSort = log->sort();
        DM1->openIfClosed(log);
        log->setSort(QStringLiteral("A1 DESC"));
        log->first();
        m_model->syncCurrent(DBGrid1->selectionModel());
        const progress::LogTotals totals = progress::readLogTotals(DM1->db());
        lblAnswers->setText(QString::number(totals.answers));
        lblWrong->setText(QString::number(totals.wrong));
        lblScore->setText(totals.score);
    });
    DBGrid1->setFocus();
}

void TFrmRz::done(int result)
{
    guard::run(QStringLiteral("无法关闭学习日志！"), [this] {
        store::Dataset* log = DM1->Cn1Table_rz;
        log->close();
        // The shared table goes back to the order its other readers expect.
        log->setSort(m_previousSort);
    });
    QDialog::done(result);
}

void TFrmRz::paintEvent(QPaintEvent* event)
{
    QDialog::paintEvent(event);
    QPainter p(this);
    ui::paintWindowFrame(p, *this, m_band);
    // The totals board: a dark panel like the chapter chooser's.
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(ui::kBoardFace);
    p.drawRoundedRect(m_board, 6, 6);
}
