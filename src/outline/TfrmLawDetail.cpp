#include "outline/TfrmLawDetail.h"

#include "core/outline/OutlineRules.h"
#include "core/store/Dataset.h"
#include "ui/RichTextView.h"
#include "ui/Style.h"

#include <QEvent>
#include <QLabel>
#include <QListWidget>
#include <QSignalBlocker>
#include <QSplitter>
#include <QVBoxLayout>

namespace {
constexpr int kListWidth = 388;
constexpr int kHandleWidth = 3;
constexpr int kNoteHeight = 28;
constexpr int kTextPx = 16;
} // namespace

TfrmLawDetail::TfrmLawDetail(bool compact, QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("TfrmLawDetail"));
    setAccessibleName(QStringLiteral("考点详情"));

    Splitter1 = new QSplitter(Qt::Horizontal, this);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    Splitter1->setHandleWidth(kHandleWidth);
    Splitter1->setChildrenCollapsible(false);

    m_LBmenu = new QListWidget(Splitter1);
    m_LBmenu->setObjectName(QStringLiteral("m_LBmenu"));
    m_LBmenu->setAccessibleName(QStringLiteral("考点列表"));
    m_LBmenu->setFont(ui::songFont(kTextPx));
    m_LBmenu->setMinimumWidth(120);
    m_LBmenu->setSpacing(2);

    auto* right = new QWidget(Splitter1);
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->setSpacing(2);
    Re = new ui::RichTextView(right);
    Re->setObjectName(QStringLiteral("Re"));
    Re->setAccessibleName(QStringLiteral("考点内容"));
    Re->setFont(ui::songFont(kTextPx));
    Re->setMinimumWidth(160);
    m_pNote = new QLabel(right);
    m_pNote->setObjectName(QStringLiteral("m_pNote"));
    m_pNote->setAccessibleName(QStringLiteral("考点统计"));
    m_pNote->setTextFormat(Qt::PlainText);
    m_pNote->setFixedHeight(kNoteHeight);
    m_noteBasePx = compact ? 12 : 13;
    m_pNote->setFont(ui::songFont(m_noteBasePx));
    m_pNote->installEventFilter(this);
    m_pNote->setStyleSheet(QStringLiteral("QLabel { color: %1; background: %2; border: 1px solid %3; padding-left: 4px; }")
                               .arg(ui::kNoteText.name(), ui::kNoteFace.name(), ui::kNoteFrame.name()));
    rightLayout->addWidget(Re, 1);
    rightLayout->addWidget(m_pNote);

    Splitter1->addWidget(m_LBmenu);
    Splitter1->addWidget(right);
    Splitter1->setStretchFactor(1, 1);
    Splitter1->setSizes({kListWidth, 1000});

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Splitter1);

    connect(m_LBmenu, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0)
            Q_EMIT pointChosen(row);
    });
    setTabOrder(m_LBmenu, Re);
}

TfrmLawDetail::~TfrmLawDetail()
{
    unbind();
}

void TfrmLawDetail::fill(store::Dataset* points)
{
    const QSignalBlocker quiet(m_LBmenu);
    m_LBmenu->clear();
    const int n = points && points->isOpen() ? points->recordCount() : 0;
    for (int i = 0; i < n; ++i)
        m_LBmenu->addItem(outline::pointEntry(points->valueAt(i, QStringLiteral("sn")).toString(),
                                              points->valueAt(i, QStringLiteral("q")).toLongLong()));
    if (n == 0) {
        unbind();
        Re->clear();
        setNote(QStringLiteral("此节点下暂无考点。"));
        return;
    }
    m_LBmenu->setCurrentRow(0);
    points->first();
    Re->bind(points, QStringLiteral("n"));
}

void TfrmLawDetail::unbind()
{
    Re->bind(nullptr, QString());
}

void TfrmLawDetail::setNote(const QString& text)
{
    m_pNote->setText(text);
    m_pNote->setToolTip(text);
    fitNote();
}

void TfrmLawDetail::fitNote()
{
    // Large counters or a narrow viewer: a smaller face rather than a cut line.
    const int room = m_pNote->contentsRect().width() - 8;
    int px = m_noteBasePx;
    while (px > 9 && QFontMetrics(ui::songFont(px)).horizontalAdvance(m_pNote->text()) > room)
        --px;
    if (m_pNote->font().pixelSize() != px)
        m_pNote->setFont(ui::songFont(px));
}

bool TfrmLawDetail::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_pNote && event->type() == QEvent::Resize)
        fitNote();
    return QWidget::eventFilter(watched, event);
}
