// The line phase on small line source files: the general section, the rows, the plan,
// the completion, and every problem code with the source files deleted or kept.
#include "compactor/compattatore.h"
#include "compactor/diagnostica.h"
#include "passi_del_driver.h"
#include "writers/dati.h"

#include "aiuti.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

namespace {

const std::string generale_portato = R"([generale]
lunghezza percorso,    101000
progressiva chilometrica uno,    0,    100950,    1
progressiva chilometrica due,    98250,    213400,    0
progressiva chilometrica tre,    0,    0,    0
sfondo uno,    1
sfondo due,    59500
sfondo tre,    32750
ripetizione segnali 4 codici,    0    ,0
)";

// A line file: the carried general section, the given rows, the closing header.
std::string linea(const std::string& righe) {
    return generale_portato + "[curve]\n" + righe + "[fine]\n";
}

// Replaces every "{}" by the position.
std::string con_posizione(std::string modello, int64_t p) {
    for (std::size_t i; (i = modello.find("{}")) != std::string::npos;) {
        modello.replace(i, 2, std::to_string(p));
    }
    return modello;
}

class FaseLinea : public ::testing::Test {
protected:
    FaseLinea() : c(cartella.percorso(), identita_predefinita()) { c.scrivi_linea = 1; }

    std::filesystem::path file_linea() const {
        return nomi_file::sorgente_linea(cartella.percorso(), identita_predefinita());
    }
    std::filesystem::path file_treno() const {
        return nomi_file::sorgente_treno(cartella.percorso(), identita_predefinita());
    }
    // Writes the line file with CR LF line ends, as the writer does, and a train file.
    void prepara(const std::string& testo) {
        std::string crlf;
        for (const char ch : testo) {
            crlf += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
        }
        scrivi_tutto(file_linea(), crlf);
        scrivi_tutto(file_treno(), "[generale]\r\n[fine]\r\n");
    }
    bool leggi(const std::string& testo) {
        prepara(testo);
        return passi_del_driver::leggi_linea(c);
    }

    double x(int punto) const { return std::get<double>(c.tracciato.at(punto).x); }
    double y(int punto) const { return std::get<double>(c.tracciato.at(punto).y); }

    cartella_temporanea cartella;
    compattatore c;
};

}  // namespace

TEST_F(FaseLinea, SezioneGeneralePortataGrigliaPianoEPendenzeDiCompletamento) {
    ASSERT_TRUE(leggi(linea("")));
    EXPECT_EQ(c.codice_errore, 0);
    EXPECT_FALSE(std::filesystem::exists(file_linea()));
    EXPECT_TRUE(std::filesystem::exists(file_treno()));

    EXPECT_EQ(c.voci[84].dato2, 101000);
    EXPECT_EQ(c.lunghezza_estesa, 108000);
    EXPECT_EQ(c.n_celle, 2160);
    EXPECT_EQ(c.celle.size(), 2161u);
    EXPECT_EQ(c.voci[85].nome, "Orvesa_Cusvana");
    EXPECT_EQ(c.voci[86].nome, "5927");
    // Chainage ordered, the decreasing stretch 100 m on; background values crossed.
    EXPECT_EQ(c.voci[81].dato1, 98250);
    EXPECT_EQ(c.voci[81].dato2, 213400);
    EXPECT_EQ(c.voci[82].dato2, 101050);
    EXPECT_EQ(c.voci[82].dato3, 1);
    EXPECT_EQ(c.voci[83].dato2, 0);
    EXPECT_EQ(c.voci[85].dato1, 1);
    EXPECT_EQ(c.voci[85].dato2, 32750);
    EXPECT_EQ(c.voci[85].dato3, 59500);
    // The second repetition position is 0: no repetition, although the keyword says 4.
    EXPECT_EQ(c.voci[86].dato1, 0);
    EXPECT_EQ(c.voci[86].dato2, 0);
    EXPECT_EQ(c.voci[86].dato3, 0);
    EXPECT_EQ(c.prossimo_cartello, 80);

    // No gradient row: 0 + 100 up to the third cell from the end.
    EXPECT_EQ(c.celle[0].pendenza, 100);
    EXPECT_EQ(c.celle[2157].pendenza, 100);
    EXPECT_EQ(c.celle[2158].pendenza, 0);
    EXPECT_EQ(c.celle[2160].pendenza, 0);

    // The plan: two Integer points, then straight on along +y, the last two left empty.
    ASSERT_EQ(c.tracciato.size(), 108001u);
    EXPECT_EQ(std::get<int16_t>(c.tracciato[0].x), 0);
    EXPECT_EQ(std::get<int16_t>(c.tracciato[0].y), 0);
    EXPECT_EQ(std::get<int16_t>(c.tracciato[1].x), 0);
    EXPECT_EQ(std::get<int16_t>(c.tracciato[1].y), 1);
    EXPECT_EQ(x(2), 0.0);
    EXPECT_EQ(y(2), 2.0);
    EXPECT_EQ(x(107998), 0.0);
    EXPECT_EQ(y(107998), 107998.0);
    EXPECT_TRUE(std::holds_alternative<std::monostate>(c.tracciato[107999].x));
    EXPECT_TRUE(std::holds_alternative<std::monostate>(c.tracciato[108000].y));
}

TEST_F(FaseLinea, ParoleChiaveGeneraliMaiuscoleERigheConPiuChiavi) {
    const std::string testo = R"(commento iniziale, ignorato
[Generale]
- un commento prende il posto del campo
-- e anche sfondo uno, 5
LUNGHEZZA PERCORSO, 1000
Progressiva chilometrica uno, 500, 5000, 0
SFONDO UNO, 5
Ripetizione segnali 4 codici, 100, 200
progressiva chilometrica tre e due, 100, 1000, 0, 200, 2000, 0
sfondo tre e due, 7, 8
[curve]
sfondo uno, 9
[fine]
)";
    ASSERT_TRUE(leggi(testo));
    EXPECT_EQ(c.codice_errore, 0);
    EXPECT_EQ(c.voci[84].dato2, 1000);
    EXPECT_EQ(c.n_celle, 160);
    // "tre e due" fills both 81 and 82; the ordering then puts the later start first.
    EXPECT_EQ(c.voci[81].dato1, 200);
    EXPECT_EQ(c.voci[81].dato2, 2000);
    EXPECT_EQ(c.voci[82].dato1, 100);
    EXPECT_EQ(c.voci[83].dato1, 0);
    EXPECT_EQ(c.voci[83].dato2, 0);
    // "sfondo tre e due" reads dato3 ("due") first, then dato2 ("tre"); rows after the
    // section are not general rows.
    EXPECT_EQ(c.voci[85].dato3, 7);
    EXPECT_EQ(c.voci[85].dato2, 8);
    EXPECT_EQ(c.voci[85].dato1, 0);
    EXPECT_EQ(c.voci[86].dato1, 0);
    EXPECT_EQ(c.voci[86].dato3, 0);
}

TEST_F(FaseLinea, LunghezzaDelPercorsoEDimensioniDellaGriglia) {
    const struct {
        int32_t lunghezza;
        int32_t n_celle;
    } casi[] = {
        {0, 140}, {1025, 160}, {1075, 162}, {1000000, 20140},  // halves go to even
    };
    for (const auto& k : casi) {
        SCOPED_TRACE(k.lunghezza);
        ASSERT_TRUE(
            leggi("[generale]\nlunghezza percorso, " + std::to_string(k.lunghezza) + "\n[fine]\n"));
        EXPECT_EQ(c.codice_errore, 0);
        EXPECT_EQ(c.lunghezza_estesa, k.lunghezza + 7000);
        EXPECT_EQ(c.n_celle, k.n_celle);
        EXPECT_EQ(c.celle.size(), static_cast<std::size_t>(k.n_celle) + 1);
        EXPECT_EQ(c.tracciato.size(), static_cast<std::size_t>(k.lunghezza) + 7001);
    }
}

TEST_F(FaseLinea, PrimeRigheDiPendenza) {
    ASSERT_TRUE(leggi(linea(R"(- Altitudine iniziale Orvesa = 36 m.
pendenza,  850 , 4 
pendenza,  870 , 5 
pendenza,  65650,   -26
pendenza,  70000 , 200 
)")));
    EXPECT_EQ(c.codice_errore, 0);
    const auto pendenza = [&](int i) { return static_cast<int>(c.celle[i].pendenza); };
    EXPECT_EQ(pendenza(0), 100);
    EXPECT_EQ(pendenza(16), 100);
    // Two rows in cell 17: the cell keeps the earlier gradient, the later one starts at 18.
    EXPECT_EQ(pendenza(17), 104);
    EXPECT_EQ(pendenza(18), 105);
    EXPECT_EQ(pendenza(1312), 105);
    EXPECT_EQ(pendenza(1313), 74);  // -26
    EXPECT_EQ(pendenza(1399), 74);
    EXPECT_EQ(pendenza(1400), 44);  // 300 keeps its low 8 bits
    EXPECT_EQ(pendenza(2157), 44);
    EXPECT_EQ(pendenza(2158), 0);
}

TEST_F(FaseLinea, PendenzaAllUltimaPosizioneAmmessaELaCompletamentoAlmenoUnaVolta) {
    // c = 2158: the row fills 0..2157; the completion then writes its one cell, 2158.
    ASSERT_TRUE(leggi(linea("pendenza,  107900 , 4 \n")));
    EXPECT_EQ(c.codice_errore, 0);
    EXPECT_EQ(c.celle[2157].pendenza, 100);
    EXPECT_EQ(c.celle[2158].pendenza, 104);
    EXPECT_EQ(c.celle[2159].pendenza, 0);
}

namespace {

// A plan recomputed from a table of curvatures per point: each step turns the previous
// one, x[m] = x[m-1] + (dx + k dy) and y[m] = y[m-1] + (dy - k dx), in this order.
template <typename numero>
struct piano_atteso {
    std::vector<numero> x, y;
};

template <typename numero>
piano_atteso<numero> piano_di_riferimento(int ultimo, double (*curvatura)(int)) {
    piano_atteso<numero> p;
    p.x = {0, 0};
    p.y = {0, 1};
    for (int m = 2; m <= ultimo; ++m) {
        const numero dx = p.x[m - 1] - p.x[m - 2];
        const numero dy = p.y[m - 1] - p.y[m - 2];
        const numero k = curvatura(m);
        p.x.push_back(p.x[m - 1] + (dx + k * dy));
        p.y.push_back(p.y[m - 1] + (dy - k * dx));
    }
    return p;
}

}  // namespace

TEST_F(FaseLinea, CurveASinistraEADestraNelPiano) {
    // Route 5000 m, plan points 0..12000. Left from 701 to 1400 (k = -0.002), right from
    // 3451 to 3950 (0.001); the third curve starts behind the next point, 3951, so it
    // turns from 3951 on with no straight stretch, up to 4000.
    ASSERT_TRUE(leggi(R"([generale]
lunghezza percorso, 5000
[curve]
curvas5,  700 , 700 
curvad4,  3450 , 500 
curvad5,  3900,  100
[fine]
)"));
    ASSERT_EQ(c.codice_errore, 0);
    ASSERT_EQ(c.tracciato.size(), 12001u);

    // First turning points, exactly: from the heading (0, 1) the step becomes (k, 1).
    EXPECT_EQ(x(700), 0.0);
    EXPECT_EQ(y(700), 700.0);
    EXPECT_EQ(x(701), -0.002);
    EXPECT_EQ(y(701), 701.0);
    EXPECT_EQ(x(702), 3.0 * -0.002);

    const auto curvatura = [](int m) {
        if (m >= 701 && m <= 1400)
            return -0.002;
        if (m >= 3451 && m <= 3950)
            return 0.001;
        if (m >= 3951 && m <= 4000)
            return 0.002;
        return 0.0;
    };
    // Bit for bit in double precision, and within 1e-7 m of the same steps in long double.
    const auto esatto = piano_di_riferimento<double>(11998, curvatura);
    const auto preciso = piano_di_riferimento<long double>(11998, curvatura);
    for (int m = 2; m <= 11998; ++m) {
        ASSERT_EQ(x(m), esatto.x[m]) << m;
        ASSERT_EQ(y(m), esatto.y[m]) << m;
        ASSERT_NEAR(x(m), static_cast<double>(preciso.x[m]), 1e-7) << m;
        ASSERT_NEAR(y(m), static_cast<double>(preciso.y[m]), 1e-7) << m;
    }
    EXPECT_TRUE(std::holds_alternative<std::monostate>(c.tracciato[11999].x));
    EXPECT_TRUE(std::holds_alternative<std::monostate>(c.tracciato[12000].x));

    // Closed form of the left curve: step j is (1 + k^2)^(j/2) (sin jt, cos jt), t = atan k,
    // so the steps grow and are never brought back to length 1.
    long double cx = 0, cy = 700;
    const long double t = std::atan(-0.002L);
    for (int j = 1; j <= 700; ++j) {
        const long double r = std::pow(1.0L + 0.002L * 0.002L, j / 2.0L);
        cx += r * std::sin(j * t);
        cy += r * std::cos(j * t);
    }
    EXPECT_NEAR(x(1400), static_cast<double>(cx), 1e-7);
    EXPECT_NEAR(y(1400), static_cast<double>(cy), 1e-7);
    EXPECT_LT(x(1400), -400.0);  // left is -x
    const double passo = std::hypot(x(1400) - x(1399), y(1400) - y(1399));
    EXPECT_NEAR(passo, std::pow(1.0 + 0.002 * 0.002, 350.0), 1e-12);
}

TEST_F(FaseLinea, GradoDellaCurvaDallaPrimaCifraEVersoDallaS) {
    const struct {
        const char* chiave;
        double k;
    } casi[] = {
        {"curvad1", 0.0001}, {"curvad2", 0.0002},  {"curvad3", 0.0004}, {"curvad4", 0.001},
        {"curvad5", 0.002},  {"curvad6", 0.003},   {"curvas5", -0.002}, {"CURVAS4", -0.001},
        {"Curva6d", 0.003},  {"curvad63", 0.0004},
    };
    for (const auto& k : casi) {
        SCOPED_TRACE(k.chiave);
        ASSERT_TRUE(leggi(linea(std::string(k.chiave) + ",  100 , 10 \n")));
        EXPECT_EQ(c.codice_errore, 0);
        EXPECT_EQ(x(100), 0.0);
        EXPECT_EQ(x(101), k.k);
        EXPECT_EQ(y(101), 101.0);
    }
}

TEST_F(FaseLinea, CurvaFinoAllUltimoPuntoDelPianoAccettata) {
    ASSERT_TRUE(
        leggi("[generale]\nlunghezza percorso, 1000\n[curve]\ncurvad5,  7900 , 100 \n"
              "[fine]\n"));
    EXPECT_EQ(c.codice_errore, 0);
    EXPECT_GT(x(8000), 0.0);
}

TEST_F(FaseLinea, SenzaPianoLeRigheDiCurvaNonSonoInterpretate) {
    c.scrivi_linea = 0;
    // Interpreted, "curvad7" would be refused (no digit 1 to 6); its numbers are passed
    // over as fields too, and the gradient row after it is read.
    ASSERT_TRUE(leggi(linea("curvad7,  700 , 700 \npendenza,  850 , 4 \n")));
    EXPECT_EQ(c.codice_errore, 0);
    EXPECT_TRUE(c.tracciato.empty());
    EXPECT_EQ(c.celle[17].pendenza, 104);
}

TEST_F(FaseLinea, ProvaDiLimiteSuOgniTipoDiRiga) {
    // n_celle = 2160: positions up to 50 * 2160 - 100 = 107900 pass, 107901 and -1 do not.
    const char* modelli[] = {
        "pendenza,  {} , 4 \n",
        "curvad4,  {} , 0 \n",
        "montagna,  {} , {} , 2 \n",
        "indicatori_vmax,  {},  85,  90,  90,  0,  ,  ,  ,  0\n",
        "cartello_indicatore,  {},   ( PRIMO )\n",
    };
    for (const char* modello : modelli) {
        for (const int64_t p : {int64_t{107900}, int64_t{107901}, int64_t{-1}}) {
            SCOPED_TRACE(con_posizione(modello, p));
            compattatore nuovo(cartella.percorso(), identita_predefinita());
            nuovo.scrivi_linea = 1;
            prepara(linea(con_posizione(modello, p) + "cartello_indicatore,  4550,   ( DOPO )\n"));
            ASSERT_TRUE(passi_del_driver::leggi_linea(nuovo));
            EXPECT_FALSE(std::filesystem::exists(file_linea()));
            const bool dopo_letto =
                nuovo.voci[80].nome == "( DOPO )" || nuovo.voci[79].nome == "( DOPO )";
            if (p == 107900) {
                EXPECT_EQ(nuovo.codice_errore, 0);
                EXPECT_TRUE(dopo_letto);
            } else {
                EXPECT_EQ(nuovo.codice_errore, numero(problema::posizione_oltre_la_griglia));
                EXPECT_EQ(nuovo.posizione_errore, p);
                EXPECT_FALSE(dopo_letto);
                EXPECT_EQ(nuovo.celle[2157].pendenza, 100);  // completed all the same
                EXPECT_EQ(std::get<double>(nuovo.tracciato[107998].y), 107998.0);
            }
        }
    }
}

TEST_F(FaseLinea, MontagneECartelliDiVelocitaDalFile) {
    c.n_montagne = 7;  // set to 0 before the rows
    ASSERT_TRUE(leggi(linea(R"(montagna,  4600 , 4750 , 12 
montagna,   22300,  22650,  11
montagna,  98350 , 98400 , 2 
indicatori_vmax,  800,  85,  90,  90,  0,  ,  ,  ,  0
indicatori_vmax,  22400,  90,  95,  100,  2,  ,  ,  ,  0
)")));
    EXPECT_EQ(c.codice_errore, 0);
    EXPECT_EQ(c.n_montagne, 3);
    EXPECT_EQ(c.celle[92].montagna, 2);
    EXPECT_EQ(c.celle[94].montagna, 2);
    EXPECT_EQ(c.celle[95].montagna, 0);
    EXPECT_EQ(c.celle[446].montagna, 1);
    EXPECT_EQ(c.celle[1967].montagna, 2);
    EXPECT_EQ(c.celle[17].tipo, tipo_cella::indicatore_v_max);
    EXPECT_EQ(c.celle[17].valore1, 1700);
    // The second sign stands on the marker of cell 449 and replaces it.
    EXPECT_EQ(c.celle[449].tipo, tipo_cella::indicatore_v_max);
    EXPECT_EQ(c.celle[449].valore4, 20);
}

TEST_F(FaseLinea, CartelliIndicatoriNelleCelleENelleVociDall80InGiu) {
    ASSERT_TRUE(leggi(linea(R"(montagna,   22300,  22650,  11
cartello_indicatore,  4550,   ( GALLERIA  )( 170 m.  )
cartello_indicatore,  22350,   ( VIADOTTO )
)")));
    EXPECT_EQ(c.codice_errore, 0);
    EXPECT_EQ(c.celle[92].tipo, tipo_cella::cartello_indicatore);
    EXPECT_EQ(c.celle[92].valore1, 80);
    EXPECT_EQ(c.voci[80].nome, "( GALLERIA  )( 170 m.  )");
    // 22350 / 50 + 1 = 448: not the marker cell 449, which stays.
    EXPECT_EQ(c.celle[448].valore1, 79);
    EXPECT_EQ(c.celle[449].tipo, tipo_cella::marcatore_galleria);
    EXPECT_EQ(c.voci[79].nome, "( VIADOTTO )");
    EXPECT_EQ(c.voci[79].dato1, 0);
    EXPECT_EQ(c.prossimo_cartello, 78);

    // The cell is p / 50 + 1 rounded as a whole: 75 / 50 + 1 = 2.5 goes to 2.
    ASSERT_TRUE(leggi(linea("cartello_indicatore,  75,   (A)\n")));
    EXPECT_EQ(c.celle[2].tipo, tipo_cella::cartello_indicatore);

    ASSERT_TRUE(
        leggi(linea("montagna,   22300,  22650,  11\n"
                    "cartello_indicatore,  22400,   ( SUL MARCATORE )\n")));
    EXPECT_EQ(c.celle[449].tipo, tipo_cella::cartello_indicatore);
}

TEST_F(FaseLinea, OttantunoCartelliRiempionoLaVoceZero) {
    std::string righe;
    for (int i = 0; i < 81; ++i) {
        righe += "cartello_indicatore,  " + std::to_string(1000 + 100 * i) + ", (C" +
                 std::to_string(i) + ")\n";
    }
    ASSERT_TRUE(leggi(linea(righe)));
    EXPECT_EQ(c.codice_errore, 0);
    EXPECT_EQ(c.voci[0].nome, "(C80)");
    EXPECT_EQ(c.prossimo_cartello, -1);
}

TEST_F(FaseLinea, RigheDiCommentoEUltimoCampoDelFile) {
    // Two comment fields are replaced; the third field is tested as it is. The last field
    // of the file, a keyword with its values missing, is never interpreted.
    ASSERT_TRUE(leggi(generale_portato + "[pendenze]\n- primo\n- secondo\n- pendenza,  850 , 4 \n"
                                         "cartello_indicatore"));
    EXPECT_EQ(c.codice_errore, 0);
    EXPECT_EQ(c.celle[17].pendenza, 104);
    // The comment replacement stops at the end of the file too.
    ASSERT_TRUE(leggi(generale_portato + "[pendenze]\n- commento\npendenza"));
    EXPECT_EQ(c.codice_errore, 0);
}

TEST_F(FaseLinea, FileDellaLineaMancante101) {
    scrivi_tutto(file_treno(), "treno");
    EXPECT_FALSE(passi_del_driver::leggi_linea(c));
    EXPECT_EQ(c.codice_errore, numero(problema::file_linea_mancante));
    EXPECT_TRUE(c.celle.empty());
    EXPECT_EQ(c.voci[85].nome, "Orvesa_Cusvana");
    EXPECT_TRUE(std::filesystem::exists(file_treno()));
    // A directory of that name is no line file either, and stays.
    std::filesystem::create_directory(file_linea());
    compattatore nuovo(cartella.percorso(), identita_predefinita());
    EXPECT_FALSE(passi_del_driver::leggi_linea(nuovo));
    EXPECT_EQ(nuovo.codice_errore, numero(problema::file_linea_mancante));
    EXPECT_TRUE(std::filesystem::is_directory(file_linea()));
}

TEST_F(FaseLinea, OgniCodiceDellaFaseConIFileEliminatiOConservati) {
    std::string ottantadue_cartelli, ottantuno_montagne, testo_lungo(32768, 'A');
    for (int i = 0; i < 82; ++i) {
        ottantadue_cartelli +=
            "cartello_indicatore,  " + std::to_string(1000 + 100 * i) + ", (C)\n";
    }
    for (int i = 0; i < 81; ++i) {
        ottantuno_montagne += "montagna,  " + std::to_string(1000 * i) + " , " +
                              std::to_string(1000 * i + 100) + " , 2 \n";
    }
    const std::string vmax = "indicatori_vmax,  800,  85,  90,  90,  0,  ,  ,  ,  0\n";
    struct caso {
        const char* nome;
        std::string testo;
        problema codice;
        std::optional<int32_t> posizione;
        bool segue_treno = false;
    };
    const caso casi[] = {
        {"no [generale]",
         "[linea]\nlunghezza percorso, 1000\n[fine]\n",
         problema::sezione_generale_mancante,
         {}},
        {"[generale] is the last field",
         "x\n[generale]\n",
         problema::sezione_generale_mancante,
         {}},
        {"length 1000001",
         "[generale]\nlunghezza percorso, 1000001\n[fine]\n",
         problema::lunghezza_percorso_fuori_limiti,
         {}},
        {"length -1",
         "[generale]\nlunghezza percorso, -1\n[fine]\n",
         problema::lunghezza_percorso_fuori_limiti,
         {}},
        {"first repetition position",
         "[generale]\nlunghezza percorso, 1000\nripetizione segnali 4 codici, 125, 200\n",
         problema::prima_ripetizione_non_multipla_di_50,
         {}},
        {"second repetition position",
         "[generale]\nlunghezza percorso, 1000\nripetizione segnali 4 codici, 100, 210\n",
         problema::seconda_ripetizione_non_multipla_di_50,
         {}},
        {"repetition without 4 or 9",
         "[generale]\nlunghezza percorso, 1000\nripetizione segnali codici, 100, 0\n",
         problema::ripetizione_senza_4_o_9_codici,
         {}},
        {"curve without a digit 1 to 6",
         linea("curvad7,  700 , 700 \n"),
         problema::curva_non_valida,
         {}},
        {"curve beyond the plan", linea("curvad5,  107900 , 101 \n"), problema::curva_non_valida,
         107900},
        {"curve past point 1000000",
         "[generale]\nlunghezza percorso, 1000000\n[curve]\ncurvad5,  999990, 20\n[fine]\n",
         problema::curva_non_valida,
         {}},
        {"position beyond the grid", linea("montagna,  107901 , 108000 , 2 \n"),
         problema::posizione_oltre_la_griglia, 107901, true},
        {"speed sign on an indicator sign", linea("cartello_indicatore,  800, (X)\n" + vmax),
         problema::cartello_v_max_su_cella_occupata, 800},
        {"indicator sign on a speed sign", linea(vmax + "cartello_indicatore,  790,   (X)\n"),
         problema::cartello_indicatore_su_cella_occupata, 790},
        {"82 indicator signs", linea(ottantadue_cartelli), problema::troppi_cartelli_indicatori,
         1000 + 100 * 81},
        {"81 mountain rows", linea(ottantuno_montagne), problema::troppe_montagne, 80000},
    };
    for (const caso& k : casi) {
        SCOPED_TRACE(k.nome);
        compattatore nuovo(cartella.percorso(), identita_predefinita());
        nuovo.scrivi_linea = 1;
        prepara(k.testo);
        EXPECT_EQ(passi_del_driver::leggi_linea(nuovo), k.segue_treno);
        EXPECT_EQ(nuovo.codice_errore, numero(k.codice));
        if (k.posizione) {
            EXPECT_EQ(nuovo.posizione_errore, *k.posizione);
        }
        EXPECT_FALSE(std::filesystem::exists(file_linea()));
        EXPECT_TRUE(std::filesystem::exists(file_treno()));
    }
}

TEST_F(FaseLinea, ErroriDiLetturaDiventano25EEliminanoEntrambiIFile) {
    const struct {
        const char* nome;
        std::string testo;
        int riga;  // line of the field the diagnostics point at
    } casi[] = {
        {"empty file", "", 0},
        {"no length row", "[generale]\nsfondo uno, 1\n[curve]\npendenza,  850 , 4 \n[fine]\n", 3},
        {"length not a whole number", "[generale]\nlunghezza percorso, 101000.5\n[fine]\n", 2},
        {"length beyond 32 bits", "[generale]\nlunghezza percorso, 3000000000\n[fine]\n", 2},
        {"row cut by the end of the file", generale_portato + "[curve]\npendenza,  850\n", 11},
        {"chainage + 100 beyond 32 bits",
         "[generale]\nlunghezza percorso, 1000\nprogressiva chilometrica uno, 0, 2147483600, "
         "1\n[curve]\n[fine]\n",
         4},
        {"sign value beyond 16 bits",
         linea("indicatori_vmax,  800,  2000,  90,  90,  0,  ,  ,  ,  0\n"), 11},
        {"indicator text longer than a name can be",
         linea("cartello_indicatore,  4550, " + std::string(32768, 'A') + "\n"), 11},
    };
    for (const auto& k : casi) {
        SCOPED_TRACE(k.nome);
        compattatore nuovo(cartella.percorso(), identita_predefinita());
        nuovo.scrivi_linea = 1;
        prepara(k.testo);
        passi_del_driver::memorizza_dati(nuovo);
        EXPECT_EQ(nuovo.codice_errore, numero(problema::errore_di_lettura));
        EXPECT_FALSE(std::filesystem::exists(file_linea()));
        EXPECT_FALSE(std::filesystem::exists(file_treno()));
        if (k.riga > 0) {
            ASSERT_TRUE(origine_di(nuovo).has_value());
            EXPECT_EQ(origine_di(nuovo)->luogo.riga, k.riga);
        }
    }
    // A text of 32767 bytes still fits.
    ASSERT_TRUE(leggi(linea("cartello_indicatore,  4550, " + std::string(32767, 'A') + "\n")));
    EXPECT_EQ(c.voci[80].nome.size(), 32767u);
}

// A curve that runs past the plan's last point says where it starts.
TEST_F(FaseLinea, CurvaOltreIlTracciatoConLaSuaPosizione) {
    EXPECT_FALSE(leggi(linea("curvad5,  107900 , 101 \n")));
    EXPECT_EQ(descrivi_problemi(c),
              file_linea().string() +
                  ":11:11: problema 103 a 107900 m: curva senza grado 1-6 o oltre la fine del "
                  "tracciato\n"
                  "  curvad5,  107900 , 101 \n"
                  "            ^\n");
}

TEST_F(FaseLinea, OrigineDelProblemaSulCampoCheLoCausa) {
    const struct {
        std::string testo;
        problema codice;
        int riga;
        int colonna;
    } casi[] = {
        {linea("pendenza,  850 , 4 \npendenza,  107901 , 4 \n"),
         problema::posizione_oltre_la_griglia, 12, 12},
        {"[generale]\nlunghezza percorso, 1000\n  ripetizione segnali codici, 100, 0\n",
         problema::ripetizione_senza_4_o_9_codici, 3, 3},
        {"[generale]\nlunghezza percorso,    1000001\n", problema::lunghezza_percorso_fuori_limiti,
         2, 24},
    };
    for (const auto& k : casi) {
        SCOPED_TRACE(numero(k.codice));
        compattatore nuovo(cartella.percorso(), identita_predefinita());
        prepara(k.testo);
        passi_del_driver::leggi_linea(nuovo);
        EXPECT_EQ(nuovo.codice_errore, numero(k.codice));
        ASSERT_TRUE(origine_di(nuovo).has_value());
        EXPECT_EQ(origine_di(nuovo)->file, file_linea());
        EXPECT_EQ(origine_di(nuovo)->luogo.riga, k.riga);
        EXPECT_EQ(origine_di(nuovo)->luogo.colonna, k.colonna);
    }
}

TEST_F(FaseLinea, FileDellaLineaPortatoSenzaProblemi) {
    dati_linea(cartella.percorso(), identita_predefinita());
    scrivi_tutto(file_treno(), "treno");
    ASSERT_TRUE(passi_del_driver::leggi_linea(c));
    EXPECT_EQ(c.codice_errore, 0);
    EXPECT_FALSE(std::filesystem::exists(file_linea()));

    EXPECT_EQ(c.voci[84].dato2, 101000);
    EXPECT_EQ(c.lunghezza_estesa, 108000);
    EXPECT_EQ(c.n_celle, 2160);
    EXPECT_EQ(c.celle.size(), 2161u);
    EXPECT_EQ(c.tracciato.size(), 108001u);
    EXPECT_TRUE(std::holds_alternative<double>(c.tracciato[107998].x));
    EXPECT_TRUE(std::holds_alternative<std::monostate>(c.tracciato[107999].x));

    // Chainage: "due" starts last; "tre" and "uno" tie at 0, "uno" taking 82 and its
    // decreasing chainage 100 m on.
    const auto tratto = [&](int i) {
        return std::array<int32_t, 3>{c.voci[i].dato1, c.voci[i].dato2, c.voci[i].dato3};
    };
    EXPECT_EQ(tratto(81), (std::array<int32_t, 3>{98250, 213400, 0}));
    EXPECT_EQ(tratto(82), (std::array<int32_t, 3>{0, 101050, 1}));
    EXPECT_EQ(tratto(83), (std::array<int32_t, 3>{0, 0, 0}));
    EXPECT_EQ(tratto(85), (std::array<int32_t, 3>{1, 32750, 59500}));
    EXPECT_EQ(tratto(86), (std::array<int32_t, 3>{0, 0, 0}));

    // 49 indicator signs in voci 80 down to 32, each with its cell.
    EXPECT_EQ(c.prossimo_cartello, 31);
    EXPECT_EQ(c.voci[80].nome, "(Galleria Capo Orvino)( 150 m.        )");
    EXPECT_EQ(c.voci[32].nome, "( Bivio )(Cusvana Nord)");
    EXPECT_TRUE(c.voci[31].nome.empty());
    EXPECT_EQ(c.celle[92].tipo, tipo_cella::cartello_indicatore);
    EXPECT_EQ(c.celle[92].valore1, 80);
    int cartelli = 0, velocita = 0;
    for (const cella& cl : c.celle) {
        cartelli += cl.tipo == tipo_cella::cartello_indicatore ? 1 : 0;
        velocita += cl.tipo == tipo_cella::indicatore_v_max ? 1 : 0;
    }
    EXPECT_EQ(cartelli, 49);
    EXPECT_EQ(velocita, 31);
    EXPECT_EQ(c.n_montagne, 49);

    // First rows of each kind.
    EXPECT_EQ(c.celle[16].pendenza, 100);
    EXPECT_EQ(c.celle[17].pendenza, 104);
    EXPECT_EQ(c.celle[41].pendenza, 103);
    EXPECT_EQ(c.celle[2158].pendenza, 0);
    EXPECT_EQ(c.celle[92].montagna, 2);
    EXPECT_EQ(c.celle[94].montagna, 2);
    EXPECT_EQ(c.celle[1967].montagna, 2);
    EXPECT_EQ(c.celle[17].valore1, 1700);
    EXPECT_EQ(x(701), -0.002);
}

// Grid and plan are made once, for the last route length: four thousand length rows cost
// what their bytes do, and the last one sizes the grid.
TEST_F(FaseLinea, MoltissimeRigheDellaLunghezzaInMenoDiUnSecondo) {
    std::string testo = "[generale]\n";
    for (int i = 0; i < 4000; ++i) {
        testo += "lunghezza percorso, " + std::to_string(i % 2 == 0 ? 1000000 : 101000) + "\n";
    }
    const auto inizio = std::chrono::steady_clock::now();
    ASSERT_TRUE(leggi(testo + "[curve]\n[fine]\n"));
    EXPECT_LT(std::chrono::steady_clock::now() - inizio, std::chrono::seconds(1));
    EXPECT_EQ(c.n_celle, 2160);
    EXPECT_EQ(c.celle.size(), 2161u);
    EXPECT_EQ(c.tracciato.size(), 108001u);
}
