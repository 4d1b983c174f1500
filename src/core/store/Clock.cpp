#include "core/store/Clock.h"

namespace store {

namespace {
QDateTime g_fixed;
}

QDate Clock::today() { return now().date(); }
QDateTime Clock::now() { return g_fixed.isValid() ? g_fixed : QDateTime::currentDateTime(); }
void Clock::setFixed(const QDateTime& now) { g_fixed = now; }
void Clock::reset() { g_fixed = QDateTime(); }

} // namespace store
