#pragma once

#include <QDialog>
#include <QSet>
#include <optional>

class QLabel;
class QuestionInputs;

namespace ui {
class CommandButton;
class RichTextEdit;
}

// Question editing ("试题修改"): the question the practice screen shows, on the
// practice screen's own rows (DM1->Cn1Query_tm, cn1query_nr and, for a question
// of a group, Cn1Query2). 保存 writes everything in one transaction and reads the
// rows back, so the practice screen sees the new values; 取消 writes nothing.
//
//     TfrmTedit editor(this);
//     if (editor.exec() == QDialog::Accepted) ...
class TfrmTedit : public QDialog {
    Q_OBJECT
public:
    explicit TfrmTedit(QWidget* parent = nullptr);

    ui::RichTextEdit* RxDBRichEdit3; // the group's shared stem
    ui::RichTextEdit* RxDBRichEdit1; // stem
    ui::RichTextEdit* RxDBRichEdit2; // analysis
    QLabel* groupLabel;
    QuestionInputs* inputs;
    ui::CommandButton* btnSave;   // 保存
    ui::CommandButton* btnCancel; // 取消
    ui::CommandButton* btnHelp;   // 使用说明

    // Fills the inputs from the practice screen's rows; false when there is no question.
    bool FormShow();
    void btnSaveClick();
    void ComboBox1Change();

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void arrange(bool compact);
    // Shows a stored document; only a change made afterwards counts as an edit.
    void showDocument(ui::RichTextEdit* e, const QByteArray& data);
    // The editor's document when the candidate changed it; nothing when untouched,
    // so the stored document stays byte for byte (an RTF stem is not rewritten).
    std::optional<QByteArray> changed(const ui::RichTextEdit* e) const;

    QSet<ui::RichTextEdit*> m_changed;
    bool m_loading = false;
    QString m_id;
    bool m_loaded = false;
};
