// The signal and slowdown stores on a grid set up by hand.
#include "compactor/compattatore.h"
#include "compactor/errore_lettura.h"

#include "aiuti.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <optional>
#include <utility>
#include <vector>

namespace {

class MemorieTreno : public ::testing::Test {
protected:
    void SetUp() override { griglia(2160); }
    void griglia(int32_t n) {
        c.celle.crea(static_cast<std::size_t>(n) + 1);
        c.n_celle = n;
    }
    void segnale(int32_t posizione, std::array<int32_t, 10> v) {
        rifiuto =
            c.memo_segnale(posizione, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9]);
    }
    void rallentamento(int32_t x, int32_t v, int32_t l, int32_t f_tt, int32_t f_ta, int32_t d_v) {
        rifiuto = c.memo_rallentamento(x, v, l, f_tt, f_ta, d_v);
    }
    // Cells whose tipo is not 0, as (index, tipo).
    std::vector<std::pair<int, int>> occupate() const {
        std::vector<std::pair<int, int>> trovate;
        for (std::size_t i = 0; i < c.celle.size(); ++i) {
            if (c.celle[i].tipo != 0) {
                trovate.emplace_back(static_cast<int>(i), c.celle[i].tipo);
            }
        }
        return trovate;
    }

    cartella_temporanea cartella;
    compattatore c{cartella.percorso(), identita_predefinita()};
    std::optional<problema> rifiuto;  // what the last store said
};

using coppie = std::vector<std::pair<int, int>>;

TEST_F(MemorieTreno, SegnaliDellEsempio) {
    struct caso {
        int32_t posizione;
        std::array<int32_t, 10> valori;  // sx s1 s2 s3 rapp dx d1 d2 d3 tempo
        int cella;
        std::array<int16_t, 4> attesi;
        std::array<int, 4> codici;
    };
    const caso casi[] = {
        {4500, {1, 4, 0, 0, 0, 0, 0, 0, 0, 0}, 91, {40, 0, 0, 3}, {31, 32, 33, 34}},
        {98650, {2, 3, 4, 0, 0, 2, 2, 1, 0, 0}, 1974, {32, 41, 0, 8}, {81, 82, 83, 84}},
    };
    for (const caso& k : casi) {
        SCOPED_TRACE(k.posizione);
        SetUp();
        segnale(k.posizione, k.valori);
        EXPECT_EQ(rifiuto, std::nullopt);
        EXPECT_EQ(occupate(), (coppie{{k.cella, 1}}));
        const cella& s = c.celle[k.cella];
        EXPECT_EQ((std::array<int16_t, 4>{s.valore1, s.valore2, s.valore3, s.valore4}), k.attesi);
        EXPECT_EQ(s.tempo, 0);
        for (int j = 0; j < 4; ++j) {
            EXPECT_EQ(c.celle[k.cella - 2 * (j + 1)].codice, k.codici[j]);
            EXPECT_EQ(c.celle[k.cella - 2 * (j + 1) + 1].codice, 0);
        }
    }
}

TEST_F(MemorieTreno, RegolaDelTempo) {
    struct caso {
        int32_t sx, tempo;
        int in_cella;
        int32_t al_chiamante;
    };
    const caso casi[] = {{2, 50, 101, 101}, {2, 1, 101, 101},   {2, 100, 101, 101},
                         {2, 0, 0, 0},      {2, 120, 120, 120}, {2, -5, 251, -5},
                         {1, 50, 0, 101},   {2, 300, 44, 300}};
    for (const caso& k : casi) {
        SCOPED_TRACE(testing::Message() << "sx " << k.sx << " tempo " << k.tempo);
        SetUp();
        int32_t sx = k.sx, zero = 0, tempo = k.tempo;
        c.memo_segnale(4500, sx, zero, zero, zero, zero, zero, zero, zero, zero, tempo);
        EXPECT_EQ(c.celle[91].tempo, k.in_cella);
        EXPECT_EQ(tempo, k.al_chiamante);
    }
}

TEST_F(MemorieTreno, SegnaleSuCellaOccupataONo) {
    c.celle.scrivi(91).tipo = tipo_cella::marcatore_galleria;
    c.celle.scrivi(89).codice = 81;  // a station's approach code is simply overwritten
    segnale(4500, {1, 4, 0, 0, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(rifiuto, std::nullopt);
    EXPECT_EQ(c.celle[91].tipo, 1);
    EXPECT_EQ(c.celle[89].codice, 31);

    c.celle.scrivi(200).tipo = tipo_cella::indicatore_v_max;
    segnale(9950, {2, 1, 1, 1, 1, 2, 1, 1, 1, 50});
    EXPECT_EQ(rifiuto, problema::segnale_su_cella_occupata);
    EXPECT_EQ(c.celle[200].valore1, 0);
    EXPECT_EQ(c.celle[198].codice, 0);
}

TEST_F(MemorieTreno, ValoriImpaccatiTengonoIBitBassi) {
    // 10000 * 10 + 5 = 100005 = 0x186A5: low 16 bits 0x86A5 read as a signed Integer.
    segnale(4500, {25, 10000, 0, 0, 0, 0, 5, 0, 0, 0});
    EXPECT_EQ(c.celle[91].valore1, static_cast<int16_t>(0x86A5));
    EXPECT_EQ(c.celle[89].codice, (25 * 30 + 1) & 0xFF);
}

TEST_F(MemorieTreno, SegnaleVicinoAllInizioNonEsceDallaGriglia) {
    segnale(100, {1, 1, 0, 0, 0, 0, 0, 0, 0, 0});  // cell 3: approach cells 1, -1, -3, -5
    EXPECT_EQ(c.celle[3].tipo, 1);
    EXPECT_EQ(c.celle[1].codice, 31);
    segnale(-500, {1, 1, 0, 0, 0, 0, 0, 0, 0, 0});  // cell -9: nothing exists to write
    EXPECT_EQ(occupate(), (coppie{{3, 1}}));
}

TEST_F(MemorieTreno, RallentamentoDellEsempio) {
    rallentamento(10000, 30, 500, 1, 1, 0);
    EXPECT_EQ(rifiuto, std::nullopt);
    EXPECT_EQ(occupate(),
              (coppie{{173, 5}, {174, 5}, {175, 5}, {176, 5}, {177, 4}, {201, 3}, {211, 2}}));
    EXPECT_EQ(c.celle[177].valore1, 30);
    EXPECT_EQ(c.celle[177].valore3, 0);
    for (int i : {201, 211}) {
        EXPECT_EQ(c.celle[i].valore1, 30);
        EXPECT_EQ(c.celle[i].valore3, 1);
    }
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(c.celle[176 - i].valore1, i + 1);
    }
}

TEST_F(MemorieTreno, AvvisoSoloOltre1500MetriECelleDispari) {
    struct caso {
        int32_t x;
        coppie attese;
    };
    const caso casi[] = {
        {1500, {{31, 3}, {41, 2}}},
        {1550, {{4, 5}, {5, 5}, {6, 5}, {7, 5}, {8, 4}, {32, 3}, {42, 2}}},
        // x - 1200 = 825: advance round(17.5)+... = 18, the four cells round(16.5) = 16 down.
        {2025, {{13, 5}, {14, 5}, {15, 5}, {16, 5}, {18, 4}, {42, 3}, {52, 2}}},
    };
    for (const caso& k : casi) {
        SCOPED_TRACE(k.x);
        SetUp();
        rallentamento(k.x, 60, 500, 0, 1, 0);
        EXPECT_EQ(rifiuto, std::nullopt);
        EXPECT_EQ(occupate(), k.attese);
    }
}

TEST_F(MemorieTreno, SecondoValoreSoloSeNonZero) {
    for (std::size_t i = 0; i < c.celle.size(); ++i) {
        c.celle.scrivi(i).valore2 = 7;
    }
    rallentamento(10000, 30, 500, 1, 1, 0);
    for (int i : {173, 174, 175, 176, 177, 201, 211}) {
        EXPECT_EQ(c.celle[i].valore2, 7) << i;
    }
    SetUp();
    rallentamento(10000, 30, 500, 1, 1, 45);
    for (int i : {177, 201, 211}) {
        EXPECT_EQ(c.celle[i].valore2, 45) << i;
    }
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(c.celle[176 - i].valore2, i + 1);
    }
}

TEST_F(MemorieTreno, ConflittiEQuelloCheRestaScritto) {
    struct caso {
        int occupata;
        problema codice;
        coppie attese;  // besides the occupied cell
    };
    const caso casi[] = {
        {177, problema::avviso_rallentamento_occupato, {}},
        {201, problema::inizio_rallentamento_occupato, {}},
        {211, problema::fine_rallentamento_occupata, {}},
        {174, problema::celle_prima_dell_avviso_occupate, {{177, 4}, {201, 3}, {211, 2}}},
    };
    for (const caso& k : casi) {
        SCOPED_TRACE(numero(k.codice));
        SetUp();
        c.codice_errore = 0;
        c.celle.scrivi(k.occupata).tipo = tipo_cella::segnale;
        rallentamento(10000, 30, 500, 1, 1, 0);
        EXPECT_EQ(rifiuto, k.codice);
        coppie attese = k.attese;
        attese.emplace_back(k.occupata, 1);
        std::sort(attese.begin(), attese.end());
        EXPECT_EQ(occupate(), attese);
    }
    EXPECT_EQ(c.celle[201].valore1, 30);  // code 20: start and end complete
    EXPECT_EQ(c.celle[211].valore3, 1);
}

TEST_F(MemorieTreno, FineSullInizioOFuoriGriglia) {
    rallentamento(1000, 40, 0, 1, 0, 0);  // e = s: one cell of tipo 3
    EXPECT_EQ(occupate(), (coppie{{21, 3}}));
    EXPECT_EQ(c.celle[21].valore1, 40);

    SetUp();
    rallentamento(107500, 40, 1000, 1, 0, 0);  // end cell 2171 beyond cell 2160
    EXPECT_EQ(rifiuto, std::nullopt);
    EXPECT_EQ(occupate(), (coppie{{2127, 4}, {2151, 3}}));

    SetUp();
    EXPECT_THROW(rallentamento(10000, 40, 2147483000, 1, 0, 0), errore_lettura);
    EXPECT_EQ(occupate(), coppie{});
}

}  // namespace
