#pragma once

#include "core/store/DbError.h"

#include <QString>
#include <exception>
#include <functional>
#include <type_traits>
#include <utility>

// Qt does not carry exceptions through its event loop: every slot that reaches
// the store runs through guard::run. A failure is logged with the engine's words,
// the candidate sees the screen's own message (with a line saying why when the
// kind tells something useful), and the screen stays usable.
namespace guard {

// The candidate's words for a kind of store failure; empty when it adds nothing.
QString kindText(store::DbError::Kind kind);

// The screen's message with the kind's line under it.
QString messageFor(const QString& failureText, const std::exception_ptr& error);

// Logs the failure and shows it as an error prompt. Never throws.
void report(const QString& failureText, const std::exception_ptr& error) noexcept;

// Runs `f`; true when it returned, false when it threw (and the failure was shown).
template <class F>
bool run(const QString& failureText, F&& f) noexcept
{
    try {
        std::invoke(std::forward<F>(f));
        return true;
    } catch (...) {
        report(failureText, std::current_exception());
        return false;
    }
}

namespace detail {
template <class F, class... Args>
void callWithoutArguments(F& f, Args&&...)
{
    f();
}
} // namespace detail

// A guarded slot for connect():
//   connect(button, &QAbstractButton::clicked, this, guard::slot(text, [this] { ... }));
// `f` may take the signal's arguments or none.
template <class F>
auto slot(QString failureText, F f)
{
    return [failureText = std::move(failureText), f = std::move(f)](auto&&... args) mutable {
        run(failureText, [&] {
            if constexpr (std::is_invocable_v<F&, decltype(args)...>)
                f(std::forward<decltype(args)>(args)...);
            else
                detail::callWithoutArguments(f, args...); // dependent, so clang checks it only when chosen
        });
    };
}

} // namespace guard
