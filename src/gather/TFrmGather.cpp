#include "gather/TFrmGather.h"

#include "ui/AccessibleText.h"
#include "authoring/QuestionExport.h"
#include "common/Guard.h"
#include "common/Prompt.h"
#include "core/store/Connection.h"
#include "core/store/DataModule.h"
#include "exam/PaperDocument.h"
#include "practice/GatheredPractice.h"
#include "ui/CommandButton.h"
#include "ui/Screen.h"
#include "ui/Style.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <array>
#include <functional>

namespace gather {

namespace {

// What a row of the list is: the item's kind and its chapter code or question id.
constexpr int kKindRole = Qt::UserRole;
constexpr int kKeyRole = Qt::UserRole + 1;
enum Kind { Part = 0, Chapter = 1, Question = 2 };

enum Column { ColId = 0, ColType, ColWrong, ColDate, ColRemark, ColExcerpt };

const QString kCannotRead = QStringLiteral("无法读取题目列表！");

QString dateText(const QDate& d)
{
    return d.isValid() ? d.toString(QStringLiteral("yyyy-MM-dd")) : QStringLiteral("未做");
}

void setSpokenRemark(QTreeWidgetItem* item, const QString& remark)
{
    item->setData(ColRemark, Qt::AccessibleTextRole, remark.isEmpty() ? QStringLiteral("无备注") : QStringLiteral("备注：") + remark);
}

} // namespace

TFrmGather::TFrmGather(Mode mode, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
    , m_mode(mode)
{
    setObjectName(QStringLiteral("TFrmGather"));
    setWindowTitle(caption());
    setAccessibleName(caption());
    setModal(true);
    ui::usePanelBackground(this);
    setFont(ui::songFont());
    buildControls();
    arrange(ui::compactLayout());
}

QString TFrmGather::caption() const
{
    return m_mode == Mode::WrongBook ? QStringLiteral("错题本") : QStringLiteral("收藏夹");
}

void TFrmGather::buildControls()
{
    auto combo = [this](const char* name, const QString& label) {
        auto* c = new QComboBox(this);
        c->setObjectName(QString::fromLatin1(name));
        c->setAccessibleName(label);
        c->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        auto* l = new QLabel(label, this);
        l->setBuddy(c);
        // The label names the box; the choice goes in the description, so it is heard too.
        connect(c, &QComboBox::currentTextChanged, c, [c](const QString& text) { ui::setDescription(c, text); });
        return std::pair{c, l};
    };
    const auto [type, typeLabel] = combo("cbType", QStringLiteral("题型"));
    const auto [point, pointLabel] = combo("cbPoint", QStringLiteral("考点"));
    const auto [sort, sortLabel] = combo("cbSort", QStringLiteral("排序"));
    cbType = type;
    cbPoint = point;
    cbSort = sort;
    cbPoint->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cbPoint->setMinimumContentsLength(8);
    cbSort->addItem(QStringLiteral("按章节"), int(search::SortKey::Chapter));
    cbSort->addItem(QStringLiteral("按错误次数"), int(search::SortKey::WrongCount));
    cbSort->addItem(QStringLiteral("按最近作答"), int(search::SortKey::LastAnswered));

    tvList = new QTreeWidget(this);
    tvList->setObjectName(QStringLiteral("tvList"));
    tvList->setAccessibleName(caption());
    QStringList headings = {QStringLiteral("题号"), QStringLiteral("题型"), QStringLiteral("错误次数"),
                            QStringLiteral("最近作答"), QStringLiteral("备注"), QStringLiteral("题目")};
    tvList->setColumnCount(int(headings.size()));
    tvList->setHeaderLabels(headings);
    tvList->setColumnHidden(ColRemark, m_mode != Mode::Bookmarks);
    tvList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    tvList->setSelectionBehavior(QAbstractItemView::SelectRows);
    tvList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tvList->setAlternatingRowColors(true);
    tvList->setUniformRowHeights(true);
    tvList->setWordWrap(false);
    tvList->setTabKeyNavigation(false);
    tvList->header()->setStretchLastSection(true);
    tvList->header()->setSectionsMovable(false);
    tvList->header()->setHighlightSections(false);
    tvList->setStyleSheet(ui::gridHeadingSheet(2, 4));
    // An empty list says how questions come into it, in the middle of the list.
    lblEmpty = new QLabel(tvList->viewport());
    lblEmpty->setObjectName(QStringLiteral("lblEmpty"));
    lblEmpty->setTextFormat(Qt::PlainText);
    lblEmpty->setAlignment(Qt::AlignCenter);
    lblEmpty->setWordWrap(true);
    auto* emptyLayout = new QVBoxLayout(tvList->viewport());
    emptyLayout->addWidget(lblEmpty, 0, Qt::AlignCenter);

    lblCount = ui::noteLabel(this, "lblCount", ui::kNoteText, false);

    lblRemark = new QLabel(QStringLiteral("备注"), this);
    edRemark = new QLineEdit(this);
    edRemark->setObjectName(QStringLiteral("edRemark"));
    edRemark->setAccessibleName(QStringLiteral("备注"));
    edRemark->setMaxLength(200);
    lblRemark->setBuddy(edRemark);
    lblRemark->setVisible(m_mode == Mode::Bookmarks);
    edRemark->setVisible(m_mode == Mode::Bookmarks);

    auto button = [this](const char* name, const QString& text) {
        auto* b = new ui::CommandButton(text, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAccessibleName(text);
        b->setFramed(true);
        b->setAutoDefault(false);
        return b;
    };
    btnPractise = button("btnPractise", QStringLiteral("练习"));
    btnRemove = button("btnRemove", m_mode == Mode::WrongBook ? QStringLiteral("移出错题本") : QStringLiteral("取消收藏"));
    btnExport = button("btnExport", QStringLiteral("生成文档"));
    btnExportQuestions = button("btnExportQuestions", QStringLiteral("导出试题"));
    btnClose = button("btnClose", QStringLiteral("关闭"));

    const auto refilter = [this] { guard::run(kCannotRead, [this] { showList(); }); };
    connect(cbType, &QComboBox::activated, this, refilter);
    connect(cbPoint, &QComboBox::activated, this, refilter);
    connect(cbSort, &QComboBox::activated, this, refilter);
    connect(tvList, &QTreeWidget::currentItemChanged, this, [this] { updateCommands(); });
    connect(tvList, &QTreeWidget::itemSelectionChanged, this, [this] { updateCommands(); });
    connect(tvList, &QTreeWidget::itemDoubleClicked, this, [this] { practiseSelected(); });
    ui::onEnterKey(tvList, [this] { practiseSelected(); });
    tvList->installEventFilter(this);
    connect(edRemark, &QLineEdit::editingFinished, this, [this] { saveRemark(); });
    connect(btnPractise, &QAbstractButton::clicked, this, [this] { practiseSelected(); });
    connect(btnRemove, &QAbstractButton::clicked, this, [this] { removeSelected(); });
    connect(btnExport, &QAbstractButton::clicked, this, [this] { exportList(); });
    connect(btnExportQuestions, &QAbstractButton::clicked, this, [this] { exportQuestionFile(); });
    connect(btnClose, &QAbstractButton::clicked, this, &QDialog::accept);

    // Filters, list, remark, then the commands.
    QWidget* order[] = {cbType, cbPoint, cbSort, tvList, edRemark, btnPractise, btnRemove, btnExport, btnExportQuestions, btnClose};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    auto* filters = new QHBoxLayout;
    filters->addWidget(typeLabel);
    filters->addWidget(cbType);
    filters->addSpacing(12);
    filters->addWidget(pointLabel);
    filters->addWidget(cbPoint, 1);
    filters->addSpacing(12);
    filters->addWidget(sortLabel);
    filters->addWidget(cbSort);

    auto* remark = new QHBoxLayout;
    remark->addWidget(lblRemark);
    remark->addWidget(edRemark, 1);

    auto* commands = new QHBoxLayout;
    commands->addWidget(lblCount, 1);
    for (auto* b : {btnPractise, btnRemove, btnExport, btnExportQuestions, btnClose})
        commands->addWidget(b);

    auto* column = new QVBoxLayout(this);
    column->addLayout(filters);
    column->addWidget(tvList, 1);
    column->addLayout(remark);
    column->addLayout(commands);
}

void TFrmGather::arrange(bool compact)
{
    // The practice screen's size: centred over this window, it covers it whole.
    setFixedSize(compact ? QSize(780, 490) : QSize(923, 585));
    m_band = ui::frameBand(compact);
    ui::arrangeFramedLayout(*this, m_band, compact);
    tvList->header()->setFont(ui::songFont(compact ? 12 : 13, true));
    lblCount->setFont(ui::songFont(compact ? 13 : 14, true));
    const int buttonW = compact ? 86 : 100, buttonH = compact ? 30 : 34;
    for (auto* b : {btnPractise, btnRemove, btnExport, btnExportQuestions, btnClose}) {
        b->setFont(ui::songFont(compact ? 13 : 15, true));
        b->setFixedSize(std::max(buttonW, b->sizeHint().width()), buttonH);
    }
    const std::array<int, 5> widths = compact ? std::array<int, 5>{166, 52, 68, 90, 104} : std::array<int, 5>{170, 80, 80, 104, 140};
    for (int c = 0; c < int(widths.size()); ++c)
        tvList->setColumnWidth(c, widths[size_t(c)]);
}

void TFrmGather::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        reload();
        ui::centreWindow(this, parentWidget());
        tvList->setFocus();
    }
}

void TFrmGather::reload()
{
    guard::run(kCannotRead, [this] {
        ui::WaitCursor wait;
        store::Connection& db = DM1->db();
        m_rows = m_mode == Mode::WrongBook ? search::wrongBook(db) : search::bookmarks(db);
        search::addDetails(db, m_rows);
        m_typeNames = search::typeNames(db);
        fillFilters();
        showList();
    });
}

// The filters offer the types and exam points the list holds; a choice still on offer stays.
void TFrmGather::fillFilters()
{
    const int type = cbType->currentData().toInt();
    const QString point = cbPoint->currentData().toString();
    QSet<int> types;
    QStringList points;
    for (const search::Gathered& g : m_rows) {
        types.insert(g.type);
        for (const QString& p : g.points)
            if (!points.contains(p))
                points << p;
    }
    cbType->clear();
    cbType->addItem(QStringLiteral("全部题型"), 0);
    QList<int> sortedTypes(types.begin(), types.end());
    std::sort(sortedTypes.begin(), sortedTypes.end());
    for (int t : sortedTypes)
        cbType->addItem(m_typeNames.value(t, QString::number(t)), t);
    cbType->setCurrentIndex(std::max(0, cbType->findData(type)));

    points.sort();
    const QMap<QString, QString> names = search::pointNames(DM1->db(), points);
    cbPoint->clear();
    cbPoint->addItem(QStringLiteral("全部考点"), QString());
    for (const QString& p : points)
        cbPoint->addItem(names.value(p), p);
    cbPoint->setCurrentIndex(std::max(0, cbPoint->findData(point)));
}

void TFrmGather::showList()
{
    // The row the candidate was on stays current where it is still listed.
    QString key;
    if (const QTreeWidgetItem* current = currentRow())
        key = current->data(0, kKeyRole).toString();

    search::ListFilter filter;
    filter.type = cbType->currentData().toInt();
    filter.point = cbPoint->currentData().toString();
    QList<search::Gathered> rows = search::filtered(m_rows, filter);
    search::sortRows(rows, search::SortKey(cbSort->currentData().toInt()));
    m_groups = search::groupByChapter(DM1->db(), rows);

    tvList->clear();
    QFont groupFont = tvList->font();
    groupFont.setBold(true);
    auto groupItem = [&](QTreeWidgetItem* item, Kind kind, const QString& code, const QString& name, int count) {
        item->setText(ColId, QStringLiteral("%1（%2题）").arg(name.isEmpty() ? code : name).arg(count));
        item->setData(0, kKindRole, kind);
        item->setData(0, kKeyRole, code);
        item->setFont(ColId, groupFont);
        if (kind == Chapter)
            item->setForeground(ColId, ui::kNoteText);
        item->setFirstColumnSpanned(true);
    };
    for (const search::PartGroup& part : m_groups) {
        auto* partItem = new QTreeWidgetItem(tvList);
        groupItem(partItem, Part, part.code, part.name, part.count());
        for (const search::ChapterGroup& chapter : part.chapters) {
            auto* chapterItem = new QTreeWidgetItem(partItem);
            groupItem(chapterItem, Chapter, chapter.code, chapter.name, int(chapter.rows.size()));
            for (const search::Gathered& g : chapter.rows) {
                auto* item = new QTreeWidgetItem(chapterItem);
                const QString type = m_typeNames.value(g.type, QString::number(g.type));
                item->setText(ColId, g.id);
                item->setText(ColType, type);
                item->setText(ColWrong, QString::number(g.wrongCount));
                item->setTextAlignment(ColWrong, Qt::AlignCenter);
                item->setText(ColDate, dateText(g.lastAnswered));
                item->setText(ColRemark, g.remark);
                item->setText(ColExcerpt, g.excerpt);
                item->setToolTip(ColExcerpt, g.excerpt);
                item->setData(0, kKindRole, Question);
                item->setData(0, kKeyRole, g.id);
                // A screen reader reads the row cell by cell: each figure with its heading's words.
                item->setData(ColWrong, Qt::AccessibleTextRole, QStringLiteral("错误%1次").arg(g.wrongCount));
                item->setData(ColDate, Qt::AccessibleTextRole, QStringLiteral("最近作答") + dateText(g.lastAnswered));
                if (m_mode == Mode::Bookmarks)
                    setSpokenRemark(item, g.remark);
            }
        }
    }
    tvList->expandAll();

    int shown = 0;
    for (const search::PartGroup& part : m_groups)
        shown += part.count();
    const QString count = QStringLiteral("共 %1 题").arg(shown);
    lblCount->setText(count);
    ui::setName(lblCount, count);
    QString empty;
    if (shown == 0 && !m_rows.isEmpty())
        empty = QStringLiteral("没有符合筛选条件的题目。");
    else if (shown == 0 && m_mode == Mode::WrongBook)
        empty = QStringLiteral("错题本里还没有题目。\n练习和考试中答错的题会收进这里，答对到掌握后移出。");
    else if (shown == 0)
        empty = QStringLiteral("还没有收藏的题目。\n练习或查阅试卷时按“☆ 收藏本题”（Ctrl+D）收藏。");
    lblEmpty->setText(empty);
    lblEmpty->setVisible(!empty.isEmpty());
    // A screen reader hears it with the list.
    ui::setDescription(tvList, empty.simplified());

    m_pendingKey.clear();
    if (key.isEmpty() || !findRow(key))
        key = tvList->topLevelItemCount() > 0 ? tvList->topLevelItem(0)->data(0, kKeyRole).toString() : QString();
    // A current row set while the list has no focus makes a screen reader leave the
    // control in use (a filter) for the list: the row becomes current when the list
    // gets the focus, and stands for it until then.
    if (!tvList->hasFocus() && isVisible())
        m_pendingKey = key;
    else if (!selectQuestion(key))
        selectGroup(key);
    updateCommands();
}

void TFrmGather::updateCommands()
{
    const bool any = !m_groups.isEmpty();
    const QTreeWidgetItem* current = currentRow();
    btnPractise->setEnabled(any);
    btnExport->setEnabled(any);
    btnExportQuestions->setEnabled(any);
    btnRemove->setEnabled(any && (current || !tvList->selectedItems().isEmpty()));
    const bool onQuestion = current && current->data(0, kKindRole).toInt() == Question;
    const QString remark = onQuestion ? current->text(ColRemark) : QString();
    if (edRemark->text() != remark && !edRemark->hasFocus())
        edRemark->setText(remark);
    edRemark->setEnabled(m_mode == Mode::Bookmarks && onQuestion);
}

QStringList TFrmGather::shownIds() const
{
    QStringList out;
    for (const search::PartGroup& part : m_groups)
        out << part.ids();
    return out;
}

QTreeWidgetItem* TFrmGather::findRow(const QString& key) const
{
    for (QTreeWidgetItemIterator it(tvList); *it; ++it)
        if ((*it)->data(0, kKeyRole).toString() == key)
            return *it;
    return nullptr;
}

QTreeWidgetItem* TFrmGather::currentRow() const
{
    if (QTreeWidgetItem* current = tvList->currentItem())
        return current;
    return m_pendingKey.isEmpty() ? nullptr : findRow(m_pendingKey);
}

bool TFrmGather::selectQuestion(const QString& id)
{
    m_pendingKey.clear();
    for (QTreeWidgetItemIterator it(tvList); *it; ++it)
        if ((*it)->data(0, kKindRole).toInt() == Question && (*it)->data(0, kKeyRole).toString() == id) {
            tvList->setCurrentItem(*it);
            tvList->scrollToItem(*it);
            return true;
        }
    return false;
}

bool TFrmGather::selectGroup(const QString& code)
{
    m_pendingKey.clear();
    for (QTreeWidgetItemIterator it(tvList); *it; ++it)
        if ((*it)->data(0, kKindRole).toInt() != Question && (*it)->data(0, kKeyRole).toString() == code) {
            tvList->setCurrentItem(*it);
            tvList->scrollToItem(*it);
            return true;
        }
    return false;
}

// The questions of the selected rows: a group's row stands for all its questions.
QStringList TFrmGather::selectedQuestionIds() const
{
    QList<QTreeWidgetItem*> items = tvList->selectedItems();
    if (items.isEmpty() && currentRow())
        items << currentRow();
    QStringList out;
    const std::function<void(const QTreeWidgetItem*)> collect = [&](const QTreeWidgetItem* item) {
        if (item->data(0, kKindRole).toInt() == Question) {
            const QString id = item->data(0, kKeyRole).toString();
            if (!out.contains(id))
                out << id;
            return;
        }
        for (int i = 0; i < item->childCount(); ++i)
            collect(item->child(i));
    };
    for (const QTreeWidgetItem* item : items)
        collect(item);
    return out;
}

void TFrmGather::practiseSelected()
{
    if (m_groups.isEmpty())
        return;
    // The current row's part or chapter (a question's row: its chapter), or every group.
    QString code;
    if (const QTreeWidgetItem* current = currentRow()) {
        const QTreeWidgetItem* group = current->data(0, kKindRole).toInt() == Question ? current->parent() : current;
        code = group->data(0, kKeyRole).toString();
    }
    practice::GatheredSet set;
    set.caption = caption();
    set.heading = caption() + QStringLiteral(" > 全部");
    set.source = m_mode == Mode::WrongBook ? review::Source::WrongRedo : review::Source::ChapterPractice;
    for (const search::PartGroup& part : m_groups) {
        if (code.isEmpty() || code == part.code) {
            set.ids << part.ids();
            if (!code.isEmpty())
                set.heading = caption() + QStringLiteral(" > ") + part.name;
            continue;
        }
        for (const search::ChapterGroup& chapter : part.chapters)
            if (chapter.code == code) {
                for (const search::Gathered& g : chapter.rows)
                    set.ids << g.id;
                set.heading = caption() + QStringLiteral(" > ") + part.name + QStringLiteral(" > ") + chapter.name;
            }
    }
    if (set.ids.isEmpty())
        return;
    guard::run(QStringLiteral("无法开始练习！"), [&] { practice::practiseQuestions(this, set); });
    // Answers move questions in and out of the book; the list shows where they stand now.
    reload();
    raise();
    activateWindow();
    tvList->setFocus();
}

void TFrmGather::removeSelected()
{
    const QStringList ids = selectedQuestionIds();
    if (ids.isEmpty())
        return;
    const QString question = m_mode == Mode::WrongBook
                               ? QStringLiteral("确定将选中的 %1 道题移出错题本吗？").arg(ids.size())
                               : QStringLiteral("确定取消选中的 %1 道题的收藏吗？").arg(ids.size());
    if (ShowPrompt(QStringLiteral("提示"), question, prompt::Mode::OkCancel, prompt::Page::Warning) != 1)
        return;
    const bool done = guard::run(m_mode == Mode::WrongBook ? QStringLiteral("无法移出错题本！") : QStringLiteral("无法取消收藏！"), [&] {
        store::Connection& db = DM1->db();
        store::Transaction t(db);
        for (const QString& id : ids) {
            if (m_mode == Mode::WrongBook)
                search::removeFromBook(db, id);
            else
                search::removeBookmark(db, id);
        }
        t.commit();
    });
    if (done)
        reload();
    tvList->setFocus();
}

void TFrmGather::saveRemark()
{
    QTreeWidgetItem* current = currentRow();
    if (m_mode != Mode::Bookmarks || !current || current->data(0, kKindRole).toInt() != Question)
        return;
    const QString id = current->data(0, kKeyRole).toString();
    const QString remark = edRemark->text().trimmed();
    if (remark == current->text(ColRemark))
        return;
    guard::run(QStringLiteral("无法保存备注！"), [&] {
        search::setBookmarkRemark(DM1->db(), id, remark);
        for (search::Gathered& g : m_rows)
            if (g.id == id)
                g.remark = remark;
        for (search::PartGroup& part : m_groups)
            for (search::ChapterGroup& chapter : part.chapters)
                for (search::Gathered& g : chapter.rows)
                    if (g.id == id)
                        g.remark = remark;
        current->setText(ColRemark, remark);
        setSpokenRemark(current, remark);
    });
}

void TFrmGather::exportList()
{
    QList<exam::QuestionSection> sections;
    for (const search::PartGroup& part : m_groups)
        for (const search::ChapterGroup& chapter : part.chapters) {
            exam::QuestionSection s{part.name + QStringLiteral(" > ") + chapter.name, {}};
            for (const search::Gathered& g : chapter.rows)
                s.ids << g.id;
            sections << s;
        }
    if (sections.isEmpty())
        return;
    guard::run(QStringLiteral("无法生成文档！"), [&] { exam::ExportQuestionList(this, DM1->db(), caption(), sections); });
}

void TFrmGather::exportQuestionFile()
{
    const QStringList ids = shownIds();
    if (ids.isEmpty())
        return;
    // The book's questions also make a flash-card file to learn from.
    guard::run(QStringLiteral("无法导出试题！"),
               [&] { authoring::exportQuestions(this, ids, caption(), m_mode == Mode::WrongBook); });
}

bool TFrmGather::eventFilter(QObject* watched, QEvent* event)
{
    // Delete on the list takes the selected questions out, as the button does.
    if (watched == tvList && event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        removeSelected();
        return true;
    }
    if (watched == tvList && event->type() == QEvent::FocusIn && !m_pendingKey.isEmpty()) {
        const QString key = m_pendingKey;
        if (!selectQuestion(key))
            selectGroup(key);
    }
    return QDialog::eventFilter(watched, event);
}

void TFrmGather::paintEvent(QPaintEvent* event)
{
    QDialog::paintEvent(event);
    QPainter p(this);
    ui::paintWindowFrame(p, *this, m_band);
}

void openWrongBook(QWidget* parent)
{
    TFrmGather screen(TFrmGather::Mode::WrongBook, parent);
    screen.exec();
}

void openBookmarks(QWidget* parent)
{
    TFrmGather screen(TFrmGather::Mode::Bookmarks, parent);
    screen.exec();
}

} // namespace gather
