#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace bank {

// One problem found in the sources or in a bank, with where it was found.
struct Problem {
    QString file; // source file as named on the command line, or a table name
    int line = 0; // 1-based; 0 when there is no line
    QString message;

    QString toString() const;
};

struct BodyLine {
    int line;
    QString text; // without the two spaces of indentation
};

// A field line "name: value", or "name:" followed by an indented body.
struct Field {
    QString name;
    QString value;
    int line = 0;
    bool hasBody = false;
    QList<BodyLine> body; // trailing blank lines removed
};

// "== kind key" and its fields.
struct Record {
    QString kind;
    QString key;
    QString file;
    int line = 0;
    QList<Field> fields;

    const Field* field(const QString& name) const;
};

// Reads one source file into records. Syntax problems (a field outside a record,
// an indented line outside a body, a tab, a repeated field, text that is not
// UTF-8) are appended to problems; the records read around them are kept.
QList<Record> readSourceFile(const QString& path, QList<Problem>& problems);

// The source files of a folder: its *.txt files in name order.
QStringList sourceFiles(const QString& dir);

} // namespace bank
