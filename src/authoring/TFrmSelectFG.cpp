#include "authoring/TFrmSelectFG.h"

#include "core/authoring/AuthoringRules.h"
#include "common/Guard.h"
#include "common/Prompt.h"
#include "core/store/DataModule.h"
#include "ui/CommandButton.h"
#include "ui/Screen.h"
#include "ui/Style.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <algorithm>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QShowEvent>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {

constexpr QSize kClient{528, 400};

QLabel* pageTitle(const QString& text, QWidget* parent)
{
    auto* title = new QLabel(text, parent);
    title->setAlignment(Qt::AlignCenter);
    title->setFont(ui::songFont(18, true));
    QPalette pal = title->palette();
    pal.setColor(QPalette::WindowText, ui::kTitleStripDark);
    title->setPalette(pal);
    return title;
}

ui::CommandButton* command(const QString& name, const QString& caption, QWidget* parent)
{
    auto* b = new ui::CommandButton(caption, parent);
    b->setObjectName(name);
    b->setFramed(true);
    b->setFont(ui::songFont(14));
    b->setFixedSize(88, 28);
    return b;
}

} // namespace

TFrmSelectFG::TFrmSelectFG(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("TFrmSelectFG"));
    setWindowTitle(QStringLiteral("欢迎"));
    setModal(true);
    setFont(ui::songFont(14));
    ui::usePanelBackground(this);

    Notebook1 = new QStackedWidget(this);
    Notebook1->setObjectName(QStringLiteral("Notebook1"));

    // Selection page.
    auto* selection = new QWidget(Notebook1);
    ComboBox1 = new QComboBox(selection);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setAccessibleName(QStringLiteral("考点"));
    ComboBox1->setMaxVisibleItems(16);
    ComboBox2 = new QComboBox(selection);
    ComboBox2->setObjectName(QStringLiteral("ComboBox2"));
    ComboBox2->hide();
    CheckListBox1 = new QListWidget(selection);
    CheckListBox1->setObjectName(QStringLiteral("CheckListBox1"));
    CheckListBox1->setAccessibleName(QStringLiteral("条文"));
    CheckListBox1->setAccessibleDescription(QStringLiteral("空格键勾选或取消考点"));
    CheckListBox2 = new QListWidget(selection);
    CheckListBox2->setObjectName(QStringLiteral("CheckListBox2"));
    CheckListBox2->hide();
    epEfButton1 = command(QStringLiteral("epEfButton1"), QStringLiteral("确定"), selection);
    epEfButton2 = command(QStringLiteral("epEfButton2"), QStringLiteral("关闭"), selection);
    epEfButton1->setDefault(true);

    auto* nodeLabel = new QLabel(QStringLiteral("考点："), selection);
    nodeLabel->setBuddy(ComboBox1);
    auto* pointLabel = new QLabel(QStringLiteral("条文："), selection);
    pointLabel->setBuddy(CheckListBox1);
    auto* sel = new QVBoxLayout(selection);
    sel->setContentsMargins(12, 8, 12, 10);
    sel->addWidget(pageTitle(QStringLiteral("考 点 选 择"), selection));
    auto* nodeRow = new QHBoxLayout;
    nodeRow->addWidget(nodeLabel);
    nodeRow->addWidget(ComboBox1, 1);
    sel->addLayout(nodeRow);
    sel->addWidget(pointLabel);
    sel->addWidget(CheckListBox1, 1);
    emptyHint = new QLabel(QStringLiteral("此处没有考点，请在上面选择下一级的节。"), selection);
    emptyHint->setObjectName(QStringLiteral("emptyHint"));
    emptyHint->hide();
    sel->addWidget(emptyHint);
    auto* selButtons = new QHBoxLayout;
    selButtons->addStretch(1);
    selButtons->addWidget(epEfButton1);
    selButtons->addSpacing(24);
    selButtons->addWidget(epEfButton2);
    selButtons->addStretch(1);
    sel->addLayout(selButtons);
    Notebook1->addWidget(selection);

    // Usage-notes page.
    auto* notes = new QWidget(Notebook1);
    Memo1 = new QPlainTextEdit(notes);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setAccessibleName(QStringLiteral("使用说明"));
    Memo1->setReadOnly(true);
    Memo1->setPlainText(usageNotes().join(QLatin1Char('\n')));
    // The notes come in fixed lines: kept whole, they fit the page at this size.
    Memo1->setFont(ui::songFont(13));
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    epEfButton3 = command(QStringLiteral("epEfButton3"), QStringLiteral("关闭"), notes);
    auto* notesLayout = new QVBoxLayout(notes);
    notesLayout->setContentsMargins(12, 8, 12, 10);
    notesLayout->addWidget(pageTitle(QStringLiteral("使 用 说 明"), notes));
    notesLayout->addWidget(Memo1, 1);
    notesLayout->addWidget(epEfButton3, 0, Qt::AlignHCenter);
    Notebook1->addWidget(notes);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Notebook1);
    setFixedSize(kClient);

    connect(ComboBox1, &QComboBox::activated, this,
            guard::slot(QStringLiteral("无法读取考点"), [this](int index) { ComboBox1Change(index); }));
    connect(CheckListBox1, &QListWidget::itemChanged, this, &TFrmSelectFG::CheckListBox1ClickCheck);
    connect(epEfButton1, &QAbstractButton::clicked, this, &TFrmSelectFG::epEfButton1Click);
    connect(epEfButton2, &QAbstractButton::clicked, this, &QDialog::reject);
    connect(epEfButton3, &QAbstractButton::clicked, this, &QDialog::reject);
}

QStringList TFrmSelectFG::usageNotes()
{
    return {
        QStringLiteral("使用方法如下："),
        QStringLiteral("   首先将试题的内容填写在试题内容框内，这是必须填写项，如果试题有对应的"),
        QStringLiteral("讲解，请把内容填写进解析框内。"),
        QStringLiteral("   然后选择或录入待选答案的个数，主要是选择题，例如试题："),
        QStringLiteral("   7月有几天？"),
        QStringLiteral("   A. 30"),
        QStringLiteral("   B. 28"),
        QStringLiteral("   C. 31"),
        QStringLiteral("   这里的待选答案是A B C，共为3个，也就是我们这里的待选答案个数为3。"),
        QStringLiteral("   接下来填入答案："),
        QStringLiteral("   如果是单选，例如上面的试题，就填写C；"),
        QStringLiteral("   如果是多选把答案直接填入框内。例如答案是ABD那么答案框内就写ABD；"),
        QStringLiteral("   如果是判断题则答案正确填写A，答案错误填写B；"),
        QStringLiteral("   如果试题是主观题，则把实际答案同解析内容一起填入解析栏中。答案框中自"),
        QStringLiteral("动填写1；"),
    };
}

void TFrmSelectFG::setPage(Page page)
{
    Notebook1->setCurrentIndex(int(page));
}

TFrmSelectFG::Page TFrmSelectFG::page() const
{
    return Page(Notebook1->currentIndex());
}

void TFrmSelectFG::setChosen(const QStringList& pointIds)
{
    m_chosen = pointIds;
}

void TFrmSelectFG::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    ui::centreWindow(this, parentWidget());
    if (page() == Page::Selection && !m_filled) {
        m_filled = true;
        guard::run(QStringLiteral("无法读取考点"), [this] { FormShow(); });
        CheckListBox1->setFocus();
    } else if (page() == Page::UsageNotes) {
        epEfButton3->setFocus();
    }
}

void TFrmSelectFG::FormShow()
{
    ComboBox1->clear();
    ComboBox2->clear();
    for (const authoring::OutlineNode& node : authoring::readPickerNodes(DM1->db())) {
        // Sections indented under their top nodes; the name itself is the item's data.
        ComboBox1->addItem(node.id.size() == 6 ? QStringLiteral("\u3000\u3000") + node.name : node.name, node.name);
        ComboBox2->addItem(node.id);
    }
    if (ComboBox1->count() == 0) {
        CheckListBox1->clear();
        CheckListBox2->clear();
        return;
    }
    // Headings hold no points of their own: start on the first node that has some.
    int first = 0;
    for (int i = 0; i < ComboBox2->count(); ++i)
        if (!authoring::readNodePoints(DM1->db(), ComboBox2->itemText(i)).empty()) {
            first = i;
            break;
        }
    ComboBox1->setCurrentIndex(first);
    ComboBox1Change(first);
}

void TFrmSelectFG::loadPoints(const QString& nodeId)
{
    const QSignalBlocker quiet(CheckListBox1);
    CheckListBox1->clear();
    CheckListBox2->clear();
    for (const authoring::ExamPoint& p : authoring::readNodePoints(DM1->db(), nodeId)) {
        // Ticks made on other nodes are kept and shown again here.
        const bool picked = std::any_of(m_picked.begin(), m_picked.end(), [&](const Pick& k) { return k.ftid == p.ftid; });
        auto* visible = new QListWidgetItem(p.title, CheckListBox1);
        visible->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        // Points the question already has show ticked; they are not picked again.
        visible->setCheckState(picked || m_chosen.contains(p.ftid) ? Qt::Checked : Qt::Unchecked);
        auto* pick = new QListWidgetItem(p.ftid, CheckListBox2);
        pick->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        pick->setCheckState(picked ? Qt::Checked : Qt::Unchecked);
    }
    emptyHint->setVisible(CheckListBox1->count() == 0);
    if (CheckListBox1->count() > 0)
        CheckListBox1->setCurrentRow(0);
}

void TFrmSelectFG::ComboBox1Change(int index)
{
    if (index < 0 || index >= ComboBox2->count())
        return;
    ComboBox2->setCurrentIndex(index);
    loadPoints(ComboBox2->itemText(index));
}

void TFrmSelectFG::CheckListBox1ClickCheck(QListWidgetItem* item)
{
    const int row = CheckListBox1->row(item);
    if (row < 0 || row >= CheckListBox2->count())
        return;
    QListWidgetItem* pick = CheckListBox2->item(row);
    pick->setCheckState(item->checkState());
    const QString ftid = pick->text();
    std::erase_if(m_picked, [&](const Pick& k) { return k.ftid == ftid; });
    if (item->checkState() == Qt::Checked && !m_chosen.contains(ftid))
        m_picked.push_back({ftid, item->text(), ComboBox1->currentData().toString()});
}

void TFrmSelectFG::epEfButton1Click()
{
    // Every new tick counts, on whichever node it was made.
    const int ticked = int(m_picked.size());
    const authoring::PickVerdict verdict = authoring::checkPick(int(m_chosen.size()), ticked);
    if (verdict != authoring::PickVerdict::Accept) {
        prompt::messageBox(prompt::Icon::Information, QStringLiteral("提示"), authoring::pickVerdictText(verdict, int(m_chosen.size())));
        return;
    }
    accept();
}

std::vector<TFrmSelectFG::Pick> TFrmSelectFG::picks() const
{
    return m_picked;
}
