#include "outline/TfrmLawsFaGui.h"

#include "outline/MasteryMap.h"
#include "outline/TFrmRuleLxxt.h"
#include "outline/TfrmLawDetail.h"
#include "core/app/AppState.h"
#include "common/Guard.h"
#include "common/Prompt.h"
#include "core/store/DataModule.h"
#include "core/store/Dataset.h"
#include "ui/AccessibleText.h"
#include "ui/CommandButton.h"
#include "ui/RichTextView.h"
#include "ui/Screen.h"
#include "ui/Style.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QStackedLayout>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

const QString kTitle = QStringLiteral("考点目录");
const QString kTitleBack = QStringLiteral("考 点 目 录");
const QString kMost = QStringLiteral("重点(&M)");
const QString kAll = QStringLiteral("全部(&A)");
const QString kNoKeyPoints = QStringLiteral("此考点暂无重点内容！");

constexpr int kColumns = 5;
constexpr int kRowHeight = 30;
constexpr int kCounterWidth = 80;

struct Arrangement {
    QSize window;
    int nameWidth;
    int headingHeight;
    int blanks; // before the name heading
    int gridPx;
    int buttonHeight;
};
constexpr Arrangement kFull{{900, 599}, 554, 36, 29, 15, 30};
// The practice screen's compact size, so the menu's footer stays in view below it.
constexpr Arrangement kCompact{{780, 490}, 430, 30, 19, 13, 26};

const Arrangement& arrangementOf(bool compact)
{
    return compact ? kCompact : kFull;
}

} // namespace

TfrmLawsFaGui::TfrmLawsFaGui(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
    , m_queryDetail(std::make_unique<store::Dataset>(&DM1->db()))
{
    setObjectName(QStringLiteral("TfrmLawsFaGui"));
    setWindowModality(Qt::ApplicationModal);
    setFont(ui::songFont());
    ui::usePanelBackground(this);
    const bool compact = ui::compactLayout();

    QWidget* strip = buildTitleStrip(compact);
    buildGrid();
    m_legend = new outline::MasteryLegend(this);
    m_legend->setFont(ui::songFont(compact ? 11 : 12));
    buildCommands();
    layOut(strip);

    // Opening: headings, the outline, the window's size.
    m_nodeIds.clear();
    setHeadings(compact);
    showOutlinePage();
    guard::run(QStringLiteral("无法读取考点目录！"), [this] { LoadOutline(); });
    arrange(compact);
}

QWidget* TfrmLawsFaGui::buildTitleStrip(bool compact)
{
    auto* strip = new QWidget(this);
    ui::styleHeadingStrip(strip);
    auto* stripRow = new QHBoxLayout(strip);
    stripRow->setContentsMargins(10, 4, 10, 4);
    m_Ltiltle = new QLabel(kTitle, strip);
    m_Ltiltle->setObjectName(QStringLiteral("m_Ltiltle"));
    m_Ltiltle->setTextFormat(Qt::PlainText);
    m_Ltiltle->setAlignment(Qt::AlignCenter);
    m_Ltiltle->setFont(ui::songFont(compact ? 16 : 19, true));
    m_Ltiltle->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    stripRow->addWidget(m_Ltiltle);
    return strip;
}

void TfrmLawsFaGui::buildGrid()
{
    m_grid = new QTableWidget(0, kColumns, this);
    ui::setUpRowList(m_grid, QStringLiteral("m_grid"), QStringLiteral("考点目录"), ui::GridLook::Striped);
    m_grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_grid->verticalHeader()->setMinimumSectionSize(kRowHeight);
    m_grid->verticalHeader()->setDefaultSectionSize(kRowHeight);
    m_grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_grid->setItemDelegateForColumn(0, new outline::MasteryDelegate(m_grid));
    m_grid->setStyleSheet(ui::gridHeadingSheet(0, 2, true));
    const auto open = guard::slot(QStringLiteral("无法打开此节点的考点！"), [this] { m_btnSelectClick(); });
    // Enter on the table opens the node, as a double-click does.
    ui::onEnterKey(m_grid, open);
    connect(m_grid, &QTableWidget::doubleClicked, this, open);
    connect(m_grid, &QTableWidget::currentCellChanged, this, [this](int row) {
        // Names wider than their column can be read in the tooltip.
        const QTableWidgetItem* name = row >= 0 ? m_grid->item(row, 0) : nullptr;
        m_grid->setToolTip(name ? name->text() : QString());
    });
}

void TfrmLawsFaGui::buildCommands()
{
    m_editFind = new QLineEdit(this);
    m_editFind->setObjectName(QStringLiteral("m_editFind"));
    m_editFind->setAccessibleName(QStringLiteral("检索内容"));
    m_editFind->setPlaceholderText(QStringLiteral("输入考点名称"));
    m_editFind->setClearButtonEnabled(true);
    connect(m_editFind, &QLineEdit::returnPressed, this,
            guard::slot(QStringLiteral("无法检索考点！"), [this] { m_btnFindClick(); }));

    const auto button = [&](const char* name, const QString& caption, const QString& spoken) {
        auto* b = new ui::CommandButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAccessibleName(spoken);
        b->setFramed(true);
        b->setAutoDefault(false);
        return b;
    };
    m_btnFind = button("m_btnFind", QStringLiteral("检索(&F)"), QStringLiteral("检索"));
    m_btnSelect = button("m_btnSelect", QStringLiteral("选定(&S)"), QStringLiteral("选定"));
    m_btnMost = button("m_btnMost", kMost, QStringLiteral("重点"));
    m_btnQuestion = button("m_btnQuestion", QStringLiteral("练习(&P)"), QStringLiteral("练习"));
    m_btnBack = button("m_btnBack", QStringLiteral("返回(&B)"), QStringLiteral("返回"));
    m_btnExit = button("m_btnExit", QStringLiteral("退出(&E)"), QStringLiteral("退出"));

    connect(m_btnFind, &QAbstractButton::clicked, this,
            guard::slot(QStringLiteral("无法检索考点！"), [this] { m_btnFindClick(); }));
    connect(m_btnSelect, &QAbstractButton::clicked, this,
            guard::slot(QStringLiteral("无法打开此节点的考点！"), [this] { m_btnSelectClick(); }));
    connect(m_btnMost, &QAbstractButton::clicked, this,
            guard::slot(QStringLiteral("无法列出重点考点！"), [this] { m_btnMostClick(); }));
    connect(m_btnQuestion, &QAbstractButton::clicked, this,
            guard::slot(QStringLiteral("无法开始练习！"), [this] { m_btnQuestionClick(); }));
    connect(m_btnBack, &QAbstractButton::clicked, this,
            guard::slot(QStringLiteral("无法读取考点目录！"), [this] { m_btnBackClick(); }));
    connect(m_btnExit, &QAbstractButton::clicked, this, &TfrmLawsFaGui::m_btnExitClick);
}

// The title strip on top; below it the outline (or a node's detail page) and the
// command row.
void TfrmLawsFaGui::layOut(QWidget* strip)
{
    m_outlinePage = new QWidget(this);
    auto* outlineLayout = new QVBoxLayout(m_outlinePage);
    outlineLayout->setContentsMargins(0, 0, 0, 0);
    outlineLayout->setSpacing(3);
    outlineLayout->addWidget(m_grid, 1);
    outlineLayout->addWidget(m_legend);

    auto* page = new QWidget(this);
    m_pages = new QStackedLayout(page);
    m_pages->addWidget(m_outlinePage);

    auto* commands = new QHBoxLayout;
    commands->setSpacing(6);
    commands->addWidget(m_editFind, 1);
    for (ui::CommandButton* b : {m_btnFind, m_btnSelect, m_btnMost, m_btnQuestion, m_btnBack})
        commands->addWidget(b);
    commands->addStretch(0);
    commands->addWidget(m_btnExit);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(1, 1, 1, 1);
    outer->setSpacing(0);
    outer->addWidget(strip);
    auto* body = new QVBoxLayout;
    body->setContentsMargins(6, 6, 6, 6);
    body->setSpacing(6);
    body->addWidget(page, 1);
    body->addLayout(commands);
    outer->addLayout(body, 1);

    setTabOrder(m_grid, m_editFind);
    setTabOrder(m_editFind, m_btnFind);
    setTabOrder(m_btnFind, m_btnSelect);
    setTabOrder(m_btnSelect, m_btnMost);
    setTabOrder(m_btnMost, m_btnQuestion);
    setTabOrder(m_btnQuestion, m_btnBack);
    setTabOrder(m_btnBack, m_btnExit);
}

TfrmLawsFaGui::~TfrmLawsFaGui()
{
    if (m_detail)
        m_detail->unbind();
}

int TfrmLawsFaGui::exec()
{
    return m_modal.run(*this, parentWidget(), [this] { m_grid->setFocus(); });
}

void TfrmLawsFaGui::arrange(bool compact)
{
    const Arrangement& a = arrangementOf(compact);
    setFixedSize(a.window);
    const QFont buttonFont = ui::songFont(compact ? 13 : 14);
    for (ui::CommandButton* b : {m_btnFind, m_btnSelect, m_btnMost, m_btnQuestion, m_btnBack, m_btnExit}) {
        b->setFont(buttonFont);
        b->setFixedHeight(a.buttonHeight);
        b->setMinimumWidth(compact ? 72 : 86);
    }
    m_editFind->setFixedHeight(a.buttonHeight);
    m_editFind->setFont(ui::songFont(compact ? 13 : 14));
}

void TfrmLawsFaGui::setHeadings(bool compact)
{
    const Arrangement& a = arrangementOf(compact);
    const QStringList headings{QString(a.blanks, QLatin1Char(' ')) + QStringLiteral("考 点 名 称"), QStringLiteral("  题  数"),
                               QStringLiteral(" 已做题数"), QStringLiteral(" 已做道次"), QStringLiteral(" 做错道次")};
    for (int c = 0; c < kColumns; ++c) {
        auto* item = new QTableWidgetItem(headings[c]);
        item->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        m_grid->setHorizontalHeaderItem(c, item);
        m_grid->setColumnWidth(c, c == 0 ? a.nameWidth : kCounterWidth);
    }
    m_grid->horizontalHeader()->setFixedHeight(a.headingHeight);
    m_grid->setFont(ui::songFont(a.gridPx));
    m_grid->horizontalHeader()->setFont(ui::songFont(a.gridPx, true));
}

void TfrmLawsFaGui::LoadOutline()
{
    ui::WaitCursor wait;
    std::vector<outline::OutlineRow> rows = outline::readOutline(DM1->db());
    m_rows = std::move(rows);
    m_nodeIds.clear();
    m_grid->clearContents();
    m_grid->setRowCount(int(m_rows.size()));
    for (int r = 0; r < int(m_rows.size()); ++r) {
        const outline::OutlineRow& row = m_rows[size_t(r)];
        m_nodeIds << row.id;
        auto* name = new QTableWidgetItem(row.name);
        const outline::Counters& c = row.counters;
        name->setData(outline::kCountersRole, QVariantList{c.q, c.q1, c.q2, c.q4});
        name->setData(Qt::AccessibleDescriptionRole, outline::mastery(c).spoken);
        if (outline::isChapterLevelId(row.id)) {
            // Chapters stand out from the sections that can be opened.
            QFont bold = m_grid->font();
            bold.setBold(true);
            name->setFont(bold);
        }
        m_grid->setItem(r, 0, name);
        const qint64 values[] = {c.q, c.q1, c.q2, c.q4};
        for (int col = 1; col < kColumns; ++col) {
            auto* item = new QTableWidgetItem(outline::counterText(values[col - 1]));
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            m_grid->setItem(r, col, item);
        }
    }
}

int TfrmLawsFaGui::selectedRow() const
{
    const QList<QTableWidgetSelectionRange> ranges = m_grid->selectedRanges();
    return ranges.isEmpty() ? -1 : ranges.first().topRow();
}

void TfrmLawsFaGui::selectRow(int row)
{
    if (row < 0 || row >= m_grid->rowCount())
        return;
    m_grid->setCurrentCell(row, 0);
    m_grid->selectRow(row);
    m_grid->scrollToItem(m_grid->item(row, 0), QAbstractItemView::PositionAtCenter);
}

void TfrmLawsFaGui::m_btnFindClick()
{
    const QString text = m_editFind->text().trimmed();
    if (text.isEmpty())
        return;
    // The same text again goes on to the next hit; a new text starts over.
    if (text != m_findText) {
        m_findText = text;
        m_hit = -1;
        m_hits = outline::searchOutline(DM1->db(), m_rows, text);
    }
    if (m_hits.empty()) {
        ShowPrompt(QStringLiteral("提示"), outline::notFoundText(text), prompt::Mode::Narrow, prompt::Page::Information);
        m_editFind->setFocus();
        return;
    }
    m_hit = outline::nextHit(m_hit, int(m_hits.size()));
    const outline::SearchHit& hit = m_hits[size_t(m_hit)];
    selectRow(hit.row);
    m_grid->setFocus();
    // A point is shown in its node, as current entry; chapter headings do not open.
    if (hit.ftid.isEmpty() || outline::isChapterLevelId(m_rows[size_t(hit.row)].id))
        return;
    m_btnSelectClick();
    if (!m_detail || !m_queryDetail->isOpen())
        return;
    for (int i = 0; i < m_queryDetail->recordCount(); ++i)
        if (m_queryDetail->valueAt(i, QStringLiteral("ftid")).toString() == hit.ftid) {
            m_detail->m_LBmenu->setCurrentRow(i);
            m_LBmenuClick(i);
            break;
        }
}

void TfrmLawsFaGui::m_btnSelectClick()
{
    const int row = selectedRow();
    if (m_detail || row < 0 || row >= int(m_rows.size()))
        return;
    const outline::OutlineRow& node = m_rows[size_t(row)];
    if (outline::isChapterLevelId(node.id)) {
        ShowPrompt(QStringLiteral("提示"), QStringLiteral("请选择具体章节!"), prompt::Mode::Narrow, prompt::Page::Warning);
        return;
    }
    m_nodeId = node.id;
    try {
        m_keyThreshold = outline::keyThreshold(node.counters.q, outline::pointCount(DM1->db(), m_nodeId));
    } catch (const store::DbError&) {
        m_keyThreshold = 1; // the node opens all the same
    }
    setKeyToggle(0);

    // The detail page in the table's place.
    m_editFind->hide();
    m_btnFind->hide();
    m_btnSelect->hide();
    m_btnMost->setEnabled(true);
    m_btnQuestion->setEnabled(true);
    m_btnBack->show();
    m_detail = new TfrmLawDetail(ui::compactLayout(), this);
    connect(m_detail, &TfrmLawDetail::pointChosen, this,
            guard::slot(QStringLiteral("无法显示此考点！"), [this](int row) { m_LBmenuClick(row); }));
    m_pages->addWidget(m_detail);
    m_pages->setCurrentWidget(m_detail);
    m_Ltiltle->setText(node.name.trimmed());
    setTabOrder(m_detail->Re, m_btnMost);

    ui::WaitCursor wait;
    outline::openNodePoints(*m_queryDetail, m_nodeId);
    listPoints();
    m_detail->m_LBmenu->setFocus();
}

void TfrmLawsFaGui::listPoints()
{
    m_detail->fill(m_queryDetail.get());
    writeNote();
}

void TfrmLawsFaGui::writeNote()
{
    if (!m_detail)
        return;
    if (!m_queryDetail->isOpen() || m_queryDetail->isEmpty()) {
        m_btnQuestion->setEnabled(false);
        return; // the panel says the node has no points
    }
    const outline::PointNote note = outline::pointNote(outline::countersOf(*m_queryDetail));
    m_detail->setNote(note.text);
    m_btnQuestion->setEnabled(note.practicable);
}

void TfrmLawsFaGui::m_LBmenuClick(int row)
{
    if (!m_detail || !m_queryDetail->isOpen() || !m_queryDetail->moveTo(row + 1))
        return;
    writeNote();
}

int TfrmLawsFaGui::keyToggle() const
{
    return m_btnMost->property("tag").toInt();
}

void TfrmLawsFaGui::setKeyToggle(int toggle)
{
    m_btnMost->setProperty("tag", toggle);
    ui::setText(m_btnMost, toggle == 1 ? kAll : kMost);
    ui::setName(m_btnMost, toggle == 1 ? QStringLiteral("全部") : QStringLiteral("重点"));
}

void TfrmLawsFaGui::m_btnMostClick()
{
    if (!m_detail || !m_queryDetail->isOpen()) {
        prompt::messageBox(prompt::Icon::Information, QStringLiteral("提示"), kNoKeyPoints);
        return;
    }
    const int toggle = keyToggle();
    m_detail->unbind();
    if (toggle == 1) {
        m_queryDetail->setFiltered(false);
    } else {
        m_queryDetail->setFilter(outline::keyFilter(m_keyThreshold));
        m_queryDetail->setFiltered(true);
    }
    if (!m_queryDetail->isEmpty()) {
        listPoints();
        setKeyToggle(toggle == 1 ? 0 : 1);
        return;
    }
    if (toggle == 0)
        m_queryDetail->setFiltered(false);
    listPoints();
    prompt::messageBox(prompt::Icon::Information, QStringLiteral("提示"), kNoKeyPoints);
}

void TfrmLawsFaGui::m_btnQuestionClick()
{
    if (!m_detail || !m_queryDetail->isOpen() || m_queryDetail->recNo() < 1)
        return; // no point selected
    // The point of the selected row itself: its title may hold "(" or repeat another's.
    const QString ftid = m_queryDetail->text(QStringLiteral("ftid"));
    const QString title = m_queryDetail->text(QStringLiteral("sn")).trimmed();
    struct Return {
        TfrmLawsFaGui* browser;
        ~Return()
        {
            // Whatever happened: the counters of the points as the practice left
            // them, the note of the selected point, the browser on view again.
            guard::run(QStringLiteral("无法读取考点的统计！"), [this] { browser->m_queryDetail->refresh(); });
            browser->writeNote();
            browser->show();
            browser->raise();
            browser->activateWindow();
        }
    } back{this};

    TFrmRuleLxxt screen(parentWidget());
    TFrmLxxt::Loaded loaded;
    {
        ui::WaitCursor wait;
        loaded = screen.LoadQuestionSet(outline::pointPracticeStatement(ftid));
    }
    if (loaded == TFrmLxxt::Loaded::Questions) {
        hide();
        screen.epLabel2->setText(title);
        screen.exec();
    } else if (loaded == TFrmLxxt::Loaded::Empty) {
        ShowPrompt(QStringLiteral("提示"), QStringLiteral("恭喜你，习题已做完！"), prompt::Mode::Single, prompt::Page::Information,
                   prompt::Variant::No);
    }
}

void TfrmLawsFaGui::m_btnBackClick()
{
    const int row = selectedRow();
    showOutlinePage();
    setHeadings(ui::compactLayout());
    LoadOutline();
    arrange(ui::compactLayout());
    selectRow(row);
    setKeyToggle(0);
    m_grid->setFocus();
}

void TfrmLawsFaGui::showOutlinePage()
{
    m_editFind->show();
    m_btnFind->show();
    m_btnSelect->show();
    m_btnMost->setEnabled(false);
    m_btnQuestion->setEnabled(false);
    m_btnBack->hide();
    m_Ltiltle->setText(m_detail ? kTitleBack : kTitle);
    m_pages->setCurrentWidget(m_outlinePage);
    if (m_detail) {
        m_detail->unbind();
        m_pages->removeWidget(m_detail);
        m_detail->deleteLater();
        m_detail = nullptr;
    }
    m_queryDetail->close();
    setKeyToggle(0);
}

void TfrmLawsFaGui::m_btnExitClick()
{
    close();
}

void TfrmLawsFaGui::paintEvent(QPaintEvent* event)
{
    QWidget::paintEvent(event);
    // A frame of its own: the window has no border from the window manager.
    QPainter p(this);
    p.setPen(ui::kTitleStripDark);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

void TfrmLawsFaGui::closeEvent(QCloseEvent* event)
{
    if (m_detail)
        m_detail->unbind();
    m_queryDetail->close();
    m_nodeIds.clear();
    event->accept();
    m_modal.quit();
}

void TfrmLawsFaGui::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        if (m_detail)
            guard::run(QStringLiteral("无法读取考点目录！"), [this] { m_btnBackClick(); });
        else
            close();
        return;
    }
    QWidget::keyPressEvent(event);
}
