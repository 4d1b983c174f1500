#pragma once

#include <QString>
#include <QStringList>
#include <sqlite3.h>

// Every statement a connection runs while the trace is installed, in order, as the
// code wrote it (trigger bodies left out). Counting statements instead of timing
// them tells a per-row query from a set-wide one on any machine.
class StatementTrace {
public:
    explicit StatementTrace(sqlite3* handle)
        : m_handle(handle)
    {
        sqlite3_trace_v2(m_handle, SQLITE_TRACE_STMT, &StatementTrace::onStatement, this);
    }
    ~StatementTrace() { stop(); }
    StatementTrace(const StatementTrace&) = delete;
    StatementTrace& operator=(const StatementTrace&) = delete;

    void stop() { sqlite3_trace_v2(m_handle, 0, nullptr, nullptr); }
    void clear() { m_statements.clear(); }
    const QStringList& statements() const { return m_statements; }
    int count() const { return int(m_statements.size()); }

private:
    // The text is "-- name" when a trigger's body starts.
    static int onStatement(unsigned, void* self, void*, void* text)
    {
        const QString sql = QString::fromUtf8(static_cast<const char*>(text)).simplified();
        if (!sql.startsWith(QLatin1String("--")))
            static_cast<StatementTrace*>(self)->m_statements << sql;
        return 0;
    }
    sqlite3* m_handle;
    QStringList m_statements;
};
