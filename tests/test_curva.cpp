// The curve loops against the scalar recurrence they must reproduce, point by point and bit
// for bit: near 0 the binades are short, a curve may cross a power of two, the faster
// loop's shorter chain rounds differently now and then, and the recurrence's point must be
// the one kept.
#include "compactor/curva.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

namespace {

struct punto {
    double x, y;
};

// The recurrence as the file needs it, one scalar operation at a time.
std::vector<punto> ricorrenza(punto p1, punto p2, int64_t quanti, double k) {
    std::vector<punto> punti;
    for (int64_t i = 0; i < quanti; ++i) {
        const double dx = p1.x - p2.x;
        const double dy = p1.y - p2.y;
        const punto p = {p1.x + (dx + k * dy), p1.y + (dy + (-k) * dx)};
        punti.push_back(p);
        p2 = p1;
        p1 = p;
    }
    return punti;
}

bool stesso_punto(const punto& a, const punto& b) {
    return std::bit_cast<uint64_t>(a.x) == std::bit_cast<uint64_t>(b.x) &&
           std::bit_cast<uint64_t>(a.y) == std::bit_cast<uint64_t>(b.y);
}

}  // namespace

// Both loops, on curves from random starts of every scale, and on curves of the route's
// scale that cross a power of two on the way.
TEST(Curva, OgniPuntoEQuelloDellaRicorrenza) {
    std::mt19937_64 caso(5);
    std::uniform_real_distribution<double> unita(-1.0, 1.0);
    std::uniform_int_distribution<int> esponente(-3, 17);
    constexpr double curvature[] = {0.0001, 0.0002, 0.0004, 0.001, 0.002, 0.003};
    int64_t scorciatoia_diversa = 0;  // points where a reordered sum rounds otherwise
    for (int prova = 0; prova < 3000; ++prova) {
        punto p1, p2;
        const double direzione = unita(caso) * 3.2;
        const double passo = 1.0 + unita(caso) * 0.1;
        if (prova % 3 == 0) {
            // Heading for the next power of two along x, about 200 m before it.
            const double potenza = std::ldexp(1.0, 9 + static_cast<int>(caso() % 8));
            p2 = {potenza - 200.0 + unita(caso), potenza * (1.25 + unita(caso) * 0.2)};
        } else {
            const double scala = std::ldexp(1.0, esponente(caso));
            p2 = {unita(caso) * scala, unita(caso) * scala};
        }
        p1 = {p2.x + passo * std::cos(direzione), p2.y + passo * std::sin(direzione)};
        const double k = curvature[caso() % 6] * (caso() % 2 == 0 ? 1.0 : -1.0);
        const int64_t quanti = 1 + static_cast<int64_t>(caso() % 1500);

        const std::vector<punto> attesi = ricorrenza(p1, p2, quanti, k);
        const auto prova_il_ciclo = [&](const char* nome, auto ciclo) {
            std::vector<punto> ottenuti(static_cast<std::size_t>(quanti));
            coppia c1 = {p1.x, p1.y};
            coppia c2 = {p2.x, p2.y};
            ciclo(c1, c2, 0, quanti - 1, k, [&](int64_t i, coppia p) {
                ottenuti[static_cast<std::size_t>(i)] = {p[0], p[1]};
            });
            for (std::size_t i = 0; i < attesi.size(); ++i) {
                ASSERT_TRUE(stesso_punto(ottenuti[i], attesi[i]))
                    << nome << std::hexfloat << ", prova " << prova << ", punto " << i << ": "
                    << ottenuti[i].x << ", " << ottenuti[i].y << " invece di " << attesi[i].x
                    << ", " << attesi[i].y;
            }
            EXPECT_TRUE(stesso_punto({c1[0], c1[1]}, attesi.back())) << nome;
            EXPECT_TRUE(
                stesso_punto({c2[0], c2[1]}, attesi.size() > 1 ? attesi[attesi.size() - 2] : p1))
                << nome;
        };
        prova_il_ciclo("punti_in_curva", [](auto&&... a) { punti_in_curva(a...); });
        prova_il_ciclo("curva_passo_passo", [](auto&&... a) { curva_passo_passo(a...); });

        punto a = p1, b = p2;
        for (const punto& atteso : attesi) {
            const double dx = a.x - b.x;
            const double dy = a.y - b.y;
            const punto breve = {(a.x + dx) + k * dy, (a.y + dy) + (-k) * dx};
            scorciatoia_diversa += stesso_punto(breve, atteso) ? 0 : 1;
            b = a;
            a = atteso;
        }
    }
    // The curves hold the cases a faster loop must take care of: points that any other
    // order of the operations rounds otherwise.
    EXPECT_GT(scorciatoia_diversa, 100);
}
