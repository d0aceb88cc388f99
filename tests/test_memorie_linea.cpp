// The line record stores on a grid set up by hand: chainage ordering with its tie table,
// mountain spans and their markers, maximum-speed signs.
#include "compactor/compattatore.h"
#include "compactor/errore_lettura.h"

#include "aiuti.h"

#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <limits>
#include <vector>

namespace {

using tripla = std::array<int32_t, 3>;

class MemorieLinea : public ::testing::Test {
protected:
    MemorieLinea() : c(cartella.percorso(), identita_predefinita()) {
        c.n_celle = 2160;
        c.celle.crea(2161);
    }

    void metti(int indice, const tripla& t) {
        c.voci.scrivi(indice).dato1 = t[0];
        c.voci.scrivi(indice).dato2 = t[1];
        c.voci.scrivi(indice).dato3 = t[2];
    }
    tripla di(int indice) const {
        return {c.voci[indice].dato1, c.voci[indice].dato2, c.voci[indice].dato3};
    }
    // Cells first..last (inclusive) whose montagna is the given value, counted.
    int celle_con_montagna(int prima, int ultima, uint8_t tipo) const {
        int n = 0;
        for (int i = prima; i <= ultima; ++i) {
            n += c.celle[i].montagna == tipo ? 1 : 0;
        }
        return n;
    }
    std::vector<int> marcatori() const {
        std::vector<int> dove;
        for (std::size_t i = 0; i < c.celle.size(); ++i) {
            if (c.celle[i].tipo == tipo_cella::marcatore_galleria) {
                dove.push_back(static_cast<int>(i));
            }
        }
        return dove;
    }
    void montagna(int32_t inizio, int32_t fine, int32_t tipo) {
        rifiuto = c.memo_montagna(inizio, fine, tipo);
    }
    void cartello(int32_t p, std::array<int32_t, 8> v) {
        rifiuto = c.memo_indicatori_v_max(p, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7]);
    }

    cartella_temporanea cartella;
    compattatore c;
    std::optional<problema> rifiuto;  // what the last store said
};

}  // namespace

TEST_F(MemorieLinea, ProgressiveOrdinaPerInizioConTabellaDeiPariEPerProgressiva) {
    const tripla zero{0, 0, 0};
    struct caso {
        const char* nome;
        tripla tre, due, uno;  // as read into voci(81), (82), (83)
        tripla v81, v82, v83;  // after the ordering
    };
    const caso casi[] = {
        {"carried rows: due last, tre and uno tie at 0",
         zero,
         {98250, 213400, 0},
         {0, 100950, 1},
         {98250, 213400, 0},
         {0, 101050, 1},
         zero},
        {"first stretch in tre, empty one in uno",
         {0, 100950, 1},
         {98250, 213400, 0},
         zero,
         {98250, 213400, 0},
         zero,
         {0, 101050, 1}},
        {"tie under tre",
         {500, 1, 0},
         {100, 2, 0},
         {100, 3, 0},
         {500, 1, 0},
         {100, 3, 0},
         {100, 2, 0}},
        {"tie under due",
         {100, 1, 0},
         {500, 2, 0},
         {100, 3, 0},
         {500, 2, 0},
         {100, 3, 0},
         {100, 1, 0}},
        {"tie under uno",
         {100, 1, 0},
         {100, 2, 0},
         {500, 3, 0},
         {500, 3, 0},
         {100, 2, 0},
         {100, 1, 0}},
        {"strict order, tre first",
         {300, 1, 0},
         {100, 2, 0},
         {200, 3, 0},
         {300, 1, 0},
         {200, 3, 0},
         {100, 2, 0}},
        {"strict order, due first",
         {100, 1, 0},
         {300, 2, 0},
         {200, 3, 0},
         {300, 2, 0},
         {200, 3, 0},
         {100, 1, 0}},
        {"strict order, uno first",
         {200, 1, 0},
         {100, 2, 0},
         {300, 3, 0},
         {300, 3, 0},
         {200, 1, 0},
         {100, 2, 0}},
        {"shared greatest start: all zero", {500, 1, 1}, {500, 2, 0}, {0, 3, 1}, zero, zero, zero},
        {"starts 0, uno has a chainage",
         {0, 7, 0},
         {0, 8, 0},
         {0, 9, 1},
         {0, 109, 1},
         {0, 8, 0},
         {0, 7, 0}},
        {"starts 0, only due has a chainage",
         {0, -50, 0},
         {0, 5000, 1},
         {0, 0, 0},
         {0, 5100, 1},
         {0, -50, 0},
         zero},
        {"starts 0, only tre has a chainage",
         {0, 7, 1},
         {0, 0, 0},
         {0, -3, 0},
         {0, 107, 1},
         zero,
         {0, -3, 0}},
        {"starts 0, no chainage above 0", {0, -7, 1}, zero, {0, -3, 0}, zero, zero, zero},
    };
    for (const caso& k : casi) {
        SCOPED_TRACE(k.nome);
        metti(81, k.tre);
        metti(82, k.due);
        metti(83, k.uno);
        c.progressive_ordina();
        EXPECT_EQ(di(81), k.v81);
        EXPECT_EQ(di(82), k.v82);
        EXPECT_EQ(di(83), k.v83);
    }
}

TEST_F(MemorieLinea, ProgressiveOrdinaFuoriDai32BitEErroreDiLettura) {
    const int32_t massimo = std::numeric_limits<int32_t>::max();
    metti(81, {massimo, 0, 0});
    metti(82, {1, 0, 0});
    metti(83, {-5, 0, 0});
    EXPECT_THROW(c.progressive_ordina(), errore_lettura);

    metti(81, {0, massimo - 99, 1});
    metti(82, {0, 0, 0});
    metti(83, {0, 0, 0});
    EXPECT_THROW(c.progressive_ordina(), errore_lettura);
}

TEST_F(MemorieLinea, MontagneCelleMarcatoriEDistanzaDallaPrecedente) {
    int32_t inizio = 4600, fine = 4750, tipo = 12;
    rifiuto = c.memo_montagna(inizio, fine, tipo);
    EXPECT_EQ(tipo, 2);  // the adjusted type goes back to the caller
    EXPECT_EQ(celle_con_montagna(92, 94, 2), 3);
    EXPECT_EQ(celle_con_montagna(0, 2160, 2), 3);
    EXPECT_TRUE(marcatori().empty());

    // More than 150 m after the span before: its own type; a marker on the 4th cell only
    // where the cell holds no object.
    c.celle.scrivi(453).tipo = tipo_cella::cartello_indicatore;
    montagna(22300, 22650, 11);
    EXPECT_EQ(celle_con_montagna(446, 452, 1), 7);
    EXPECT_EQ(c.celle[445].montagna, 0);
    EXPECT_EQ(c.celle[453].montagna, 0);
    EXPECT_EQ(marcatori(), std::vector<int>{449});

    // 50 m after the previous end: type 3, the marker flag kept from the row's type.
    montagna(35000, 35200, 2);
    montagna(35250, 35650, 12);
    EXPECT_EQ(celle_con_montagna(705, 712, 3), 8);
    c.celle.scrivi(1000 + 3).tipo = tipo_cella::indicatore_v_max;
    montagna(50000, 50450, 11);  // cells 1000..1008, markers on counters 4 and 8
    EXPECT_EQ(marcatori(), (std::vector<int>{449, 708, 712, 1007}));
    EXPECT_EQ(c.celle[1003].tipo, tipo_cella::indicatore_v_max);

    // A span starting before the previous one ended also gets 3.
    montagna(50400, 50500, 2);
    EXPECT_EQ(celle_con_montagna(1008, 1009, 3), 2);

    montagna(98350, 98400, 2);
    EXPECT_EQ(celle_con_montagna(1966, 1968, 2), 1);
    EXPECT_EQ(c.celle[1967].montagna, 2);

    EXPECT_EQ(c.n_montagne, 7);
    EXPECT_EQ(c.montagne_inizio[1], 4600);
    EXPECT_EQ(c.montagne_fine[1], 4750);
    EXPECT_EQ(c.montagne_inizio[7], 98350);
    EXPECT_EQ(c.montagne_inizio[0], 0);
    EXPECT_EQ(rifiuto, std::nullopt);
}

TEST_F(MemorieLinea, MontagnaCelleArrotondateDopoLaSottrazione) {
    // First cell 4625 / 50 = 92.5 -> 92; last cell 4725 / 50 - 1 = 93.5 -> 94.
    montagna(4625, 4725, 2);
    EXPECT_EQ(celle_con_montagna(0, 2160, 2), 3);
    EXPECT_EQ(celle_con_montagna(92, 94, 2), 3);
    // 268 - 10 = 258 keeps its low 8 bits, 2; an empty span writes nothing.
    montagna(10000, 10100, 268);
    EXPECT_EQ(celle_con_montagna(200, 201, 2), 2);
    montagna(20000, 20000, 1);
    EXPECT_EQ(celle_con_montagna(0, 2160, 1), 0);
}

TEST_F(MemorieLinea, MontagnaOltreLaGrigliaSaltaLeCelleFuori) {
    montagna(-200, 100, 11);  // cells -4..1: only 0 and 1 exist, counters 5 and 6
    EXPECT_EQ(c.celle[0].montagna, 1);
    EXPECT_EQ(c.celle[1].montagna, 1);
    EXPECT_TRUE(marcatori().empty());
    montagna(107850, 300000, 11);  // cells 2157.. past the last cell 2160
    EXPECT_EQ(celle_con_montagna(2157, 2160, 1), 4);
    EXPECT_EQ(marcatori(), std::vector<int>{2160});
    EXPECT_EQ(c.celle.size(), 2161u);
    EXPECT_EQ(rifiuto, std::nullopt);
}

TEST_F(MemorieLinea, OltreOttantaMontagneCodice105SenzaToccareNulla) {
    for (int i = 0; i < 80; ++i) {
        montagna(1000 * i, 1000 * i + 100, 1);
    }
    EXPECT_EQ(rifiuto, std::nullopt);
    EXPECT_EQ(c.montagne_inizio[80], 79000);
    montagna(90000, 90500, 11);
    EXPECT_EQ(rifiuto, problema::troppe_montagne);
    EXPECT_EQ(c.n_montagne, 80);
    EXPECT_EQ(celle_con_montagna(1800, 1810, 1), 0);
}

TEST_F(MemorieLinea, MontagnaDistanzaFuoriDai32BitEErroreDiLettura) {
    montagna(0, std::numeric_limits<int32_t>::min(), 1);
    EXPECT_THROW(montagna(100, 200, 1), errore_lettura);
}

TEST_F(MemorieLinea, CartelliVelocitaMassimaValoriECelle) {
    struct caso {
        int32_t posizione;
        std::array<int32_t, 8> valori;  // vas vbs vcs strisces vad vbd vcd strisced
        int cella;
        std::array<int16_t, 4> attesi;
    };
    const caso casi[] = {
        {800, {85, 90, 90, 0, 0, 0, 0, 0}, 17, {1700, 1800, 1800, 0}},
        {10050, {90, 95, 100, 2, 0, 0, 0, 0}, 202, {1800, 1900, 2000, 20}},
        {20000, {100, 80, 60, 1, 50, 40, 30, 2}, 401, {2010, 1608, 1206, 12}},
        // d speeds not multiples of 5: 12 / 5 = 2.4 -> 2, 13 / 5 = 2.6 -> 3, -12 / 5 -> -2.
        {30000, {1, 1, 1, 0, 12, 13, -12, 0}, 601, {22, 23, 18, 0}},
        // Only the low 16 bits of the stripe counts, then 16-bit arithmetic.
        {40000, {0, 0, 0, 65536 + 3, 0, 0, 0, 70000}, 801, {0, 0, 0, 3 * 10 + 4464}},
        {50000, {0, 0, 0, 4000, 0, 0, 0, 0}, 1001, {0, 0, 0, static_cast<int16_t>(40000 - 65536)}},
        // The cell is p / 50 + 1 rounded: 25 -> 1.5 -> 2, 75 -> 2.5 -> 2.
        {25, {1, 0, 0, 0, 0, 0, 0, 0}, 2, {20, 0, 0, 0}},
    };
    for (const caso& k : casi) {
        SCOPED_TRACE(k.posizione);
        cartello(k.posizione, k.valori);
        EXPECT_EQ(rifiuto, std::nullopt);
        const cella& cl = c.celle[k.cella];
        EXPECT_EQ(cl.tipo, tipo_cella::indicatore_v_max);
        EXPECT_EQ((std::array<int16_t, 4>{cl.valore1, cl.valore2, cl.valore3, cl.valore4}),
                  k.attesi);
    }
    c.celle.scrivi(2) = cella{};
    cartello(75, {1, 0, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(c.celle[2].tipo, tipo_cella::indicatore_v_max);
    EXPECT_EQ(c.celle[3].tipo, 0);
}

TEST_F(MemorieLinea, CartelloVelocitaSuCellaOccupataOFuoriGriglia) {
    c.celle.scrivi(17).tipo = tipo_cella::marcatore_galleria;
    cartello(800, {85, 90, 90, 0, 0, 0, 0, 0});
    EXPECT_EQ(rifiuto, std::nullopt);
    EXPECT_EQ(c.celle[17].tipo, tipo_cella::indicatore_v_max);

    c.celle.scrivi(202).tipo = tipo_cella::cartello_indicatore;
    c.celle.scrivi(202).valore1 = 80;
    cartello(10050, {90, 95, 100, 2, 0, 0, 0, 0});
    EXPECT_EQ(rifiuto, problema::cartello_v_max_su_cella_occupata);
    EXPECT_EQ(c.celle[202].tipo, tipo_cella::cartello_indicatore);
    EXPECT_EQ(c.celle[202].valore1, 80);
    EXPECT_EQ(c.celle[202].valore2, 0);

    cartello(-100, {1, 1, 1, 1, 0, 0, 0, 0});       // cell -1
    cartello(50 * 2160, {1, 1, 1, 1, 0, 0, 0, 0});  // cell 2161
    EXPECT_EQ(rifiuto, std::nullopt);
    EXPECT_EQ(c.celle.size(), 2161u);
}

TEST_F(MemorieLinea, CartelloVelocitaConValoreFuoriDai16BitEErroreDiLettura) {
    EXPECT_THROW(cartello(800, {2000, 0, 0, 0, 0, 0, 0, 0}), errore_lettura);  // 40000
    EXPECT_THROW(cartello(900, {200000000, 0, 0, 0, 0, 0, 0, 0}), errore_lettura);
    EXPECT_NO_THROW(cartello(1000, {1638, 0, 0, 0, 35, 0, 0, 0}));  // 32760 + 7 = 32767
    EXPECT_EQ(c.celle[21].valore1, 32767);
}
