#pragma once

#include "bank/SourceFile.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>

namespace bank {

// The contents of a bank as the sources describe it, checked and with rich text
// already turned into RTF. Counters are not part of it: they are counted from the
// questions once the rows are written (BankCounters.h).
struct BankSource {
    struct Book {
        QString productId; // tab_sj.cpbs
        QString title;
        QString upgradeId; // tab_sj.sjbs
    };
    struct Plan {
        int mark = 0;
        int amount = 0;
        int minutes = 0;
        QDate examDate;
        double leastMark = 0;
        int examSeconds = 0;
    };
    struct PaperShare {
        bool present = false; // the type has a row in that paper's type table
        int count = 0;        // B2
        double score = 0;     // B3
    };
    struct Type {
        int id = 0;
        QString name;
        double minutes = 0;
        std::array<PaperShare, 5> papers;
    };
    struct Chapter {
        QString code;
        QString name;
        QString heading;
        int order = 0; // bh
        bool chart = false;
        QByteArray guidance; // RTF; empty when none
    };
    struct Node {
        QString id;
        QString name;
        int order = 0;
    };
    struct Point {
        QString ftid;
        QString title;
        QByteArray text;
    };
    struct Group {
        QString id;
        QByteArray stem;
    };
    struct Question {
        QString id;
        int type = 0;
        QString chapter;
        QStringList points;
        int options = 0;
        QString answer;
        int order = 0; // xx
        QByteArray stem;
        QByteArray analysis; // empty when none
    };

    Book book;
    Plan plan;
    QList<Type> types;
    QList<Chapter> chapters; // in bh order
    QList<Node> nodes;       // in bh order
    QList<Point> points;
    QList<Group> groups;
    QList<Question> questions; // in file order
};

using Progress = std::function<void(const QString&)>;

// Reads every source file of dir and checks the whole: syntax, required and
// known fields, value forms, unique keys, the chapter tree and the outline, each
// question's chapter (a 6-character leaf), type, points and answer key, and each
// grouped question's shared stem. Every problem is appended with its file and
// line. Relative exam dates ("+120d") count from today.
BankSource readBankSource(const QString& dir, const QDate& today, QList<Problem>& problems,
                          const Progress& progress = {});

// An upgrade of the bank whose sources are in baseDir: reads both folders and
// checks them together (the upgrade's records may refer to the bank's), and
// returns the upgrade's records alone. Its book record carries the bank's product
// id and a new upgrade id; it has no plan and no types; its chapters and outline
// nodes take display orders after the bank's.
BankSource readUpgradeSource(const QString& baseDir, const QString& upgradeDir, const QDate& today, QList<Problem>& problems,
                             const Progress& progress = {});

// Forms of ids the program relies on.
bool isChapterCode(const QString& code);  // 1, 2, 4 or 6 letters/digits, or "xx"
bool isBookQuestionId(const QString& id); // 12 characters, or a 16-character group id + "-" + number
QString groupOfQuestion(const QString& id); // the first 16 characters of a grouped id, else empty

} // namespace bank
