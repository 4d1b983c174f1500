#include "question/TFrmJx.h"

#include "core/store/Dataset.h"
#include "ui/CommandButton.h"
#include "ui/RichTextView.h"
#include "ui/Screen.h"
#include "ui/Style.h"

#include <QShowEvent>
#include <QVBoxLayout>

namespace {
constexpr QSize kSize{596, 359};
} // namespace

TFrmJx::TFrmJx(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("TFrmJx"));
    setWindowTitle(QStringLiteral("解析"));
    setFont(ui::songFont());
    setModal(true);
    resize(kSize);
    ui::usePanelBackground(this);

    Re = new ui::RichTextView(this);
    Re->setObjectName(QStringLiteral("Re"));
    Re->setAccessibleName(QStringLiteral("解析"));
    Re->setReadOnly(true);

    Button1 = new ui::CommandButton(QStringLiteral("关闭"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setFramed(true);
    Button1->setFixedSize(88, 26);
    connect(Button1, &QAbstractButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addWidget(Re, 1);
    layout->addWidget(Button1, 0, Qt::AlignHCenter);
}

bool TFrmJx::bind(store::Dataset* dataset, const QString& column)
{
    if (dataset && dataset->isOpen() && dataset->hasColumn(column)) {
        try {
            Re->bind(dataset, column);
            return true;
        } catch (const std::exception&) {
        }
    }
    Re->bind(nullptr, QString());
    Re->setRichText({});
    return false;
}

void TFrmJx::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    ui::centreWindow(this);
    Re->setReadOnly(true);
    Button1->setFocus();
}
