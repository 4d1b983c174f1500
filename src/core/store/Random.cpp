#include "core/store/Random.h"

namespace store {

namespace {
std::mt19937& engine()
{
    static std::mt19937 g = [] {
        std::random_device device;
        std::seed_seq seq{device(), device(), device(), device()};
        return std::mt19937(seq);
    }();
    return g;
}
} // namespace

std::mt19937& Random::generator() { return engine(); }

void Random::seed(quint32 value) { engine().seed(value); }

int Random::below(int bound)
{
    if (bound <= 0)
        return 0;
    return std::uniform_int_distribution<int>(0, bound - 1)(engine());
}

} // namespace store
