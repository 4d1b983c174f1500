#pragma once

#include <QtGlobal>
#include <random>

namespace store {

// The one random generator of the program, seeded once per process (drawing a
// paper twice within one clock tick must not repeat the same positions). Tests
// seed it to make a draw repeatable.
class Random {
public:
    static std::mt19937& generator();
    static void seed(quint32 value); // tests: restart the sequence from here
    // A uniform integer in [0, bound); 0 when bound is 0 or less.
    static int below(int bound);
};

} // namespace store
