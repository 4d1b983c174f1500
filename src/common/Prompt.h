#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

// Every prompt and message box of the program goes through here, so tests can
// answer them without a window and see what was asked.

namespace prompt {

// Which buttons the prompt dialog shows (left to right, with their results).
enum class Mode : int {
    OkCancel = 0, // 确定 (1), 取消 (2)
    Single = 1,   // one middle button (3)
    Three = 2,    // 确定 (1), the middle button (3), 取消/作废 (2)
    Narrow = 3,   // one button (1) in a narrow dialog
};
// The icon page of the dialog.
enum class Page : int { Information = 0, Warning = 1, Error = 2 };
// Button captions: Exam names the buttons of the hand-in question (确定, 取消, 作废).
enum class Variant { Plain, No, Exam };

QString variantText(Variant variant);

} // namespace prompt

// The program's own prompt dialog: returns 1, 2 or 3 (the button pressed).
int ShowPrompt(const QString& caption, const QString& text, prompt::Mode mode, prompt::Page page,
               prompt::Variant variant = prompt::Variant::Plain);

namespace prompt {

// The usual calls: a notice ("提示", one button; page Information for good news)
// and an error ("错误", one button).
void notice(const QString& text, Page page = Page::Warning);
void error(const QString& text);

enum class Icon { Information, Warning, Error, Question };
enum class Buttons { Ok, OkCancel, YesNo }; // YesNo: 是 answers Ok, 否 Cancel
enum Result { Ok = 1, Cancel = 2 };

// The platform's standard message box (start-up failures, the quit check, …).
int messageBox(Icon icon, const QString& caption, const QString& text, Buttons buttons = Buttons::Ok);

// What was asked, for tests.
struct Asked {
    enum class Kind { Prompt, MessageBox } kind;
    QString caption;
    QString text;
    int mode = 0;    // prompt mode, or Buttons for a message box
    int page = 0;    // prompt icon page, or Icon for a message box
    QString variant;
};

// Test seam: while a script is installed no window is shown; each call is recorded
// and answered by the next scripted answer (or by `fallback` when none is left).
class Script {
public:
    explicit Script(std::vector<int> answers = {}, int fallback = 0);
    ~Script();
    Script(const Script&) = delete;
    Script& operator=(const Script&) = delete;

    const std::vector<Asked>& asked() const { return m_asked; }
    QStringList texts() const;
    void clear() { m_asked.clear(); }
    int answer(const Asked& a);

private:
    std::vector<int> m_answers;
    size_t m_next = 0;
    int m_fallback;
    std::vector<Asked> m_asked;
    Script* m_previous;
};

Script* activeScript();

} // namespace prompt
