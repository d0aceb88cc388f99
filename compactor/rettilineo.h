// Straight stretches of the plan in closed form. Straight on, each point is the last one
// plus the last step, x = a + (a - b), rounded at every step. While a coordinate stays in
// the binade of a (one sign, from one power of two up to the next), every double there is
// a whole multiple of one unit: a - b is exact, each sum is exact, the step never changes,
// and the j-th point is a + j (a - b) exactly, with no chain of roundings to wait for.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

// How many points j = 1, 2, ... after a (which follows b) are exactly a + j (a - b):
// 0 when a and b are not normal numbers of one binade; the largest int64_t when the step
// is 0.
inline int64_t passi_esatti(double a, double b) {
    if (!std::isnormal(a) || !std::isnormal(b) || std::signbit(a) != std::signbit(b) ||
        std::ilogb(a) != std::ilogb(b)) {
        return 0;
    }
    // Magnitudes in units of the binade: whole numbers from 2^52 up to 2^53 - 1.
    const int scala = 52 - std::ilogb(a);
    const auto unita_a = static_cast<int64_t>(std::ldexp(std::fabs(a), scala));
    const auto unita_b = static_cast<int64_t>(std::ldexp(std::fabs(b), scala));
    const int64_t passo = unita_a - unita_b;
    constexpr int64_t minimo = int64_t{1} << 52;
    constexpr int64_t massimo = (int64_t{1} << 53) - 1;
    if (passo == 0) {
        return std::numeric_limits<int64_t>::max();
    }
    return passo > 0 ? (massimo - unita_a) / passo : (unita_a - minimo) / -passo;
}
