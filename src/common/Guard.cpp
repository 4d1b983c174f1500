#include "common/Guard.h"

#include "common/Prompt.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcGuard, "tesvora.guard", QtWarningMsg)

namespace guard {

QString kindText(store::DbError::Kind kind)
{
    using Kind = store::DbError::Kind;
    switch (kind) {
    case Kind::Missing: return QStringLiteral("题库文件不存在。");
    case Kind::NotADatabase:
    case Kind::Corrupt: return QStringLiteral("文件不是本程序的题库，或者已经损坏。");
    case Kind::Busy: return QStringLiteral("题库正被其他程序使用，请稍后再试。");
    case Kind::ReadOnly: return QStringLiteral("题库文件是只读的，无法保存。");
    case Kind::Full: return QStringLiteral("磁盘空间不足，无法保存。");
    case Kind::TooNew: return QStringLiteral("题库来自更新版本的程序，请先升级本程序。");
    case Kind::Constraint:
    case Kind::Sql:
    case Kind::Usage: break;
    }
    return QString();
}

namespace {

// The kind's line, and the engine's words for the log.
std::pair<QString, QString> describe(const std::exception_ptr& error)
{
    try {
        if (error)
            std::rethrow_exception(error);
    } catch (const store::DbError& e) {
        return {kindText(e.kind()), e.message()};
    } catch (const std::exception& e) {
        return {QString(), QString::fromUtf8(e.what())};
    } catch (...) {
    }
    return {QString(), QStringLiteral("unknown failure")};
}

} // namespace

QString messageFor(const QString& failureText, const std::exception_ptr& error)
{
    const QString why = describe(error).first;
    return why.isEmpty() ? failureText : failureText + QLatin1Char('\n') + why;
}

void report(const QString& failureText, const std::exception_ptr& error) noexcept
{
    try {
        qCWarning(lcGuard).noquote() << failureText << "--" << describe(error).second;
        prompt::error(messageFor(failureText, error));
    } catch (...) {
        // Nothing sensible is left to do; the screen stays as it is.
    }
}

} // namespace guard
