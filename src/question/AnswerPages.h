#pragma once

#include "core/question/AnswerRules.h"

#include <QStackedWidget>
#include <array>

class QComboBox;
class QLabel;
class QLineEdit;
class QSplitter;
class QTextEdit;

namespace ui {
class PictureButton;
class RichTextView;
}

namespace practice {

// The answer page book shared by the practice and exam screens: six pages
// (单选, 多选, 填空, 判断, 主观, 配伍), each with its side label and its controls.
// The book turns what is pressed into a PageState and back; the rules decide
// what it means.
class AnswerBook : public QStackedWidget {
    Q_OBJECT
public:
    // Option and 对/错 faces come from picDir (optup/optdw, judgeup/judgedw); the
    // buttons still work with their captions alone when a face is missing.
    explicit AnswerBook(const QString& picDir, QWidget* parent = nullptr);

    // Sizes of the option and 对/错 faces (the compact arrangement uses smaller ones).
    void setFaceSizes(const QSize& option, const QSize& judge);
    void setSideFont(const QFont& font);
    // The look both screens give the book under their question: face sizes, a fixed
    // height, a framed panel-coloured background and a bold side font of headingPx.
    void arrangeUnderQuestion(const QSize& option, const QSize& judge, int height, int headingPx);

    // Shows the page of a question's type; NoPage (or any other value) shows
    // "本题型不需作答" instead of an answer page.
    void showPage(int page);
    // The answer page shown, or NoPage.
    int page() const;
    // The page shown and what every page holds.
    PageState state() const;
    // Shows the first `count` options of the choice pages; hidden ones are released.
    void setOptionCount(int count);
    int optionCount() const { return m_optionCount; }
    // Puts an answer back on the page shown.
    void showAnswer(const QString& answer);

    // Each option button carries its option's text, as the question spells it
    // out, in its accessible description ("单选 A", "(n-1)/2"): read from the
    // sub-question when it lists options, else from the stem, whenever either changes.
    void followStem(QTextEdit* stem, QTextEdit* subQuestion);
    void describeOptions(const std::array<QString, kOptionCount>& texts);

    // Side label of the 主观 page: two characters over two more.
    void setSubjectiveSide(const QString& typeName);
    QString subjectiveSide() const;

    // The letter keys: press option i on 单选, toggle it on 多选. False on other
    // pages or for a hidden option.
    bool pressLetter(int i);

    ui::PictureButton* option(int page, int i) const; // pages 0, 1, 5
    ui::PictureButton* judgeButton(bool right) const; // 对 (true) or 错
    QLineEdit* fillEdit() const { return m_fill; }
    QComboBox* subjectiveBox() const { return m_subjective; }
    QLabel* sideLabel(int page) const { return m_side[size_t(page)]; }

Q_SIGNALS:
    void answerChanged();

private:
    QWidget* makePage(int page);
    void releaseOthers(const std::array<ui::PictureButton*, kOptionCount>& group, ui::PictureButton* pressed);

    QString m_picDir;
    int m_optionCount = kOptionCount;
    std::array<ui::PictureButton*, kOptionCount> m_single{};
    std::array<ui::PictureButton*, kOptionCount> m_multi{};
    std::array<ui::PictureButton*, kOptionCount> m_match{};
    ui::PictureButton* m_right = nullptr;
    ui::PictureButton* m_wrong = nullptr;
    QLineEdit* m_fill = nullptr;
    QComboBox* m_subjective = nullptr;
    std::array<QLabel*, kPageCount> m_side{};
};

class AnswerPanel;

// The question area of the practice and exam screens: the stem Re1 over the
// sub-question Re2 (hidden until a group's question shows) in Splitter1, and the
// answer panel Panel2 sliding over both.
struct QuestionArea {
    QWidget* area = nullptr; // "questionArea"
    QSplitter* splitter = nullptr;
    ui::RichTextView* re1 = nullptr;
    ui::RichTextView* re2 = nullptr;
    AnswerPanel* panel = nullptr;
};
QuestionArea buildQuestionArea(QWidget* owner, int handleWidth, int panelPx);

// The splitter's handle, and the height the sub-question pane opens with.
inline constexpr int kSplitterHandle = 6;
inline constexpr int kLowerPaneHeight = 150;
// Shows the sub-question pane `lower` under the stem at its opening height.
void openLowerPane(QSplitter* splitter, QWidget* lower);

} // namespace practice
