#pragma once

#include "core/exam/PaperExport.h"

#include <QString>
#include <functional>
#include <memory>

class QTextDocument;
class QWidget;

// The paper's pieces laid into one QTextDocument (stored rich text through the shared
// reader), and that document written as DOCX, ODT or PDF.
namespace exam {

enum class PaperFormat { Docx, Odt, Pdf };

std::unique_ptr<QTextDocument> paperDocument(const PaperContent& content,
                                             const std::function<void(int)>& progress = {});

// Writes through a temporary file that is renamed at the end: a failure never leaves a
// half-written file under `path` (nor replaces the file that was there). Throws
// std::runtime_error.
void writePaperFile(const QTextDocument& doc, const QString& path, PaperFormat format);

// The format a file name asks for by its ending; DOCX when it names none of the three.
PaperFormat paperFormatOf(const QString& path);
// A file name from the paper title: characters file systems refuse become '_'.
QString paperFileName(const QString& title);

// 生成文档: asks where to save (DOCX, ODT or PDF, proposing the title) and whether to
// include the candidate's answers, writes the paper with the progress window up, and
// opens the file with the desktop's program.
// Any failure ends it with the warning box; nothing is left under the chosen name.
void ExportPaper(QWidget* owner, store::Connection& db, const QString& paperTable, const QString& typeTable,
                 const QString& title);

// 生成文档 of a list of questions (the wrong-question book, bookmarks): the same
// dialog, progress window, warning and opening as a paper, without the candidate's
// answers.
void ExportQuestionList(QWidget* owner, store::Connection& db, const QString& title, const QList<QuestionSection>& sections);

// Test seams: the save dialog (returns the chosen path, empty to cancel) and opening the
// written file.
using SavePathChooser = std::function<QString(QWidget* owner, const QString& proposed)>;
using DocumentOpener = std::function<void(const QString& path)>;
void setSavePathChooser(SavePathChooser chooser); // empty: the real dialog
void setDocumentOpener(DocumentOpener opener);    // empty: QDesktopServices

} // namespace exam
