// The train phase: small train source files read onto a grid set up by hand.
#include "compactor/compattatore.h"
#include "compactor/errore_lettura.h"
#include "passi_del_driver.h"

#include "aiuti.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace {

// "stazione" row with the columns of the first station of the carried file, except those
// given here.
std::string stazione(int32_t p, int tipo, int32_t lunghezza, int flag4 = 0, int flag3 = 0,
                     std::string_view nome = "ORVESA", int64_t ore = 17) {
    return "stazione, " + std::to_string(p) + ", " + std::to_string(tipo) + ", " +
           std::to_string(lunghezza) + ", 1, " + std::to_string(flag4) + ", " +
           std::to_string(flag3) + ", 4,1,0, 2,1,1, 1, " + std::to_string(ore) + ",28, 0, " +
           std::string(nome);
}

class FaseTreno : public ::testing::Test {
protected:
    void SetUp() override { griglia(400); }
    void griglia(int32_t n) {
        c.celle.crea(static_cast<std::size_t>(n) + 1);
        c.n_celle = n;
        c.prossimo_cartello = 80;
        c.codice_errore = 0;
        c.posizione_errore = -1;
        c.problemi.clear();
        for (std::size_t i = 0; i < c.voci.size(); ++i) {
            c.voci.scrivi(i) = voce{};
        }
    }
    std::filesystem::path file() const {
        return nomi_file::sorgente_treno(cartella.percorso(), c.identita());
    }
    // A train source file: "[generale]", the rows, "[fine]", every line ended by CR LF.
    void scrivi(const std::vector<std::string>& righe, bool con_generale = true) {
        std::string testo = con_generale ? "[generale]\r\n" : "";
        for (const std::string& r : righe) {
            testo += r + "\r\n";
        }
        scrivi_tutto(file(), testo + "[fine]\r\n");
    }
    void leggi(const std::vector<std::string>& righe) {
        scrivi(righe);
        passi_del_driver::leggi_treno(c);
        EXPECT_FALSE(std::filesystem::exists(file()));
    }
    void velocita_da(int da, int a, int valore) {
        for (int i = da; i <= a; ++i) {
            ASSERT_EQ(c.celle[i].velocita_limite, valore) << "cella " << i;
        }
    }

    cartella_temporanea cartella;
    compattatore c{cartella.percorso(), identita_predefinita()};
};

TEST_F(FaseTreno, RigheGeneraliParoleChiaveECommenti) {
    scrivi_tutto(file(),
                 "numero vetture, 9\r\n"  // before "[generale]": not read
                 "[Generale]\r\n"
                 "numero vetture,    3\r\n"
                 "Percentuale MASSA frenata,    120\r\n"
                 "solo frenata,  77\r\n"
                 "SABBIA,    300\r\n"
                 "orologio,    17              27            30 \r\n"
                 "- uno\r\n"
                 "- due\r\n"
                 "- numero vetture, 7\r\n"  // the third in a row is read as a row
                 "[fine]\r\n");
    passi_del_driver::leggi_treno(c);
    EXPECT_FALSE(std::filesystem::exists(file()));
    EXPECT_EQ(c.codice_errore, 0);
    EXPECT_EQ(c.voci[84].dato3, 7);
    EXPECT_EQ(c.voci[84].dato1, 120);
    EXPECT_EQ(c.voci[86].intero1, 300);
    EXPECT_EQ(c.voci[86].intero3, 17);
    EXPECT_EQ(c.voci[86].intero4, 27);
    EXPECT_EQ(c.voci[86].intero5, 30);

    // The file's last field is never a row; a file without "[generale]" has no rows.
    SetUp();
    scrivi_tutto(file(), "[generale]\r\nnumero vetture");
    passi_del_driver::leggi_treno(c);
    EXPECT_EQ(c.voci[84].dato3, 0);
    SetUp();
    scrivi({"numero vetture, 3", "velocita, 0, 50"}, false);
    passi_del_driver::leggi_treno(c);
    EXPECT_EQ(c.voci[84].dato3, 0);
    EXPECT_EQ(c.codice_errore, 0);
    EXPECT_FALSE(std::filesystem::exists(file()));
}

TEST_F(FaseTreno, TratteDiVelocita) {
    struct tratto {
        int da, a, valore;
    };
    struct caso {
        std::vector<std::string> righe;
        std::vector<tratto> attesi;
    };
    const caso casi[] = {
        {{"velocita, 0, 30", "velocita, 800, 90"}, {{0, 15, 6}, {16, 397, 18}, {398, 400, 0}}},
        {{"velocita, 0, 30", "velocita, 825, 90"}, {{0, 15, 6}, {16, 397, 18}}},
        {{"velocita, 0, 30", "Velocita, 875, 90"}, {{0, 17, 6}, {18, 397, 18}}},
        {{"velocita, 0, 30", "VELOCITA, 800, 50", "velocita, 800, 90"},
         {{0, 15, 6}, {16, 16, 10}, {17, 397, 18}}},
        {{"velocita, 800, 90"}, {{0, 15, 0}, {16, 397, 18}}},  // nothing in force before
        {{"velocita, 0, 1277"}, {{0, 397, 255}}},
        {{"velocita, 0, 12", "velocita, 100, 13"}, {{0, 1, 2}, {2, 397, 3}}},  // 2.4, 2.6
    };
    for (const caso& k : casi) {
        SCOPED_TRACE(k.righe.back());
        SetUp();
        for (std::size_t i = 0; i < c.celle.size(); ++i) {
            c.celle.scrivi(i).velocita_limite = i < 398 ? 99 : 0;
        }
        leggi(k.righe);
        EXPECT_EQ(c.codice_errore, 0);
        for (const tratto& t : k.attesi) {
            velocita_da(t.da, t.a, t.valore);
        }
    }
}

TEST_F(FaseTreno, TratteDiAderenza) {
    leggi({"aderenza, 0, 300", "aderenza, 1000, 80"});
    for (int i = 0; i <= 400; ++i) {
        ASSERT_EQ(c.celle[i].aderenza, i < 20 ? 44 : i <= 397 ? 80 : 0) << i;
    }

    // Repeated rows push the run past the grid's last cell: those cells are not there.
    griglia(10);
    leggi({"aderenza, 400, 5", "aderenza, 400, 6", "aderenza, 400, 7", "aderenza, 400, 8",
           "aderenza, 400, 9", "velocita, 400, 50", "velocita, 400, 60", "velocita, 400, 70"});
    EXPECT_EQ(c.codice_errore, 0);
    EXPECT_EQ(c.celle[7].aderenza, 0);
    EXPECT_EQ(c.celle[8].aderenza, 5);
    EXPECT_EQ(c.celle[9].aderenza, 6);
    EXPECT_EQ(c.celle[10].aderenza, 7);
    EXPECT_EQ(c.celle[8].velocita_limite, 10);
    EXPECT_EQ(c.celle[9].velocita_limite, 12);
    EXPECT_EQ(c.celle[10].velocita_limite, 14);  // the closing step, at the stopped index
}

TEST_F(FaseTreno, StazioniDegliEsempi) {
    leggi({"stazione,       0,  2,  700,  1, 0, 0,  4,1,0,  2,1,1,    1,  17,28, 0, ORVESA",
           stazione(13000, 12, 400, 1, 0, "BORGO S. PIETRO"),
           stazione(16000, 4, 600, 1, 1, "TERZA")});
    EXPECT_EQ(c.codice_errore, 0);

    const voce& prima = c.voci[1];
    EXPECT_EQ(prima.marca, 2);
    EXPECT_EQ(prima.dato1, -350);
    EXPECT_EQ(prima.dato2, 350);
    EXPECT_EQ(prima.dato3, 0);
    EXPECT_EQ(prima.segno, 1);
    EXPECT_EQ(prima.nome, "ORVESA");
    EXPECT_EQ((std::vector<int>{prima.intero1, prima.intero2, prima.intero3, prima.intero4,
                                prima.intero5}),
              (std::vector<int>{4, 1, 2, 1, 1}));
    EXPECT_EQ((std::vector<int>{prima.flag1, prima.flag2, prima.flag3, prima.flag4}),
              (std::vector<int>{0, 1, 0, 0}));
    EXPECT_EQ(prima.dato_finale, 62880);
    for (int j = 1; j <= 4; ++j) {
        EXPECT_EQ(c.celle[6 - j].codice, 80 + j);
    }
    EXPECT_EQ(c.celle[6].tipo, tipo_cella::fermata);
    EXPECT_EQ(c.celle[6].valore1, 1);

    const voce& seconda = c.voci[2];
    EXPECT_EQ(seconda.nome, "BORGO S. PIETRO");
    EXPECT_EQ(seconda.dato1, 12800);
    EXPECT_EQ(seconda.dato2, 13200);
    EXPECT_EQ(seconda.flag4, 0);  // shorter than 600 m
    for (int j = 1; j <= 4; ++j) {
        EXPECT_EQ(c.celle[263 - j].codice, 80 + j);
    }
    EXPECT_EQ(c.celle[263].tipo, tipo_cella::fermata);
    EXPECT_EQ(c.celle[263].valore1, 2);

    // flag3 moves a centred station's end 50 m on, and stays with flag4 from the second on.
    const voce& terza = c.voci[3];
    EXPECT_EQ(terza.dato1, 15700);
    EXPECT_EQ(terza.dato2, 16350);
    EXPECT_EQ(terza.flag3, 1);
    EXPECT_EQ(terza.flag4, 1);
    EXPECT_EQ(c.celle[326].valore1, 3);
}

TEST_F(FaseTreno, TipiSenzaFermataOSenzaAvvicinamento) {
    leggi({stazione(0, 2, 700), "stazione, 5000, 27, 400, 1, 0, 0, 4,1,0, 2,1,1, 0, 0,0,0, LONTANA",
           stazione(8000, 6, 300, 1, 1, "ULTIMA")});
    EXPECT_EQ(c.codice_errore, 0);
    EXPECT_EQ(c.voci[2].dato1, 4800);
    EXPECT_EQ(c.voci[2].dato2, 5200);
    EXPECT_EQ(c.voci[2].nome, "LONTANA");
    for (int i = 98; i <= 104; ++i) {
        EXPECT_EQ(c.celle[i].tipo, 0) << i;
        EXPECT_EQ(c.celle[i].codice, 0) << i;
    }
    EXPECT_EQ(c.voci[3].dato1, 7700);
    EXPECT_EQ(c.voci[3].dato2, 8150);
    EXPECT_EQ(c.voci[3].flag3, 0);
    EXPECT_EQ(c.celle[162].tipo, tipo_cella::fermata);
    EXPECT_EQ(c.celle[162].valore1, 3);
    for (int i = 157; i <= 161; ++i) {
        EXPECT_EQ(c.celle[i].codice, 0) << i;
    }
}

TEST_F(FaseTreno, DistanzaTraLeStazioni) {
    leggi({stazione(0, 2, 700), stazione(900, 12, 400)});  // begins at 700, 350 m after 350
    EXPECT_EQ(c.codice_errore, 0);
    SetUp();
    leggi({stazione(0, 2, 700), stazione(850, 12, 400), stazione(5000, 12, 400)});
    EXPECT_EQ(c.codice_errore, numero(problema::stazioni_troppo_vicine));
    EXPECT_EQ(c.posizione_errore, 850);
    EXPECT_EQ(c.voci[2].dato1, 650);
    EXPECT_EQ(c.voci[3].dato3, 0);
}

TEST_F(FaseTreno, SpaziDelleStazioniEICartelli) {
    griglia(700);
    c.prossimo_cartello = 31;  // 49 sign texts in 80 down to 32
    std::vector<std::string> righe;
    for (int i = 1; i <= 29; ++i) {
        righe.push_back(stazione(1000 * i, 12, 400));
    }
    leggi(righe);
    EXPECT_EQ(c.codice_errore, 0);
    EXPECT_EQ(c.voci[29].dato3, 29000);

    griglia(700);
    c.prossimo_cartello = 31;
    righe.push_back(stazione(30000, 12, 400));
    righe.push_back(stazione(31000, 12, 400));
    leggi(righe);
    EXPECT_EQ(c.codice_errore, numero(problema::troppe_stazioni));
    EXPECT_EQ(c.posizione_errore, -1);
    EXPECT_EQ(c.voci[30].dato3, 30000);
    EXPECT_EQ(c.voci[31].dato3, 0);

    // With 80 or 81 sign texts the first station would take a sign's slot: nothing of it
    // is stored. With 79 it is stored, then the slots are full.
    for (const int32_t prossimo : {0, -1, 1}) {
        SCOPED_TRACE(prossimo);
        griglia(700);
        c.prossimo_cartello = prossimo;
        c.voci.scrivi(1).nome = prossimo < 1 ? "CARTELLO" : "";
        leggi({stazione(1000, 12, 400, 0, 0, "PRIMA")});
        EXPECT_EQ(c.codice_errore, numero(problema::troppe_stazioni));
        EXPECT_EQ(c.voci[1].nome, prossimo < 1 ? "CARTELLO" : "PRIMA");
        EXPECT_EQ(c.voci[1].dato3, prossimo < 1 ? 0 : 1000);
        EXPECT_EQ(c.celle[23].tipo, prossimo < 1 ? 0 : tipo_cella::fermata);
    }
}

// Every code of the train phase from a small file whose first row is "velocita, 0, 50" and
// whose second row records the code: the closing steps fill the speed to the grid's end,
// an early end leaves it unwritten.
TEST_F(FaseTreno, CodiciDelleRighe) {
    struct caso {
        std::string riga;
        int cella_occupata;  // tipo 6 placed there first, or -1
        int32_t codice, posizione;
        bool chiusura;
        const char* campo = nullptr;  // the field at fault, when it is not the position
    };
    const caso casi[] = {
        {"abbattimento, 500, 0", 10, 7, 500, false},
        {stazione(125, 12, 400), -1, 8, 125, false},
        {stazione(0, 2, 750), -1, 9, 0, false, "750"},
        {stazione(0, 2, 200), -1, 24, -1, false},
        {"segnale, 500, 1, 4, 0, 0, 0, 0, 0, 0, 0, 0", 11, 16, 500, false},
        {"rallentamento, 10000, 30, 500, 1, 1, 0", 177, 17, 10000, false},
        {"rallentamento, 10000, 30, 500, 1, 1, 0", 201, 18, 10000, false},
        {"rallentamento, 10000, 30, 500, 1, 1, 0", 211, 19, 10000, false},
        {"rallentamento, 10000, 30, 500, 1, 1, 0", 175, 20, 10000, false},
        {"velocita, 19901, 90", -1, 15, 19901, true},
        {"aderenza, -50, 90", -1, 15, -50, true},
        {"segnale, -1, 1, 4, 0, 0, 0, 0, 0, 0, 0, 0", -1, 15, -1, true},
        {"rallentamento, 19950, 30, 500, 1, 1, 0", -1, 15, 19950, true},
        {"abbattimento, -100, 0", -1, 15, -100, true},
        {"abbattimento, 19901, 0", -1, 15, 19901, true},
        {stazione(19250, 12, 400), -1, 15, 19250, true},
        {stazione(-50, 12, 400), -1, 15, -50, true},
    };
    for (const caso& k : casi) {
        SCOPED_TRACE(k.riga);
        SetUp();
        if (k.cella_occupata >= 0) {
            c.celle.scrivi(k.cella_occupata).tipo = tipo_cella::indicatore_v_max;
        }
        leggi({"velocita, 0, 50", k.riga, "numero vetture, 3"});
        EXPECT_EQ(c.codice_errore, k.codice);
        EXPECT_EQ(c.posizione_errore, k.posizione);
        EXPECT_EQ(c.voci[84].dato3, 0);  // the rows after it are not read
        EXPECT_EQ(c.celle[0].velocita_limite, k.chiusura ? 10 : 0);
        ASSERT_TRUE(origine_di(c).has_value());
        EXPECT_EQ(origine_di(c)->file, file());
        EXPECT_EQ(origine_di(c)->luogo.riga, 3);
        const std::size_t campo = k.campo != nullptr ? k.riga.find(k.campo) : k.riga.find(',') + 2;
        EXPECT_EQ(origine_di(c)->luogo.colonna, static_cast<int>(campo) + 1);
        EXPECT_EQ(origine_di(c)->testo_riga, k.riga);
    }

    // The last row a bound test lets through.
    SetUp();
    leggi({"abbattimento, 19900, 0"});
    EXPECT_EQ(c.codice_errore, 0);
    EXPECT_EQ(c.celle[398].tipo, tipo_cella::abbattimento_senza_valore);
}

TEST_F(FaseTreno, Abbattimenti) {
    c.celle.scrivi(20).tipo = tipo_cella::marcatore_galleria;
    leggi({"abbattimento, 1000, 70000", "abbattimento, 1200, 0"});
    EXPECT_EQ(c.codice_errore, 0);
    EXPECT_EQ(c.celle[20].tipo, tipo_cella::abbattimento_con_valore);
    EXPECT_EQ(c.celle[20].valore1, static_cast<int16_t>(70000 - 65536));
    EXPECT_EQ(c.celle[24].tipo, tipo_cella::abbattimento_senza_valore);
}

TEST_F(FaseTreno, SegnaliERallentamentiPassanoAlleMemorie) {
    leggi({"segnale,    4500,   1, 4, 0,  0, 0,    0,  0,0,0, 0",
           "rallentamento, 10000, 30, 500, 1, 1, 0"});
    EXPECT_EQ(c.codice_errore, 0);
    EXPECT_EQ(c.celle[91].valore1, 40);
    EXPECT_EQ(c.celle[83].codice, 34);
    EXPECT_EQ(c.celle[177].tipo, tipo_cella::avviso_rallentamento);
    EXPECT_EQ(c.celle[211].tipo, tipo_cella::fine_rallentamento);
}

TEST_F(FaseTreno, Codice15DellaLineaFermaIlPrimoSegnale) {
    c.codice_errore = 15;
    c.posizione_errore = 12345;
    leggi({"velocita, 0, 50", "segnale, 4500, 1, 4, 0, 0, 0, 0, 0, 0, 0, 0",
           "segnale, 9000, 1, 4, 0, 0, 0, 0, 0, 0, 0, 0"});
    EXPECT_EQ(c.codice_errore, numero(problema::posizione_oltre_la_griglia));
    EXPECT_EQ(c.posizione_errore, 4500);
    EXPECT_EQ(c.celle[91].tipo, tipo_cella::segnale);
    EXPECT_EQ(c.celle[181].tipo, 0);
    EXPECT_EQ(c.celle[0].velocita_limite, 0);
}

TEST_F(FaseTreno, ProgressiveNonMultipleDi50) {
    c.voci.scrivi(82).dato2 = 213425;
    leggi({"velocita, 0, 50"});
    EXPECT_EQ(c.codice_errore, numero(problema::progressiva_non_multipla_di_50));
    EXPECT_EQ(c.posizione_errore, -1);
    EXPECT_FALSE(origine_di(c).has_value());

    // The closing check replaces a bound-test code, and its origin with it.
    SetUp();
    c.voci.scrivi(81).dato1 = 10;
    leggi({"velocita, 30000, 50"});
    EXPECT_EQ(c.codice_errore, numero(problema::progressiva_non_multipla_di_50));
    EXPECT_EQ(c.posizione_errore, 30000);
    EXPECT_FALSE(origine_di(c).has_value());
}

// Read failures leave the phase as errore_lettura (code 25 in memorizza_dati), with the
// file deleted and the failing field remembered.
TEST_F(FaseTreno, ErroriDiLettura) {
    const std::string nome_lungo(32768, 'A');
    struct caso {
        const char* nome;
        std::string riga;
        std::string campo;  // the failing field, on line 2
    };
    const caso casi[] = {
        {"velocita oltre 255 x 5", "velocita, 0, 1278", "1278"},
        {"non un numero", "numero vetture, tre", "tre"},
        {"oltre 16 bit", "sabbia, 40000", "40000"},
        {"oltre 8 bit", "stazione, 0, 300, 700", "300"},
        {"orario oltre 32 bit", stazione(0, 2, 700, 0, 0, "X", 600000), "600000"},
        // A column after the hours fails at its own field.
        {"minuti oltre 32 bit",
         "stazione, 0, 2, 700, 1, 0, 0, 4,1,0, 2,1,1, 1, 20, 2147483648, 0, X", "2147483648"},
        {"secondi non un numero", "stazione, 0, 2, 700, 1, 0, 0, 4,1,0, 2,1,1, 1, 20, 28, 1x, X",
         "1x"},
        {"estensione oltre 32 bit", stazione(100, 7, 2147483600), "2147483600"},
        {"fine oltre 32 bit", "rallentamento, 10000, 30, 2147483000, 1, 0, 0", "2147483000"},
        {"nome troppo lungo", stazione(0, 2, 700, 0, 0, nome_lungo), nome_lungo},
        {"riga interrotta", "segnale, 4500, 1, 4", ""},  // "[fine]" is read as a number
    };
    for (const caso& k : casi) {
        SCOPED_TRACE(k.nome);
        SetUp();
        scrivi({k.riga});
        EXPECT_THROW(passi_del_driver::leggi_treno(c), errore_lettura);
        EXPECT_FALSE(std::filesystem::exists(file()));
        ASSERT_TRUE(origine_di(c).has_value());
        const luogo_campo atteso = k.campo.empty()
                                       ? luogo_campo{3, 1}
                                       : luogo_campo{2, static_cast<int>(k.riga.find(k.campo)) + 1};
        EXPECT_EQ(origine_di(c)->luogo.riga, atteso.riga);
        EXPECT_EQ(origine_di(c)->luogo.colonna, atteso.colonna);
    }

    SetUp();  // no train source file at all
    EXPECT_THROW(passi_del_driver::leggi_treno(c), errore_lettura);
}

// The whole station row is read, its name included, before the departure time is
// computed: a time that does not fit keeps the name, and a row cut before its name keeps
// no time.
TEST_F(FaseTreno, StazioneLettaTuttaPrimaDellOrario) {
    griglia(540);  // a route of 20000 m
    const std::string riga =
        "stazione, 13000, 12, 400, 1,0,0, 1,1,0, 1,1,1, 30, -2147483648, 44, 0, S. POTETELA";
    scrivi({riga});
    EXPECT_THROW(passi_del_driver::leggi_treno(c), errore_lettura);
    EXPECT_EQ(c.codice_errore, numero(problema::errore_di_lettura));
    EXPECT_EQ(c.voci[1].nome, "S. POTETELA");
    EXPECT_EQ(c.voci[1].flag2, 30);
    EXPECT_EQ(c.voci[1].dato_finale, 0);
    ASSERT_TRUE(origine_di(c).has_value());
    EXPECT_EQ(origine_di(c)->luogo.colonna, static_cast<int>(riga.find("-2147483648")) + 1);

    griglia(540);
    scrivi_tutto(file(),
                 "[generale]\r\nstazione, 13000, 12, 400, 1,0,0, 1,1,0, 1,1,1, 30, 17, 44, 0");
    EXPECT_THROW(passi_del_driver::leggi_treno(c), errore_lettura);
    EXPECT_EQ(c.voci[1].intero5, 1);
    EXPECT_EQ(c.voci[1].dato_finale, 0);
    EXPECT_EQ(c.voci[1].nome, "");
}

TEST_F(FaseTreno, NomeDi32767CaratteriAccettato) {
    leggi({stazione(0, 2, 700, 0, 0, std::string(32767, 'A'))});
    EXPECT_EQ(c.codice_errore, 0);
    EXPECT_EQ(c.voci[1].nome.size(), 32767u);
}

}  // namespace

// Both phases through memorizza_dati, on a route of 5000 m (cells 0 to 240).
class FaseTrenoDopoLinea : public ::testing::Test {
protected:
    void leggi(const std::string& righe_linea, const std::string& righe_treno) {
        scrivi_tutto(linea,
                     "[generale]\r\nlunghezza percorso, 5000\r\n" + righe_linea + "[fine]\r\n");
        scrivi_tutto(treno, "[generale]\r\n" + righe_treno + "[fine]\r\n");
        passi_del_driver::memorizza_dati(c);
        EXPECT_FALSE(std::filesystem::exists(linea));
        EXPECT_FALSE(std::filesystem::exists(treno));
    }

    cartella_temporanea cartella;
    compattatore c{cartella.percorso(), identita_predefinita()};
    std::filesystem::path linea = nomi_file::sorgente_linea(cartella.percorso(), c.identita());
    std::filesystem::path treno = nomi_file::sorgente_treno(cartella.percorso(), c.identita());
};

TEST_F(FaseTrenoDopoLinea, Codice15DellaLineaEPrimoSegnale) {
    leggi("[pendenze]\r\npendenza, 20000, 4\r\n",
          "velocita, 0, 50\r\n"
          "segnale, 4500, 1, 4, 0, 0, 0, 0, 0, 0, 0, 0\r\n"
          "segnale, 9000, 1, 4, 0, 0, 0, 0, 0, 0, 0, 0\r\n");
    ASSERT_EQ(c.n_celle, 240);
    EXPECT_EQ(c.codice_errore, numero(problema::posizione_oltre_la_griglia));
    EXPECT_EQ(c.posizione_errore, 4500);
    EXPECT_EQ(c.celle[91].tipo, tipo_cella::segnale);
    EXPECT_EQ(c.celle[181].tipo, 0);
    // The problem stays the line row's, with its own position; the signal row where the
    // train file's reading stopped comes with it.
    const problema_registrato* p = c.problema_in_vigore();
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->posizione, 20000);
    ASSERT_TRUE(p->origine.has_value());
    EXPECT_EQ(p->origine->file, linea);
    EXPECT_EQ(p->origine->luogo.riga, 4);
    EXPECT_EQ(p->origine->luogo.colonna, 11);
    ASSERT_TRUE(p->lettura_fermata.has_value());
    EXPECT_EQ(p->lettura_fermata->file, treno);
    EXPECT_EQ(p->lettura_fermata->luogo.riga, 3);
    EXPECT_EQ(p->lettura_fermata->luogo.colonna, 10);
}

TEST_F(FaseTrenoDopoLinea, ErroreDiLetturaNelTreno) {
    leggi("", "velocita, 0, 50\r\nsabbia, 40000\r\n");
    EXPECT_EQ(c.codice_errore, numero(problema::errore_di_lettura));
    ASSERT_TRUE(origine_di(c).has_value());
    EXPECT_EQ(origine_di(c)->file, treno);
    EXPECT_EQ(origine_di(c)->luogo.riga, 3);
    EXPECT_EQ(origine_di(c)->luogo.colonna, 9);
}
