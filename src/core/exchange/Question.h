#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <map>
#include <vector>

// Questions on their way in or out of a bank, in no file format: the readers of
// GIFT, Aiken, Moodle XML and the spreadsheet template produce them, the writers
// take them. Nothing here knows the bank; saving goes through question entry's path.
namespace exchange {

// The bank's kinds of question, as the answer pages tell them apart.
enum class Kind { Single, Multiple, Indefinite, TrueFalse, Fill, Subjective };

// 单选, 多选, 不定项, 判断, 填空, 简答.
QString kindName(Kind kind);
// A type name as files and banks write it ("单选题", "多项选择", "判断 题", "论述"…);
// false when it names none of the kinds.
bool kindOfName(const QString& name, Kind* kind);
// The kind of a bank's question type by its id and name, as practice answers it.
bool kindOfBankType(int typeId, const QString& typeName, Kind* kind);
bool isChoice(Kind kind);

// The answer pages show options A … F.
inline constexpr int kMaxOptions = 6;
// A larger file is refused before it is read.
inline constexpr qint64 kMaxFileBytes = 50LL * 1024 * 1024;

struct Question {
    Kind kind = Kind::Single;
    QString stem;          // HTML, without the options
    QStringList options;   // plain text, A first (choice kinds only)
    // Choice kinds: letters in order ("A", "BD"); 判断: "A" 对 / "B" 错;
    // 填空: the blanks' answers joined by ","; subjective: the reference answer (may be empty).
    QString answer;
    QStringList alsoAccepted; // 填空: other answers the file accepts
    QString analysis;      // HTML; empty when the file gives none
    QStringList points;    // exam points as the file names them (codes or titles)
    QString category;      // GIFT $CATEGORY / Moodle category in force for the question
    QString title;         // the file's name for the question, if any
    int number = 0;        // its place among the file's questions, from 1, as problems count them
    int line = 0;          // first line of the question in a text file or sheet row; 0 unknown
    QString element;       // XML: which element it came from
};

// Something wrong with one question (number > 0) or with the whole file.
struct Problem {
    int number = 0;   // the question's place in the file, from 1
    int line = 0;     // 0: not known
    QString element;  // XML element, or empty
    QString message;  // "第12题：答案 E 超出 4 个选项"
    // Where it is: "第40行", the element, or empty.
    QString where() const;
    // The message with where it is, for a log or a one-line list.
    QString text() const;
};

struct ReadResult {
    std::vector<Question> questions;    // the valid ones, in file order
    std::vector<Problem> problems;      // questions left out and why
    std::vector<Problem> notes;         // read, but with something the bank cannot keep
    std::map<QString, int> skippedTypes; // types of the format the bank has none of → count
    int skippedCount() const;
    // False when the whole file could not be read (the first problem says why).
    bool fileOk = true;
    // One line for the preview and the bank tool, or why the file cannot be read:
    // "可导入 15 道试题；2 道有问题；跳过 4 道本题库没有的题型（matching 1 道，numerical 3 道）".
    QString summary() const;
    // Nothing came out of the file: no question, no problem, no skipped type.
    bool nothingRead() const { return questions.empty() && problems.empty() && skippedTypes.empty(); }
    // The result for a file that cannot be read at all, the reason as its one problem.
    static ReadResult refused(const QString& why);
};

// Why a file that holds no question is refused.
QString noQuestionsText();

// ---- text helpers the formats share -------------------------------------------------

// Text file bytes as text: a byte-order mark decides (UTF-8, UTF-16), else UTF-8 when
// the bytes are valid UTF-8, else GB18030. False (and *error set) when neither reads
// them without faults. CRLF and lone CR become LF.
bool decodeText(const QByteArray& bytes, QString* text, QString* error);
QString encodingError();

// Plain text as an HTML fragment: characters escaped, line breaks as <br />.
QString plainToHtml(const QString& plain);
// The text an HTML fragment or document shows: tags dropped, block ends and <br> as
// line breaks, entities decoded, runs of blank lines and blanks at the ends trimmed.
QString htmlToPlain(const QString& html);
// Whether a cell or a text looks like HTML rather than plain text.
bool looksLikeHtml(const QString& text);
// Whether the HTML carries anything plain text loses: formats, pictures, tables, lists.
bool hasFormatting(const QString& html);
// The body of an HTML document (what lies between <body> and </body>), or the text itself.
QString htmlBody(const QString& html);

// A category as the course platform writes it ("$course$/top/第二部分") without the
// context and root it adds, so that what is left can name an exam point.
QString categoryPath(const QString& raw);

// "第12题：" + what.
QString numbered(int number, const QString& what);

// Checks a choice answer ("A", "a,c", "B、D", full-width letters) against the option
// count: on success *letters holds the letters in order A … F. On failure the message
// (without the "第N题：" head) says what is wrong.
bool normaliseChoiceAnswer(Kind kind, const QString& raw, int options, QString* letters, QString* message);
// 判断 answers as files write them (对/错, 正确/错误, √/×, T/F, TRUE/FALSE, 是/否, A/B)
// as "A" or "B"; empty when it is none of them.
QString normaliseJudgement(const QString& raw);

// A picture file's type by the file name's extension ("image/png"; application/octet-stream
// when it is none the bank shows).
QString mimeType(const QString& fileName);
// A picture file's bytes as a data: URL by the file name's extension.
QString dataUrl(const QString& fileName, const QByteArray& bytes);

// The checks every reader applies before a question is accepted: a stem, options
// for choice kinds (at most kMaxOptions), an answer in range. False with the message.
bool checkQuestion(Question& q, QString* message);

// ---- the bank's form of a question -----------------------------------------------------

// What question entry saves for it: the stem document with the options on lines of their
// own ("A. …"), as the bank keeps them; the option count (判断 2, 填空 and subjective 1);
// the answer (subjective "1"); the analysis, with what the bank has no field for
// appended (a reference answer, other accepted fill answers).
struct BankForm {
    QString stem;     // HTML
    int options = 1;
    QString answer;
    QString analysis; // HTML; empty when there is nothing to say
};
BankForm bankForm(const Question& q);

// The other way, for export: a stored stem as HTML, whose last `optionCount` lines are the
// options "A. …" (paragraphs, or lines broken by <br />), as the stem without them and the
// options' texts. When the lines are not there, the stem stays whole and *options is empty.
void splitOptions(const QString& stemHtml, int optionCount, QString* stem, QStringList* options);

} // namespace exchange
