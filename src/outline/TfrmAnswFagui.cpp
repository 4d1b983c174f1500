#include "outline/TfrmAnswFagui.h"

#include "shell/AppState.h"
#include "shell/Prompt.h"
#include "store/DataModule.h"
#include "store/Dataset.h"
#include "ui/CommandButton.h"
#include "ui/RichTextView.h"
#include "ui/Style.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QScreen>
#include <QShowEvent>
#include <QSplitter>
#include <QVBoxLayout>

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
    QPalette face = palette();
    face.setColor(QPalette::Window, ui::kPanelBackground);
    setPalette(face);

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

    const Arrangement& a = app::ScreenSizeTag == QLatin1String("800") ? kCompact : kFull;
    resize(a.client);
    Splitter1->setSizes({a.listWidth, a.client.width() - a.listWidth});
}

TfrmAnswFagui::~TfrmAnswFagui()
{
    Re->bind(nullptr, QString());
}

bool TfrmAnswFagui::load(const QString& questionId)
{
    const store::Rows rows = DM1->db().query(
        QStringLiteral("select k3,k4,k5,k6,k7,k8,k9,k10,k11,k12 from tab_answ where a1=:a1"), {{QStringLiteral(":a1"), questionId}});
    if (rows.empty())
        return false;
    m_listbox.clear();
    for (const QVariant& k : rows.values.front())
        if (!k.isNull() && !k.toString().isEmpty())
            m_listbox << k.toString();
    return !m_listbox.isEmpty();
}

void TfrmAnswFagui::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    FormShow();
}

void TfrmAnswFagui::FormShow()
{
    QStringList marks;
    for (int i = 0; i < m_listbox.size(); ++i)
        marks << QStringLiteral(":p%1").arg(i);
    try {
        m_points->close();
        m_points->setSql(QStringLiteral("select id,n,sn from tab_rule where ftid in(") + marks.join(QLatin1Char(','))
                         + QLatin1Char(')'));
        for (int i = 0; i < m_listbox.size(); ++i)
            m_points->setParam(marks[i], m_listbox[i]);
        m_points->open();

        const QSignalBlocker quiet(ListBox1);
        ListBox1->clear();
        for (int i = 0; i < m_points->recordCount(); ++i)
            ListBox1->addItem(m_points->valueAt(i, QStringLiteral("sn")).toString());
        m_points->first();
        Re->bind(m_points.get(), QStringLiteral("n"));
        showNodeOf(m_points->text(QStringLiteral("id")));
        if (ListBox1->count() > 0)
            ListBox1->setCurrentRow(0);
    } catch (const store::DbError& e) {
        prompt::error(QStringLiteral("无法读取本题的考点：%1").arg(e.message()));
    }
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
        const store::Rows node = DM1->db().query(QStringLiteral("select * from tab_fgmc where id=:id"),
                                                 {{QStringLiteral(":id"), nodeId}});
        if (!node.empty())
            name = node.at(0, QStringLiteral("n")).toString();
    } catch (const store::DbError&) {
        // The node line stays empty; the point itself is still shown.
    }
    epLabel1->setText(name);
}
