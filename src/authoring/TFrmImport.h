#pragma once

#include "core/authoring/QuestionImport.h"
#include "core/exchange/Question.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QTableView;

namespace ui {
class CommandButton;
}

namespace authoring {
class ImportPreviewModel;
}

// 试题导入: questions from a CSV, XLSX, GIFT, Aiken or Moodle XML file into the chapter
// the chooser is on. The file is read and checked first, nothing written: a preview
// lists every question with its type, answer and any problem. 导入 saves all the valid
// ones in one transaction (question entry's save, under the progress window); 取消 writes
// nothing. 下载模板 writes the spreadsheet template to fill in.
//
//     TFrmImport import(this);
//     import.setChapter(c1, "试题导入 [" + c2 + "]");
//     import.exec();
//     board += import.savedCount();
class TFrmImport : public QDialog {
    Q_OBJECT
public:
    explicit TFrmImport(QWidget* parent = nullptr);
    ~TFrmImport() override;

    void setChapter(const QString& chapterId, const QString& captionText);
    QString chapterId() const { return m_chapter; }
    int savedCount() const { return m_saved; }

    QLabel* epLabelCaption;      // "试题导入 [chapter]"
    QLineEdit* pathEdit;         // 导入文件
    ui::CommandButton* btnFile;  // 选择文件…
    ui::CommandButton* btnTemplate; // 下载模板
    QLabel* summaryLabel;        // what the file holds, or why it cannot be read
    QTableView* previewGrid;     // every question: 题号, 题型, 题干, 答案, 问题
    ui::CommandButton* btnImport; // 导入
    ui::CommandButton* btnCancel; // 取消

    // Reads and checks the file (nothing is written) and fills the preview.
    void loadPreview(const QString& path);
    // Saves the valid questions of the previewed file.
    void btnImportClick();
    void btnTemplateClick();
    void btnFileClick();
    // The preview's rows, as the grid shows them.
    int previewRows() const;
    QString previewText(int row, int column) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void arrange(bool compact);
    void clearPreview(const QString& why);

    QString m_chapter;
    QString m_path;
    exchange::ReadResult m_read;
    authoring::ImportPreviewModel* m_model;
    int m_saved = 0;
    bool m_ready = false;
};
