#include "question/TfrmAnswFagui.h"

#include "core/outline/PointRules.h"
#include "common/Guard.h"
#include "core/store/DataModule.h"
#include "core/store/Dataset.h"
#include "ui/CommandButton.h"
#include "ui/RichTextView.h"
#include "ui/Screen.h"
#include "ui/Style.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QLoggingCategory>
#include <QShowEvent>
#include <QSplitter>
#include <QVBoxLayout>

Q_LOGGING_CATEGORY(lcPoints, "tesvora.outline.points", QtWarningMsg)

namespace {

struct Arrangement {
    QSize client;
    int listWidth;
};
constexpr Arrangement kFull{{917, 585}, 260};
constexpr Arrangement kCompact{{657, 421}, 185};

} // namespace

TfrmAnswFagui::TfrmAnswFagui(QWidget* parent)
    : QDialog(parent)
    , m_points(std::make_unique<store::Dataset>(&DM1->db()))
{
    setObjectName(QStringLiteral("TfrmAnswFagui"));
    setWindowTitle(QStringLiteral("相关考点"));
    setFont(ui::songFont());
    setModal(true);
    ui::usePanelBackground(this);

    epLabel1 = new QLabel(QStringLiteral("考点："), this);
    epLabel1->setObjectName(QStringLiteral("epLabel1"));
    epLabel1->setFont(ui::songFont(14, true));
    epLabel1->setTextFormat(Qt::PlainText);
    epLabel1->setAccessibleName(QStringLiteral("考点所属章节"));

    Splitter1 = new QSplitter(Qt::Horizontal, this);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    Splitter1->setChildrenCollapsible(false);

    ListBox1 = new QListWidget(Splitter1);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->setAccessibleName(QStringLiteral("考点"));
    ListBox1->setFont(ui::songFont(14));

    Re = new ui::RichTextView(Splitter1);
    Re->setObjectName(QStringLiteral("Re"));
    Re->setAccessibleName(QStringLiteral("考点内容"));
    Re->setReadOnly(true);
    Splitter1->setStretchFactor(1, 1);

    epEfTrBtn1 = new ui::CommandButton(QStringLiteral("关  闭"), this);
    epEfTrBtn1->setObjectName(QStringLiteral("epEfTrBtn1"));
    epEfTrBtn1->setAccessibleName(QStringLiteral("关闭"));
    epEfTrBtn1->setFramed(true);
    epEfTrBtn1->setFixedSize(88, 26);
    connect(epEfTrBtn1, &QAbstractButton::clicked, this, &QDialog::accept);

    // Clicks and keyboard moves alike make the entry's point current.
    connect(ListBox1, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0)
            ListBox1Click(row);
    });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addWidget(epLabel1);
    layout->addWidget(Splitter1, 1);
    layout->addWidget(epEfTrBtn1, 0, Qt::AlignHCenter);

    const Arrangement& a = ui::compactLayout() ? kCompact : kFull;
    resize(a.client);
    Splitter1->setSizes({a.listWidth, a.client.width() - a.listWidth});
}

TfrmAnswFagui::~TfrmAnswFagui()
{
    Re->bind(nullptr, QString());
}

bool TfrmAnswFagui::load(const QString& questionId)
{
    m_listbox = outline::questionPointIds(DM1->db(), questionId);
    return !m_listbox.isEmpty();
}

void TfrmAnswFagui::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    ui::centreWindow(this);
    FormShow();
}

void TfrmAnswFagui::FormShow()
{
    guard::run(QStringLiteral("无法读取本题的考点！"), [this] {
        outline::openPoints(*m_points, m_listbox);
        const QSignalBlocker quiet(ListBox1);
        ListBox1->clear();
        for (int i = 0; i < m_points->recordCount(); ++i)
            ListBox1->addItem(m_points->valueAt(i, QStringLiteral("sn")).toString());
        m_points->first();
        Re->bind(m_points.get(), QStringLiteral("n"));
        showNodeOf(m_points->text(QStringLiteral("id")));
        if (ListBox1->count() > 0)
            ListBox1->setCurrentRow(0);
    });
    ListBox1->setFocus();
}

void TfrmAnswFagui::ListBox1Click(int row)
{
    if (!m_points->moveTo(row + 1))
        return;
    // The node of the point itself: another point may carry the same title.
    showNodeOf(m_points->text(QStringLiteral("id")));
}

void TfrmAnswFagui::showNodeOf(const QString& nodeId)
{
    QString name;
    try {
        name = outline::nodeName(DM1->db(), nodeId);
    } catch (const store::DbError& e) {
        // The node line stays empty; the point itself is still shown.
        qCWarning(lcPoints).noquote() << "node of point" << nodeId << "--" << e.message();
    }
    epLabel1->setText(name);
}
