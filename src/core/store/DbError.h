#pragma once

#include <QString>
#include <stdexcept>

namespace store {

// Every failure of the store layer. The UI picks its own words by kind;
// message() keeps the engine's text for logs and tests.
class DbError : public std::runtime_error {
public:
    enum class Kind {
        Missing,      // the file does not exist
        NotADatabase, // wrong key, or not a database at all
        Corrupt,      // integrity failure
        Busy,         // another process holds a lock
        ReadOnly,     // the file or its folder cannot be written
        Full,         // the disk (or the page limit) is full
        Constraint,   // a key or NOT NULL was violated
        Sql,          // any other engine error
        Usage,        // the caller used the API wrongly (no current row, ...)
        TooNew        // the bank's layout is newer than this program knows
    };

    DbError(Kind kind, const QString& message, int code = 0)
        : std::runtime_error(message.toStdString()), m_kind(kind), m_code(code), m_message(message) {}

    Kind kind() const { return m_kind; }
    int code() const { return m_code; }
    QString message() const { return m_message; }

private:
    Kind m_kind;
    int m_code;
    QString m_message;
};

} // namespace store
