#include "core/store/Migrations.h"

#include "core/store/DbError.h"

#include <QLoggingCategory>

#include <iterator>

Q_LOGGING_CATEGORY(lcMigrate, "tesvora.migrate", QtWarningMsg)

namespace store {

namespace {

// The unfinished mock exam: which paper, how far the clock ran, where the candidate was.
// Banks used before the list existed may hold it already.
void examResume(Connection& db)
{
    db.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS tab_ksrun (A1 TEXT(20) NOT NULL PRIMARY KEY,"
                           "mock INTEGER, secs INTEGER, qno INTEGER)"));
}

// The search index: each question's normalised plain text (search_doc) and a
// full-text table over it that is given the words of every 1- and 2-character window
// of the text rather than the text. It names search_doc as its content, so reading
// it whole reads search_doc; docids are never reused, so the words of a text replaced
// since (a full-text table cannot remove words it did not make) speak for no other
// question. A row in search_built says the index covers the bank.
void searchIndex(Connection& db)
{
    db.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS search_doc (docid INTEGER PRIMARY KEY AUTOINCREMENT,"
                           "A1 TEXT NOT NULL UNIQUE, body TEXT NOT NULL)"));
    db.exec(QStringLiteral("CREATE VIRTUAL TABLE IF NOT EXISTS search_fts USING fts4(content=\"search_doc\", matchinfo=fts3, body)"));
    db.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS search_built (at TEXT NOT NULL)"));
}

// Drawing a mock paper reads each entry's candidates (type, chapter range, not
// voided) from this index alone. Answering changes none of its columns.
void drawIndex(Connection& db)
{
    db.exec(QStringLiteral("CREATE INDEX IF NOT EXISTS ix_answ_draw ON tab_answ(A13, A10, F1, A1)"));
}

// Questions the candidate keeps (收藏), each with an optional remark, and questions taken
// out of the wrong-question book by hand: a removal holds while the question's answer
// count E3 stays what it was, so a question answered wrong again comes back.
void bookmarksAndRemovals(Connection& db)
{
    db.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS bookmark (A1 TEXT(20) NOT NULL PRIMARY KEY,"
                           "remark TEXT NOT NULL DEFAULT '', at TEXT NOT NULL)"));
    db.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS book_removal (A1 TEXT(20) NOT NULL PRIMARY KEY,"
                           "E3 INTEGER, at TEXT NOT NULL)"));
}

// Every counted answer, for review scheduling and study figures: `source` is where it
// was given (1 chapter practice, 2 point practice, 3 wrong-question redo, 4 mock exam,
// 5 review queue), `at` UTC as ISO 8601. Beside it each question's memory state;
// times there are ISO 8601 UTC too, so they sort and compare as text.
void answerLogAndMemory(Connection& db)
{
    db.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS answer_log (A1 TEXT(20) NOT NULL, at TEXT NOT NULL,"
                           "right INTEGER NOT NULL, answer TEXT NOT NULL, seconds INTEGER NOT NULL, source INTEGER NOT NULL)"));
    db.exec(QStringLiteral("CREATE INDEX IF NOT EXISTS ix_answer_log_q ON answer_log(A1, at)"));
    db.exec(QStringLiteral("CREATE INDEX IF NOT EXISTS ix_answer_log_at ON answer_log(at)"));
    db.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS memory_state (A1 TEXT(20) NOT NULL PRIMARY KEY,"
                           "stability REAL NOT NULL, difficulty REAL NOT NULL, phase INTEGER NOT NULL, step INTEGER NOT NULL,"
                           "last_review TEXT, due TEXT)"));
}

// The score forecast as it stood each day (one row per day and mock, kept when the plan
// or the chart shows it), and beside each logged answer the recall the model predicted
// just before it, so the model's calibration is one pass over the log. `recall` is null
// where nothing was predicted: a new question, or a row logged before this step.
void forecastHistory(Connection& db)
{
    db.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS forecast_day (day TEXT NOT NULL, mock INTEGER NOT NULL,"
                           "expected REAL NOT NULL, low REAL NOT NULL, high REAL NOT NULL, full REAL NOT NULL,"
                           "PRIMARY KEY (day, mock))"));
    // The column may be there already when an older layout number came with a newer file.
    if (!db.columnsOf(QStringLiteral("answer_log")).contains(QStringLiteral("recall"), Qt::CaseInsensitive))
        db.exec(QStringLiteral("ALTER TABLE answer_log ADD COLUMN recall REAL"));
    // First answers (nothing predicted) tell how a question never met before goes.
    db.exec(QStringLiteral("CREATE INDEX IF NOT EXISTS ix_answer_log_first ON answer_log(A1) WHERE recall IS NULL"));
}

// What today's review reads, so building it reads only what is due. Memory states by
// due time, and by the day their recall reaches 90 %: last review plus stability, the
// day counted as 372 × year + 31 × month + day, which grows by at least one a calendar
// day (an index takes no date function), so a bound on it never leaves a state out.
// Both carry the state's columns, so no table row is read. The questions by voiding
// and by last answer, then id (whole indexes: this engine's planner answers
// "A1 in (select A1 from tab_answ)" from a partial index holding A1, and so leaves
// rows out). And the questions answered before the answer log began, whose state is
// estimated from their counters until their first logged answer.
void reviewQueue(Connection& db)
{
    db.exec(QStringLiteral("CREATE INDEX IF NOT EXISTS ix_memory_state_due ON memory_state"
                           "(due, A1, stability, difficulty, phase, step, last_review)"));
    db.exec(QStringLiteral("CREATE INDEX IF NOT EXISTS ix_memory_state_recall ON memory_state"
                           "((substr(last_review, 1, 4) * 372 + substr(last_review, 6, 2) * 31 + substr(last_review, 9, 2) + stability),"
                           " due, A1, stability, difficulty, phase, step, last_review)"));
    db.exec(QStringLiteral("CREATE INDEX IF NOT EXISTS ix_answ_f1_a1 ON tab_answ(F1, A1)"));
    db.exec(QStringLiteral("CREATE INDEX IF NOT EXISTS ix_answ_e2_a1 ON tab_answ(E2, A1)"));
    // Their counters come along: they stay as they are until that answer, which takes the row out.
    db.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS unlogged_answered (A1 TEXT(20) NOT NULL PRIMARY KEY,"
                           "A2 TEXT(100), E1 TEXT, E2 TEXT, E3 INTEGER, E4 INTEGER)"));
    db.exec(QStringLiteral("INSERT OR IGNORE INTO unlogged_answered (A1, A2, E1, E2, E3, E4)"
                           " SELECT A1, A2, E1, E2, E3, E4 FROM tab_answ a WHERE a.E2 <> ''"
                           " AND NOT EXISTS (SELECT 1 FROM memory_state m WHERE m.A1 = a.A1)"));
    db.exec(QStringLiteral("CREATE TRIGGER IF NOT EXISTS memory_state_logged AFTER INSERT ON memory_state"
                           " BEGIN DELETE FROM unlogged_answered WHERE A1 = new.A1; END"));
}

// Each indexed question's text as written beside its folded body, so a result shows
// "UNIX" and "ＡＢＣ" as the book has them. The index is marked unbuilt: the next start
// builds it again with the texts.
void searchShownText(Connection& db)
{
    if (!db.columnsOf(QStringLiteral("search_doc")).contains(QStringLiteral("shown"), Qt::CaseInsensitive))
        db.exec(QStringLiteral("ALTER TABLE search_doc ADD COLUMN shown TEXT"));
    db.exec(QStringLiteral("DELETE FROM search_built"));
}

// What the forecast reads, so opening the plan or the chart reads no question's text
// and no log row. The questions' draw columns and counters, and what a memory state's
// recall needs, both by id; each first answer (nothing predicted) with whether it was
// right; and the answers counted by
// tenth of predicted recall (bin 0-9; -1: nothing predicted), kept by triggers in the
// statement that writes the log row, so they cannot part from it.
void forecastReads(Connection& db)
{
    db.exec(QStringLiteral("CREATE INDEX IF NOT EXISTS ix_answ_forecast ON tab_answ(A1, A13, A10, F1, E3, E1, E2, E4, A2)"));
    db.exec(QStringLiteral("CREATE INDEX IF NOT EXISTS ix_memory_state_forecast ON memory_state(A1, stability, phase, last_review)"));
    // No partial index: this engine (3.15) answers "x in (select A1 from answer_log)"
    // from a partial index on A1 and leaves out the rows its condition skips. The
    // first answers are the rows without a recall, in id order, from the whole index.
    db.exec(QStringLiteral("DROP INDEX IF EXISTS ix_answer_log_first"));
    db.exec(QStringLiteral("CREATE INDEX IF NOT EXISTS ix_answer_log_first_right ON answer_log(recall, A1, right)"));
    db.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS answer_log_bin (bin INTEGER NOT NULL PRIMARY KEY,"
                           "answers INTEGER NOT NULL, recall REAL NOT NULL, right INTEGER NOT NULL)"));
    const QString bin = QStringLiteral("coalesce(min(max(cast(%1.recall * 10 as integer), 0), 9), -1)");
    // Every bin has its row from the start, so the triggers only add to it.
    db.exec(QStringLiteral("DELETE FROM answer_log_bin"));
    db.exec(QStringLiteral("INSERT INTO answer_log_bin (bin, answers, recall, right)"
                           " SELECT %1 AS b, count(*), coalesce(sum(l.recall), 0), coalesce(sum(l.right <> 0), 0)"
                           " FROM answer_log l GROUP BY b").arg(bin.arg(QStringLiteral("l"))));
    db.exec(QStringLiteral("INSERT OR IGNORE INTO answer_log_bin (bin, answers, recall, right)"
                           " WITH RECURSIVE b(n) AS (SELECT -1 UNION ALL SELECT n + 1 FROM b WHERE n < 9) SELECT n, 0, 0, 0 FROM b"));
    const QString add = QStringLiteral(
        "UPDATE answer_log_bin SET answers = answers + 1, recall = recall + coalesce(new.recall, 0), right = right + (new.right <> 0)"
        " WHERE bin = %1;").arg(bin.arg(QStringLiteral("new")));
    const QString remove = QStringLiteral(
        "UPDATE answer_log_bin SET answers = answers - 1, recall = recall - coalesce(old.recall, 0), right = right - (old.right <> 0)"
        " WHERE bin = %1;").arg(bin.arg(QStringLiteral("old")));
    db.exec(QStringLiteral("CREATE TRIGGER IF NOT EXISTS answer_log_bin_insert AFTER INSERT ON answer_log BEGIN ") + add
            + QStringLiteral(" END"));
    db.exec(QStringLiteral("CREATE TRIGGER IF NOT EXISTS answer_log_bin_delete AFTER DELETE ON answer_log BEGIN ") + remove
            + QStringLiteral(" END"));
    db.exec(QStringLiteral("CREATE TRIGGER IF NOT EXISTS answer_log_bin_update AFTER UPDATE OF recall, right ON answer_log BEGIN ")
            + remove + QStringLiteral(" ") + add + QStringLiteral(" END"));
}

// New steps go at the end; a released step is never edited, since banks have run it.
const Migration kMigrations[] = {
    {2, "the unfinished exam's table", examResume},
    {3, "the search index", searchIndex},
    {4, "the index a paper is drawn by", drawIndex},
    {5, "bookmarks and the wrong-question book's removals", bookmarksAndRemovals},
    {6, "the answer log and each question's memory state", answerLogAndMemory},
    {7, "the forecast's daily history and the recall predicted before each answer", forecastHistory},
    {8, "what today's review reads: memory states by due day, voided, never answered and unlogged questions", reviewQueue},
    {9, "the search index keeps each text as written, for excerpts", searchShownText},
    {10, "what the forecast reads: questions' draw columns and counters, first answers, answers by predicted recall", forecastReads},
};

void setVersion(Connection& db, int version)
{
    // A pragma takes no bound parameter; the value is our own integer.
    db.execScript(QStringLiteral("PRAGMA user_version = %1").arg(version));
}

} // namespace

const Migration* migrationsBegin()
{
    return std::begin(kMigrations);
}

const Migration* migrationsEnd()
{
    return std::end(kMigrations);
}

int newestBankVersion()
{
    return std::prev(std::end(kMigrations))->version;
}

int bankVersion(Connection& db)
{
    return db.scalar(QStringLiteral("PRAGMA user_version")).toInt();
}

int migrateBank(Connection& db)
{
    const int have = bankVersion(db);
    if (have > newestBankVersion())
        throw DbError(DbError::Kind::TooNew,
                      QStringLiteral("the bank's layout is version %1; this program knows up to %2").arg(have).arg(newestBankVersion()));
    int ran = 0;
    for (const Migration& step : kMigrations) {
        if (step.version <= have)
            continue;
        Transaction t(db);
        step.apply(db);
        setVersion(db, step.version);
        t.commit();
        qCInfo(lcMigrate) << "bank layout" << step.version << "--" << step.purpose;
        ++ran;
    }
    return ran;
}

} // namespace store
