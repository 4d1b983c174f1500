#pragma once

#include <QDate>
#include <QDateTime>

namespace store {

// The one source of "today" and "now". Tests fix it; the program reads the system clock.
class Clock {
public:
    static QDate today();
    static QDateTime now();
    static void setFixed(const QDateTime& now); // tests: freeze the clock here
    static void reset();                        // back to the system clock
};

} // namespace store
