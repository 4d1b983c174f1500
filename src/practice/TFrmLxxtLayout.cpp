#include "practice/TFrmLxxt.h"

#include "question/AnswerPages.h"
#include "question/AnswerPanel.h"
#include "progress/TFrmConfig.h"
#include "core/app/AppState.h"
#include "common/Guard.h"
#include "common/Prompt.h"
#include "core/store/DataModule.h"
#include "ui/ArtLayout.h"
#include "ui/CommandButton.h"
#include "ui/Gauge.h"
#include "ui/PictureButton.h"
#include "ui/RichTextView.h"
#include "ui/Screen.h"
#include "ui/Style.h"

#include <QButtonGroup>
#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QSplitter>
#include <QTimer>
#include <QVBoxLayout>

// How the practice screen is built and arranged; what it does is in TFrmLxxt.cpp.

using practice::AnswerMark;
using practice::kGroupSize;

// Sizes of one arrangement: the full one and the compact one for 800 × 600 screens.
struct TFrmLxxt::Arrangement {
    QSize gridFace;
    QSize typeFace;
    QSize optionFace;
    QSize judgeFace;
    int rightWidth;
    int bookHeight;
    int commandHeight;
    int textPx;
    int headingPx;
    int panelPx;
};

using practice::kActionFailed;
using practice::makeLabel;

namespace {

constexpr int kGaugeWarning = 65;

} // namespace

TFrmLxxt::Arrangement TFrmLxxt::arrangement() const
{
    static const Arrangement full{{40, 32}, {80, 24}, {40, 40}, {64, 40}, 224, 52, 30, 12, 14, 16};
    static const Arrangement compact{{34, 26}, {72, 20}, {34, 34}, {54, 34}, 196, 44, 26, 12, 13, 14};
    return ui::compactLayout() ? compact : full;
}

TFrmLxxt::TFrmLxxt(QWidget* parent)
    : TFrmLxxt(parent, Variant{})
{
}

TFrmLxxt::TFrmLxxt(QWidget* parent, const Variant& variant)
    : practice::QuestionScreen(parent)
    , m_variant(variant)
{
    setObjectName(m_variant.formName);
    setWindowTitle(m_variant.caption);
    setModal(true);
    m_thMark.fill(AnswerMark::Open);

    buildScreen(arrangement());
    setFixedSize(ui::compactLayout() ? m_variant.compactWindow : m_variant.fullWindow);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    connect(Timer1, &QTimer::timeout, this, guard::slot(kActionFailed, [this] { Timer1Timer(); }));
    KZTimeCounter1 = new QTimer(this);
    KZTimeCounter1->setObjectName(QStringLiteral("KZTimeCounter1"));
    KZTimeCounter1->setInterval(1000);
    KZTimeCounter1->setTimerType(Qt::PreciseTimer);
    connect(KZTimeCounter1, &QTimer::timeout, this, &TFrmLxxt::KZTimeCounter1Timer);

    if (!loadGridPictures()) {
        prompt::error(QStringLiteral("无法提取资源文件！"));
        app::endProgram(1);
        return;
    }
    for (int i = 0; i < kGroupSize; ++i)
        setGridPictures(i, AnswerMark::Open);
}

TFrmLxxt::~TFrmLxxt() = default;

// ---- building the screen ------------------------------------------------------------

void TFrmLxxt::buildScreen(const Arrangement& a)
{
    QVBoxLayout* outer = startLayout(a.textPx);

    // Heading strip and the question's notices.
    QBoxLayout* stripRow = addHeadingStrip(outer, 3);
    QWidget* strip = stripRow->parentWidget();
    epLabel2 = makeLabel(QStringLiteral("提示板"), strip, QStringLiteral("epLabel2"));
    epLabel2->setFont(ui::songFont(a.headingPx, true));
    epLabel2->setTextFormat(Qt::PlainText);
    epLabel2->setMinimumWidth(100);
    epLabel2->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    stripRow->addWidget(epLabel2, 1);
    auto* clockCaption = makeLabel(QStringLiteral("时钟"), strip);
    epLabel1 = makeLabel(QStringLiteral("0:00:00"), strip, QStringLiteral("epLabel1"));
    ui::captionValue(epLabel1, QStringLiteral("时钟"));
    epLabel1->setFont(ui::songFont(a.headingPx, true));
    epLabel1->setMinimumWidth(QFontMetrics(epLabel1->font()).horizontalAdvance(QStringLiteral("00:00:00")) + 4);
    stripRow->addWidget(clockCaption);
    stripRow->addWidget(epLabel1);
    QBoxLayout* info = buildInfoRow(outer, a);

    // Question and answer book on the left, the indicator boards on the right.
    auto* middle = new QHBoxLayout;
    middle->setSpacing(6);
    auto* left = new QVBoxLayout;
    left->setSpacing(4);
    auto* questionRow = new QHBoxLayout;
    questionRow->setSpacing(4);
    epIndiGauge1 = new ui::Gauge(this);
    epIndiGauge1->setObjectName(QStringLiteral("epIndiGauge1"));
    epIndiGauge1->setAccessibleName(QStringLiteral("答题计时"));
    epIndiGauge1->setCells(kGaugeCells);
    epIndiGauge1->setWarningFrom(kGaugeWarning);
    epIndiGauge1->setFixedWidth(14);
    epIndiGauge1->setMinimumHeight(60);
    epIndiGauge1->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    questionRow->addWidget(epIndiGauge1);
    questionRow->addWidget(buildQuestionArea(a.panelPx), 1);
    panelHeadline = Panel2->headline();
    panelYours = Panel2->yours();
    panelCorrect = Panel2->correct();
    left->addLayout(questionRow, 1);
    left->addWidget(buildAnswerBook(a.optionFace, a.judgeFace, a.bookHeight, a.headingPx));
    middle->addLayout(left, 1);
    middle->addWidget(buildRightColumn(a));
    outer->addLayout(middle, 1);

    outer->addWidget(buildCommands(a));
    addBookmarkToggle(info, a.textPx);
}

// The question's number within the group, how often it came up, and its notices.
QBoxLayout* TFrmLxxt::buildInfoRow(QVBoxLayout* outer, const Arrangement& a)
{
    auto* info = new QHBoxLayout;
    info->setSpacing(2);
    Label12 = makeLabel(QStringLiteral("1"), this, QStringLiteral("Label12"));
    Label15 = makeLabel(QStringLiteral("1"), this, QStringLiteral("Label15"));
    for (QLabel* number : {Label12, Label15}) {
        number->setFont(ui::songFont(a.headingPx, true));
        number->setStyleSheet(QStringLiteral("color: rgb(0,0,160);"));
    }
    ui::captionValue(Label12, QStringLiteral("本组第几题"));
    ui::captionValue(Label15, QStringLiteral("第几次出现"));
    info->addWidget(makeLabel(QStringLiteral("第"), this));
    info->addWidget(Label12);
    info->addWidget(makeLabel(QStringLiteral("题"), this));
    info->addSpacing(10);
    info->addWidget(makeLabel(QStringLiteral("（第"), this));
    info->addWidget(Label15);
    info->addWidget(makeLabel(QStringLiteral("次出现）"), this));
    info->addSpacing(16);
    Label21 = makeLabel(QString(), this, QStringLiteral("Label21"));
    Label21->setStyleSheet(QStringLiteral("color: red;"));
    Label24 = makeLabel(QString(), this, QStringLiteral("Label24"));
    Label24->setFont(ui::songFont(a.textPx, true));
    Label24->setVisible(m_variant.editing);
    info->addWidget(Label21);
    info->addSpacing(16);
    info->addWidget(Label24);
    info->addStretch(1);
    outer->addLayout(info);
    return info;
}

namespace {

// The caption over a board of the right column.
void addBoardTitle(QWidget* column, QVBoxLayout* l, const QString& text, int px)
{
    auto* t = makeLabel(text, column);
    t->setFont(ui::songFont(px, true));
    t->setStyleSheet(QStringLiteral("color: rgb(44,78,128);"));
    l->addWidget(t);
}

} // namespace

// The type filter, the question grid, the group counts and the group buttons.
QWidget* TFrmLxxt::buildRightColumn(const Arrangement& a)
{
    auto* column = new QWidget(this);
    column->setObjectName(QStringLiteral("boards"));
    column->setFixedWidth(a.rightWidth);
    auto* l = new QVBoxLayout(column);
    l->setContentsMargins(0, 0, 0, 0);
    l->setSpacing(3);
    buildTypeBoard(column, l, a);
    buildQuestionGrid(column, l, a);
    buildGroupCounts(column, l, a);
    buildGroupButtons(column, l, a);
    return column;
}

// 题型指示板: scrolls when a paper has many types; its buttons come with the set.
void TFrmLxxt::buildTypeBoard(QWidget* column, QVBoxLayout* l, const Arrangement& a)
{
    addBoardTitle(column, l, QStringLiteral("题型指示板"), a.textPx);
    auto* scroll = new QScrollArea(column);
    scroll->setObjectName(QStringLiteral("typeScroll"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setFocusPolicy(Qt::NoFocus);
    fcBG_tx = new QWidget(scroll);
    fcBG_tx->setObjectName(QStringLiteral("fcBG_tx"));
    fcBG_tx->setAccessibleName(QStringLiteral("题型指示板"));
    auto* txLayout = new QGridLayout(fcBG_tx);
    txLayout->setContentsMargins(2, 2, 2, 2);
    txLayout->setHorizontalSpacing(6);
    txLayout->setVerticalSpacing(3);
    txLayout->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    scroll->setWidget(fcBG_tx);
    scroll->viewport()->setAutoFillBackground(false);
    fcBG_tx->setAutoFillBackground(false);
    l->addWidget(scroll, 1);
    m_txGroup = new QButtonGroup(this);
    m_txGroup->setExclusive(true);
    // The state, not the click: a screen reader's Toggle changes the type too.
    connect(m_txGroup, &QButtonGroup::idToggled, this, guard::slot(kActionFailed, [this](int id, bool checked) {
        if (checked && id != m_txPressed)
            fcBG_txChange(id);
    }));
}

// 题目指示板: the 20 questions of a group.
void TFrmLxxt::buildQuestionGrid(QWidget* column, QVBoxLayout* l, const Arrangement& a)
{
    addBoardTitle(column, l, QStringLiteral("题目指示板"), a.textPx);
    fcBG_th = new QWidget(column);
    fcBG_th->setObjectName(QStringLiteral("fcBG_th"));
    fcBG_th->setAccessibleName(QStringLiteral("题目指示板"));
    auto* grid = new QGridLayout(fcBG_th);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(3);
    m_thGroup = new QButtonGroup(this);
    m_thGroup->setExclusive(true);
    for (int i = 0; i < kGroupSize; ++i) {
        ui::PictureButton* b = makeGridButton(i + 1, fcBG_th, a.gridFace, ui::songFont(a.textPx, true));
        b->setAccessibleName(QStringLiteral("第%1题").arg(i + 1));
        b->setEnabled(false);
        // Five columns of four: 1–4 in the first column.
        grid->addWidget(b, i % 4, i / 4);
        m_thGroup->addButton(b, i);
        thButtons[size_t(i)] = b;
    }
    connect(m_thGroup, &QButtonGroup::idToggled, this, guard::slot(kActionFailed, [this](int id, bool checked) {
        if (checked && id != m_thPressed)
            fcBG_thChange(id);
    }));
    l->addWidget(fcBG_th, 0, Qt::AlignHCenter);
}

// "共 n 组 m 道题 第 k 组"
void TFrmLxxt::buildGroupCounts(QWidget* column, QVBoxLayout* l, const Arrangement& a)
{
    auto* counts = new QHBoxLayout;
    counts->setSpacing(2);
    Lb_zs = makeLabel(QStringLiteral("0"), column, m_variant.groupCountName);
    Lb_ts = makeLabel(QStringLiteral("0"), column, m_variant.questionCountName);
    Lb_zb = makeLabel(QStringLiteral("0"), column, m_variant.groupShownName);
    ui::captionValue(Lb_zs, QStringLiteral("组数"));
    ui::captionValue(Lb_ts, QStringLiteral("题数"));
    ui::captionValue(Lb_zb, QStringLiteral("当前组"));
    for (QLabel* n : {Lb_zs, Lb_ts, Lb_zb}) {
        n->setFont(ui::songFont(a.textPx, true));
        n->setStyleSheet(QStringLiteral("color: rgb(0,0,160);"));
    }
    counts->addWidget(makeLabel(QStringLiteral("共"), column));
    counts->addWidget(Lb_zs);
    counts->addWidget(makeLabel(QStringLiteral("组"), column));
    counts->addWidget(Lb_ts);
    counts->addWidget(makeLabel(QStringLiteral("道题"), column));
    counts->addSpacing(8);
    counts->addWidget(makeLabel(QStringLiteral("第"), column));
    counts->addWidget(Lb_zb);
    counts->addWidget(makeLabel(QStringLiteral("组"), column));
    counts->addStretch(1);
    l->addLayout(counts);
}

// <-上一组 and 下一组->
void TFrmLxxt::buildGroupButtons(QWidget* column, QVBoxLayout* l, const Arrangement& a)
{
    auto* groups = new QHBoxLayout;
    FlatSpeedButton1 = new ui::CommandButton(QStringLiteral("<-上一组"), column);
    FlatSpeedButton1->setObjectName(QStringLiteral("FlatSpeedButton1"));
    FlatSpeedButton1->setAccessibleName(QStringLiteral("上一组"));
    FlatSpeedButton2 = new ui::CommandButton(QStringLiteral("下一组->"), column);
    FlatSpeedButton2->setObjectName(QStringLiteral("FlatSpeedButton2"));
    FlatSpeedButton2->setAccessibleName(QStringLiteral("下一组"));
    for (ui::CommandButton* b : {FlatSpeedButton1, FlatSpeedButton2}) {
        b->setFramed(true);
        b->setEnabled(false);
        b->setFixedHeight(a.commandHeight - 4);
        groups->addWidget(b);
    }
    connect(FlatSpeedButton1, &QAbstractButton::clicked, this, guard::slot(kActionFailed, [this] { FlatSpeedButton1Click(); }));
    connect(FlatSpeedButton2, &QAbstractButton::clicked, this, guard::slot(kActionFailed, [this] { FlatSpeedButton2Click(); }));
    l->addLayout(groups);
}

QWidget* TFrmLxxt::buildCommands(const Arrangement& a)
{
    auto* bar = new QWidget(this);
    bar->setObjectName(QStringLiteral("commands"));
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(4);
    const auto command = [&](const QString& name, const QString& caption, void (TFrmLxxt::*handler)(),
                             const QString& failure = kActionFailed) {
        ui::CommandButton* b = addCommand(bar, row, name, caption, a.commandHeight);
        if (handler)
            connect(b, &QAbstractButton::clicked, this, guard::slot(failure, [this, handler] { (this->*handler)(); }));
        return b;
    };
    epEfTrBtn1 = command(QStringLiteral("epEfTrBtn1"), QStringLiteral("上一题"), &TFrmLxxt::epEfTrBtn1Click);
    epEfTrBtn2 = command(QStringLiteral("epEfTrBtn2"), QStringLiteral("下一题"), &TFrmLxxt::epEfTrBtn2Click);
    epEfTrBtn3 = command(QStringLiteral("epEfTrBtn3"), QStringLiteral("完成"), &TFrmLxxt::epEfTrBtn3Click);
    epEfTrBtn6 = command(QStringLiteral("epEfTrBtn6"), QStringLiteral("答案"), &TFrmLxxt::epEfTrBtn6Click);
    epEfTrBtn4 = command(QStringLiteral("epEfTrBtn4"), QStringLiteral("解析"), &TFrmLxxt::epEfTrBtn4Click);
    epEfTrBtn5 = command(QStringLiteral("epEfTrBtn5"), QStringLiteral("笔记"), &TFrmLxxt::epEfTrBtn5Click);
    showNoteState(false);
    epEfTrBtn9 = command(QStringLiteral("epEfTrBtn9"), QStringLiteral("考点"), &TFrmLxxt::epEfTrBtn9Click,
                         QStringLiteral("无法读取本题的考点！"));
    epEfTrBtn11 = m_variant.editing ? command(QStringLiteral("epEfTrBtn11"), QStringLiteral("修改本题"), &TFrmLxxt::epEfTrBtn11Click) : nullptr;
    epEfTrBtn10 = command(QStringLiteral("epEfTrBtn10"), m_variant.voidCaption, &TFrmLxxt::epEfTrBtn10Click);
    epEfTrBtn8 = command(QStringLiteral("epEfTrBtn8"), QStringLiteral("设置"), nullptr);
    epEfTrBtn7 = command(m_variant.desktopName, QStringLiteral("桌面"), &TFrmLxxt::epEfTrBtn7Click);
    epEfTrBtn99 = command(m_variant.closeName, QStringLiteral("关闭"), &TFrmLxxt::epEfTrBtn99Click);
    connect(epEfTrBtn8, &QAbstractButton::clicked, this, [this] { TFrmConfig::open(false, this); });
    epEfTrBtn4->setVisible(m_variant.analysis);
    for (ui::CommandButton* b : {epEfTrBtn4, epEfTrBtn6, epEfTrBtn9})
        b->setEnabled(false);
    return bar;
}

void TFrmLxxt::buildTypeButtons(const QVector<practice::QuestionType>& types, const QSet<int>& present)
{
    const QPixmap up = ui::loadPicture(m_picDir + QLatin1String(ui::art::kTypeUp));
    const QPixmap down = ui::loadPicture(m_picDir + QLatin1String(ui::art::kTypeDown));
    if (up.isNull() || down.isNull()) {
        prompt::error(QStringLiteral("无法提取资源文件！"));
        app::endProgram(1);
        return;
    }
    m_txTypes = {0};
    QStringList names = {QStringLiteral("任意")};
    m_typeNames.clear();
    for (const practice::QuestionType& t : types) {
        m_txTypes << t.id;
        names << t.name;
        m_typeNames.insert(t.id, t.name);
    }

    const Arrangement a = arrangement();
    qDeleteAll(txButtons);
    txButtons.clear();
    auto* grid = static_cast<QGridLayout*>(fcBG_tx->layout());
    for (int i = 0; i < m_txTypes.size(); ++i) {
        auto* b = new ui::PictureButton(names[i], fcBG_tx);
        b->setObjectName(QStringLiteral("tx%1").arg(m_txTypes[i]));
        b->setAccessibleName(names[i]);
        b->setCheckable(true);
        b->setPictures(up, down);
        b->setFixedSize(a.typeFace);
        b->setFont(ui::songFont(a.textPx));
        b->setEnabled(i == 0 || present.contains(m_txTypes[i]));
        grid->addWidget(b, i / 2, i % 2);
        m_txGroup->addButton(b, i);
        txButtons << b;
    }
    m_txPressed = -1;
    // Tab order: after the type filter comes the grid.
    for (int i = 1; i < txButtons.size(); ++i)
        setTabOrder(txButtons[i - 1], txButtons[i]);
    if (!txButtons.isEmpty())
        setTabOrder(txButtons.back(), thButtons[0]);
}
