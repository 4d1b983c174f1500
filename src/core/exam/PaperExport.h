#pragma once

#include "core/store/Connection.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

// What a reviewed paper turns into as a document: its title, the questions under
// their type headings, a page break, then the answers with analyses and exam points.
// Kept free of any document class, so the content and its order are checked without a
// window and every file format is written from the same pieces.
namespace exam {

struct PaperPiece {
    enum class Kind {
        Text,      // one paragraph of plain text
        Rich,      // one paragraph: `text` (may be empty) followed by the stored rich text
        PageBreak, // the next paragraph starts a page
    };
    Kind kind = Kind::Text;
    QString text;
    QByteArray rich;
    int question = 0; // 1-based position of the question it belongs to; 0 outside questions
};

struct PaperContent {
    QString title;
    int questions = 0;
    QList<PaperPiece> pieces;
};

// "一、" … "五、" for the first five types met (k from 1), "--" from the sixth on.
QString typeOrdinal(int k);
// 一、单项选择题[共80题，每题1分，总计80分]
QString typeHeading(int k, const QString& name, int count, double score);
// "试题答案：…" for single (11) and multiple choice (14) and true/false (31, A 正确 and
// B 错误); empty for the types that have no answer line.
QString answerLine(int type, const QString& key);
// "我的答案：AC（错误）", or "我的答案：未做"; right and wrong as practice judges them.
QString mineLine(int type, const QString& mine, const QString& key);

// Reads the paper table in paper order (type, then id) with the type table of the
// mock, and gathers the pieces. `progress` hears each question's number as it is read.
// With `withMine` the candidate's score and time follow the title and each answer
// carries the candidate's own. Store failures throw store::DbError.
PaperContent readPaperContent(store::Connection& db, const QString& paperTable, const QString& typeTable,
                              const QString& title, const std::function<void(int)>& progress = {},
                              bool withMine = false);

// Questions of the bank in the given order under their sections' headings (a section
// without a heading has none), then the answers with analyses and exam points, as a
// paper has them. Ids no longer in the bank are left out. Throws store::DbError.
struct QuestionSection {
    QString heading;
    QStringList ids;
};
PaperContent readQuestionListContent(store::Connection& db, const QString& title, const QList<QuestionSection>& sections,
                                     const std::function<void(int)>& progress = {});

} // namespace exam
