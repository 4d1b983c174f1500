#include "exam/TFrmCheck.h"

#include "core/exam/ExamRules.h"
#include "core/exam/ScoreRules.h"
#include "exam/TFrmExam.h"
#include "progress/TFrmConfig.h"
#include "core/app/AppState.h"
#include "common/Guard.h"
#include "common/ModalLoop.h"
#include "common/Prompt.h"
#include "common/TFrmProgress.h"
#include "core/store/DataModule.h"
#include "core/store/Dataset.h"
#include "core/store/DatasetModel.h"
#include "ui/CommandButton.h"
#include "ui/Screen.h"
#include "ui/Style.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLCDNumber>
#include <QLabel>
#include <QTableView>
#include <QVBoxLayout>

namespace {

const QString kFailed = QStringLiteral("发生错误！");

struct Widths {
    int title, score, time;
};

Widths columnWidths(bool compact)
{
    return compact ? Widths{310, 65, 65} : Widths{388, 80, 80};
}

} // namespace

TFrmCheck::TFrmCheck(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("TFrmCheck"));
    setWindowTitle(QStringLiteral("查阅试卷"));
    setAccessibleName(QStringLiteral("查阅试卷"));
    const bool compact = ui::compactLayout();
    setFont(ui::songFont(compact ? 12 : 13));
    ui::usePanelBackground(this);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(8, 0, 8, 8);
    outer->setSpacing(6);
    auto* strip = new QLabel(QStringLiteral("查阅试卷"), this);
    ui::styleHeadingStrip(strip);
    strip->setFont(ui::songFont(compact ? 14 : 16, true));
    strip->setContentsMargins(8, 4, 8, 4);
    outer->addWidget(strip);

    auto* middle = new QHBoxLayout;
    middle->setSpacing(8);
    DBGrid1 = new QTableView(this);
    ui::setUpRowList(DBGrid1, QStringLiteral("DBGrid1"), QStringLiteral("试卷列表"), ui::GridLook::Plain);
    m_model = new store::DatasetModel(DM1->Cn1Table_cj, this);
    m_model->setColumns({{QStringLiteral("A3"), QStringLiteral("试卷名称")},
                         {QStringLiteral("A6"), QStringLiteral("成绩"), Qt::AlignRight | Qt::AlignVCenter,
                          [](const QVariant& v) { return v.isNull() ? QString() : exam::scoreText(v.toDouble()); }},
                         {QStringLiteral("D2"), QStringLiteral("用时"), Qt::AlignCenter}});
    DBGrid1->setModel(m_model);
    m_model->bindSelection(DBGrid1->selectionModel());
    middle->addWidget(DBGrid1, 1);

    auto* board = new QWidget(this);
    board->setObjectName(QStringLiteral("board"));
    auto* bl = new QVBoxLayout(board);
    bl->setContentsMargins(0, 0, 0, 0);
    bl->setSpacing(4);
    const auto counter = [&](const QString& caption, const QString& name) {
        auto* label = new QLabel(caption, board);
        label->setFont(ui::songFont(compact ? 12 : 13, true));
        auto* lcd = new QLCDNumber(3, board);
        lcd->setObjectName(name);
        lcd->setAccessibleName(caption);
        lcd->setSegmentStyle(QLCDNumber::Flat);
        lcd->setFixedSize(compact ? QSize(78, 34) : QSize(96, 42));
        lcd->setStyleSheet(QStringLiteral("QLCDNumber { background: %1; color: %2; }")
                               .arg(ui::kScoreBoardFace.name(), ui::kScoreBoardValue.name()));
        label->setBuddy(lcd);
        bl->addWidget(label);
        bl->addWidget(lcd);
        bl->addSpacing(6);
        return lcd;
    };
    LED_count = counter(QStringLiteral("考试次数"), QStringLiteral("LED_count"));
    LED_passed = counter(QStringLiteral("及格次数"), QStringLiteral("LED_passed"));
    LED_average = counter(QStringLiteral("平均成绩"), QStringLiteral("LED_average"));
    bl->addStretch(1);
    middle->addWidget(board);
    outer->addLayout(middle, 1);

    Label_hint = new QLabel(this);
    Label_hint->setObjectName(QStringLiteral("Label_hint"));
    Label_hint->setStyleSheet(QStringLiteral("color: %1;").arg(ui::kHintText.name()));
    Label_hint->setWordWrap(true);
    outer->addWidget(Label_hint);

    auto* row = new QHBoxLayout;
    row->setSpacing(6);
    const auto command = [&](const QString& name, const QString& caption, void (TFrmCheck::*handler)()) {
        auto* b = new ui::CommandButton(caption, this);
        b->setObjectName(name);
        b->setFramed(true);
        b->setAutoDefault(false);
        b->setFixedHeight(compact ? 28 : 32);
        row->addWidget(b);
        if (handler)
            connect(b, &QAbstractButton::clicked, this, guard::slot(kFailed, [this, handler] { (this->*handler)(); }));
        return b;
    };
    epEfTrBtn1 = command(QStringLiteral("epEfTrBtn1"), QStringLiteral("查阅"), &TFrmCheck::epEfTrBtn1Click);
    SpeedButton4 = command(QStringLiteral("SpeedButton4"), QStringLiteral("删除"), &TFrmCheck::SpeedButton4Click);
    epEfTrBtn8 = command(QStringLiteral("epEfTrBtn8"), QStringLiteral("设置"), nullptr);
    epEfTrBtn7 = command(QStringLiteral("epEfTrBtn7"), QStringLiteral("关闭"), &TFrmCheck::epEfTrBtn7Click);
    connect(epEfTrBtn8, &QAbstractButton::clicked, this, [this] { TFrmConfig::open(false, this); });
    outer->addLayout(row);
    connect(DBGrid1, &QAbstractItemView::doubleClicked, this, guard::slot(kFailed, [this] { epEfTrBtn1Click(); }));

    arrange(compact);
    setTabOrder(DBGrid1, epEfTrBtn1);
    DBGrid1->setFocus();
}

TFrmCheck::~TFrmCheck() = default;

void TFrmCheck::arrange(bool compact)
{
    const Widths w = columnWidths(compact);
    DBGrid1->setColumnWidth(0, w.title);
    DBGrid1->setColumnWidth(1, w.score);
    DBGrid1->setColumnWidth(2, w.time);
    DBGrid1->setMinimumWidth(w.title + w.score + w.time + 2 * DBGrid1->frameWidth() + 18);
    setFixedSize(compact ? QSize(600, 420) : QSize(720, 500));
}

int TFrmCheck::execModal()
{
    return modal::runDialog(*this);
}

void TFrmCheck::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!m_reviewing)
        guard::run(kFailed, [this] { FormShow(); });
}

void TFrmCheck::openTable()
{
    store::Dataset* cj = DM1->Cn1Table_cj;
    if (!cj->isOpen() || cj->tableName().compare(QLatin1String("tab_cj"), Qt::CaseInsensitive) != 0) {
        cj->close();
        cj->setTable(QStringLiteral("tab_cj"));
        cj->open();
    }
    cj->setSort(QStringLiteral("A3_1 DESC"));
}

void TFrmCheck::FormShow()
{
    ui::WaitCursor busy;
    arrange(ui::compactLayout());
    for (QLCDNumber* lcd : {LED_count, LED_passed, LED_average})
        lcd->display(0);
    store::Connection& db = DM1->db();
    Label_hint->setText(exam::scoreHint(db));
    openTable();
    showFigures();
    m_model->syncCurrent(DBGrid1->selectionModel());
}

void TFrmCheck::showFigures()
{
    const exam::ScoreFigures f = exam::scoreFigures(DM1->db(), exam::passLine(DM1->PaperTotalScore(app::currentTypeTable())));
    epEfTrBtn1->setEnabled(f.papers > 0);
    SpeedButton4->setEnabled(f.papers > 0);
    LED_count->display(f.papers);
    LED_passed->display(f.passed);
    LED_average->display(f.average);
}

bool TFrmCheck::hasCurrentRow() const
{
    store::Dataset* cj = DM1->Cn1Table_cj;
    return cj->isOpen() && cj->recNo() > 0;
}

void TFrmCheck::epEfTrBtn1Click()
{
    if (!hasCurrentRow() || !epEfTrBtn1->isEnabled())
        return;
    store::Dataset* cj = DM1->Cn1Table_cj;
    progress::show(QStringLiteral("正在初始化数据..."));
    const QString table = cj->text(QStringLiteral("A1"));
    const QString title = cj->text(QStringLiteral("A3"));
    const QString time = cj->text(QStringLiteral("D2"));
    const double score = cj->real(QStringLiteral("A6"));
    m_reviewing = true;
    hide();
    progress::setText(QStringLiteral("正在提取数据..."));
    {
        TFrmExam review(this);
        review.InitPaper(table, title, exam::Mode::Review, score, time);
        if (review.OpenPaper())
            review.execModal();
    }
    progress::hide();
    // The exam screen closed the shared tables: the list reads them again.
    openTable();
    if (cj->locate(QStringLiteral("A1"), table))
        m_model->syncCurrent(DBGrid1->selectionModel());
    show();
    m_reviewing = false;
}

void TFrmCheck::SpeedButton4Click()
{
    if (!hasCurrentRow() || !SpeedButton4->isEnabled())
        return;
    if (prompt::messageBox(prompt::Icon::Question, QStringLiteral("提示"), QStringLiteral("即将删除试卷，要继续么？"),
                           prompt::Buttons::OkCancel)
        != prompt::Ok)
        return;
    store::Dataset* cj = DM1->Cn1Table_cj;
    const QString table = cj->text(QStringLiteral("A1"));
    exam::deletePaper(*DM1, table);
    cj->refresh();
    showFigures();
    m_model->syncCurrent(DBGrid1->selectionModel());
}

void TFrmCheck::epEfTrBtn7Click()
{
    accept();
}

void TFrmCheck::done(int result)
{
    if (!m_closed) {
        m_closed = true;
        FormCloseQuery();
    }
    QDialog::done(result);
}

void TFrmCheck::FormCloseQuery()
{
    store::Dataset* cj = DM1->Cn1Table_cj;
    cj->setFiltered(false);
    cj->setFilter(QString());
    cj->close();
    DM1->Cn1Query1->close();
}
