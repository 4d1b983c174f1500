#include "core/search/Gather.h"

#include "core/search/SearchText.h"
#include "core/store/Clock.h"
#include "core/store/Connection.h"

#include <QRegularExpression>
#include <QHash>
#include <QSet>
#include <algorithm>
#include <limits>

namespace search {

namespace {

const char kColumns[] = "a.A1, a.A10, a.A13, a.E4, a.E3, a.E1";

QList<Gathered> read(const store::Rows& rows, bool withRemark)
{
    QList<Gathered> out;
    for (const auto& r : rows.values) {
        Gathered g;
        g.id = r[0].toString();
        g.chapter = r[1].toString();
        g.type = r[2].toInt();
        g.wrongWeight = r[3].toInt();
        g.answers = r[4].toInt();
        g.lastAnswered = QDate::fromString(r[5].toString().left(10), Qt::ISODate);
        if (withRemark)
            g.remark = r[6].toString();
        out.push_back(g);
    }
    return out;
}

} // namespace

bool toggleBookmark(store::Connection& db, const QString& questionId)
{
    const store::Params key = {{QStringLiteral(":a1"), questionId}};
    store::Transaction t(db, store::Transaction::Nesting::Join);
    const bool had = db.exec(QStringLiteral("delete from bookmark where A1 = :a1"), key) > 0;
    if (!had)
        db.exec(QStringLiteral("insert into bookmark (A1, at) values (:a1, :at)"), {key[0], {QStringLiteral(":at"), store::Clock::now()}});
    t.commit();
    return !had;
}

bool isBookmarked(store::Connection& db, const QString& questionId)
{
    return db.scalar(QStringLiteral("select 1 from bookmark where A1 = :a1"), {{QStringLiteral(":a1"), questionId}}).isValid();
}

bool setBookmarkRemark(store::Connection& db, const QString& questionId, const QString& remark)
{
    QString line = remark;
    line.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    return db.exec(QStringLiteral("update bookmark set remark = :remark where A1 = :a1"),
                   {{QStringLiteral(":remark"), line.trimmed()}, {QStringLiteral(":a1"), questionId}})
        > 0;
}

void removeBookmark(store::Connection& db, const QString& questionId)
{
    db.exec(QStringLiteral("delete from bookmark where A1 = :a1"), {{QStringLiteral(":a1"), questionId}});
}

QList<Gathered> bookmarks(store::Connection& db)
{
    return read(db.query(QStringLiteral("select %1, b.remark from bookmark b join tab_answ a on a.A1 = b.A1 order by a.A1")
                             .arg(QLatin1String(kColumns))),
                true);
}

QList<Gathered> wrongBook(store::Connection& db)
{
    // The condition of 错题重做, so the book and the chapter's redo agree.
    return read(db.query(QStringLiteral("select %1 from tab_answ a where (a.E4 < 0) and (a.f1<>1) and not exists"
                                        " (select 1 from book_removal r where r.A1 = a.A1 and r.E3 is a.E3) order by a.A1")
                             .arg(QLatin1String(kColumns))),
                false);
}

void removeFromBook(store::Connection& db, const QString& questionId)
{
    db.exec(QStringLiteral("insert or replace into book_removal (A1, E3, at)"
                           " select A1, E3, :at from tab_answ where A1 = :a1"),
            {{QStringLiteral(":a1"), questionId}, {QStringLiteral(":at"), store::Clock::now()}});
}

void addDetails(store::Connection& db, QList<Gathered>& rows)
{
    QString points;
    for (int k = 3; k <= 12; ++k)
        points += QStringLiteral(", a.K%1").arg(k);
    const QString sql = QStringLiteral("select e.A15, (select count(*) from answer_log l where l.A1 = a.A1 and l.right = 0)%1"
                                       " from tab_answ a left join tab_exer e on e.A1 = a.A1 where a.A1 = :a1")
                            .arg(points);
    for (Gathered& g : rows) {
        const store::Rows r = db.query(sql, {{QStringLiteral(":a1"), g.id}});
        if (r.empty())
            continue;
        const auto& v = r.values[0];
        g.excerpt = excerptOf(richPlain(v[0]));
        // Answers given before the log began are not in it; a wrong question was wrong at least once.
        g.wrongCount = std::max(v[1].toInt(), g.wrongWeight < 0 ? 1 : 0);
        g.points.clear();
        for (size_t k = 2; k < v.size(); ++k) {
            const QString p = v[k].toString().trimmed();
            if (p.isEmpty())
                break;
            g.points << p;
        }
    }
}

QString excerptOf(const QString& plain, int length)
{
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    QString line = plain;
    line.replace(blanks, QStringLiteral(" "));
    line = line.trimmed();
    if (line.size() > length)
        line = line.left(length - 1) + QChar(0x2026);
    return line;
}

QMap<int, QString> typeNames(store::Connection& db)
{
    static const QRegularExpression typeTable(QStringLiteral("^tab_tx[0-9]+$"), QRegularExpression::CaseInsensitiveOption);
    QMap<int, QString> out;
    for (const QString& table : db.tables()) {
        if (!typeTable.match(table).hasMatch())
            continue;
        for (const auto& r : db.query(QStringLiteral("select A1, B1 from %1").arg(store::quoteIdentifier(table))).values)
            if (!out.contains(r[0].toInt()))
                out.insert(r[0].toInt(), r[1].toString().trimmed());
    }
    return out;
}

QMap<QString, QString> pointNames(store::Connection& db, const QStringList& pointIds)
{
    QMap<QString, QString> out;
    for (const QString& id : pointIds) {
        if (out.contains(id))
            continue;
        const QVariant sn = db.scalar(QStringLiteral("select sn from tab_rule where ftid = :ftid"), {{QStringLiteral(":ftid"), id}});
        // A point the outline no longer holds is shown by its id.
        out.insert(id, sn.isValid() && !sn.toString().trimmed().isEmpty() ? sn.toString().trimmed() : id);
    }
    return out;
}

QList<Gathered> filtered(const QList<Gathered>& rows, const ListFilter& filter)
{
    QList<Gathered> out;
    for (const Gathered& g : rows)
        if ((filter.type == 0 || g.type == filter.type) && (filter.point.isEmpty() || g.points.contains(filter.point)))
            out << g;
    return out;
}

void sortRows(QList<Gathered>& rows, SortKey key)
{
    const auto byChapter = [](const Gathered& a, const Gathered& b) {
        return a.chapter != b.chapter ? a.chapter < b.chapter : a.id < b.id;
    };
    std::sort(rows.begin(), rows.end(), byChapter);
    switch (key) {
    case SortKey::Chapter:
        break;
    case SortKey::WrongCount:
        std::stable_sort(rows.begin(), rows.end(), [](const Gathered& a, const Gathered& b) { return a.wrongCount > b.wrongCount; });
        break;
    case SortKey::LastAnswered:
        // An invalid date (never answered) sorts below every real one.
        std::stable_sort(rows.begin(), rows.end(), [](const Gathered& a, const Gathered& b) { return a.lastAnswered > b.lastAnswered; });
        break;
    }
}

int PartGroup::count() const
{
    int n = 0;
    for (const ChapterGroup& c : chapters)
        n += int(c.rows.size());
    return n;
}

QStringList PartGroup::ids() const
{
    QStringList out;
    for (const ChapterGroup& c : chapters)
        for (const Gathered& g : c.rows)
            out << g.id;
    return out;
}

QList<PartGroup> groupByChapter(store::Connection& db, const QList<Gathered>& rows)
{
    QSet<QString> codes;
    for (const Gathered& g : rows) {
        codes.insert(g.chapter.left(2));
        codes.insert(g.chapter.left(4));
    }
    // Names and book order (bh) of the parts and chapters the rows fall in.
    struct Entry {
        QString name;
        qint64 order = std::numeric_limits<qint64>::max();
    };
    QHash<QString, Entry> entries;
    for (const QString& code : codes) {
        const store::Rows r = db.query(QStringLiteral("select C2, bh from tab_kmmc where C1 = :c1"), {{QStringLiteral(":c1"), code}});
        Entry e{code, std::numeric_limits<qint64>::max()};
        if (!r.empty()) {
            e.name = r.values[0][0].toString().trimmed();
            if (!r.values[0][1].isNull())
                e.order = r.values[0][1].toLongLong();
        }
        entries.insert(code, e);
    }
    const auto before = [&entries](const QString& a, const QString& b) {
        const qint64 oa = entries.value(a).order, ob = entries.value(b).order;
        return oa != ob ? oa < ob : a < b;
    };

    QList<PartGroup> parts;
    QHash<QString, int> partAt;
    for (const Gathered& g : rows) {
        const QString part = g.chapter.left(2), chapter = g.chapter.left(4);
        if (!partAt.contains(part)) {
            partAt.insert(part, int(parts.size()));
            parts.push_back({part, entries.value(part).name, {}});
        }
        PartGroup& p = parts[partAt.value(part)];
        auto it = std::find_if(p.chapters.begin(), p.chapters.end(), [&](const ChapterGroup& c) { return c.code == chapter; });
        if (it == p.chapters.end()) {
            p.chapters.push_back({chapter, entries.value(chapter).name, {}});
            it = p.chapters.end() - 1;
        }
        it->rows << g;
    }
    std::sort(parts.begin(), parts.end(), [&](const PartGroup& a, const PartGroup& b) { return before(a.code, b.code); });
    for (PartGroup& p : parts)
        std::sort(p.chapters.begin(), p.chapters.end(), [&](const ChapterGroup& a, const ChapterGroup& b) { return before(a.code, b.code); });
    return parts;
}

} // namespace search
