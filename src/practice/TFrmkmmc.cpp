#include "practice/TFrmkmmc.h"

#include "authoring/QuestionExport.h"
#include "authoring/TFrmImport.h"
#include "authoring/TFrmInPut.h"
#include "core/authoring/QuestionImport.h"
#include "question/TFrmJx.h"
#include "practice/TFrmLxxt.h"
#include "progress/TFrmConfig.h"
#include "common/Guard.h"
#include "common/Prompt.h"
#include "core/store/DataModule.h"
#include "core/store/Dataset.h"
#include "core/store/DatasetModel.h"
#include "ui/ArtLayout.h"
#include "ui/CommandButton.h"
#include "ui/Screen.h"
#include "ui/Style.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLCDNumber>
#include <QLabel>
#include <QLoggingCategory>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTableView>

Q_LOGGING_CATEGORY(lcChooser, "tesvora.practice.chooser", QtWarningMsg)

using practice::PracticeMode;

namespace {

constexpr int kFirstColumn = 0;
constexpr int kColumnCount = 6;
// A heading's padding and rule in the header's style sheet, with a pixel to spare.
constexpr int kHeadingMargin = 4;

// The grid's columns; those in twoLines show their heading on two lines.
std::vector<store::DatasetModel::Column> gridColumns(const QSet<int>& twoLines = {})
{
    std::vector<store::DatasetModel::Column> columns = {
        {QStringLiteral("C2"), QStringLiteral("章节名称")},
        {QStringLiteral("C3"), QStringLiteral("习题数目")},
        {QStringLiteral("C4"), QStringLiteral("已做题数")},
        {QStringLiteral("D1"), QStringLiteral("已做道次")},
        {QStringLiteral("D2"), QStringLiteral("做错道次")},
        {QStringLiteral("C6"), QStringLiteral("综合成绩"), Qt::AlignRight | Qt::AlignVCenter},
    };
    for (int c : twoLines)
        columns[size_t(c)].caption = columns[size_t(c)].caption.left(2) + QLatin1Char('\n') + columns[size_t(c)].caption.mid(2);
    return columns;
}

QString notAChapterText() { return QStringLiteral("请选择具体章节目录！"); }
const QString kCannotRead = QStringLiteral("无法读取章节目录！");
const QString kCannotStart = QStringLiteral("无法开始练习！");

// Cell text with 2 px margins instead of the style's wider ones, so the compact
// 50 px columns show "100.00" whole.
class TightCellDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem o = option;
        initStyleOption(&o, index);
        const QString text = o.text;
        o.text.clear();
        const QStyle* style = o.widget ? o.widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &o, painter, o.widget);
        const QPalette::ColorGroup group = o.state & QStyle::State_Enabled ? QPalette::Normal : QPalette::Disabled;
        painter->save();
        painter->setFont(o.font);
        painter->setPen(o.palette.color(group, o.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text));
        painter->drawText(o.rect.adjusted(2, 0, -2, 0), int(o.displayAlignment) | Qt::TextSingleLine, text);
        painter->restore();
    }
};

} // namespace

TFrmkmmc::TFrmkmmc(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("TFrmkmmc"));
    setWindowTitle(QStringLiteral("科目名称"));
    setWindowModality(Qt::ApplicationModal);
    setAttribute(Qt::WA_DeleteOnClose, false);
    setFont(ui::songFont());

    buildGrid();
    buildBoard();
    buildCommands();
    arrange(ui::compactLayout());
}

void TFrmkmmc::buildGrid()
{
    DBGrid1 = new QTableView(this);
    ui::setUpRowList(DBGrid1, QStringLiteral("DBGrid1"), QStringLiteral("章节目录"), ui::GridLook::Striped);
    // Tight margins: the compact widths (50 px) just hold "已做题数" and "100.00".
    DBGrid1->setItemDelegate(new TightCellDelegate(DBGrid1));
    DBGrid1->setStyleSheet(ui::gridHeadingSheet(2, 1));

    m_model = new store::DatasetModel(DM1->Cn1Table_kmmc, this);
    m_model->setColumns(gridColumns());
    DBGrid1->setModel(m_model);
    m_model->bindSelection(DBGrid1->selectionModel());
    connect(m_model, &store::DatasetModel::moveFailed, this, [](const QString& message) {
        qCWarning(lcChooser).noquote() << "moving in the chapter table --" << message;
        prompt::error(kCannotRead);
    });
    const auto start = guard::slot(kCannotStart, [this] { startPractice(PracticeMode::NewByChapter); });
    // Enter on the grid does what a double-click does.
    ui::onEnterKey(DBGrid1, start);
    connect(DBGrid1, &QAbstractItemView::doubleClicked, this, start);
}

// The totals board: three counters and the score, each with its label.
void TFrmkmmc::buildBoard()
{
    auto makeLcd = [this](const char* name, const char* label) {
        auto* lcd = new QLCDNumber(5, this);
        lcd->setObjectName(QString::fromLatin1(name));
        lcd->setAccessibleName(QString::fromUtf8(label));
        lcd->setSegmentStyle(QLCDNumber::Flat);
        lcd->setFrameShape(QFrame::NoFrame);
        QPalette pal = lcd->palette();
        pal.setColor(QPalette::WindowText, ui::kBoardValue);
        lcd->setPalette(pal);
        return lcd;
    };
    epNum_all = makeLcd("epNum_all", "总习题数");
    epNum_ok = makeLcd("epNum_ok", "已做题道次");
    epNum_Err = makeLcd("epNum_Err", "做错题道次");

    Lb_fs = new QLabel(QStringLiteral("分数"), this);
    Lb_fs->setObjectName(QStringLiteral("Lb_fs"));
    Lb_fs->setAccessibleName(QStringLiteral("综合成绩"));
    Lb_fs->setAlignment(Qt::AlignCenter);
    Lb_fs->setTextFormat(Qt::PlainText);
    QPalette scorePal = Lb_fs->palette();
    scorePal.setColor(QPalette::WindowText, ui::kBoardValue);
    Lb_fs->setPalette(scorePal);

    for (const char* text : ui::art::kBoardLabels) {
        auto* label = new QLabel(QString::fromUtf8(text), this);
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        m_boardLabels << label;
    }
    // Screen readers hear each board value with its label.
    m_boardLabels[0]->setBuddy(epNum_all);
    m_boardLabels[1]->setBuddy(epNum_ok);
    m_boardLabels[2]->setBuddy(epNum_Err);
    m_boardLabels[3]->setBuddy(Lb_fs);
}

void TFrmkmmc::buildCommands()
{
    auto makeButton = [this](const char* name, int face) {
        auto* b = new ui::CommandButton(QString::fromUtf8(ui::art::kChooserCaptions[size_t(face)]), this);
        b->setObjectName(QString::fromLatin1(name));
        return b;
    };
    btnNew = makeButton("btnNew", ui::art::NewQuestions);
    btnWrong = makeButton("btnWrong", ui::art::WrongQuestions);
    btnReview = makeButton("btnReview", ui::art::Review);
    btnInput = makeButton("btnInput", ui::art::QuestionEntry);
    btnConfig = makeButton("btnConfig", ui::art::Settings);
    btnClose = makeButton("btnClose", ui::art::Close);

    btnGuide = new ui::CommandButton(QStringLiteral("解析指导"), this);
    btnGuide->setObjectName(QStringLiteral("btnGuide"));
    btnGuide->setFramed(true);
    btnGuide->setEnabled(false);
    btnImport = new ui::CommandButton(QStringLiteral("试题导入"), this);
    btnImport->setObjectName(QStringLiteral("btnImport"));
    btnImport->setFramed(true);
    btnImport->setToolTip(QStringLiteral("从 CSV、XLSX、GIFT、Aiken 或 Moodle XML 文件导入试题到所选章节"));
    btnExport = new ui::CommandButton(QStringLiteral("导出试题"), this);
    btnExport->setObjectName(QStringLiteral("btnExport"));
    btnExport->setFramed(true);
    btnExport->setToolTip(QStringLiteral("把您在所选章节加入的试题导出为文件"));

    connect(btnNew, &QAbstractButton::clicked, this, guard::slot(kCannotStart, [this] { startPractice(PracticeMode::NewQuestions); }));
    connect(btnWrong, &QAbstractButton::clicked, this, guard::slot(kCannotStart, [this] { startPractice(PracticeMode::WrongQuestions); }));
    connect(btnReview, &QAbstractButton::clicked, this, guard::slot(kCannotStart, [this] { startPractice(PracticeMode::Review); }));
    connect(btnInput, &QAbstractButton::clicked, this, &TFrmkmmc::btnInputClick);
    connect(btnImport, &QAbstractButton::clicked, this, &TFrmkmmc::btnImportClick);
    connect(btnExport, &QAbstractButton::clicked, this, &TFrmkmmc::btnExportClick);
    connect(btnConfig, &QAbstractButton::clicked, this, [this] { TFrmConfig::open(false, this); });
    connect(btnClose, &QAbstractButton::clicked, this, &QWidget::close);
    connect(btnGuide, &QAbstractButton::clicked, this,
            guard::slot(QStringLiteral("无法打开解析指导！"), [this] { btnGuideClick(); }));
    connect(DM1->Cn1Table_kmmc, &store::Dataset::currentChanged, this, &TFrmkmmc::updateGuidance);
    connect(DM1->Cn1Table_kmmc, &store::Dataset::valuesChanged, this, &TFrmkmmc::updateGuidance);

    setTabOrder(DBGrid1, btnNew);
    setTabOrder(btnNew, btnWrong);
    setTabOrder(btnWrong, btnReview);
    setTabOrder(btnReview, btnInput);
    setTabOrder(btnInput, btnImport);
    setTabOrder(btnImport, btnExport);
    setTabOrder(btnExport, btnConfig);
    setTabOrder(btnConfig, btnClose);
    setTabOrder(btnClose, btnGuide);
}

TFrmkmmc::~TFrmkmmc() = default;

void TFrmkmmc::updateGuidance()
{
    if (!m_choosing)
        return;
    store::Dataset* table = DM1->Cn1Table_kmmc;
    btnGuide->setEnabled(table->isOpen() && table->recNo() > 0 && !table->bytes(QStringLiteral("jx")).isEmpty());
}

int TFrmkmmc::exec()
{
    return m_modal.run(*this, nullptr, [this] { FormShow(); });
}

// A heading wider than its column (the compact widths) goes on two lines of two
// characters, so the headings never run together.
void TFrmkmmc::fitHeadings()
{
    const QFontMetrics fm(DBGrid1->horizontalHeader()->font());
    const std::vector<store::DatasetModel::Column> full = gridColumns();
    QSet<int> twoLines;
    for (int c = 0; c < int(full.size()); ++c)
        if (fm.horizontalAdvance(full[size_t(c)].caption) + kHeadingMargin > DBGrid1->columnWidth(c))
            twoLines.insert(c);
    if (twoLines != m_twoLineHeadings) {
        m_twoLineHeadings = twoLines;
        std::vector<int> widths;
        for (int c = 0; c < int(full.size()); ++c)
            widths.push_back(DBGrid1->columnWidth(c));
        m_model->setColumns(gridColumns(twoLines));
        for (int c = 0; c < int(widths.size()); ++c)
            DBGrid1->setColumnWidth(c, widths[size_t(c)]);
        DBGrid1->horizontalHeader()->setMinimumHeight(twoLines.isEmpty() ? 0 : 2 * fm.lineSpacing() + 6);
    }
}

void TFrmkmmc::arrange(bool compact)
{
    const ui::art::ChooserLayout& l = ui::art::chooserLayout(compact);
    setFixedSize(l.window);
    m_background = ui::loadPicture(DM1->AppDir + QStringLiteral("pic/") + QString::fromLatin1(l.file));

    DBGrid1->setGeometry(l.grid.adjusted(1, 1, -1, -1));
    QFont gridFont = ui::songFont();
    QFont titleFont = ui::songFont();
    gridFont.setPointSize(compact ? 11 : 12);
    titleFont.setPointSize(compact ? 9 : 10);
    DBGrid1->setFont(gridFont);
    DBGrid1->horizontalHeader()->setFont(titleFont);
    DBGrid1->verticalHeader()->setDefaultSectionSize(QFontMetrics(gridFont).height() + 6);

    QFont labelFont = ui::songFont(compact ? 13 : 15, true);
    for (int i = 0; i < m_boardLabels.size(); ++i) {
        m_boardLabels[i]->setGeometry(l.boardLabels[size_t(i)]);
        m_boardLabels[i]->setFont(labelFont);
    }
    const std::array<QWidget*, 4> values{epNum_all, epNum_ok, epNum_Err, Lb_fs};
    for (size_t i = 0; i < values.size(); ++i)
        values[i]->setGeometry(l.boardValues[i].adjusted(4, 3, -4, -3));
    Lb_fs->setFont(ui::songFont(compact ? 20 : 26, true));

    const std::array<ui::CommandButton*, ui::art::ChooserButtonCount> buttons{btnNew, btnWrong, btnReview,
                                                                               btnInput, btnConfig, btnClose};
    for (size_t i = 0; i < buttons.size(); ++i) {
        buttons[i]->setGeometry(l.buttons[i]);
        buttons[i]->setFont(ui::songFont(l.buttonFontPx, true));
    }
    // The guidance button: in the board below the last value, or where the compact
    // board has no room for it, at the right end of the title strip.
    const QRect last = l.boardValues.back();
    if (compact)
        btnGuide->setGeometry(last.left(), l.title.top() + 8, last.width(), l.title.height() - 14);
    else
        btnGuide->setGeometry(last.left(), last.bottom() + 6, last.width(), l.board.bottom() - last.bottom() - 12);
    btnGuide->setFont(ui::songFont(compact ? 13 : 14));
    // Import and export of question files sit in the title strip, left of the board's column.
    const int top = l.title.top() + (compact ? 8 : 9);
    const int height = l.title.height() - (compact ? 14 : 18);
    const int width = compact ? 100 : 120;
    btnExport->setGeometry(l.board.left() - 12 - width, top, width, height);
    btnImport->setGeometry(btnExport->x() - 8 - width, top, width, height);
    for (ui::CommandButton* b : {btnImport, btnExport})
        b->setFont(ui::songFont(compact ? 13 : 14));
}

void TFrmkmmc::FormShow()
{
    store::Dataset* table = DM1->Cn1Table_kmmc;
    const bool shown = guard::run(kCannotRead, [&] {
        ui::WaitCursor wait;
        m_choosing = true;
        DM1->openIfClosed(table);
        table->first();
        table->setFiltered(false);
        table->setFilter(QStringLiteral("c1<>'xx'"));
        const bool compact = ui::compactLayout();
        arrange(compact);
        table->setFiltered(true);

        DBGrid1->setColumnWidth(kFirstColumn, compact ? 308 : 370);
        for (int c = kFirstColumn + 1; c < kColumnCount; ++c)
            DBGrid1->setColumnWidth(c, compact ? 50 : 65);
        fitHeadings();

        showTotals();

        table->first();
        if (!m_remembered.isEmpty())
            table->locate(QStringLiteral("C1"), m_remembered);
        m_model->syncCurrent(DBGrid1->selectionModel());
        DBGrid1->scrollTo(DBGrid1->currentIndex(), QAbstractItemView::PositionAtCenter);
        // The guidance button follows the row shown now.
        updateGuidance();
        DBGrid1->setFocus();
    });
    if (!shown)
        close();
}

void TFrmkmmc::showTotals()
{
    const practice::ChapterTotals totals = practice::readChapterTotals(*DM1->Cn1Query1);
    // Five digits, widened rather than showing a stale value for a larger count.
    auto display = [](QLCDNumber* lcd, qint64 value) {
        const QString digits = QString::number(value);
        lcd->setDigitCount(std::max<int>(5, int(digits.size())));
        lcd->display(digits);
    };
    display(epNum_all, practice::shownQuestionCount(totals.questions));
    display(epNum_ok, totals.answers);
    display(epNum_Err, totals.wrong);
    if (const auto score = practice::totalsScoreText(totals))
        Lb_fs->setText(*score);
}

void TFrmkmmc::startPractice(PracticeMode mode)
{
    store::Dataset* table = DM1->Cn1Table_kmmc;
    if (!table->isOpen())
        return;
    const QString code = table->text(QStringLiteral("C1"));
    m_remembered = code;
    if (!practice::isChapterCode(code)) {
        prompt::messageBox(prompt::Icon::Information, QStringLiteral("提示"), notAChapterText());
        return;
    }

    guard::run(kCannotStart, [&] {
        ui::withHourglass([&] {
            TFrmLxxt practiceScreen(parentWidget());
            const TFrmLxxt::Loaded loaded = practiceScreen.LoadQuestionSet(practice::practiceStatement(mode, code));
            if (loaded == TFrmLxxt::Loaded::Questions) {
                hide();
                practiceScreen.exec();
                return;
            }
            // A failed load was reported by the practice screen itself.
            if (loaded == TFrmLxxt::Loaded::Failed)
                return;
            switch (mode) {
            case PracticeMode::WrongQuestions:
                prompt::notice(QStringLiteral("本章节下没有错题！"));
                break;
            case PracticeMode::Review:
                prompt::notice(QStringLiteral("本章节习题还未曾做过！"));
                break;
            case PracticeMode::NewQuestions:
            case PracticeMode::NewByChapter:
                prompt::notice(practice::chapterQuestionCount(DM1->db(), code) == 0
                               ? QStringLiteral("本章节下还没有习题。")
                               : QStringLiteral("本章节的新题已全部做完，可选择错题重做或习题重温。"));
                break;
            }
        });
    });
    if (!isVisible())
        show();
    // Back on top with the keys, also where no window manager restacks windows.
    raise();
    activateWindow();
    FormShow();
}

void TFrmkmmc::btnGuideClick()
{
    store::Dataset* table = DM1->Cn1Table_kmmc;
    if (!table->isOpen() || table->bytes(QStringLiteral("jx")).isEmpty())
        return;
    TFrmJx viewer(this);
    viewer.setWindowTitle(QStringLiteral("解析指导 - ") + table->text(QStringLiteral("C2")));
    viewer.bind(table, QStringLiteral("jx"));
    viewer.exec();
}

bool TFrmkmmc::selectedChapter(QString* code, QString* name)
{
    store::Dataset* table = DM1->Cn1Table_kmmc;
    if (!table->isOpen())
        return false;
    *code = table->text(QStringLiteral("C1"));
    *name = table->text(QStringLiteral("C2"));
    if (!practice::isChapterCode(*code)) {
        prompt::messageBox(prompt::Icon::Information, QStringLiteral("提示"), notAChapterText());
        return false;
    }
    return true;
}

void TFrmkmmc::countNewQuestions(const QString& code, int saved)
{
    store::Dataset* table = DM1->Cn1Table_kmmc;
    table->refresh();
    table->locate(QStringLiteral("C1"), code);
    m_model->syncCurrent(DBGrid1->selectionModel());
    // The board counts the new questions at once, past its usual limit too.
    const QString shown = QString::number(qint64(epNum_all->value()) + saved);
    epNum_all->setDigitCount(std::max<int>(5, int(shown.size())));
    epNum_all->display(shown);
}

void TFrmkmmc::btnInputClick()
{
    QString code, name;
    if (!selectedChapter(&code, &name))
        return;
    try {
        TFrmInPut entry(this);
        entry.setChapter(code, QStringLiteral("试题录入 [") + name + QLatin1Char(']'));
        entry.exec();
        countNewQuestions(code, entry.savedCount());
    } catch (const std::exception&) {
        prompt::messageBox(prompt::Icon::Warning, QStringLiteral("提示"), QStringLiteral("录入试题后出现异常!"));
    }
    raise();
    activateWindow();
    DBGrid1->setFocus();
}

void TFrmkmmc::btnImportClick()
{
    QString code, name;
    if (!selectedChapter(&code, &name))
        return;
    TFrmImport import(this);
    import.setChapter(code, QStringLiteral("试题导入 [") + name + QLatin1Char(']'));
    import.exec();
    if (import.savedCount() > 0)
        guard::run(kCannotRead, [&] { countNewQuestions(code, import.savedCount()); });
    raise();
    activateWindow();
    DBGrid1->setFocus();
}

void TFrmkmmc::btnExportClick()
{
    QString code, name;
    if (!selectedChapter(&code, &name))
        return;
    QStringList ids;
    if (!guard::run(kCannotRead, [&] { ids = authoring::ownQuestionIds(DM1->db(), code); }))
        return;
    if (ids.isEmpty())
        prompt::messageBox(prompt::Icon::Information, QStringLiteral("提示"),
                           QStringLiteral("本章没有您加入的试题。用“试题录入”或“试题导入”加入试题后再导出。"));
    else
        authoring::exportQuestions(this, ids, name + QStringLiteral(" - 我的试题"), false);
    raise();
    activateWindow();
    DBGrid1->setFocus();
}

void TFrmkmmc::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (m_background.isNull())
        p.fillRect(rect(), ui::kPanelBackground);
    else
        p.drawPixmap(0, 0, m_background);
}

void TFrmkmmc::hideEvent(QHideEvent* event)
{
    m_choosing = false;
    QWidget::hideEvent(event);
}

void TFrmkmmc::closeEvent(QCloseEvent* event)
{
    m_choosing = false;
    DM1->Cn1Table_kmmc->close();
    DM1->Cn1Query1->close();
    event->accept();
    m_modal.quit();
}

void TFrmkmmc::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}
