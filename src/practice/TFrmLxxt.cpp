#include "practice/TFrmLxxt.h"

#include "outline/TfrmAnswFagui.h"
#include "practice/AnswerPages.h"
#include "practice/TFrmBj.h"
#include "practice/TFrmJx.h"
#include "shell/AppState.h"
#include "shell/Prompt.h"
#include "store/DataModule.h"
#include "store/Dataset.h"
#include "store/Statistics.h"
#include "ui/ArtLayout.h"
#include "ui/CommandButton.h"
#include "ui/Gauge.h"
#include "ui/PictureButton.h"
#include "ui/RichTextView.h"
#include "ui/Style.h"

#include <QApplication>
#include <QButtonGroup>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QScrollArea>
#include <QSplitter>
#include <QTimer>
#include <QSet>
#include <QVBoxLayout>
#include <cstring>

#if defined(TESVORA_HAVE_XCB)
#include <QGuiApplication>
#include <xcb/xcb.h>
#endif

using practice::AnswerMark;
using practice::SaveMode;

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

constexpr int kGroupSize = 20;
constexpr int kGaugeCells = 100;
constexpr int kGaugeWarning = 65;
constexpr int kLowerPaneHeight = 150;
constexpr int kSplitterHandle = 6;
constexpr int kPanelStep = 20;

const TFrmLxxt::Arrangement& arrangement()
{
    static const TFrmLxxt::Arrangement full{{923, 585}, {40, 32}, {80, 24}, {40, 40}, {64, 40}, 224, 52, 30, 12, 14, 16};
    static const TFrmLxxt::Arrangement compact{{780, 490}, {34, 26}, {72, 20}, {34, 34}, {54, 34}, 196, 44, 26, 12, 13, 14};
    return app::ScreenSizeTag == QLatin1String("800") ? compact : full;
}

const QString kNotAnswered = QStringLiteral("未做");

QString markName(AnswerMark m)
{
    switch (m) {
    case AnswerMark::Right: return QStringLiteral("做对");
    case AnswerMark::Wrong: return QStringLiteral("做错");
    case AnswerMark::Open: break;
    }
    return kNotAnswered;
}

// Hourglass while the screen works; the previous pointer afterwards.
class Hourglass {
public:
    Hourglass() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~Hourglass() { QApplication::restoreOverrideCursor(); }
};

QLabel* makeLabel(const QString& text, QWidget* parent, const QString& name = {})
{
    auto* l = new QLabel(text, parent);
    if (!name.isEmpty())
        l->setObjectName(name);
    return l;
}

} // namespace

TFrmLxxt::TFrmLxxt(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("TFrmLxxt"));
    setWindowTitle(QStringLiteral("练习新题"));
    setModal(true);
    m_picDir = (DM1 ? DM1->AppDir : QCoreApplication::applicationDirPath() + QLatin1Char('/')) + QStringLiteral("pic/");
    m_thMark.fill(AnswerMark::Open);

    const Arrangement& a = arrangement();
    buildScreen(a);
    setFixedSize(a.window);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    connect(Timer1, &QTimer::timeout, this, &TFrmLxxt::Timer1Timer);
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
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, ui::kPanelBackground);
    setPalette(pal);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(6, 0, 6, 6);
    outer->setSpacing(4);

    // Heading strip and the question's notices.
    auto* strip = new QWidget(this);
    strip->setObjectName(QStringLiteral("headStrip"));
    strip->setAttribute(Qt::WA_StyledBackground);
    strip->setStyleSheet(QStringLiteral("#headStrip { background: qlineargradient(x1:0, y1:0, x2:1, y2:0, stop:0 rgb(44,78,128), stop:1 rgb(96,134,184)); }"
                                        "#headStrip QLabel { color: white; }"));
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
    epLabel1->setAccessibleName(QStringLiteral("时钟"));
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
    Label12->setAccessibleName(QStringLiteral("本组第几题"));
    Label15->setAccessibleName(QStringLiteral("第几次出现"));
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
    Notebook1->setFaceSizes(a.optionFace, a.judgeFace);
    Notebook1->setFixedHeight(a.bookHeight);
    Notebook1->setAutoFillBackground(true);
    // The option faces are drawn on the panel colour: the book keeps it.
    Notebook1->setStyleSheet(QStringLiteral("#Notebook1 { border: 1px solid rgb(150,170,200); }"));
    Notebook1->setSideFont(ui::songFont(a.headingPx, true));
    left->addWidget(Notebook1);
    middle->addLayout(left, 1);
    middle->addWidget(buildRightColumn(a));
    outer->addLayout(middle, 1);

    outer->addWidget(buildCommands(a));
}

QWidget* TFrmLxxt::buildQuestionArea(const Arrangement& a)
{
    m_questionArea = new QWidget(this);
    m_questionArea->setObjectName(QStringLiteral("questionArea"));
    auto* l = new QVBoxLayout(m_questionArea);
    l->setContentsMargins(0, 0, 0, 0);
    Splitter1 = new QSplitter(Qt::Vertical, m_questionArea);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    Splitter1->setChildrenCollapsible(false);
    Splitter1->setHandleWidth(kSplitterHandle);
    Re1 = new ui::RichTextView(Splitter1);
    Re1->setObjectName(QStringLiteral("Re1"));
    Re1->setAccessibleName(QStringLiteral("试题"));
    Re2 = new ui::RichTextView(Splitter1);
    Re2->setObjectName(QStringLiteral("Re2"));
    Re2->setAccessibleName(QStringLiteral("小题"));
    Splitter1->addWidget(Re1);
    Splitter1->addWidget(Re2);
    Re2->hide();
    l->addWidget(Splitter1);

    // The answer panel slides over the question from the left.
    Panel2 = new QWidget(m_questionArea);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setAccessibleName(QStringLiteral("答案"));
    auto* body = new QWidget(Panel2);
    body->setObjectName(QStringLiteral("panelBody"));
    body->setAttribute(Qt::WA_StyledBackground);
    body->setStyleSheet(QStringLiteral("#panelBody { background: rgb(240,246,252); border: 2px solid rgb(96,134,184); }"));
    auto* pl = new QVBoxLayout(body);
    pl->setContentsMargins(24, 24, 24, 24);
    pl->setSpacing(14);
    panelHeadline = makeLabel(QString(), body, QStringLiteral("panelHeadline"));
    panelHeadline->setFont(ui::songFont(a.panelPx + 4, true));
    pl->addWidget(panelHeadline);
    const auto answerRow = [&](const QString& caption, QLineEdit*& box, const QString& name) {
        auto* row = new QHBoxLayout;
        auto* label = makeLabel(caption, body);
        label->setFont(ui::songFont(a.panelPx));
        box = new QLineEdit(body);
        box->setObjectName(name);
        box->setReadOnly(true);
        box->setAccessibleName(caption);
        box->setFont(ui::songFont(a.panelPx, true));
        box->setStyleSheet(QStringLiteral("QLineEdit { color: rgb(0,128,0); background: white; }"));
        label->setBuddy(box);
        row->addWidget(label);
        row->addWidget(box, 1);
        pl->addLayout(row);
    };
    answerRow(QStringLiteral("你的答案："), panelYours, QStringLiteral("panelYours"));
    answerRow(QStringLiteral("正确答案："), panelCorrect, QStringLiteral("panelCorrect"));
    pl->addStretch(1);
    Panel2->hide();
    Panel2->setGeometry(0, 0, 0, 0);
    m_questionArea->installEventFilter(this);
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
    connect(m_txGroup, &QButtonGroup::idClicked, this, [this](int id) {
        if (id != m_txPressed)
            fcBG_txChange(id);
    });

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
        b->setAccessibleDescription(kNotAnswered);
        b->setCheckable(true);
        b->setFixedSize(a.gridFace);
        b->setFont(ui::songFont(a.textPx, true));
        b->setEnabled(false);
        // Five columns of four: 1–4 in the first column.
        grid->addWidget(b, i % 4, i / 4);
        m_thGroup->addButton(b, i);
        thButtons[size_t(i)] = b;
    }
    connect(m_thGroup, &QButtonGroup::idClicked, this, [this](int id) {
        if (id != m_thPressed)
            fcBG_thChange(id);
    });
    l->addWidget(fcBG_th, 0, Qt::AlignHCenter);

    auto* counts = new QHBoxLayout;
    counts->setSpacing(2);
    Lb_zs = makeLabel(QStringLiteral("0"), column, QStringLiteral("Lb_zs"));
    Lb_ts = makeLabel(QStringLiteral("0"), column, QStringLiteral("Lb_ts"));
    Lb_zb = makeLabel(QStringLiteral("0"), column, QStringLiteral("Lb_zb"));
    Lb_zs->setAccessibleName(QStringLiteral("组数"));
    Lb_ts->setAccessibleName(QStringLiteral("题数"));
    Lb_zb->setAccessibleName(QStringLiteral("当前组"));
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
    connect(FlatSpeedButton1, &QAbstractButton::clicked, this, &TFrmLxxt::FlatSpeedButton1Click);
    connect(FlatSpeedButton2, &QAbstractButton::clicked, this, &TFrmLxxt::FlatSpeedButton2Click);
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
    const auto command = [&](const QString& name, const QString& caption, void (TFrmLxxt::*handler)()) {
        auto* b = new ui::CommandButton(caption, bar);
        b->setObjectName(name);
        b->setFramed(true);
        b->setAutoDefault(false);
        b->setFixedHeight(a.commandHeight);
        b->setMinimumWidth(10);
        b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        row->addWidget(b);
        if (handler)
            connect(b, &QAbstractButton::clicked, this, handler);
        return b;
    };
    epEfTrBtn1 = command(QStringLiteral("epEfTrBtn1"), QStringLiteral("上一题"), &TFrmLxxt::epEfTrBtn1Click);
    epEfTrBtn2 = command(QStringLiteral("epEfTrBtn2"), QStringLiteral("下一题"), &TFrmLxxt::epEfTrBtn2Click);
    epEfTrBtn3 = command(QStringLiteral("epEfTrBtn3"), QStringLiteral("完成"), &TFrmLxxt::epEfTrBtn3Click);
    epEfTrBtn6 = command(QStringLiteral("epEfTrBtn6"), QStringLiteral("答案"), &TFrmLxxt::epEfTrBtn6Click);
    epEfTrBtn4 = command(QStringLiteral("epEfTrBtn4"), QStringLiteral("解析"), &TFrmLxxt::epEfTrBtn4Click);
    epEfTrBtn5 = command(QStringLiteral("epEfTrBtn5"), QStringLiteral("笔记"), &TFrmLxxt::epEfTrBtn5Click);
    epEfTrBtn9 = command(QStringLiteral("epEfTrBtn9"), QStringLiteral("考点"), &TFrmLxxt::epEfTrBtn9Click);
    epEfTrBtn11 = command(QStringLiteral("epEfTrBtn11"), QStringLiteral("修改本题"), nullptr);
    epEfTrBtn10 = command(QStringLiteral("epEfTrBtn10"), QStringLiteral("题目作废"), &TFrmLxxt::epEfTrBtn10Click);
    epEfTrBtn8 = command(QStringLiteral("epEfTrBtn8"), QStringLiteral("设置"), nullptr);
    epEfTrBtn7 = command(QStringLiteral("epEfTrBtn7"), QStringLiteral("桌面"), &TFrmLxxt::epEfTrBtn7Click);
    epEfTrBtn99 = command(QStringLiteral("epEfTrBtn99"), QStringLiteral("关闭"), &TFrmLxxt::epEfTrBtn99Click);
    // The question editor and the settings window are not part of the program yet.
    epEfTrBtn11->setEnabled(false);
    epEfTrBtn8->setEnabled(false);
    for (ui::CommandButton* b : {epEfTrBtn4, epEfTrBtn6, epEfTrBtn9})
        b->setEnabled(false);
    return bar;
}

bool TFrmLxxt::loadGridPictures()
{
    using namespace ui::art;
    const std::array<std::pair<const char*, const char*>, 3> files = {
        {{kGridUp, kGridDown}, {kGridRight, kGridRightDown}, {kGridWrong, kGridWrongDown}}};
    for (size_t i = 0; i < files.size(); ++i) {
        m_gridUp[i] = QPixmap(m_picDir + QLatin1String(files[i].first));
        m_gridDown[i] = QPixmap(m_picDir + QLatin1String(files[i].second));
        if (m_gridUp[i].isNull() || m_gridDown[i].isNull())
            return false;
    }
    for (int i = 0; i < kGroupSize; ++i)
        setGridPictures(i, AnswerMark::Open);
    return true;
}

void TFrmLxxt::setGridPictures(int button, AnswerMark mark)
{
    const size_t m = size_t(mark);
    ui::PictureButton* b = thButtons[size_t(button)];
    b->setPictures(m_gridUp[m], m_gridDown[m]);
    m_thMark[size_t(button)] = mark;
    b->setAccessibleDescription(markName(mark));
}

// ---- loading and showing ------------------------------------------------------------

bool TFrmLxxt::LoadQuestionSet()
{
    Hourglass busy;
    store::Dataset* set = DM1->Cn1Query_tm;
    try {
        set->close();
        set->setFiltered(false);
        set->setFilter(QString());
        store::clearOpenAnswers(DM1->db());
        set->setSql(app::PracticeQuery);
        for (const auto& [name, value] : app::PracticeParams)
            set->setParam(name, value);
        set->open();
        if (set->isEmpty())
            return false;
        app::FirstQuestionId = set->text(QStringLiteral("a1"));

        // Question types of the current paper, for the filter and the answer pages.
        store::Dataset* types = DM1->Cn1Table_tx;
        const QString typeTable = app::currentTypeTable();
        if (types->tableName().compare(typeTable, Qt::CaseInsensitive) != 0 || !types->isOpen()) {
            types->setTable(typeTable);
            types->setSort(QStringLiteral("A1 ASC"));
            types->open();
        }
        types->first();
        m_txTypes = {0};
        QStringList names = {QStringLiteral("任意")};
        m_typeNames.clear();
        for (; !types->eof(); types->next()) {
            const int id = int(types->integer(QStringLiteral("A1")));
            m_txTypes << id;
            names << types->text(QStringLiteral("B1"));
            m_typeNames.insert(id, names.back());
        }
        // Which types the set holds: one pass over its rows.
        QSet<int> present;
        const int typeColumn = set->columnIndex(QStringLiteral("a13"));
        for (int r = 0, n = set->recordCount(); r < n; ++r)
            present.insert(set->valueAt(r, typeColumn).toInt());

        QPixmap up(m_picDir + QLatin1String(ui::art::kTypeUp));
        QPixmap down(m_picDir + QLatin1String(ui::art::kTypeDown));
        if (up.isNull() || down.isNull()) {
            prompt::error(QStringLiteral("无法提取资源文件！"));
            app::endProgram(1);
            return false;
        }

        const Arrangement& a = arrangement();
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
    } catch (const store::DbError&) {
        set->close();
        prompt::error(QStringLiteral("无法打开试题！"));
        return false;
    }
    // Tab order: after the type filter comes the grid.
    for (int i = 1; i < txButtons.size(); ++i)
        setTabOrder(txButtons[i - 1], txButtons[i]);
    if (!txButtons.isEmpty())
        setTabOrder(txButtons.back(), thButtons[0]);
    return true;
}

void TFrmLxxt::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // Only the first showing; coming back from the desktop changes nothing.
    if (!m_shown) {
        m_shown = true;
        FormShow();
    }
}

void TFrmLxxt::FormShow()
{
    Hourglass busy;
    epIndiGauge1->setValue(0);
    if (QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr)
        move(owner->geometry().center() - rect().center());
    else if (const QScreen* screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
    store::Dataset* text = DM1->cn1query_nr;
    try {
        text->close();
        text->setSql(QStringLiteral("select * from tab_exer where A1=:A1"));
        text->setParam(QStringLiteral(":A1"), app::FirstQuestionId);
        text->open();
    } catch (const store::DbError&) {
        // The question shown next reads its own text row and reports there.
    }
    closeLowerPane();
    closeAnswerPanel();
    epLabel2->setText(DM1->CurrentChapterHeading);
    m_current = 0;
    if (!txButtons.isEmpty())
        pressTypeButton(0);
    m_elapsed = 0;
    epLabel1->setText(practice::practiceClockText(0));
    KZTimeCounter1->start();
    epEfTrBtn9->setEnabled(false);
}

void TFrmLxxt::pressTypeButton(int button)
{
    txButtons[button]->setChecked(true);
    fcBG_txChange(button);
}

void TFrmLxxt::fcBG_txChange(int button)
{
    if (button < 0 || button >= txButtons.size())
        return;
    if (m_current > 0) {
        SaveAnswer(m_current, Notebook1->currentIndex(), SaveMode::Quiet, m_first + m_size - 1, m_first);
        m_current = 0;
    }
    const int previous = m_txPressed;
    m_txPressed = button;
    const int type = m_txTypes[button];
    if (type != 0)
        Notebook1->setSubjectiveSide(txButtons[button]->text());
    else
        Notebook1->setSubjectiveSide(QStringLiteral("主观"));
    ApplyTypeFilter(type != 0 ? QStringLiteral("A13=%1").arg(type) : QString());

    const int count = DM1->Cn1Query_tm->recordCount();
    if (count == 0) {
        txButtons[button]->setEnabled(false);
        if (previous >= 0 && previous != button) {
            pressTypeButton(previous);
        } else {
            m_txGroup->setExclusive(false);
            txButtons[button]->setChecked(false);
            m_txGroup->setExclusive(true);
            m_txPressed = -1;
        }
        return;
    }
    ShowGroup(QStringLiteral("1"), count);
}

void TFrmLxxt::ApplyTypeFilter(const QString& filter)
{
    store::Dataset* set = DM1->Cn1Query_tm;
    if (set->filter() == filter && set->filtered() == !filter.isEmpty())
        return;
    set->setFiltered(false);
    set->setFilter(filter);
    set->setFiltered(!filter.isEmpty());
}

void TFrmLxxt::ShowGroup(const QString& which, int count)
{
    if (which == QLatin1String("1")) {
        m_groups = count / kGroupSize + (count % kGroupSize ? 1 : 0);
        Lb_zs->setText(QString::number(m_groups));
        Lb_ts->setText(QString::number(count));
        m_group = 1;
        FlatSpeedButton1->setEnabled(false);
        FlatSpeedButton2->setEnabled(m_groups > 1);
        m_first = 1;
        m_size = std::min(count, kGroupSize);
    } else if (which == QLatin1String("2")) {
        m_first = (m_group - 2) * kGroupSize + 1;
        --m_group;
        m_size = kGroupSize;
    } else if (which == QLatin1String("3")) {
        m_first = m_group * kGroupSize + 1;
        m_size = count < m_group * kGroupSize + kGroupSize ? count - m_group * kGroupSize : kGroupSize;
        ++m_group;
    } else {
        return;
    }
    Lb_zb->setText(QString::number(m_group));

    store::Dataset* set = DM1->Cn1Query_tm;
    const int e2_1 = set->columnIndex(QStringLiteral("E2_1"));
    const int a2 = set->columnIndex(QStringLiteral("A2"));
    for (int i = 0; i < kGroupSize; ++i) {
        ui::PictureButton* b = thButtons[size_t(i)];
        if (i < m_size) {
            const int row = m_first + i - 1;
            b->setEnabled(true);
            m_thPos[size_t(i)] = m_first + i;
            setGridPictures(i, practice::answerMark(set->valueAt(row, e2_1).toString(), set->valueAt(row, a2).toString()));
        } else {
            b->setEnabled(false);
            m_thPos[size_t(i)] = 0;
            setGridPictures(i, AnswerMark::Open);
        }
    }
    pressGridButton(0);
}

void TFrmLxxt::pressGridButton(int button)
{
    thButtons[size_t(button)]->setChecked(true);
    fcBG_thChange(button);
}

void TFrmLxxt::fcBG_thChange(int button)
{
    if (button < 0 || button >= kGroupSize || m_thPos[size_t(button)] < 1)
        return;
    m_thPressed = button;
    if (!thButtons[size_t(button)]->isChecked())
        thButtons[size_t(button)]->setChecked(true);
    Label24->clear();
    if (answerPanelOpen())
        closeAnswerPanel();
    const int pos = m_thPos[size_t(button)];
    store::Dataset* set = DM1->Cn1Query_tm;
    epEfTrBtn1->setEnabled(pos > 1);
    epEfTrBtn2->setEnabled(pos < set->recordCount());
    ShowQuestion(m_current, pos, m_first + m_size - 1, m_first);

    Label21->clear();
    epEfTrBtn10->setText(QStringLiteral("题目作废"));
    const qint64 f1 = set->integer(QStringLiteral("f1"));
    if (f1 == 1) {
        Label21->setText(QStringLiteral("本题已被您作废！"));
        epEfTrBtn10->setText(QStringLiteral("取消作废"));
    } else if (f1 == 2) {
        Label21->setText(QStringLiteral("本题是您加入的题目！"));
    }
    if (set->hasColumn(QStringLiteral("ecount")) && set->integer(QStringLiteral("ecount")) != 0)
        Label24->setText(QStringLiteral("本题被您修改过"));
}

void TFrmLxxt::ShowQuestion(int previous, int next, int last, int first)
{
    SaveAnswer(previous, Notebook1->currentIndex(), SaveMode::Leaving, last, first);
    m_current = next;
    store::Dataset* set = DM1->Cn1Query_tm;
    set->moveTo(next);
    const QString id = set->text(QStringLiteral("a1"));

    store::Dataset* text = DM1->cn1query_nr;
    try {
        const QString sql = QStringLiteral("select * from tab_exer where a1 =:A1");
        if (text->sql() != sql)
            text->setSql(sql);
        text->close();
        text->setParam(QStringLiteral(":A1"), id);
        text->open();
    } catch (const store::DbError&) {
        text->close();
    }

    const qint64 e3 = set->integer(QStringLiteral("E3"));
    Label15->setText(QString::number(e3 <= 0 ? 1 : e3 + 1));
    Label12->setText(QString::number(next - first + 1));

    const int type = int(set->integer(QStringLiteral("A13")));
    const int page = store::AnswerPageOfType(type, m_typeNames.value(type));
    if (page != practice::NoPage)
        Notebook1->setCurrentIndex(page);
    ShowAnswerControls();
    ShowQuestionText(id);

    const int button = (next - 1) % kGroupSize;
    setGridPictures(button, practice::answerMark(set->text(QStringLiteral("E2_1")), set->text(QStringLiteral("A2"))));

    Timer1->setInterval(app::answerTimeOfType(type));
    epIndiGauge1->setValue(0);
    Timer1->start();
}

void TFrmLxxt::ShowAnswerControls()
{
    store::Dataset* set = DM1->Cn1Query_tm;
    store::Dataset* text = DM1->cn1query_nr;
    const bool hasAnalysis = text->isOpen() && text->recNo() > 0 && !text->isNull(QStringLiteral("jx"));
    const practice::ControlStates c = practice::controlStates(*set, hasAnalysis);
    epEfTrBtn6->setEnabled(c.answerEnabled);
    epEfTrBtn4->setEnabled(c.analysisEnabled);
    epEfTrBtn9->setEnabled(c.pointsEnabled);
    epEfTrBtn5->setText(c.noteCaption);
    Notebook1->setOptionCount(practice::visibleOptions(set->value(QStringLiteral("A2_1"))));
    Notebook1->showAnswer(set->text(QStringLiteral("E2_1")));
}

void TFrmLxxt::ShowQuestionText(const QString& questionId)
{
    store::Dataset* text = DM1->cn1query_nr;
    try {
        const QByteArray stem = text->isOpen() && text->recNo() > 0 ? text->bytes(QStringLiteral("A15")) : QByteArray();
        if (questionId.contains(QLatin1Char('-'))) {
            if (!lowerPaneOpen()) {
                Re2->show();
                Splitter1->refresh();
                const int total = Splitter1->height();
                Splitter1->setSizes({std::max(total - kLowerPaneHeight - kSplitterHandle, 1), kLowerPaneHeight});
            }
            store::Dataset* title = DM1->Cn1Query2;
            const QString sql = QStringLiteral("select * from tab_title where A1=:A1");
            if (title->sql() != sql)
                title->setSql(sql);
            title->close();
            title->setParam(QStringLiteral(":A1"), questionId.left(16));
            title->open();
            Re1->setRichText(title->recNo() > 0 ? title->bytes(QStringLiteral("A15")) : QByteArray());
            Re2->setRichText(stem);
        } else {
            closeLowerPane();
            Re1->setRichText(stem);
        }
    } catch (const store::DbError&) {
        prompt::error(QStringLiteral("无法打开试题！"));
    }
}

void TFrmLxxt::closeLowerPane()
{
    Re2->hide();
    Re2->clear();
}

bool TFrmLxxt::lowerPaneOpen() const
{
    return !Re2->isHidden();
}

// ---- recording --------------------------------------------------------------------

bool TFrmLxxt::moveToCurrent()
{
    store::Dataset* set = DM1->Cn1Query_tm;
    if (!set->isOpen() || m_current < 1)
        return false;
    return set->recNo() == m_current || set->moveTo(m_current);
}

void TFrmLxxt::SaveAnswer(int index, int page, SaveMode mode, int last, int first)
{
    if (index < 1)
        return;
    store::Dataset* set = DM1->Cn1Query_tm;
    practice::RecordOutcome outcome;
    try {
        if (!set->moveTo(index))
            return;
        practice::PageState state = Notebook1->state();
        state.page = page;
        outcome = practice::recordAnswer(*DM1, *set, practice::ReadAnswerText(state));
    } catch (const store::DbError&) {
        showCaughtError(QStringLiteral("答案未能保存，请重新作答！"));
        return;
    }

    const bool inGroup = first <= index && index <= last;
    if (outcome.what == practice::Recorded::Cleared) {
        if (mode == SaveMode::Check)
            prompt::notice(QStringLiteral("请先做出答案！"));
        else if (mode == SaveMode::Leaving && inGroup)
            setGridPictures(index - first, AnswerMark::Open);
        return;
    }
    const AnswerMark mark = outcome.right ? AnswerMark::Right : AnswerMark::Wrong;
    if (mode == SaveMode::Check) {
        store::Dataset* text = DM1->cn1query_nr;
        const bool hasAnalysis = text->isOpen() && text->recNo() > 0 && !text->isNull(QStringLiteral("jx"));
        const practice::ControlStates c = practice::controlStates(*set, hasAnalysis);
        epEfTrBtn4->setEnabled(c.analysisEnabled);
        epEfTrBtn9->setEnabled(c.pointsEnabled);
        epEfTrBtn6->setEnabled(c.answerEnabled);
        setGridPictures((index - 1) % kGroupSize, mark);
    } else if (mode == SaveMode::Leaving && inGroup) {
        setGridPictures(index - first, mark);
    }
}

void TFrmLxxt::showCaughtError(const QString& text)
{
    prompt::error(text);
}

// ---- commands ------------------------------------------------------------------------

void TFrmLxxt::epEfTrBtn3Click()
{
    if (moveToCurrent())
        SaveAnswer(m_current, Notebook1->currentIndex(), SaveMode::Check, m_first + m_size - 1, m_first);
}

void TFrmLxxt::FlatSpeedButton1Click()
{
    FlatSpeedButton2->setEnabled(true);
    if (m_group <= 2)
        FlatSpeedButton1->setEnabled(false);
    ShowGroup(QStringLiteral("2"), DM1->Cn1Query_tm->recordCount());
}

void TFrmLxxt::FlatSpeedButton2Click()
{
    FlatSpeedButton1->setEnabled(true);
    if (m_groups - m_group <= 1)
        FlatSpeedButton2->setEnabled(false);
    ShowGroup(QStringLiteral("3"), DM1->Cn1Query_tm->recordCount());
}

void TFrmLxxt::epEfTrBtn1Click()
{
    if (m_current < 1)
        return;
    const int target = m_current - 1;
    if (target >= m_first) {
        pressGridButton(target - (m_group - 1) * kGroupSize - 1);
    } else if (m_group >= 2) {
        FlatSpeedButton2->setEnabled(true);
        if (m_group < 3)
            FlatSpeedButton1->setEnabled(false);
        ShowGroup(QStringLiteral("2"), DM1->Cn1Query_tm->recordCount());
    }
}

void TFrmLxxt::epEfTrBtn2Click()
{
    if (m_current < 1)
        return;
    const int target = m_current + 1;
    if (target <= m_first + m_size - 1) {
        pressGridButton(target - (m_group - 1) * kGroupSize - 1);
    } else if (m_group < m_groups) {
        FlatSpeedButton1->setEnabled(true);
        if (m_groups - m_group < 2)
            FlatSpeedButton2->setEnabled(false);
        ShowGroup(QStringLiteral("3"), DM1->Cn1Query_tm->recordCount());
    }
}

void TFrmLxxt::epEfTrBtn10Click()
{
    store::Dataset* set = DM1->Cn1Query_tm;
    if (!set->isOpen() || set->isEmpty() || !moveToCurrent())
        return;
    const bool voiding = epEfTrBtn10->text() == QStringLiteral("题目作废");
    try {
        if (voiding) {
            set->setValue(QStringLiteral("f1"), 1);
            set->setValue(QStringLiteral("e2"), QStringLiteral("zero"));
        } else {
            set->setValue(QStringLiteral("f1"), 0);
        }
        set->post();
    } catch (const store::DbError&) {
        set->cancel();
        showCaughtError(QStringLiteral("操作未能完成，请重试！"));
        return;
    }
    Label21->setText(voiding ? QStringLiteral("本题已被您作废！") : QStringLiteral("本题曾被作废，现已被您取消！"));
    epEfTrBtn10->setText(voiding ? QStringLiteral("取消作废") : QStringLiteral("题目作废"));
}

void TFrmLxxt::epEfTrBtn5Click()
{
    if (!moveToCurrent())
        return;
    store::Dataset* set = DM1->Cn1Query_tm;
    TFrmBj note(this);
    note.Label1->setText(QStringLiteral("lx"));
    if (!note.bind(set, QStringLiteral("A14")))
        return;
    note.exec();
    epEfTrBtn5->setText(app::NoteHasText ? QStringLiteral("有内容") : QStringLiteral("笔记"));
}

void TFrmLxxt::epEfTrBtn4Click()
{
    TFrmJx analysis(this);
    analysis.bind(DM1->cn1query_nr, QStringLiteral("jx"));
    analysis.exec();
}

void TFrmLxxt::epEfTrBtn9Click()
{
    if (!moveToCurrent())
        return;
    const QString id = DM1->Cn1Query_tm->text(QStringLiteral("A1"));
    TfrmAnswFagui points(this);
    if (points.load(id))
        points.exec();
    if (!isVisible())
        show();
}

void TFrmLxxt::epEfTrBtn7Click()
{
    practice::showDesktop();
}

void TFrmLxxt::epEfTrBtn99Click()
{
    close();
}

// ---- the answer panel ------------------------------------------------------------------

void TFrmLxxt::epEfTrBtn6Click()
{
    if (epEfTrBtn6->text() == QStringLiteral("答案")) {
        if (!moveToCurrent())
            return;
        const practice::PanelTexts t = practice::answerPanelTexts(Notebook1->state(), DM1->Cn1Query_tm->text(QStringLiteral("A2")));
        panelHeadline->setText(t.headline);
        panelHeadline->setStyleSheet(t.yours == t.correct ? QStringLiteral("color: rgb(0,128,0);") : QStringLiteral("color: rgb(200,0,0);"));
        panelYours->setText(t.yours);
        panelCorrect->setText(t.correct);
    }
    ToggleAnswerPanel();
}

bool TFrmLxxt::answerPanelOpen() const
{
    return epEfTrBtn6->text() == QStringLiteral("返回");
}

void TFrmLxxt::setPanelWidth(int width)
{
    const QSize area = m_questionArea->size();
    Panel2->setGeometry(0, 0, std::clamp(width, 0, area.width()), area.height());
    if (QWidget* body = Panel2->findChild<QWidget*>(QStringLiteral("panelBody")))
        body->setGeometry(0, 0, area.width(), area.height());
}

void TFrmLxxt::ToggleAnswerPanel()
{
    const int full = m_questionArea->width();
    // Slides in steps of 20 pixels, repainting between them; input waits.
    const auto repaintStep = [] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); };
    if (!answerPanelOpen()) {
        epEfTrBtn6->setText(QStringLiteral("返回"));
        Panel2->show();
        Panel2->raise();
        for (int w = kPanelStep; w < full; w += kPanelStep) {
            setPanelWidth(w);
            repaintStep();
        }
        setPanelWidth(full);
    } else {
        epEfTrBtn6->setText(QStringLiteral("答案"));
        for (int w = Panel2->width() - kPanelStep; w > 0; w -= kPanelStep) {
            setPanelWidth(w);
            repaintStep();
        }
        setPanelWidth(0);
        Panel2->hide();
    }
}

void TFrmLxxt::closeAnswerPanel()
{
    epEfTrBtn6->setText(QStringLiteral("答案"));
    setPanelWidth(0);
    Panel2->hide();
}

bool TFrmLxxt::eventFilter(QObject* watched, QEvent* event)
{
    // The open panel keeps covering the question area.
    if (watched == m_questionArea && event->type() == QEvent::Resize && answerPanelOpen())
        setPanelWidth(m_questionArea->width());
    return QDialog::eventFilter(watched, event);
}

// ---- timers ----------------------------------------------------------------------------

void TFrmLxxt::Timer1Timer()
{
    if (epIndiGauge1->value() < kGaugeCells)
        epIndiGauge1->setValue(epIndiGauge1->value() + 1);
    if (epIndiGauge1->value() < kGaugeCells)
        return;
    Timer1->stop();
    prompt::notice(QStringLiteral("到时间了"));
    if (!moveToCurrent())
        return;
    store::Dataset* set = DM1->Cn1Query_tm;
    try {
        set->setValue(QStringLiteral("CSBS"), QStringLiteral("Y"));
        set->post();
    } catch (const store::DbError&) {
        set->cancel();
    }
}

void TFrmLxxt::KZTimeCounter1Timer()
{
    ++m_elapsed;
    epLabel1->setText(practice::practiceClockText(m_elapsed));
}

// ---- keys and closing ----------------------------------------------------------------------

void TFrmLxxt::keyPressEvent(QKeyEvent* event)
{
    const int page = Notebook1->currentIndex();
    if (page == practice::SinglePage || page == practice::MultiPage) {
        const int key = event->key();
        if (key == Qt::Key_Backspace) {
            if (epEfTrBtn1->isEnabled())
                epEfTrBtn1Click();
            return;
        }
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (epEfTrBtn2->isEnabled())
                epEfTrBtn2Click();
            return;
        }
        if (key >= Qt::Key_A && key <= Qt::Key_F && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            Notebook1->pressLetter(key - Qt::Key_A);
            return;
        }
    }
    // Escape does not close the screen: closing records the answer and the time.
    if (event->key() == Qt::Key_Escape)
        return;
    QDialog::keyPressEvent(event);
}

void TFrmLxxt::done(int result)
{
    if (!m_closed) {
        m_closed = true;
        FormClose();
    }
    QDialog::done(result);
}

void TFrmLxxt::FormClose()
{
    Hourglass busy;
    Timer1->stop();
    KZTimeCounter1->stop();
    const QString elapsed = practice::practiceClockText(m_elapsed);
    store::Dataset* set = DM1->Cn1Query_tm;
    if (set->isOpen() && m_current > 0 && set->recordCount() >= m_current)
        SaveAnswer(m_current, Notebook1->currentIndex(), SaveMode::Quiet, m_first + m_size - 1, m_first);
    try {
        DM1->AddStudyTime(elapsed);
    } catch (const store::DbError&) {
        showCaughtError(QStringLiteral("学习时间未能记入日志！"));
    }
    for (store::Dataset* ds : {DM1->Cn1Query1, DM1->Cn1Query2, DM1->Cn1Query_tm, DM1->cn1query_nr, DM1->Cn1Table_cj, DM1->Cn1Table_tx})
        ds->close();
}

// ---- the desktop -------------------------------------------------------------------------

namespace practice {

#if defined(TESVORA_HAVE_XCB)
namespace {

xcb_atom_t atom(xcb_connection_t* c, const char* name)
{
    xcb_intern_atom_reply_t* r = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(strlen(name)), name), nullptr);
    const xcb_atom_t a = r ? r->atom : XCB_ATOM_NONE;
    free(r);
    return a;
}

// Asks an EWMH window manager to show the desktop; false when there is none that can.
bool askWindowManager()
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* c = x11 ? x11->connection() : nullptr;
    if (!c)
        return false;
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_atom_t supported = atom(c, "_NET_SUPPORTED");
    const xcb_atom_t showing = atom(c, "_NET_SHOWING_DESKTOP");
    if (!screen || supported == XCB_ATOM_NONE || showing == XCB_ATOM_NONE)
        return false;
    bool canShow = false;
    xcb_get_property_reply_t* p = xcb_get_property_reply(
        c, xcb_get_property(c, 0, screen->root, supported, XCB_ATOM_ATOM, 0, 4096), nullptr);
    if (p) {
        const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(p));
        const int n = xcb_get_property_value_length(p) / int(sizeof(xcb_atom_t));
        for (int i = 0; i < n && !canShow; ++i)
            canShow = atoms[i] == showing;
        free(p);
    }
    if (!canShow)
        return false;
    xcb_client_message_event_t ev{};
    ev.response_type = XCB_CLIENT_MESSAGE;
    ev.format = 32;
    ev.window = screen->root;
    ev.type = showing;
    ev.data.data32[0] = 1;
    xcb_send_event(c, 0, screen->root, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&ev));
    xcb_flush(c);
    return true;
}

} // namespace
#endif

void showDesktop()
{
#if defined(TESVORA_HAVE_XCB)
    if (askWindowManager())
        return;
#endif
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->isWindow())
            w->showMinimized();
}

} // namespace practice
