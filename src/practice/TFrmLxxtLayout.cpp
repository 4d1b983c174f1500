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
    QSize window;
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

namespace {

constexpr int kGaugeCells = 100;
constexpr int kGaugeWarning = 65;

// Handlers reach the store: none lets an exception into the event loop.
const QString kFailed = QStringLiteral("操作未能完成，请重试！");

QLabel* makeLabel(const QString& text, QWidget* parent, const QString& name = {})
{
    auto* l = new QLabel(text, parent);
    if (!name.isEmpty())
        l->setObjectName(name);
    return l;
}

} // namespace

TFrmLxxt::Arrangement TFrmLxxt::arrangement() const
{
    static const Arrangement full{{923, 585}, {40, 32}, {80, 24}, {40, 40}, {64, 40}, 224, 52, 30, 12, 14, 16};
    static const Arrangement compact{{780, 490}, {34, 26}, {72, 20}, {34, 34}, {54, 34}, 196, 44, 26, 12, 13, 14};
    const bool small = ui::compactLayout();
    Arrangement a = small ? compact : full;
    a.window = small ? m_variant.compactWindow : m_variant.fullWindow;
    return a;
}

TFrmLxxt::TFrmLxxt(QWidget* parent)
    : TFrmLxxt(parent, Variant{})
{
}

TFrmLxxt::TFrmLxxt(QWidget* parent, const Variant& variant)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
    , m_variant(variant)
{
    setObjectName(m_variant.formName);
    setWindowTitle(m_variant.caption);
    setModal(true);
    m_picDir = (DM1 ? DM1->AppDir : QCoreApplication::applicationDirPath() + QLatin1Char('/')) + QStringLiteral("pic/");
    m_thMark.fill(AnswerMark::Open);

    const Arrangement a = arrangement();
    buildScreen(a);
    setFixedSize(a.window);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    connect(Timer1, &QTimer::timeout, this, guard::slot(kFailed, [this] { Timer1Timer(); }));
    KZTimeCounter1 = new QTimer(this);
    KZTimeCounter1->setObjectName(QStringLiteral("KZTimeCounter1"));
    KZTimeCounter1->setInterval(1000);
    KZTimeCounter1->setTimerType(Qt::PreciseTimer);
    connect(KZTimeCounter1, &QTimer::timeout, this, &TFrmLxxt::KZTimeCounter1Timer);

    if (!loadGridPictures()) {
        prompt::error(QStringLiteral("无法提取资源文件！"));
        app::endProgram(1);
    }
}

TFrmLxxt::~TFrmLxxt() = default;

// ---- building the screen ------------------------------------------------------------

void TFrmLxxt::buildScreen(const Arrangement& a)
{
    setFont(ui::songFont(a.textPx));
    ui::usePanelBackground(this);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(6, 0, 6, 6);
    outer->setSpacing(4);

    // Heading strip and the question's notices.
    auto* strip = new QWidget(this);
    ui::styleHeadingStrip(strip);
    auto* stripRow = new QHBoxLayout(strip);
    stripRow->setContentsMargins(8, 3, 8, 3);
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
    outer->addWidget(strip);

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
    questionRow->addWidget(buildQuestionArea(a), 1);
    left->addLayout(questionRow, 1);

    Notebook1 = new practice::AnswerBook(m_picDir, this);
    Notebook1->arrangeUnderQuestion(a.optionFace, a.judgeFace, a.bookHeight, a.headingPx);
    Notebook1->followStem(Re1, Re2);
    left->addWidget(Notebook1);
    middle->addLayout(left, 1);
    middle->addWidget(buildRightColumn(a));
    outer->addLayout(middle, 1);

    outer->addWidget(buildCommands(a));
}

QWidget* TFrmLxxt::buildQuestionArea(const Arrangement& a)
{
    const practice::QuestionArea q = practice::buildQuestionArea(this, practice::kSplitterHandle, a.panelPx);
    m_questionArea = q.area;
    Splitter1 = q.splitter;
    Re1 = q.re1;
    Re2 = q.re2;
    Panel2 = q.panel;
    panelHeadline = Panel2->headline();
    panelYours = Panel2->yours();
    panelCorrect = Panel2->correct();
    return m_questionArea;
}

QWidget* TFrmLxxt::buildRightColumn(const Arrangement& a)
{
    auto* column = new QWidget(this);
    column->setObjectName(QStringLiteral("boards"));
    column->setFixedWidth(a.rightWidth);
    auto* l = new QVBoxLayout(column);
    l->setContentsMargins(0, 0, 0, 0);
    l->setSpacing(3);

    const auto title = [&](const QString& text) {
        auto* t = makeLabel(text, column);
        t->setFont(ui::songFont(a.textPx, true));
        t->setStyleSheet(QStringLiteral("color: rgb(44,78,128);"));
        l->addWidget(t);
    };

    title(QStringLiteral("题型指示板"));
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
    connect(m_txGroup, &QButtonGroup::idToggled, this, guard::slot(kFailed, [this](int id, bool checked) {
        if (checked && id != m_txPressed)
            fcBG_txChange(id);
    }));

    title(QStringLiteral("题目指示板"));
    fcBG_th = new QWidget(column);
    fcBG_th->setObjectName(QStringLiteral("fcBG_th"));
    fcBG_th->setAccessibleName(QStringLiteral("题目指示板"));
    auto* grid = new QGridLayout(fcBG_th);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(3);
    m_thGroup = new QButtonGroup(this);
    m_thGroup->setExclusive(true);
    for (int i = 0; i < kGroupSize; ++i) {
        auto* b = new ui::PictureButton(QString::number(i + 1), fcBG_th);
        b->setObjectName(QStringLiteral("th%1").arg(i + 1));
        b->setAccessibleName(QStringLiteral("第%1题").arg(i + 1));
        b->setCheckable(true);
        b->setFixedSize(a.gridFace);
        b->setFont(ui::songFont(a.textPx, true));
        b->setEnabled(false);
        // Five columns of four: 1–4 in the first column.
        grid->addWidget(b, i % 4, i / 4);
        m_thGroup->addButton(b, i);
        thButtons[size_t(i)] = b;
    }
    connect(m_thGroup, &QButtonGroup::idToggled, this, guard::slot(kFailed, [this](int id, bool checked) {
        if (checked && id != m_thPressed)
            fcBG_thChange(id);
    }));
    l->addWidget(fcBG_th, 0, Qt::AlignHCenter);

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
    connect(FlatSpeedButton1, &QAbstractButton::clicked, this, guard::slot(kFailed, [this] { FlatSpeedButton1Click(); }));
    connect(FlatSpeedButton2, &QAbstractButton::clicked, this, guard::slot(kFailed, [this] { FlatSpeedButton2Click(); }));
    l->addLayout(groups);
    return column;
}

QWidget* TFrmLxxt::buildCommands(const Arrangement& a)
{
    auto* bar = new QWidget(this);
    bar->setObjectName(QStringLiteral("commands"));
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(4);
    const auto command = [&](const QString& name, const QString& caption, void (TFrmLxxt::*handler)(),
                             const QString& failure = kFailed) {
        auto* b = new ui::CommandButton(caption, bar);
        b->setObjectName(name);
        b->setFramed(true);
        b->setAutoDefault(false);
        b->setFixedHeight(a.commandHeight);
        b->setMinimumWidth(10);
        b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        row->addWidget(b);
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
    // The caption turns to "有内容" once a note exists; the name still says what the button does.
    epEfTrBtn5->setAccessibleName(QStringLiteral("笔记"));
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
