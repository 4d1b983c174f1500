#include "common/Prompt.h"

#include "common/ModalLoop.h"
#include "common/TFrmDlg.h"

#include <QMessageBox>
#include <QPushButton>

namespace prompt {

namespace {
Script* g_active = nullptr;
}

Script::Script(std::vector<int> answers, int fallback)
    : m_answers(std::move(answers))
    , m_fallback(fallback)
    , m_previous(g_active)
{
    g_active = this;
}

Script::~Script()
{
    g_active = m_previous;
}

QStringList Script::texts() const
{
    QStringList list;
    for (const Asked& a : m_asked)
        list << a.text;
    return list;
}

int Script::answer(const Asked& a)
{
    m_asked.push_back(a);
    return m_next < m_answers.size() ? m_answers[m_next++] : m_fallback;
}

Script* activeScript()
{
    return g_active;
}

int messageBox(Icon icon, const QString& caption, const QString& text, Buttons buttons)
{
    const bool twoButtons = buttons != Buttons::Ok;
    const int cancelDefault = twoButtons ? Cancel : Ok;
    if (Script* script = activeScript()) {
        Asked asked{Asked::Kind::MessageBox, caption, text, static_cast<int>(buttons), static_cast<int>(icon), QString()};
        const int answer = script->answer(asked);
        // Only a button the box shows can answer it; anything else means "dismissed".
        if (answer == Ok || (answer == Cancel && twoButtons))
            return answer;
        return cancelDefault;
    }

    QMessageBox box;
    box.setWindowTitle(caption);
    box.setText(text);
    switch (icon) {
    case Icon::Information: box.setIcon(QMessageBox::Information); break;
    case Icon::Warning: box.setIcon(QMessageBox::Warning); break;
    case Icon::Error: box.setIcon(QMessageBox::Critical); break;
    case Icon::Question: box.setIcon(QMessageBox::Question); break;
    }
    const bool yesNo = buttons == Buttons::YesNo;
    QPushButton* ok = box.addButton(yesNo ? QStringLiteral("是") : QStringLiteral("确定"), QMessageBox::AcceptRole);
    QPushButton* cancel = nullptr;
    if (twoButtons)
        cancel = box.addButton(yesNo ? QStringLiteral("否") : QStringLiteral("取消"), QMessageBox::RejectRole);
    box.setDefaultButton(ok);
    box.setEscapeButton(cancel ? static_cast<QAbstractButton*>(cancel) : ok);
    modal::execWithArrow(box);
    return box.clickedButton() == ok ? Ok : cancelDefault;
}

} // namespace prompt

namespace prompt {

QString variantText(Variant variant)
{
    switch (variant) {
    case Variant::No: return QStringLiteral("NO");
    case Variant::Exam: return QStringLiteral("Exam");
    case Variant::Plain: break;
    }
    return QString();
}

void notice(const QString& text, Page page)
{
    ShowPrompt(QStringLiteral("提示"), text, Mode::Single, page, Variant::No);
}

void error(const QString& text)
{
    ShowPrompt(QStringLiteral("错误"), text, Mode::Single, Page::Error, Variant::No);
}

} // namespace prompt

int ShowPrompt(const QString& caption, const QString& text, prompt::Mode modeValue, prompt::Page pageValue,
               prompt::Variant variantValue)
{
    const int mode = static_cast<int>(modeValue);
    const int page = static_cast<int>(pageValue);
    const QString variant = prompt::variantText(variantValue);
    TFrmDlg* dlg = promptDialog();
    dlg->prepare(caption, text, mode, page, variant);
    if (prompt::Script* script = prompt::activeScript()) {
        prompt::Asked asked{prompt::Asked::Kind::Prompt, caption, text, mode, page, variant};
        const int answer = script->answer(asked);
        // A scripted answer must name a button the dialog shows; otherwise it is
        // treated like dismissing the dialog.
        return dlg->visibleResults().contains(answer) ? answer : dlg->dismissResult();
    }
    return dlg->run();
}
