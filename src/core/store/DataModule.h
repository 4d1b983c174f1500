#pragma once

#include "core/store/Connection.h"
#include "core/store/Dataset.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

// The data module: the one connection to the bank, the datasets that screens
// share, and the statistics bookkeeping of every recorded answer.
//
// Bookkeeping flags are 2 for yes (first time, wrong) and 1 for no; any other
// value throws DbError(Usage) before anything is written. Without an open
// transaction each operation runs in one of its own (whole or not at all); inside
// the caller's store::Transaction its statements join it, so one recorded answer
// (question row and all its counters) is all-or-nothing: on a failure the caller
// lets its Transaction roll back. Open shared tables over a changed table
// (Cn1Table_rz, Cn1Table_kmmc) get the changed rows at once, in place, and give
// them back when the transaction rolls back.
class TDM1 : public QObject {
    Q_OBJECT
public:
    explicit TDM1(QObject* parent = nullptr);
    ~TDM1() override;

    // AppDir := the executable's folder + "/"; opens AppDir + "data/ZT468913.db"
    // with the bank key. Any failure: ConnectOk false, false returned, OpenFailure
    // says why, the file left exactly as it was. A bank that could not be written
    // (a read-only file or folder) does not open either: every answer would fail.
    bool DataModuleCreate();
    // The same for any bank file (tests, tools).
    bool openBank(const QString& path);
    // Why the last openBank failed; empty after a success.
    std::optional<store::DbError::Kind> OpenFailure;
    void closeBank(); // closes every shared dataset, then the connection

    // The bank connection; throws DbError(Usage) when the bank is not open.
    store::Connection& db();

    bool ConnectOk = false;
    QString AppDir;                // with a trailing "/"
    QString CurrentChapterHeading; // C1_1 of the chapter row last made current

    // Shared datasets; a screen closes one, sets its statement and opens it.
    store::Dataset* Cn1Query1;
    store::Dataset* Cn1Query2;
    store::Dataset* Cn1Query_tm;   // question set of the open practice screen
    store::Dataset* cn1query_nr;   // tab_exer row of the current practice question
    store::Dataset* Cn1Query_exam; // rows of the open mock paper
    store::Dataset* Cn1Table_kmmc; // tab_kmmc ordered by bh
    store::Dataset* Cn1Table_tx;   // set to app::currentTypeTable() by each user
    store::Dataset* Cn1Table_rz;
    store::Dataset* Cn1Table_cj;
    store::Dataset* Cn1Table_fgmc;
    store::Dataset* Cn1Table_plan;

    void openIfClosed(store::Dataset* ds);
    // Re-reads the open shared tables that the bookkeeping changes.
    void refreshSharedTables();

    // One answer in today's tab_rz row (appended when missing).
    void LogDailyAnswer(int firstToday, int result, int previous);
    // One answer on the chapter row and every row whose C1 is a prefix of its code.
    void CountChapterAnswer(const QString& chapterCode, int firstEver, int result);
    // One answer on the points, their sections (first 6 characters) and top nodes
    // (first 2). The list ends at its first empty id; an empty list counts nothing.
    void CountPointAnswer(const QStringList& pointIds, int firstEver, int result);
    // Adds the elapsed clock text to today's D1 and refreshes today's A4 (nothing
    // is written to the log without today's row), then C6 on every tab_kmmc row.
    void AddStudyTime(const QString& clockText);

    // Sum of B2 × B3 over a question-type table (the current paper's: app::currentTypeTable()).
    int PaperTotalScore(const QString& typeTable);
    // Checks that a paper table exists with the columns A2, A14, E2, E2_1 and
    // csbs (SQLite keeps '' apart from NULL by itself); throws DbError otherwise.
    void AllowZeroLengthColumns(const QString& tableName);
    // Drops a paper table ("tab_exam" + digits) that exists, with its tab_cj row,
    // all or nothing; a failure throws DbError (inside a caller's transaction it
    // undoes the caller's work too). Other names are left alone.
    void DropPaperTable(const QString& tableName);

public Q_SLOTS:
    // Runs whenever the current row of Cn1Table_kmmc changes.
    void Cn1DS_kmmcDataChange();

private:
    std::unique_ptr<store::Connection> m_db;
    QList<store::Dataset*> m_datasets;

    store::Dataset* makeDataset();
    void refreshIfOpen(store::Dataset* ds);
    void refreshRowsIfOpen(store::Dataset* ds, const QString& column, const QVariantList& values);
};

extern TDM1* DM1;
