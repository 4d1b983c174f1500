#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

namespace store {
class Connection;
}

// Where search results sit in the book: the parts and chapters a search can be
// narrowed to, and the chapter each found question belongs to.
namespace search {

struct Place {
    QString code; // 2 characters: a part; 4: a chapter
    QString name;
};

// Every part and chapter of the bank in book order (bh). Throws store::DbError.
QList<Place> places(store::Connection& db);
// The chapter code (A10) of each question; ids gone from the bank are left out.
QHash<QString, QString> chaptersOf(store::Connection& db, const QStringList& questionIds);

} // namespace search
