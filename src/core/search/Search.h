#pragma once

#include <QList>
#include <QString>

namespace store {
class Connection;
}

// Finding questions by a piece of their text: stem with options, shared stem,
// analysis, answer. A question matches when its normalised text (SearchText.h)
// holds the normalised query as a substring; results come in question id order.
namespace search {

struct Filter {
    QString part;    // chapter code of a part; empty: every part
    QString chapter; // chapter code (a part's chapter or deeper); empty: the whole part
    int type = 0;    // question type (A13); 0: every type
};

struct Hit {
    QString id;
    QString excerpt;    // one line of the question's normalised text around the first match
    int matchStart = 0; // where the match is in the excerpt
    int matchLength = 0;
    bool operator==(const Hit&) const = default;
};

// The first `limit` matches (all when limit <= 0). An empty query matches nothing.
// Uses the index when it is built, else reads every question. Throws store::DbError.
QList<Hit> find(store::Connection& db, const QString& text, const Filter& filter = {}, int limit = 200);
// How many questions match.
int count(store::Connection& db, const QString& text, const Filter& filter = {});

// The same answer from every question's stored texts, without the index: what the
// index must agree with, and the way a bank without it is searched.
QList<Hit> scan(store::Connection& db, const QString& text, const Filter& filter = {}, int limit = 200);

} // namespace search
