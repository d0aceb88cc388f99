// The plan's table against a plain list of typed values: whatever is set, in any order and
// over any stretch, reads back with its type, and the runs of one type stay as few as can
// be (so the output step's loops stay long).
#include "compactor/tabella_piano.h"

#include <gtest/gtest.h>

#include <random>
#include <stdexcept>
#include <vector>

namespace {

// The runs say the same as the values, and no two neighbours share a type.
void verifica(const tabella_piano& t, const std::vector<valore_piano>& attesi) {
    ASSERT_EQ(t.numero_valori(), attesi.size());
    for (std::size_t k = 0; k < attesi.size(); ++k) {
        ASSERT_EQ(t.valore(k), attesi[k]) << "valore " << k;
    }
    const auto& tratti = t.tratti();
    ASSERT_FALSE(tratti.empty());
    EXPECT_EQ(tratti.front().inizio, 0u);
    for (std::size_t r = 1; r < tratti.size(); ++r) {
        EXPECT_LT(tratti[r - 1].inizio, tratti[r].inizio);
        EXPECT_NE(tratti[r - 1].tipo, tratti[r].tipo) << "tratto " << r;
    }
}

valore_piano a_caso(std::mt19937& caso) {
    switch (caso() % 3) {
        case 0: return std::monostate{};
        case 1: return static_cast<int16_t>(caso() % 65536 - 32768);
        default: return static_cast<double>(caso()) / 7.0;
    }
}

}  // namespace

TEST(TabellaPiano, ComeUnElencoDiValoriTipati) {
    std::mt19937 caso(7);
    for (const std::size_t punti : {1u, 2u, 5u, 40u}) {
        tabella_piano t(punti);
        std::vector<valore_piano> attesi(2 * punti);
        verifica(t, attesi);
        for (int passo = 0; passo < 400; ++passo) {
            const std::size_t da = caso() % punti;
            if (caso() % 2 == 0) {
                const punto_piano p{a_caso(caso), a_caso(caso)};
                t.imposta(da, p);
                attesi[da] = p.x;
                attesi[punti + da] = p.y;
            } else {
                const std::size_t a = da + caso() % (punti - da);
                for (std::size_t i = da; i <= a; ++i) {
                    t.metti_doppi(i, i + 0.5, -(i + 0.25));
                    attesi[i] = i + 0.5;
                    attesi[punti + i] = -(i + 0.25);
                }
                t.segna_doppi(da, a);
            }
            verifica(t, attesi);
        }
        const tabella_piano copia = t;
        verifica(copia, attesi);
    }
}

TEST(TabellaPiano, UnPianoCompiutoSonoTreTrattiPerColonna) {
    tabella_piano t(108001);
    t.imposta(0, {int16_t{0}, int16_t{0}});
    t.imposta(1, {int16_t{0}, int16_t{1}});
    for (std::size_t da = 2; da < 107999; da += 1000) {
        const std::size_t a = std::min<std::size_t>(da + 999, 107998);
        for (std::size_t i = da; i <= a; ++i) {
            t.metti_doppi(i, 0.0, static_cast<double>(i));
        }
        t.segna_doppi(da, a);
    }
    using enum tabella_piano::tipo_valore;
    const std::vector<std::pair<std::size_t, tabella_piano::tipo_valore>> attesi = {
        {0, integer},      {2, doppio},      {107999, vuoto},
        {108001, integer}, {108003, doppio}, {216000, vuoto}};
    ASSERT_EQ(t.tratti().size(), attesi.size());
    for (std::size_t r = 0; r < attesi.size(); ++r) {
        EXPECT_EQ(t.tratti()[r].inizio, attesi[r].first) << r;
        EXPECT_EQ(t.tratti()[r].tipo, attesi[r].second) << r;
    }
    EXPECT_EQ(t[1].y, valore_piano{int16_t{1}});
    EXPECT_EQ(t.at(107998).y, valore_piano{107998.0});
    EXPECT_THROW(t.at(108001), std::out_of_range);
}
