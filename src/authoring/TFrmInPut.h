#pragma once

#include <QDialog>

class QLabel;
class QuestionInputs;

namespace ui {
class CommandButton;
class RichTextEdit;
}

// Question entry ("试题录入"): the candidate's own questions, one after another,
// into the chapter the chooser was on. Each save writes the question with its
// counters in one transaction and empties the inputs for the next one.
//
//     TFrmInPut entry(this);
//     entry.setChapter(c1, "试题录入 [" + c2 + "]");
//     entry.exec();
//     board += entry.savedCount();
class TFrmInPut : public QDialog {
    Q_OBJECT
public:
    explicit TFrmInPut(QWidget* parent = nullptr);

    void setChapter(const QString& chapterId, const QString& captionText);
    QString chapterId() const { return m_chapter; }
    // Questions saved since the screen opened.
    int savedCount() const { return m_saved; }

    ui::RichTextEdit* Re1; // stem
    ui::RichTextEdit* Re2; // analysis
    QuestionInputs* inputs;
    QLabel* epLabelCaption; // "试题录入 [chapter]"
    QLabel* savedLabel;
    ui::CommandButton* btnSave;   // 保存
    ui::CommandButton* btnClear;  // 清除
    ui::CommandButton* btnConfig; // 设置
    ui::CommandButton* btnHelp;   // 使用说明
    ui::CommandButton* btnClose;  // 关闭

    void FormShow();
    void btnSaveClick();
    void btnClearClick();
    void ComboBox1Change();

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void arrange(bool compact);
    // Stem, analysis, answer and points; type and count stay.
    void clearTexts();

    QString m_chapter;
    int m_saved = 0;
    bool m_shown = false;
};
