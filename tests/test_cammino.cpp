// The grid walk on grids of 0 to 100 cells set up by hand.
#include "compactor/compattatore.h"
#include "compactor/formato.h"

#include "aiuti.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace {

class Cammino : public ::testing::Test {
protected:
    void SetUp() override {
        c.celle.crea(101);
        c.n_celle = 100;
        c.codice_errore = 0;
        c.posizione_errore = 0;
    }
    void metti(int i, uint8_t tipo, int16_t valore1 = 0) {
        c.celle.scrivi(i).tipo = tipo;
        c.celle.scrivi(i).valore1 = valore1;
    }
    // A slowdown from its start cell to its end cell.
    void rallentamento(int inizio, int fine, int16_t velocita) {
        metti(inizio, tipo_cella::inizio_rallentamento, velocita);
        if (fine >= 0) {
            metti(fine, tipo_cella::fine_rallentamento, velocita);
        }
    }
    // The cells of tipo 12, with their values.
    std::map<int, int> punti() const {
        std::map<int, int> trovati;
        for (std::size_t i = 0; i < c.celle.size(); ++i) {
            if (c.celle[i].tipo == tipo_cella::abbattimento_con_valore) {
                trovati[static_cast<int>(i)] = c.celle[i].valore1;
            }
        }
        return trovati;
    }
    std::string byte_griglia() const {
        std::string byte;
        for (const cella& x : c.celle) {
            formato::aggiungi_cella(byte, x);
        }
        return byte;
    }
    static std::map<int, int> a_180(std::initializer_list<int> celle) {
        std::map<int, int> m;
        for (int i : celle) {
            m[i] = 180;
        }
        return m;
    }

    cartella_temporanea cartella;
    compattatore c{cartella.percorso(), identita_predefinita()};
};

TEST_F(Cammino, GrigliaDellEsempio) {
    metti(16, tipo_cella::avviso_rallentamento);
    metti(10, tipo_cella::segnale);
    rallentamento(40, 60, 60);
    metti(48, tipo_cella::abbattimento_senza_valore);
    metti(63, tipo_cella::segnale);
    c.cammina_griglia();
    EXPECT_EQ(punti(), a_180({9, 35, 29, 22, 47, 55, 62}));
    EXPECT_EQ(c.codice_errore, 0);
    EXPECT_EQ(c.celle[48].tipo, tipo_cella::abbattimento_senza_valore);
}

TEST_F(Cammino, SenzaRallentamentiNienteCambia) {
    metti(10, tipo_cella::segnale);
    metti(20, tipo_cella::fermata, 1);
    metti(30, tipo_cella::abbattimento_con_valore, 250);
    metti(50, tipo_cella::marcatore_galleria);
    const std::string prima = byte_griglia();
    c.cammina_griglia();
    EXPECT_EQ(byte_griglia(), prima);
    EXPECT_EQ(c.codice_errore, 0);
}

// Fast slowdowns (110) keep these cases to the three distances before the start.
TEST_F(Cammino, DistanzePrimaDellInizio) {
    struct caso {
        int inizio;
        std::vector<int> occupate;
        std::map<int, int> attesi;
        int32_t codice, posizione;
    };
    const caso casi[] = {
        {7, {}, {}, 0, 0},
        {8, {}, a_180({3}), 0, 0},
        {8, {3}, a_180({2}), 0, 0},
        {14, {9, 8, 7}, a_180({3}), 12, 700},
        {21, {}, a_180({16, 10, 3}), 0, 0},
        {21, {10, 9, 8}, a_180({16, 3}), 12, 1050},
        {99, {}, {}, 0, 0},  // beyond the last visited cell, n_celle - 2
    };
    for (const caso& k : casi) {
        SCOPED_TRACE(k.inizio);
        SetUp();
        rallentamento(k.inizio, -1, 110);
        for (int i : k.occupate) {
            metti(i, tipo_cella::indicatore_v_max);
        }
        c.cammina_griglia();
        EXPECT_EQ(punti(), k.attesi);
        EXPECT_EQ(c.codice_errore, k.codice);
        EXPECT_EQ(c.posizione_errore, k.posizione);
    }
}

TEST_F(Cammino, PuntoInCellaUnoFaFallireIlControllo) {
    rallentamento(8, -1, 110);
    metti(3, tipo_cella::segnale);
    metti(2, tipo_cella::segnale);
    c.cammina_griglia();
    EXPECT_EQ(punti(), a_180({1}));
    EXPECT_EQ(c.controlla_intestazione(), 1250);
}

TEST_F(Cammino, SegnaliPrimaDellAvviso) {
    struct caso {
        const char* nome;
        int avviso;
        std::vector<std::pair<int, int>> oggetti;  // (cell, tipo or point value if > 100)
        std::map<int, int> attesi;
        int32_t codice, posizione;
    };
    const int segnale = tipo_cella::segnale;
    const int occupata = tipo_cella::indicatore_v_max;
    const caso casi[] = {
        {"punto 200 abbassato", 40, {{30, segnale}, {29, 200}, {28, occupata}}, {{29, 180}}, 0, 0},
        {"punto 150 resta", 40, {{30, segnale}, {29, 150}, {28, occupata}}, {{29, 150}}, 0, 0},
        {"cella libera preferita", 40, {{30, segnale}, {29, 200}}, {{28, 180}, {29, 200}}, 0, 0},
        {"punto due prima", 40, {{30, segnale}, {29, occupata}, {28, 250}}, {{28, 180}}, 0, 0},
        {"nessuna cella", 40, {{30, segnale}, {29, occupata}, {28, occupata}}, {}, 11, 1500},
        {"venti celle indietro",
         40,
         {{30, segnale}, {21, segnale}, {19, segnale}},
         a_180({29, 20}),
         0,
         0},
        {"avviso in cella 3", 3, {{2, segnale}}, {}, 0, 0},
        {"avviso in cella 4", 4, {{3, segnale}}, a_180({2}), 0, 0},
    };
    for (const caso& k : casi) {
        SCOPED_TRACE(k.nome);
        SetUp();
        metti(k.avviso, tipo_cella::avviso_rallentamento);
        for (const auto& [i, cosa] : k.oggetti) {
            if (cosa > 100) {
                metti(i, tipo_cella::abbattimento_con_valore, static_cast<int16_t>(cosa));
            } else {
                metti(i, static_cast<uint8_t>(cosa));
            }
        }
        c.cammina_griglia();
        EXPECT_EQ(punti(), k.attesi);
        EXPECT_EQ(c.codice_errore, k.codice);
        EXPECT_EQ(c.posizione_errore, k.posizione);
    }
}

// A slowdown from cell 30 to cell 60 with a signal in cell 63; the three distances before
// the start always give 25, 19 and 12.
TEST_F(Cammino, LungoIlRallentamentoEDopo) {
    struct caso {
        const char* nome;
        int16_t velocita;
        std::vector<int> occupate;
        std::map<int, int> lungo;  // points after the start cell
        int32_t codice, posizione;
    };
    const caso casi[] = {
        {"velocita 109", 109, {}, a_180({38, 46, 54, 62}), 0, 0},
        {"velocita 110", 110, {}, {}, 0, 0},
        {"spostato avanti", 60, {38, 37}, a_180({39, 47, 55, 62}), 0, 0},
        {"nessuna cella", 60, {38, 37, 39}, a_180({62}), 13, 1900},
        {"segnale senza cella", 60, {62, 61}, a_180({38, 46, 54}), 13, 3000},
    };
    for (const caso& k : casi) {
        SCOPED_TRACE(k.nome);
        SetUp();
        rallentamento(30, 60, k.velocita);
        metti(63, tipo_cella::segnale);
        for (int i : k.occupate) {
            metti(i, tipo_cella::indicatore_v_max);
        }
        c.cammina_griglia();
        std::map<int, int> attesi = a_180({25, 19, 12});
        attesi.insert(k.lungo.begin(), k.lungo.end());
        EXPECT_EQ(punti(), attesi);
        EXPECT_EQ(c.codice_errore, k.codice);
        EXPECT_EQ(c.posizione_errore, k.posizione);
    }
}

TEST_F(Cammino, FineDellaGrigliaSenzaCellaDiFine) {
    rallentamento(90, -1, 50);
    c.cammina_griglia();
    EXPECT_EQ(punti(), a_180({85, 79, 72, 98}));
    EXPECT_EQ(c.codice_errore, numero(problema::rallentamento_senza_cella_di_fine));
    EXPECT_EQ(c.posizione_errore, 4500);

    // The spacing position on the last cell: its neighbour beyond the grid is not there.
    SetUp();
    rallentamento(92, -1, 50);
    metti(100, tipo_cella::segnale);
    metti(99, tipo_cella::segnale);
    c.cammina_griglia();
    EXPECT_EQ(punti(), a_180({87, 81, 74, 98}));
    EXPECT_EQ(c.codice_errore, numero(problema::rallentamento_senza_cella_di_fine));
    EXPECT_EQ(c.posizione_errore, 4600);

    // The search after an end near the grid's end stops at its last cell.
    SetUp();
    rallentamento(90, 95, 50);
    metti(100, tipo_cella::segnale);
    c.cammina_griglia();
    EXPECT_EQ(punti(), a_180({85, 79, 72, 99}));
    EXPECT_EQ(c.codice_errore, 0);
}

}  // namespace

// A grid that does not hold cells 0 to n_celle is refused before any cell is read.
TEST_F(Cammino, GrigliaPiuCortaDiNCelleRifiutata) {
    c.celle.crea(60);
    rallentamento(40, -1, 60);
    const std::string prima = byte_griglia();
    EXPECT_THROW(c.cammina_griglia(), std::out_of_range);
    EXPECT_EQ(byte_griglia(), prima);
}
