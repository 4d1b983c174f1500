#include "gather/TFrmSearch.h"

#include "ui/AccessibleText.h"
#include "authoring/QuestionExport.h"
#include "common/Guard.h"
#include "core/search/Gather.h"
#include "core/search/SearchPlaces.h"
#include "core/store/DataModule.h"
#include "practice/GatheredPractice.h"
#include "ui/CommandButton.h"
#include "ui/Screen.h"
#include "ui/Style.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QVBoxLayout>

#include <array>
#include <functional>

namespace gather {

namespace {

constexpr int kMatchStartRole = Qt::UserRole;
constexpr int kMatchLengthRole = Qt::UserRole + 1;
constexpr int kPage = 200;       // rows read at a time; more as the list scrolls
constexpr int kTypingPause = 250; // ms after the last key before searching
constexpr int kAfterFocus = 150;  // ms: a screen reader has read the list's name by then

enum Column { ColId = 0, ColChapter, ColExcerpt, ColumnCount };

const QString kCannotSearch = QStringLiteral("无法搜索试题！");
const QString kCaption = QStringLiteral("搜索");

struct Row {
    search::Hit hit;
    QString chapter; // the chapter's name as the list shows it
};

// The excerpt with its match drawn on a marker's colour, in bold.
class MatchDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem opt(option);
        initStyleOption(&opt, index);
        const QString text = opt.text;
        opt.text.clear();
        QStyle* style = opt.widget ? opt.widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &opt, p, opt.widget);

        const int start = qBound(0, index.data(kMatchStartRole).toInt(), int(text.size()));
        const int length = qBound(0, index.data(kMatchLengthRole).toInt(), int(text.size()) - start);
        const QRect r = style->subElementRect(QStyle::SE_ItemViewItemText, &opt, opt.widget).adjusted(3, 0, -3, 0);
        const bool selected = opt.state & QStyle::State_Selected;
        const QColor ink = opt.palette.color(selected ? QPalette::HighlightedText : QPalette::Text);
        QFont bold = opt.font;
        bold.setBold(true);

        p->save();
        p->setClipRect(r);
        int x = r.left();
        const auto piece = [&](const QString& s, const QFont& f, bool mark) {
            if (s.isEmpty())
                return;
            const QFontMetrics fm(f);
            const int w = fm.horizontalAdvance(s);
            if (mark)
                p->fillRect(QRect(x, r.top() + 2, w, r.height() - 4), ui::kMatchFace);
            p->setFont(f);
            p->setPen(mark ? ui::kCommandText : ink);
            p->drawText(QRect(x, r.top(), w + 2, r.height()), Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine, s);
            x += w;
        };
        piece(text.left(start), opt.font, false);
        piece(text.mid(start, length), bold, true);
        piece(text.mid(start + length), opt.font, false);
        p->restore();
    }
};

} // namespace

// The rows found so far; asks for more as the list scrolls towards the end, so a
// search that finds thousands of questions reads and shows only what is seen.
class SearchResults : public QAbstractTableModel {
public:
    using Fetch = std::function<QList<Row>(int have)>;

    explicit SearchResults(QObject* parent)
        : QAbstractTableModel(parent)
    {
    }

    void reset(QList<Row> rows, int total, Fetch fetch)
    {
        beginResetModel();
        m_rows = std::move(rows);
        m_total = total;
        m_fetch = std::move(fetch);
        endResetModel();
    }
    const QList<Row>& rows() const { return m_rows; }

    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : int(m_rows.size()); }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : ColumnCount; }

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid() || index.row() >= m_rows.size())
            return {};
        const Row& r = m_rows[index.row()];
        switch (role) {
        case Qt::DisplayRole:
        case Qt::ToolTipRole:
            return index.column() == ColId ? r.hit.id : index.column() == ColChapter ? r.chapter : r.hit.excerpt;
        case Qt::AccessibleTextRole:
            // A screen reader hears the found words set apart from the rest of the line.
            if (index.column() == ColExcerpt && r.hit.matchLength > 0)
                return r.hit.excerpt.left(r.hit.matchStart) + QStringLiteral("【") + r.hit.excerpt.mid(r.hit.matchStart, r.hit.matchLength)
                    + QStringLiteral("】") + r.hit.excerpt.mid(r.hit.matchStart + r.hit.matchLength);
            return data(index, Qt::DisplayRole);
        case kMatchStartRole:
            return r.hit.matchStart;
        case kMatchLengthRole:
            return r.hit.matchLength;
        default:
            return {};
        }
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
            return {};
        static const std::array<QString, ColumnCount> headings = {QStringLiteral("题号"), QStringLiteral("章节"), QStringLiteral("题目")};
        return section >= 0 && section < ColumnCount ? headings[size_t(section)] : QVariant();
    }

    bool canFetchMore(const QModelIndex& parent) const override
    {
        return !parent.isValid() && m_fetch && m_rows.size() < m_total;
    }

    void fetchMore(const QModelIndex& parent) override
    {
        if (!canFetchMore(parent))
            return;
        QList<Row> more;
        if (!guard::run(kCannotSearch, [&] { more = m_fetch(int(m_rows.size())); }) || more.isEmpty()) {
            m_total = int(m_rows.size()); // nothing more comes: stop asking
            return;
        }
        beginInsertRows({}, int(m_rows.size()), int(m_rows.size() + more.size()) - 1);
        m_rows << more;
        endInsertRows();
    }

private:
    QList<Row> m_rows;
    int m_total = 0;
    Fetch m_fetch;
};

TFrmSearch::TFrmSearch(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("TFrmSearch"));
    setWindowTitle(kCaption);
    setAccessibleName(kCaption);
    setModal(true);
    ui::usePanelBackground(this);
    setFont(ui::songFont());
    m_typing.setSingleShot(true);
    m_typing.setInterval(kTypingPause);
    connect(&m_typing, &QTimer::timeout, this, [this] { runSearch(); });
    buildControls();
    arrange(ui::compactLayout());
}

TFrmSearch::~TFrmSearch() = default;

void TFrmSearch::buildControls()
{
    auto combo = [this](const char* name, const QString& label) {
        auto* c = new QComboBox(this);
        c->setObjectName(QString::fromLatin1(name));
        c->setAccessibleName(label);
        auto* l = new QLabel(label, this);
        l->setBuddy(c);
        return std::pair{c, l};
    };
    edText = new QLineEdit(this);
    edText->setObjectName(QStringLiteral("edText"));
    edText->setAccessibleName(QStringLiteral("搜索内容"));
    edText->setPlaceholderText(QStringLiteral("输入题目中的文字，如“进程同步”"));
    edText->setClearButtonEnabled(true);
    edText->setMaxLength(100);
    auto* textLabel = new QLabel(QStringLiteral("搜索内容"), this);
    textLabel->setBuddy(edText);

    const auto [part, partLabel] = combo("cbPart", QStringLiteral("部分"));
    const auto [chapter, chapterLabel] = combo("cbChapter", QStringLiteral("章节"));
    const auto [type, typeLabel] = combo("cbType", QStringLiteral("题型"));
    cbPart = part;
    cbChapter = chapter;
    cbType = type;
    for (QComboBox* c : {cbPart, cbChapter}) {
        c->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        c->setMinimumContentsLength(8);
    }
    cbType->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    // The choice in the description: a screen reader says it after the box's name.
    for (QComboBox* c : {cbPart, cbChapter, cbType})
        connect(c, &QComboBox::currentTextChanged, c, [c](const QString& text) { ui::setDescription(c, text); });

    m_results = new SearchResults(this);
    tvResults = new QTableView(this);
    tvResults->setModel(m_results);
    ui::setUpRowList(tvResults, QStringLiteral("tvResults"), QStringLiteral("搜索结果"), ui::GridLook::Striped);
    tvResults->setSelectionMode(QAbstractItemView::SingleSelection);
    tvResults->setItemDelegateForColumn(ColExcerpt, new MatchDelegate(tvResults));
    tvResults->horizontalHeader()->setStretchLastSection(true);
    tvResults->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    tvResults->setStyleSheet(ui::gridHeadingSheet(2, 4));

    lblCount = ui::noteLabel(this, "lblCount", ui::kNoteText, false);

    auto button = [this](const char* name, const QString& text) {
        auto* b = new ui::CommandButton(text, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAccessibleName(text);
        b->setFramed(true);
        b->setAutoDefault(false);
        return b;
    };
    btnPractise = button("btnPractise", QStringLiteral("练习全部"));
    btnExport = button("btnExport", QStringLiteral("导出试题"));
    btnClose = button("btnClose", QStringLiteral("关闭"));

    connect(edText, &QLineEdit::textEdited, this, [this] { m_typing.start(); });
    connect(edText, &QLineEdit::textChanged, this, [this](const QString& t) {
        if (t.isEmpty()) // the clear button: nothing to wait for
            runSearch();
    });
    connect(edText, &QLineEdit::returnPressed, this, [this] {
        runSearch();
        if (m_results->rowCount() > 0)
            tvResults->setFocus();
    });
    edText->installEventFilter(this);
    tvResults->installEventFilter(this);
    connect(cbPart, &QComboBox::activated, this, [this] {
        fillChapters();
        runSearch();
    });
    connect(cbChapter, &QComboBox::activated, this, [this] { runSearch(); });
    connect(cbType, &QComboBox::activated, this, [this] { runSearch(); });
    connect(tvResults, &QAbstractItemView::doubleClicked, this, [this] { openCurrent(); });
    ui::onEnterKey(tvResults, [this] { openCurrent(); });
    connect(btnPractise, &QAbstractButton::clicked, this, [this] { practiseAll(); });
    connect(btnExport, &QAbstractButton::clicked, this, [this] { exportAll(); });
    connect(btnClose, &QAbstractButton::clicked, this, &QDialog::accept);

    QWidget* order[] = {edText, cbPart, cbChapter, cbType, tvResults, btnPractise, btnExport, btnClose};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    auto* query = new QHBoxLayout;
    query->addWidget(textLabel);
    query->addWidget(edText, 1);

    auto* filters = new QHBoxLayout;
    filters->addWidget(partLabel);
    filters->addWidget(cbPart, 1);
    filters->addSpacing(12);
    filters->addWidget(chapterLabel);
    filters->addWidget(cbChapter, 1);
    filters->addSpacing(12);
    filters->addWidget(typeLabel);
    filters->addWidget(cbType);

    auto* commands = new QHBoxLayout;
    commands->addWidget(lblCount, 1);
    for (auto* b : {btnPractise, btnExport, btnClose})
        commands->addWidget(b);

    auto* column = new QVBoxLayout(this);
    column->addLayout(query);
    column->addLayout(filters);
    column->addWidget(tvResults, 1);
    column->addLayout(commands);
}

void TFrmSearch::arrange(bool compact)
{
    setFixedSize(compact ? QSize(770, 530) : QSize(960, 660));
    m_band = ui::frameBand(compact);
    ui::arrangeFramedLayout(*this, m_band, compact);
    edText->setFont(ui::songFont(compact ? 15 : 17));
    edText->setMinimumHeight(compact ? 28 : 32);
    tvResults->horizontalHeader()->setFont(ui::songFont(compact ? 12 : 13, true));
    tvResults->verticalHeader()->setDefaultSectionSize(compact ? 24 : 28);
    lblCount->setFont(ui::songFont(compact ? 13 : 14, true));
    const int buttonW = compact ? 86 : 100, buttonH = compact ? 30 : 34;
    for (auto* b : {btnPractise, btnExport, btnClose}) {
        b->setFont(ui::songFont(compact ? 13 : 15, true));
        b->setFixedSize(std::max(buttonW, b->sizeHint().width()), buttonH);
    }
    tvResults->setColumnWidth(ColId, compact ? 120 : 140);
    tvResults->setColumnWidth(ColChapter, compact ? 150 : 190);
}

void TFrmSearch::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        guard::run(QStringLiteral("无法读取章节和题型！"), [this] { fillFilters(); });
        runSearch();
        ui::centreWindow(this, parentWidget());
        edText->setFocus();
    }
}

void TFrmSearch::fillFilters()
{
    store::Connection& db = DM1->db();
    const QList<search::Place> places = search::places(db);
    cbPart->clear();
    cbPart->addItem(QStringLiteral("全部"), QString());
    for (const search::Place& p : places)
        if (p.code.size() == 2)
            cbPart->addItem(p.code + QLatin1Char(' ') + p.name, p.code);
    m_chapters.clear();
    for (const search::Place& p : places)
        if (p.code.size() == 4)
            m_chapters << p;
    fillChapters();

    const QMap<int, QString> types = search::typeNames(db);
    cbType->clear();
    cbType->addItem(QStringLiteral("全部题型"), 0);
    for (auto it = types.cbegin(); it != types.cend(); ++it)
        cbType->addItem(it.value(), it.key());
}

void TFrmSearch::fillChapters()
{
    const QString part = cbPart->currentData().toString();
    const QString chosen = cbChapter->currentData().toString();
    cbChapter->clear();
    cbChapter->addItem(QStringLiteral("全部"), QString());
    if (!part.isEmpty())
        for (const search::Place& c : std::as_const(m_chapters))
            if (c.code.startsWith(part))
                cbChapter->addItem(c.code + QLatin1Char(' ') + c.name, c.code);
    cbChapter->setCurrentIndex(std::max(0, cbChapter->findData(chosen)));
    cbChapter->setEnabled(!part.isEmpty());
}

search::Filter TFrmSearch::filter() const
{
    search::Filter f;
    f.part = cbPart->currentData().toString();
    f.chapter = cbChapter->currentData().toString();
    f.type = cbType->currentData().toInt();
    return f;
}

QString TFrmSearch::chapterName(const QString& code) const
{
    for (const search::Place& c : m_chapters)
        if (c.code == code.left(4))
            return c.name.isEmpty() ? c.code : c.name;
    return code;
}

void TFrmSearch::runSearch()
{
    m_typing.stop();
    const QString text = edText->text();
    const search::Filter f = filter();
    QList<Row> rows;
    int total = 0;
    // Reads `limit` rows from `have` on: find gives the first ones, so a later page asks for more and keeps the tail.
    auto fetch = [this, text, f](int have) {
        QList<Row> out;
        store::Connection& db = DM1->db();
        const QList<search::Hit> hits = search::find(db, text, f, have + kPage);
        QStringList ids;
        for (qsizetype i = have; i < hits.size(); ++i)
            ids << hits[i].id;
        const QHash<QString, QString> chapters = search::chaptersOf(db, ids);
        for (qsizetype i = have; i < hits.size(); ++i)
            out.push_back({hits[i], chapterName(chapters.value(hits[i].id))});
        return out;
    };
    const bool ok = guard::run(kCannotSearch, [&] {
        ui::WaitCursor wait;
        rows = fetch(0);
        total = rows.size() < kPage ? int(rows.size()) : search::count(DM1->db(), text, f);
    });
    m_query = ok ? text : QString();
    m_total = ok ? total : 0;
    m_results->reset(ok ? rows : QList<Row>{}, m_total, fetch);
    const QString count = QStringLiteral("共 %1 题").arg(m_total);
    lblCount->setText(count);
    ui::setName(lblCount, count);
    // The field and the list carry the count too: a screen reader tells it where the candidate is.
    ui::setDescription(edText, count);
    ui::setDescription(tvResults, count);
    // No current row until the list has the focus: a current row is announced as a focus
    // change, and a screen reader would read the list instead of the key just typed.
    updateCommands();
}

void TFrmSearch::updateCommands()
{
    btnPractise->setEnabled(m_total > 0);
    btnExport->setEnabled(m_total > 0);
}

QStringList TFrmSearch::shownIds() const
{
    QStringList out;
    for (const Row& r : m_results->rows())
        out << r.hit.id;
    return out;
}

// Every result, also those the list has not read yet.
QStringList TFrmSearch::allIds()
{
    QStringList out;
    if (m_total <= m_results->rows().size())
        return shownIds();
    ui::WaitCursor wait;
    for (const search::Hit& h : search::find(DM1->db(), m_query, filter(), 0))
        out << h.id;
    return out;
}

void TFrmSearch::openCurrent()
{
    const QModelIndex current = tvResults->currentIndex();
    if (!current.isValid() || current.row() >= m_results->rows().size())
        return;
    practice::GatheredSet set;
    set.ids = {m_results->rows()[current.row()].hit.id};
    set.caption = kCaption;
    set.heading = kCaption + QStringLiteral(" > ") + m_query.trimmed();
    set.source = review::Source::ChapterPractice;
    guard::run(QStringLiteral("无法开始练习！"), [&] { practice::practiseQuestions(this, set); });
    raise();
    activateWindow();
    tvResults->setFocus();
}

void TFrmSearch::practiseAll()
{
    if (m_total == 0)
        return;
    guard::run(QStringLiteral("无法开始练习！"), [&] {
        practice::GatheredSet set;
        set.ids = allIds();
        set.caption = kCaption;
        set.heading = kCaption + QStringLiteral(" > ") + m_query.trimmed() + QStringLiteral(" > 全部");
        set.source = review::Source::ChapterPractice;
        practice::practiseQuestions(this, set);
    });
    raise();
    activateWindow();
    tvResults->setFocus();
}

void TFrmSearch::exportAll()
{
    if (m_total == 0)
        return;
    guard::run(QStringLiteral("无法导出试题！"), [&] {
        authoring::exportQuestions(this, allIds(), QStringLiteral("搜索结果 - ") + m_query.trimmed(), false);
    });
}

bool TFrmSearch::eventFilter(QObject* watched, QEvent* event)
{
    // Down in the text field goes to the results, as in a search box with a list under it.
    if (watched == edText && event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Down
        && m_results->rowCount() > 0) {
        if (m_typing.isActive())
            runSearch();
        tvResults->setFocus();
        return true;
    }
    // Coming to the list, the candidate is on the first result; set once the list has
    // taken the focus, so that a screen reader reads that row after the list's name.
    if (watched == tvResults && event->type() == QEvent::FocusIn)
        QTimer::singleShot(kAfterFocus, this, [this] {
            if (!tvResults->hasFocus() || m_results->rowCount() == 0 || tvResults->selectionModel()->hasSelection())
                return;
            // The view may have made a row current on its own, quietly: made current anew, it is heard.
            const QModelIndex row = tvResults->currentIndex().isValid() ? tvResults->currentIndex() : m_results->index(0, 0);
            tvResults->selectionModel()->clearCurrentIndex();
            tvResults->setCurrentIndex(row);
        });
    return QDialog::eventFilter(watched, event);
}

void TFrmSearch::paintEvent(QPaintEvent* event)
{
    QDialog::paintEvent(event);
    QPainter p(this);
    ui::paintWindowFrame(p, *this, m_band);
}

void openSearch(QWidget* parent)
{
    TFrmSearch screen(parent);
    screen.exec();
}

} // namespace gather
