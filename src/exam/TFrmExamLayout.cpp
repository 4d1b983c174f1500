// The exam screen's widgets and their two arrangements.
#include "exam/TFrmExam.h"

#include "exam/PaperDocument.h"
#include "exam/PauseCover.h"
#include "question/AnswerPages.h"
#include "question/AnswerPanel.h"
#include "progress/TFrmConfig.h"
#include "core/app/AppState.h"
#include "common/Guard.h"
#include "common/Prompt.h"
#include "core/store/DataModule.h"
#include "ui/ArtLayout.h"
#include "ui/CommandButton.h"
#include "ui/PictureButton.h"
#include "ui/RichTextView.h"
#include "ui/Screen.h"
#include "ui/Style.h"

#include <QButtonGroup>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSplitter>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

struct TFrmExam::Arrangement {
    QSize window;
    QSize gridFace;
    QSize optionFace;
    QSize judgeFace;
    int gridGap;
    int gridPx;
    int bookHeight;
    int commandHeight;
    int textPx;
    int headingPx;
    int clockPx;
    int panelPx;
};

using practice::AnswerMark;
using practice::kActionFailed;
using practice::makeLabel;

namespace {

const TFrmExam::Arrangement& arrangement()
{
    // The full screen takes the practice screen's place over the menu, clear of its footer.
    static const TFrmExam::Arrangement full{{923, 585}, {34, 16}, {40, 40}, {64, 40}, 1, 11, 52, 30, 12, 15, 20, 16};
    // The compact screen is the whole 800 × 600 desktop: nothing of the menu shows below it.
    static const TFrmExam::Arrangement compact{{800, 600}, {30, 15}, {34, 34}, {54, 34}, 1, 10, 44, 26, 12, 13, 16, 14};
    return ui::compactLayout() ? compact : full;
}

} // namespace

TFrmExam::TFrmExam(QWidget* parent)
    : practice::QuestionScreen(parent)
{
    setObjectName(QStringLiteral("TFrmExam"));
    setWindowTitle(QStringLiteral("正在答卷"));
    setAccessibleName(QStringLiteral("正在答卷"));

    const Arrangement& a = arrangement();
    buildScreen(a);
    setFixedSize(a.window);

    KZTimeCounter1 = new QTimer(this);
    KZTimeCounter1->setObjectName(QStringLiteral("KZTimeCounter1"));
    KZTimeCounter1->setInterval(1000);
    KZTimeCounter1->setTimerType(Qt::PreciseTimer);
    connectHandlers();

    if (!loadGridPictures()) {
        prompt::error(QStringLiteral("无法提取资源文件！"));
        app::endProgram(1);
        return;
    }
    for (int i = 0; i < exam::kGridSize; ++i)
        setGridPictures(i + 1, AnswerMark::Open);
}

TFrmExam::~TFrmExam() = default;

void TFrmExam::buildScreen(const Arrangement& a)
{
    QVBoxLayout* outer = startLayout(a.textPx);

    // Heading strip: the paper's title.
    QBoxLayout* stripRow = addHeadingStrip(outer, 4);
    epLabel2 = makeLabel(QString(), stripRow->parentWidget(), QStringLiteral("epLabel2"));
    ui::captionValue(epLabel2, QStringLiteral("试卷名称"));
    epLabel2->setFont(ui::songFont(a.headingPx, true));
    epLabel2->setTextFormat(Qt::PlainText);
    epLabel2->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    stripRow->addWidget(epLabel2, 1);
    QBoxLayout* info = buildInfoRow(outer, a);

    auto* middle = new QHBoxLayout;
    middle->setSpacing(6);
    auto* left = new QVBoxLayout;
    left->setSpacing(4);
    left->addWidget(buildQuestionArea(a.panelPx), 1);
    Cover = new exam::PauseCover(m_questionArea);
    left->addWidget(buildAnswerBook(a.optionFace, a.judgeFace, a.bookHeight, a.headingPx));
    middle->addLayout(left, 1);
    middle->addWidget(buildHintBoard(a));
    outer->addLayout(middle, 1);
    outer->addWidget(buildCommands(a));
    // Only in review: a running exam is not to be disturbed (FormShow).
    addBookmarkToggle(info, a.textPx);
}

// Question number, type and notice.
QBoxLayout* TFrmExam::buildInfoRow(QVBoxLayout* outer, const Arrangement& a)
{
    auto* info = new QHBoxLayout;
    info->setSpacing(2);
    Label5 = makeLabel(QStringLiteral("1"), this, QStringLiteral("Label5"));
    ui::captionValue(Label5, QStringLiteral("题号"));
    Label5->setFont(ui::songFont(a.headingPx, true));
    Label5->setStyleSheet(QStringLiteral("color: rgb(0,0,160);"));
    info->addWidget(makeLabel(QStringLiteral("第"), this));
    info->addWidget(Label5);
    info->addWidget(makeLabel(QStringLiteral("题"), this));
    info->addSpacing(16);
    Label7 = makeLabel(QString(), this, QStringLiteral("Label7"));
    ui::captionValue(Label7, QStringLiteral("题型"));
    Label7->setFont(ui::songFont(a.textPx, true));
    info->addWidget(Label7);
    info->addSpacing(16);
    Label1 = makeLabel(QString(), this, QStringLiteral("Label1"));
    ui::captionValue(Label1, QStringLiteral("提示"));
    Label1->setStyleSheet(QStringLiteral("color: red;"));
    info->addWidget(Label1);
    info->addStretch(1);
    outer->addLayout(info);
    return info;
}

QWidget* TFrmExam::buildHintBoard(const Arrangement& a)
{
    hintBoard = new QGroupBox(QStringLiteral("提示板"), this);
    hintBoard->setObjectName(QStringLiteral("hintBoard"));
    hintBoard->setFont(ui::songFont(a.textPx, true));
    auto* l = new QVBoxLayout(hintBoard);
    l->setContentsMargins(4, 4, 4, 4);
    l->setSpacing(4);

    Notebook_Time = new QStackedWidget(hintBoard);
    Notebook_Time->setObjectName(QStringLiteral("Notebook_Time"));
    auto* running = new QWidget(Notebook_Time);
    running->setObjectName(QStringLiteral("答卷时"));
    auto* rl = new QHBoxLayout(running);
    rl->setContentsMargins(0, 0, 0, 0);
    epLb_time1 = makeLabel(QStringLiteral("0:00:00"), running, QStringLiteral("epLb_time1"));
    ui::captionValue(epLb_time1, QStringLiteral("考试用时"));
    epLb_time1->setAlignment(Qt::AlignCenter);
    // Tab reaches the clock, so a screen reader says the time when asked, not a stale snapshot.
    epLb_time1->setFocusPolicy(Qt::TabFocus);
    epLb_time1->setFont(ui::songFont(a.clockPx, true));
    epLb_time1->setStyleSheet(QStringLiteral("color: rgb(0,0,160);"));
    rl->addWidget(epLb_time1);
    Notebook_Time->addWidget(running);

    auto* review = new QWidget(Notebook_Time);
    review->setObjectName(QStringLiteral("查卷时"));
    auto* vl = new QGridLayout(review);
    vl->setContentsMargins(0, 0, 0, 0);
    vl->setVerticalSpacing(0);
    vl->addWidget(makeLabel(QStringLiteral("用时："), review), 0, 0);
    epLb_time2 = makeLabel(QString(), review, QStringLiteral("epLb_time2"));
    ui::captionValue(epLb_time2, QStringLiteral("用时"));
    vl->addWidget(epLb_time2, 0, 1);
    Lb_zfs = makeLabel(QString(), review, QStringLiteral("Lb_zfs"));
    ui::captionValue(Lb_zfs, QStringLiteral("得分"));
    Lb_zfs->setStyleSheet(QStringLiteral("color: rgb(200,0,0);"));
    vl->addWidget(Lb_zfs, 1, 0, 1, 2);
    for (QLabel* label : review->findChildren<QLabel*>())
        label->setFont(ui::songFont(a.headingPx, true));
    Notebook_Time->addWidget(review);
    Notebook_Time->setFixedHeight(a.clockPx + 22);
    l->addWidget(Notebook_Time);

    fcBG_th = new QWidget(hintBoard);
    fcBG_th->setObjectName(QStringLiteral("fcBG_th"));
    fcBG_th->setAccessibleName(QStringLiteral("题目指示板"));
    auto* grid = new QGridLayout(fcBG_th);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(a.gridGap);
    m_thGroup = new QButtonGroup(this);
    m_thGroup->setExclusive(true);
    const QFont numberFont = ui::songFont(a.gridPx);
    for (int i = 0; i < exam::kGridSize; ++i) {
        ui::PictureButton* b = makeGridButton(i + 1, fcBG_th, a.gridFace, numberFont);
        b->setFocusPolicy(Qt::StrongFocus);
        QSizePolicy keepPlace = b->sizePolicy(); // a short paper hides the rest without moving the grid
        keepPlace.setRetainSizeWhenHidden(true);
        b->setSizePolicy(keepPlace);
        grid->addWidget(b, i / 5, i % 5);
        m_thGroup->addButton(b, i + 1);
        thButtons[size_t(i)] = b;
    }
    l->addWidget(fcBG_th);
    l->addStretch(1);
    return hintBoard;
}

QWidget* TFrmExam::buildCommands(const Arrangement& a)
{
    auto* bar = new QWidget(this);
    bar->setObjectName(QStringLiteral("commands"));
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(3);
    const auto command = [&](const QString& name, const QString& caption) {
        return addCommand(bar, row, name, caption, a.commandHeight);
    };
    epEfTrBtn1 = command(QStringLiteral("epEfTrBtn1"), QStringLiteral("上一题"));
    epEfTrBtn2 = command(QStringLiteral("epEfTrBtn2"), QStringLiteral("下一题"));
    epEfTrBtn3 = command(QStringLiteral("epEfTrBtn3"), QStringLiteral("交卷"));
    epEfTrBtn6 = command(QStringLiteral("epEfTrBtn6"), QStringLiteral("答案"));
    epEfTrBtn4 = command(QStringLiteral("epEfTrBtn4"), QStringLiteral("解析"));
    epEfTrBtn9 = command(QStringLiteral("epEfTrBtn9"), QStringLiteral("考点"));
    epEfTrBtn5 = command(QStringLiteral("epEfTrBtn5"), QStringLiteral("笔记"));
    showNoteState(false);
    epEfTrBtn12 = command(QStringLiteral("epEfTrBtn12"), QStringLiteral("本题作废"));
    epEfTrBtn10 = command(QStringLiteral("epEfTrBtn10"), QStringLiteral("生成文档"));
    epEfTrBtn13 = command(QStringLiteral("epEfTrBtn13"), QStringLiteral("暂停考试"));
    epEfTrBtn8 = command(QStringLiteral("epEfTrBtn8"), QStringLiteral("设置"));
    epEfTrBtn11 = command(QStringLiteral("epEfTrBtn11"), QStringLiteral("桌面"));
    epEfTrBtn7 = command(QStringLiteral("epEfTrBtn7"), QStringLiteral("关闭"));
    // Only a kept paper is written to a file: FormShow enables it in review mode.
    epEfTrBtn10->setEnabled(false);
    return bar;
}

void TFrmExam::connectHandlers()
{
    const auto on = [this](ui::CommandButton* b, void (TFrmExam::*handler)(), const QString& failure = kActionFailed) {
        connect(b, &QAbstractButton::clicked, this, guard::slot(failure, [this, handler] { (this->*handler)(); }));
    };
    on(epEfTrBtn1, &TFrmExam::epEfTrBtn1Click);
    on(epEfTrBtn2, &TFrmExam::epEfTrBtn2Click);
    on(epEfTrBtn3, &TFrmExam::epEfTrBtn3Click, QStringLiteral("发生错误！"));
    on(epEfTrBtn4, &TFrmExam::epEfTrBtn4Click);
    on(epEfTrBtn5, &TFrmExam::epEfTrBtn5Click);
    on(epEfTrBtn6, &TFrmExam::epEfTrBtn6Click);
    on(epEfTrBtn7, &TFrmExam::epEfTrBtn7Click, QStringLiteral("发生错误！"));
    on(epEfTrBtn9, &TFrmExam::epEfTrBtn9Click, QStringLiteral("无法读取本题的考点！"));
    on(epEfTrBtn11, &TFrmExam::epEfTrBtn11Click);
    on(epEfTrBtn12, &TFrmExam::epEfTrBtn12Click, QStringLiteral("本题未能作废，请重试！"));
    on(epEfTrBtn13, &TFrmExam::epEfTrBtn13Click);
    connect(epEfTrBtn8, &QAbstractButton::clicked, this, [this] { TFrmConfig::open(false, this); });
    connect(epEfTrBtn10, &QAbstractButton::clicked, this, guard::slot(QStringLiteral("导出试题发生错误，请退出后重试！"), [this] {
        exam::ExportPaper(this, DM1->db(), m_table, m_typeTable, epLabel2->text());
    }));
    // The state, not the click: a screen reader's Toggle moves to the question too.
    connect(m_thGroup, &QButtonGroup::idToggled, this, guard::slot(kActionFailed, [this](int id, bool checked) {
        if (checked && id != m_current)
            pressGridButton(id);
    }));
    connect(KZTimeCounter1, &QTimer::timeout, this, guard::slot(QStringLiteral("发生错误！"), [this] { KZTimeCounter1Timer(); }));
}
