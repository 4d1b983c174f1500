#pragma once

#include "core/exchange/Exchange.h"

#include <QDialog>
#include <QStringList>
#include <functional>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;

namespace ui {
class CommandButton;
}

namespace authoring {

// 导出试题: asks for a format and a path, then writes the questions of `ids` (in that
// order) through the exchange writers. `suggestedName` is the file name without its
// ending ("错题本"); the flash-card file is offered only when `offerFlashCards`.
// Returns true when a file was written; every failure is told to the candidate.
bool exportQuestions(QWidget* parent, const QStringList& ids, const QString& suggestedName, bool offerFlashCards);

// How the import and export screens ask for a file: the program's file dialogs (in
// Chinese with the rest of the program), or what a test installs. An empty path: cancelled.
struct FileRequest {
    QString caption;
    QString proposed; // a folder, or a path with a file name
    QString filter;   // "CSV 文件 (*.csv);;…"
    bool save = false;
    QString* selectedFilter = nullptr; // in: the filter shown first; out: the one chosen
};
using FileChooser = std::function<QString(QWidget* owner, const FileRequest& request)>;
void setFileChooser(FileChooser chooser); // empty: the real dialog
QString chooseFile(QWidget* owner, const FileRequest& request);
// Where file dialogs start: the last folder a question or paper file went to, else the documents folder.
QString startFolder();

// The dialog behind exportQuestions, for tests and callers that hold their questions already.
class TFrmExport : public QDialog {
    Q_OBJECT
public:
    TFrmExport(std::vector<exchange::Question> questions, const QString& suggestedName, bool offerFlashCards,
               QWidget* parent = nullptr);

    QLabel* countLabel;      // 共 N 道试题
    QComboBox* formatBox;    // 文件格式
    QLabel* formatNote;      // what the chosen format keeps
    QLineEdit* pathEdit;     // 保存到
    ui::CommandButton* btnBrowse; // 浏览…
    ui::CommandButton* btnExport; // 导出
    ui::CommandButton* btnCancel; // 取消

    exchange::Format format() const;
    void setFormat(exchange::Format format);
    // Writes the file; on success the dialog is accepted, else it stays open and says why.
    void btnExportClick();
    QString writtenPath() const { return m_written; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void arrange(bool compact);
    void formatChanged();
    void browse();

    std::vector<exchange::Question> m_questions;
    QString m_written;
};

} // namespace authoring
