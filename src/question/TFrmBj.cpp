#include "question/TFrmBj.h"

#include "core/app/AppState.h"
#include "common/Guard.h"
#include "common/Prompt.h"
#include "core/store/Dataset.h"
#include "ui/CommandButton.h"
#include "ui/Screen.h"
#include "ui/Style.h"

#include <QLabel>
#include <QLoggingCategory>
#include <QPlainTextEdit>
#include <QShowEvent>
#include <QVBoxLayout>

Q_LOGGING_CATEGORY(lcNote, "tesvora.practice.note", QtWarningMsg)

namespace {
constexpr QSize kSize{392, 353};
} // namespace

TFrmBj::TFrmBj(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("TFrmBj"));
    setWindowTitle(QStringLiteral("笔记"));
    setAccessibleName(windowTitle());
    setFont(ui::songFont());
    setModal(true);
    resize(kSize);
    ui::usePanelBackground(this);

    DBMemo1 = new QPlainTextEdit(this);
    DBMemo1->setObjectName(QStringLiteral("DBMemo1"));
    DBMemo1->setAccessibleName(QStringLiteral("笔记"));
    DBMemo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    DBMemo1->setTabChangesFocus(true);
    DBMemo1->setFont(ui::songFont(14));

    Button1 = new ui::CommandButton(QStringLiteral("关  闭"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setFramed(true);
    Button1->setAccessibleName(QStringLiteral("关闭"));
    Button1->setFixedSize(88, 26);
    connect(Button1, &QAbstractButton::clicked, this, &QDialog::accept);

    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->hide();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addWidget(DBMemo1, 1);
    layout->addWidget(Button1, 0, Qt::AlignHCenter);
}

TFrmBj::~TFrmBj()
{
    // Never leave the caller's row in edit, whatever happened to this window.
    if (m_dataset && m_dataset->state() == store::Dataset::State::Edit)
        m_dataset->cancel();
}

bool TFrmBj::bind(store::Dataset* dataset, const QString& column)
{
    if (!dataset || !dataset->isOpen() || dataset->recNo() == 0)
        return false;
    try {
        dataset->edit();
        DBMemo1->setPlainText(dataset->text(column));
    } catch (const store::DbError&) {
        return false;
    }
    m_dataset = dataset;
    m_column = column;
    return true;
}

void TFrmBj::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    ui::centreWindow(this);
    // No input method is chosen by name: this platform has none under the names
    // the note editor asks for, so the desktop's current one stays.
    DBMemo1->setFocus();
    DBMemo1->moveCursor(QTextCursor::End);
}

void TFrmBj::done(int result)
{
    if (!saveNote())
        return;
    QDialog::done(result);
}

bool TFrmBj::saveNote()
{
    if (!m_dataset)
        return true;
    const QString text = DBMemo1->toPlainText();
    try {
        m_dataset->edit();
        // An untouched empty box leaves a missing note missing instead of ''.
        if (text != m_dataset->text(m_column))
            m_dataset->setValue(m_column, text);
        m_dataset->post();
    } catch (const store::DbError& e) {
        qCWarning(lcNote).noquote() << "saving the note --" << e.message();
        const QString why = guard::kindText(e.kind());
        const int choice = ShowPrompt(QStringLiteral("错误"),
                                      QStringLiteral("笔记未能保存。%1按“确定”回到笔记，按“取消”放弃本次修改并关闭。")
                                          .arg(why.isEmpty() ? QString() : why + QLatin1Char('\n')),
                                      prompt::Mode::OkCancel, prompt::Page::Error, prompt::Variant::No);
        if (choice != 2)
            return false;
        m_dataset->cancel();
        app::NoteHasText = !m_dataset->text(m_column).trimmed().isEmpty();
        return true;
    }
    app::NoteHasText = !text.trimmed().isEmpty();
    return true;
}
