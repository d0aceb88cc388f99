// The closed form of straight stretches against the step-by-step recurrence it replaces:
// wherever it claims exact points, every one of them is the recurrence's, bit for bit.
#include "compactor/rettilineo.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>

namespace {

// The recurrence for `passi` points after a (which follows b), each compared with the
// closed form; the number of the first point that differs, or 0.
int64_t primo_diverso(double a, double b, int64_t passi) {
    const double passo = a - b;
    double x2 = b, x1 = a;
    for (int64_t j = 1; j <= passi; ++j) {
        const double x = x1 + (x1 - x2);
        if (std::bit_cast<uint64_t>(x) !=
            std::bit_cast<uint64_t>(a + static_cast<double>(j) * passo)) {
            return j;
        }
        x2 = x1;
        x1 = x;
    }
    return 0;
}

}  // namespace

TEST(Rettilineo, IPassiEsattiSonoQuelliDellaRicorrenza) {
    std::mt19937_64 caso(11);
    std::uniform_int_distribution<int> esponente(-30, 30);
    std::uniform_real_distribution<double> frazione(1.0, 2.0);
    std::uniform_real_distribution<double> passo(-2.0, 2.0);
    int con_forma_chiusa = 0;
    for (int prova = 0; prova < 20000; ++prova) {
        const double segno = caso() % 2 == 0 ? 1.0 : -1.0;
        const double a = segno * std::ldexp(frazione(caso), esponente(caso));
        // Steps of a metre or so near the route's coordinates, and steps of any size.
        const double b =
            caso() % 2 == 0 ? a - passo(caso) : a - std::ldexp(passo(caso), esponente(caso));
        const int64_t esatti = passi_esatti(a, b);
        if (esatti == 0) {
            continue;
        }
        ++con_forma_chiusa;
        const int64_t da_provare = std::min<int64_t>(esatti, 20000);
        ASSERT_EQ(primo_diverso(a, b, da_provare), 0)
            << std::hexfloat << "a " << a << ", b " << b << ", " << esatti << " passi";
    }
    EXPECT_GT(con_forma_chiusa, 5000);
}

TEST(Rettilineo, CasiAlBordo) {
    constexpr int64_t senza_fine = std::numeric_limits<int64_t>::max();
    struct caso {
        double a, b;
        int64_t attesi;
    };
    const caso casi[] = {
        {1000.25, 1000.0, 94},    // 1000.25 + 94 x 0.25 = 1023.75, the last below 1024
        {1000.0, 1000.25, 1952},  // going down to 512
        {-1000.25, -1000.0, 94},  // the same on the negative side
        {1000.0, 1000.0, senza_fine},
        {1000.0, 1024.5, 0},  // b in the next binade
        {0.5, -0.5, 0},       // across zero
        {0.0, 1.0, 0},
        {std::numeric_limits<double>::denorm_min() * 4, std::numeric_limits<double>::denorm_min(),
         0},
        {std::numeric_limits<double>::infinity(), 1.0, 0},
        {std::numeric_limits<double>::quiet_NaN(), 1.0, 0},
    };
    for (const caso& k : casi) {
        EXPECT_EQ(passi_esatti(k.a, k.b), k.attesi) << k.a << " dopo " << k.b;
        if (k.attesi > 0 && k.attesi < senza_fine) {
            EXPECT_EQ(primo_diverso(k.a, k.b, k.attesi), 0) << k.a;
        }
    }
}
