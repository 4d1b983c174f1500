#pragma once

#include "core/question/AnswerRules.h"

#include <QDialog>
#include <QPixmap>
#include <array>

class QBoxLayout;
class QKeyEvent;
class QLabel;
class QSplitter;
class QTimer;
class QVBoxLayout;

namespace ui {
class CommandButton;
class PictureButton;
class RichTextView;
}

namespace practice {

class AnswerBook;
class AnswerPanel;

// What a failed handler of a question screen tells the candidate.
extern const QString kActionFailed;

// A screen reader's words for a grid mark: 未做, 已做, 做对, 做错.
QString markWords(AnswerMark mark);

// A label with its object name, for the captions and values of the screens.
QLabel* makeLabel(const QString& text, QWidget* parent, const QString& name = {});

// What the practice and exam screens share in showing a question: the question
// area with its answer panel, the answer book under it, the grid's pictures per
// mark, the note button, the keys of the choice pages. Both derive from it, so
// these cannot come to differ between them.
class QuestionScreen : public QDialog {
    Q_OBJECT
public:
    ~QuestionScreen() override;

    bool answerPanelOpen() const;
    bool lowerPaneOpen() const;
    // Slides the answer panel in or out; the 答案 button says where it leads.
    void ToggleAnswerPanel();

    // Elements both screens have, by the names the screens give them.
    QSplitter* Splitter1 = nullptr;
    ui::RichTextView* Re1 = nullptr; // stem
    ui::RichTextView* Re2 = nullptr; // sub-question of a group
    AnswerBook* Notebook1 = nullptr;
    AnswerPanel* Panel2 = nullptr;
    ui::CommandButton* epEfTrBtn1 = nullptr; // 上一题
    ui::CommandButton* epEfTrBtn2 = nullptr; // 下一题
    ui::CommandButton* epEfTrBtn3 = nullptr;
    ui::CommandButton* epEfTrBtn4 = nullptr; // 解析
    ui::CommandButton* epEfTrBtn5 = nullptr; // 笔记
    ui::CommandButton* epEfTrBtn6 = nullptr; // 答案 / 返回
    ui::CommandButton* epEfTrBtn7 = nullptr;
    ui::CommandButton* epEfTrBtn8 = nullptr; // 设置
    ui::CommandButton* epEfTrBtn9 = nullptr; // 考点
    ui::CommandButton* epEfTrBtn10 = nullptr;
    // ☆ 收藏本题 / ★ 取消收藏 for the question shown (Ctrl+D); null until the screen adds it.
    ui::CommandButton* btnBookmark = nullptr;
    QTimer* KZTimeCounter1 = nullptr;

    // Whether the question the toggle follows is bookmarked.
    bool bookmarked() const { return m_bookmarked; }
    // The toggle's handler: bookmarks the question shown, or takes the bookmark away.
    void btnBookmarkClick();

protected:
    explicit QuestionScreen(QWidget* parent);

    bool eventFilter(QObject* watched, QEvent* event) override;

    // Font, background and the outer column every arrangement starts from.
    QVBoxLayout* startLayout(int textPx);
    // The heading strip across the top; its row takes the heading and what follows it.
    QBoxLayout* addHeadingStrip(QVBoxLayout* outer, int verticalMargin);
    // Stem over sub-question with the answer panel over both (Splitter1, Re1, Re2, Panel2).
    QWidget* buildQuestionArea(int panelPx);
    // The answer book under the question (Notebook1).
    AnswerBook* buildAnswerBook(const QSize& option, const QSize& judge, int height, int headingPx);
    // A framed command of the bottom row.
    ui::CommandButton* addCommand(QWidget* bar, QBoxLayout* row, const QString& name, const QString& caption, int height);
    // A checkable button of the question grid, numbered from 1.
    ui::PictureButton* makeGridButton(int number, QWidget* parent, const QSize& face, const QFont& font);
    // The 笔记 button: its caption turns to "有内容" once the question has a note, and
    // a screen reader hears that too; its name still says what the button does.
    void showNoteState(bool noted);
    // The bookmark toggle at the end of `row`; in the tab order after 笔记, so call it
    // once the commands are built.
    ui::CommandButton* addBookmarkToggle(QBoxLayout* row, int px);
    // The toggle follows the question `questionId`; it is disabled while the state
    // cannot be read.
    void showBookmark(const QString& questionId);

    // Grid pictures, up and pressed, per mark; false when one is missing.
    bool loadGridPictures();
    void paintMark(ui::PictureButton* button, AnswerMark mark) const;

    // Shows the stem, and for a question of a group (an id with '-') the group's
    // shared stem above it. Throws store::DbError when the shared stem cannot be read.
    void showStem(const QString& questionId, const QByteArray& stem);
    // Names the stem after the question shown, "第N题 试题", and after 上一题 or
    // 下一题 pressed from the keyboard gives it the focus: a screen reader then says
    // which question is shown (it does not read a name that changes off the focus).
    void nameQuestion(int number);
    // Runs `move` for the 上一题 or 下一题 button `pressed`.
    template <class Move>
    void moveFrom(const QWidget* pressed, Move move)
    {
        const bool focused = pressed->hasFocus(); // checked first: a button at the end is disabled by the move
        move();
        if (focused)
            focusStem();
    }
    void focusStem();
    void closeLowerPane();
    void closeAnswerPanel();

    // Backspace and Enter move as 上一题 and 下一题, letters press options, on the
    // choice pages. True when the key was taken.
    bool takeQuestionKey(QKeyEvent* event, bool answering);

    QString m_picDir;
    QWidget* m_questionArea = nullptr;

private:
    void paintBookmark(bool on);

    std::array<QPixmap, 4> m_gridUp, m_gridDown; // by AnswerMark
    QString m_bookmarkId;
    bool m_bookmarked = false;
};

} // namespace practice
