// The checker: every problem of a scenario in source order, each with its code, position,
// line and column; every warning with the mistake it catches; the JSON form read back; and,
// on many generated sources, the first problem listed is the one the compactor records.
#include "compactor/compattatore.h"
#include "compactor/diagnostica.h"
#include "passi_del_driver.h"
#include "tools/strumento.h"
#include "writers/dati.h"

#include "aiuti.h"
#include "generatore_coppie.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <climits>
#include <functional>
#include <numeric>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace {

std::string crlf(const std::string& testo) {
    std::string uscita;
    for (const char c : testo) {
        uscita += c == '\n' ? std::string("\r\n") : std::string(1, c);
    }
    return uscita;
}

// The checker on a pair of sources written into a fresh folder.
class Controllo {
public:
    Controllo(const std::string& linea, const std::optional<std::string>& treno) {
        scrivi_tutto(file_linea(), crlf(linea));
        if (treno) {
            scrivi_tutto(file_treno(), crlf(*treno));
        }
        intestazione = passi_del_driver::controlla_percorso(c);
        rapporto = controlla_sorgenti(dove_, identita_predefinita(), false);
    }
    std::filesystem::path file_linea() const {
        return nomi_file::sorgente_linea(cartella.percorso(), identita_predefinita());
    }
    std::filesystem::path file_treno() const {
        return nomi_file::sorgente_treno(cartella.percorso(), identita_predefinita());
    }
    std::vector<const segnalazione*> di_gravita(bool problema) const {
        std::vector<const segnalazione*> scelte;
        for (const segnalazione& s : rapporto) {
            if (s.problema == problema) {
                scelte.push_back(&s);
            }
        }
        return scelte;
    }

    cartella_temporanea cartella;
    cartelle_compattatore dove_{cartella.percorso(), cartella.percorso(), false};
    // The reading that goes on after problems, whose model the tests look at.
    compattatore c{dove_, identita_predefinita()};
    int intestazione = 0;
    std::vector<segnalazione> rapporto;
};

// Where a text stands in a source: its line and the column of its first byte.
std::pair<int, int> dove(const std::string& sorgente, int riga, const std::string& testo) {
    std::istringstream righe(sorgente);
    std::string r;
    for (int n = 1; std::getline(righe, r); ++n) {
        if (n == riga) {
            const std::size_t colonna = r.find(testo);
            return {riga, colonna == std::string::npos ? -1 : static_cast<int>(colonna) + 1};
        }
    }
    return {riga, -1};
}

const std::string generale = "[generale]\nlunghezza percorso, 5000\n";
const std::string treno_corto = "[generale]\nvelocita, 0, 50\n[fine]\n";

}  // namespace

TEST(Controlla, OgniProblemaDeiDueFileInOrdineConIlSuoPosto) {
    const std::string linea = generale +
                              "[cartelli]\n"
                              "indicatori_vmax,  800,  85,  90,  90,  0,  ,  ,  ,  0\n"
                              "cartello_indicatore,  800, (X)\n"
                              "montagna, 20000, 20100, 2\n"
                              "curvad7, 700, 100\n"
                              "pendenza, 1000, x\n"
                              "pendenza, 1200, 3\n"
                              "[fine]\n";
    const std::string treno =
        "[generale]\n"
        "velocita, 0, 50\n"
        "segnale, 800, 1, 4, 0, 0, 0, 0, 0, 0, 0, 0\n"
        "stazione, 1025, 2, 700, 1, 0, 0, 4,1,0, 2,1,1, 1, 17,28,0, A\n"
        "abbattimento, 850, 0\n"
        "segnale, 4500, 1, 4, 0, 0, 0, 0, 0, 0, 0, 0\n"
        "[fine]\n";
    const Controllo k(linea, treno);
    struct atteso {
        problema codice;
        std::optional<int32_t> posizione;
        bool nel_treno;
        std::pair<int, int> posto;
    };
    const atteso attesi[] = {
        {problema::cartello_indicatore_su_cella_occupata, 800, false, dove(linea, 5, "800")},
        {problema::posizione_oltre_la_griglia, 20000, false, dove(linea, 6, "20000")},
        {problema::curva_non_valida, std::nullopt, false, dove(linea, 7, "curvad7")},
        {problema::errore_di_lettura, std::nullopt, false, dove(linea, 8, "x")},
        {problema::segnale_su_cella_occupata, 800, true, dove(treno, 3, "800")},
        {problema::stazione_non_multipla_di_50, 1025, true, dove(treno, 4, "1025")},
        {problema::abbattimento_su_cella_occupata, 850, true, dove(treno, 5, "850")},
    };
    const auto problemi = k.di_gravita(true);
    ASSERT_EQ(problemi.size(), std::size(attesi));
    for (std::size_t i = 0; i < problemi.size(); ++i) {
        SCOPED_TRACE(i);
        const segnalazione& s = *problemi[i];
        EXPECT_EQ(s.codice, numero(attesi[i].codice));
        EXPECT_EQ(s.posizione, attesi[i].posizione);
        EXPECT_EQ(s.file, attesi[i].nel_treno ? k.file_treno() : k.file_linea());
        ASSERT_TRUE(s.origine.has_value());
        EXPECT_EQ(std::pair(s.origine->luogo.riga, s.origine->luogo.colonna), attesi[i].posto);
    }
    // Nothing of a refused row is kept: the rows after each still count, and the gradient
    // row after the read failure is read.
    EXPECT_EQ(k.c.celle[24].pendenza, 103);
    // Nothing was written or deleted.
    EXPECT_TRUE(std::filesystem::exists(k.file_linea()));
    EXPECT_TRUE(std::filesystem::exists(k.file_treno()));
    EXPECT_FALSE(std::filesystem::exists(
        nomi_file::voci_compatte(k.cartella.percorso(), identita_predefinita())));
}

// After a problem, a later row stored without refusal adds none, in either file.
TEST(Controlla, DopoUnProblemaLeRigheAccettateNonNeAggiungono) {
    const Controllo k(generale +
                          "[cartelli]\n"
                          "indicatori_vmax,  800,  85,  90,  90,  0,  ,  ,  ,  0\n"
                          "cartello_indicatore,  800, (X)\n"
                          "montagna, 1000, 1200, 2\n"
                          "indicatori_vmax,  2000,  85,  90,  90,  0,  ,  ,  ,  0\n"
                          "[fine]\n",
                      "[generale]\n"
                      "segnale, 800, 1, 4, 0, 0, 0, 0, 0, 0, 0, 0\n"
                      "segnale, 4500, 1, 4, 0, 0, 0, 0, 0, 0, 0, 0\n"
                      "rallentamento, 3000, 30, 200, 1, 0, 0\n"
                      "[fine]\n");
    const auto problemi = k.di_gravita(true);
    ASSERT_EQ(problemi.size(), 2u);
    EXPECT_EQ(problemi[0]->codice, numero(problema::cartello_indicatore_su_cella_occupata));
    EXPECT_EQ(problemi[1]->codice, numero(problema::segnale_su_cella_occupata));
    EXPECT_EQ(k.c.celle[21].montagna, 2);
    EXPECT_EQ(k.c.celle[41].tipo, tipo_cella::indicatore_v_max);
    EXPECT_EQ(k.c.celle[91].tipo, tipo_cella::segnale);
}

// A problem as both programs print it: "FILE:LINE:COL: TEXT", the line and a caret under
// column COL.
std::string blocco(const std::filesystem::path& file, int riga, int colonna,
                   const std::string& testo, const std::string& testo_riga,
                   const std::string& dopo = "") {
    return file.string() + ":" + std::to_string(riga) + ":" + std::to_string(colonna) + ": " +
           testo + "\n  " + testo_riga + "\n  " + std::string(colonna - 1, ' ') + "^\n" + dopo;
}

// What compatta prints on standard error for the pair in `k`'s folder.
std::string errori_di_compatta(const Controllo& k) {
    std::ostringstream uscita, errori;
    compatta_scenario(k.cartella.percorso(), identita_predefinita(), false, uscita, errori);
    return errori.str();
}

// controlla's text form for the pair in `k`'s folder.
std::string testo_di_controlla(const Controllo& k) {
    std::ostringstream uscita;
    controlla_scenario(k.cartella.percorso(), identita_predefinita(), {}, uscita);
    return uscita.str();
}

TEST(Controlla, IlCamminoLiDiceTuttiEIlControlloDIntestazioneAncheLui) {
    // Two slowdowns whose points before the start find no free cell (cells 11 to 27 are
    // taken by signals), and an "abbattimento" in cell 1 that fails the header check.
    std::string treno = "[generale]\nabbattimento, 50, 7\n";
    for (int cella = 11; cella <= 27; ++cella) {
        treno += "segnale, " + std::to_string(cella * 50 - 50) + ", 1, 0, 0, 0, 0, 0, 0,0,0, 0\n";
    }
    const std::string rallentamento = "rallentamento, 1550, 150, 200, 1, 0, 0";
    treno += rallentamento + "\n[fine]\n";
    const Controllo k(generale + "[fine]\n", treno);
    const std::string dodici =
        "problema 12 a 1600 m: nessuna cella libera per un abbattimento prima dell'inizio di un "
        "rallentamento (celle ";
    const std::string elenco = blocco(k.file_treno(), 20, 16, dodici + "27, 26 e 25 occupate)",
                                      rallentamento) +
                               blocco(k.file_treno(), 20, 16, dodici + "21, 20 e 19 occupate)",
                                      rallentamento) +
                               blocco(k.file_treno(), 20, 16, dodici + "14, 13 e 12 occupate)",
                                      rallentamento);
    EXPECT_EQ(errori_di_compatta(k), elenco + " Errore n. 1250\n");
    EXPECT_EQ(testo_di_controlla(k),
              elenco +
                  blocco(k.file_treno(), 2, 15,
                         "problema 1250: un posto riservato (intero1 della voce 85 o valore1 "
                         "della cella 1) è già occupato: il compattatore si ferma con \" Errore "
                         "n. 1250\" e non scrive i file compatti",
                         "abbattimento, 50, 7") +
                  "4 problemi, 0 avvisi\n");
    EXPECT_EQ(k.intestazione, 1250);
}

// A refused row leaves nothing of itself in what later rows are checked against: not the
// chainage field it read before failing, not a general row's "given again", not the last
// station's position.
TEST(Controlla, UnaRigaRifiutataNonLasciaNulla) {
    const std::string tre = "progressiva chilometrica uno, 1025, 2000, 1";
    const std::string quattro = "progressiva chilometrica uno, 0, x, 1";
    const Controllo progressive(generale + tre + "\n" + quattro + "\n[fine]\n",
                                "[generale]\n[fine]\n");
    EXPECT_EQ(testo_di_controlla(progressive),
              blocco(progressive.file_linea(), 3, 31,
                     "problema 2: progressiva chilometrica non multipla di 50 m", tre) +
                  blocco(progressive.file_linea(), 4, 34,
                         "problema 25: errore di lettura: file illeggibile, troncato o valore "
                         "non valido",
                         quattro, "  \"x\" non è un numero intero\n") +
                  progressive.file_treno().string() +
                  ": avviso: il compattatore non legge questo file: si ferma prima, al "
                  "problema 25 del file della linea\n"
                  "2 problemi, 1 avviso\n");

    const std::string a = "stazione, 5000, 12, 450, 1,0,0, 1,1,0, 1,1,1, 30, 17,30,0, A";
    const Controllo stazioni(
        "[generale]\nlunghezza percorso, 10000\n[fine]\n",
        "[generale]\n[stazioni]\n" + a +
            "\nstazione, 3000, 12, 400, 1,0,0, 1,1,0, 1,1,1, 30, 17,40,0, B\n[fine]\n");
    EXPECT_EQ(testo_di_controlla(stazioni),
              blocco(stazioni.file_treno(), 3, 21,
                     "problema 9 a 5000 m: lunghezza della stazione non multipla di 100 m", a) +
                  blocco(stazioni.file_treno(), 3, 21,
                         "avviso: il compattatore smette di leggere questo file qui: 1 riga "
                         "successiva non viene letta",
                         a) +
                  "1 problema, 1 avviso\n");
}

// A source cannot steer the author's terminal: its control bytes are shown as \xNN and its
// backslashes doubled, in both programs' text, and the caret counts the width they take.
TEST(Controlla, UnaSorgenteNonComandaIlTerminale) {
    const std::string riga = "velocita\x1b[2J, 0, x\\";
    const Controllo k(generale + "[fine]\n", "[generale]\n" + riga + "\n[fine]\n");
    const std::string atteso = k.file_treno().string() +
                               ":2:18: problema 25: errore di lettura: file illeggibile, troncato "
                               "o valore non valido\n"
                               "  velocita\\x1B[2J, 0, x\\\\\n" +
                               std::string(2 + 20, ' ') + "^\n";
    const std::string compatta = errori_di_compatta(k);
    EXPECT_TRUE(compatta.starts_with(atteso)) << compatta;
    EXPECT_EQ(compatta.find('\x1b'), std::string::npos);
    EXPECT_NE(compatta.find("x\\\\\""), std::string::npos) << compatta;  // in the reason too
    const std::string controlla = testo_di_controlla(k);
    EXPECT_NE(controlla.find(atteso), std::string::npos) << controlla;
    EXPECT_EQ(controlla.find('\x1b'), std::string::npos);
}

// The four sources on which the two programs used to disagree: each with the exact report
// of compatta and of controlla, worked out from the rules of the readers and the walk.
TEST(Controlla, ElencaOgniProblemaCheCompattaRegistra) {
    const std::string segnale = "segnale, 1700, 1, 4, 0, 0, 0, 0, 0, 0, 0, 0";
    const std::string lento = "rallentamento, 3000, 30, 20000, 200, 1, 0";
    const std::string venti =
        "problema 20 a 3000 m: celle prima dell'avviso del rallentamento già occupate";
    const std::string quattordici =
        "problema 14 a 3050 m: rallentamento lento senza cella di fine prima del termine della "
        "griglia (nessuna cella di fine tra la cella 62 e la 240)";
    const std::string progressiva = "progressiva chilometrica uno, 0, 1025, 1";
    struct caso {
        const char* nome;
        std::string linea;
        std::string treno;
        // What compatta prints, and so what controlla lists, with the warnings it adds.
        std::function<std::string(const Controllo&)> atteso;
        int problemi;
        std::function<std::string(const Controllo&)> avvisi = [](const Controllo&) {
            return std::string();
        };
    };
    const auto t = [](const Controllo& k) { return k.file_treno(); };
    const std::string rallentamento_indietro = "rallentamento, 3000, 30, -1000, 200, 1, 0";
    const caso casi[] = {
        {"a refused slowdown's cells, then its walk", generale + "[fine]\n",
         "[generale]\n" + segnale + "\n" + lento + "\n[fine]\n",
         [&](const Controllo& k) {
             return blocco(t(k), 3, 16, venti, lento) + blocco(t(k), 3, 16, quattordici, lento);
         },
         2},
        {"the refused slowdown's start cell, then a signal there", generale + "[fine]\n",
         "[generale]\n" + segnale + "\n" + rallentamento_indietro +
             "\nsegnale, 3000, 1, 4, 0, 0, 0, 0, 0, 0, 0, 0\n[fine]\n",
         [&](const Controllo& k) {
             return blocco(t(k), 3, 16, venti, rallentamento_indietro) +
                    blocco(t(k), 3, 16, quattordici, rallentamento_indietro);
         },
         2,
         [&](const Controllo& k) {
             // The compactor never reads the signal after the refused slowdown.
             return blocco(t(k), 3, 16,
                           "avviso: il compattatore smette di leggere questo file qui: 1 riga "
                           "successiva non viene letta",
                           rallentamento_indietro);
         }},
        {"a speed too high for its cells", generale + "[fine]\n",
         "[generale]\nvelocita, 0, 2000\nvelocita, 1000, 50\nvelocita, 2000, 60\n[fine]\n",
         [&](const Controllo& k) {
             return blocco(t(k), 2, 14,
                           "problema 25: errore di lettura: file illeggibile, troncato o valore "
                           "non valido",
                           "velocita, 0, 2000", "  valore fuori dall'intervallo a 8 bit\n");
         },
         1,
         [&](const Controllo& k) {
             return blocco(t(k), 2, 14,
                           "avviso: il compattatore smette di leggere questo file qui: 1 riga "
                           "successiva non viene letta",
                           "velocita, 0, 2000");
         }},
        {"a chainage off the step, then a slowdown's walk", generale + progressiva + "\n[fine]\n",
         "[generale]\n" + lento + "\n[fine]\n",
         [&](const Controllo& k) {
             return blocco(k.file_linea(), 3, 34,
                           "problema 2: progressiva chilometrica non multipla di 50 m",
                           progressiva) +
                    blocco(t(k), 2, 16, quattordici, lento);
         },
         2},
    };
    for (const caso& c : casi) {
        SCOPED_TRACE(c.nome);
        const Controllo k(c.linea, c.treno);
        EXPECT_EQ(errori_di_compatta(k), c.atteso(k));
        const std::string avvisi = c.avvisi(k);
        EXPECT_EQ(testo_di_controlla(k), c.atteso(k) + avvisi + std::to_string(c.problemi) +
                                             (c.problemi == 1 ? " problema, " : " problemi, ") +
                                             (avvisi.empty() ? "0 avvisi\n" : "1 avviso\n"));
        // The last problem of the compactor's run is the one the compact files carry.
        std::size_t in_vigore = 0;
        for (const segnalazione& s : k.rapporto) {
            in_vigore += s.in_vigore ? 1 : 0;
            EXPECT_TRUE(!s.problema || s.del_compattatore) << s.testo;
        }
        EXPECT_EQ(in_vigore, 1u);
    }
}

TEST(Controlla, OgniAvvisoConLErroreCheSegnala) {
    const std::string stazione_a = "stazione, 1000, 12, 400, 1,0,0, 1,1,0, 1,1,1, 30, 17,30,0, A\n";
    struct caso {
        const char* nome;
        std::string linea;
        std::optional<std::string> treno;
        avviso tipo;
        bool nel_treno;
        int riga;           // 0: about the whole file
        std::string campo;  // where on the line
        std::string dice;   // part of the text
    };
    const caso casi[] = {
        {"misspelt keyword", generale + "[pendenze]\npendensa, 4500, 12\n[fine]\n", treno_corto,
         avviso::campo_sconosciuto, false, 4, "pendensa", "forse \"pendenza\"?"},
        {"a row in the general section", generale + "pendenza, 4500, 12\n[fine]\n", treno_corto,
         avviso::campo_sconosciuto, false, 3, "pendenza", "sezione [generale]"},
        {"misspelt train keyword", generale + "[fine]\n",
         "[generale]\nsegnalle, 4500, 1, 4, 0, 0, 0, 0, 0,0,0, 0\n[fine]\n",
         avviso::campo_sconosciuto, true, 2, "segnalle", "forse \"segnale\"?"},
        {"open double quote", generale + "[fine]\n",
         "[generale]\nstazione, 1000, 27, 100, 1,0,0, 1,1,0, 1,1,1, 0, 0,0,0, \"A\n"
         "segnale, 4500, 1, 4, 0, 0, 0, 0, 0,0,0, 0\n[fine]\n",
         avviso::testo_su_piu_righe, true, 2, "\"A", "su più righe"},
        {"empty train file", generale + "[fine]\n", "", avviso::treno_senza_righe, true, 0, "",
         "vuoto"},
        {"train file without [generale]", generale + "[fine]\n", "velocita, 0, 50\n[fine]\n",
         avviso::treno_senza_righe, true, 0, "", "[generale]"},
        {"NUL in a keyword", generale + "[fine]\n",
         std::string("[generale]\nseg\0nale, 4500, 1, 4, 0, 0, 0, 0, 0,0,0, 0\n[fine]\n", 52),
         avviso::byte_di_controllo, true, 2, "seg", "byte di controllo 0"},
        {"rows after a position beyond the grid",
         generale +
             "[pendenze]\npendenza, 20000, 1\npendenza, 100, 2\nmontagna, 200, 300, 1\n[fine]\n",
         treno_corto, avviso::righe_non_lette, false, 4, "20000", "2 righe successive"},
        {"train file never read", generale + "[curve]\ncurvad9, 100, 100\n[fine]\n", treno_corto,
         avviso::righe_non_lette, true, 0, "", "problema 103"},
        {"stations out of order", generale + "[fine]\n",
         "[generale]\n" + stazione_a +
             "stazione, 400, 27, 100, 1,0,0, 1,1,0, 1,1,1, 0, 0,0,0, B\n[fine]\n",
         avviso::stazioni_fuori_ordine, true, 3, "400", "prima della precedente"},
        {"departure times backwards", generale + "[fine]\n",
         "[generale]\n" + stazione_a +
             "stazione, 3000, 12, 400, 1,0,0, 1,1,0, 1,1,1, 30, 17,20,0, B\n[fine]\n",
         avviso::orario_all_indietro, true, 3, "17,20", "17:20:00"},
        {"speed not a multiple of 5", generale + "[fine]\n",
         "[generale]\nvelocita, 0, 50\nvelocita, 800, 92\n[fine]\n",
         avviso::velocita_non_multipla_di_5, true, 3, "92", "90 km/h"},
        {"train general row twice", generale + "[fine]\n",
         "[generale]\nsabbia, 300\nsabbia, 200\n[fine]\n", avviso::riga_generale_ripetuta, true, 3,
         "sabbia", "riga 2"},
        {"line general row twice", generale + "sfondo uno, 1\nsfondo uno, 2\n[fine]\n", treno_corto,
         avviso::riga_generale_ripetuta, false, 4, "sfondo", "vale l'ultima"},
        {"route length twice", generale + "lunghezza percorso, 6000\n[fine]\n", treno_corto,
         avviso::lunghezza_ripetuta, false, 3, "lunghezza", "riga 2"},
        {"gradients out of order",
         generale + "[pendenze]\npendenza, 2000, 4\npendenza, 1000, 3\n[fine]\n", treno_corto,
         avviso::posizioni_fuori_ordine, false, 5, "1000", "una sola cella"},
        {"adhesion out of order", generale + "[fine]\n",
         "[generale]\naderenza, 2000, 90\naderenza, 1000, 80\n[fine]\n",
         avviso::posizioni_fuori_ordine, true, 3, "1000", "2000 m"},
        {"overlapping curves",
         generale + "[curve]\ncurvad4, 1000, 500\ncurvas4, 1200, 100\n[fine]\n", treno_corto,
         avviso::curve_sovrapposte, false, 5, "1200", "1500 m"},
    };
    for (const caso& k : casi) {
        SCOPED_TRACE(k.nome);
        const Controllo c(k.linea, k.treno);
        const auto avvisi = c.di_gravita(false);
        const segnalazione* trovato = nullptr;
        for (const segnalazione* s : avvisi) {
            if (s->nome == nome_avviso(k.tipo)) {
                trovato = s;
            }
        }
        ASSERT_NE(trovato, nullptr);
        EXPECT_EQ(trovato->file, k.nel_treno ? c.file_treno() : c.file_linea());
        EXPECT_NE(trovato->messaggio.find(k.dice), std::string::npos) << trovato->messaggio;
        if (k.riga == 0) {
            EXPECT_FALSE(trovato->origine.has_value());
        } else {
            ASSERT_TRUE(trovato->origine.has_value());
            EXPECT_EQ(std::pair(trovato->origine->luogo.riga, trovato->origine->luogo.colonna),
                      dove(k.nel_treno ? *k.treno : k.linea, k.riga, k.campo));
        }
    }
}

TEST(Controlla, LoScenarioPortatoNonHaProblemiNeAvvisi) {
    const cartella_temporanea cartella;
    scrivi_testi_scenario(cartella.percorso(), identita_predefinita());
    compattatore c({cartella.percorso(), cartella.percorso(), false}, identita_predefinita());
    EXPECT_EQ(passi_del_driver::controlla_percorso(c), 0);
    EXPECT_TRUE(c.problemi.empty());
    EXPECT_TRUE(c.avvisi.empty());
}

namespace {

// A problem as the merged list knows it: code, file, original line, column, position, cell.
using chiave_problema = std::tuple<int32_t, int, int, int, std::optional<int32_t>,
                                   std::optional<int32_t>>;

bool del_cammino(int32_t codice) {
    return codice >= 11 && codice <= 14;
}

}  // namespace

// Whatever compatta prints is in controlla's list, word for word, on sources with many
// problems at once.
TEST(Controlla, OgniProblemaCheCompattaStampaEInElenco) {
    generatore_coppie generatore;
    int con_piu_problemi = 0;
    for (int n = 0; n < 300; ++n) {
        const auto [l, t] = generatore.coppia();
        const Controllo k(unisci(l), unisci(t));
        // What compatta prints, from the same run with nothing written.
        compattatore c(k.dove_, identita_predefinita());
        int32_t j = 1;
        passi_del_driver::compatta_in_memoria(c, j);
        const std::string stampati = descrivi_problemi(c);
        std::string elencati;
        for (const segnalazione& s : k.rapporto) {
            elencati += s.testo;
        }
        // Each problem's first line (the lines under it begin with blanks).
        std::size_t quanti = 0;
        std::istringstream righe(stampati);
        for (std::string riga; std::getline(righe, riga);) {
            if (riga.empty() || riga[0] == ' ') {
                continue;
            }
            EXPECT_NE(elencati.find(riga + "\n"), std::string::npos) << riga;
            ++quanti;
        }
        con_piu_problemi += quanti > 1 ? 1 : 0;
    }
    EXPECT_GE(con_piu_problemi, 10);
}

// What controlla lists, found the long way: run the compactor, delete the row where it
// stops, run it again, until no row stops it. The list then holds exactly the problems of
// the first run, the row problems of every run, and the walk's and the header checks'
// problems of the last run: no false extra, no miss. And the warnings that compare a row
// with those before it are those of the sources without the deleted rows, on the rows
// left: a refused row leaves nothing for later rows to be compared with.
TEST(Controlla, ElencaQuelloCheTrovaCorreggendoUnaRigaAllaVolta) {
    const auto confronta_con_le_precedenti = [](const std::string& nome) {
        for (const avviso a : {avviso::stazioni_fuori_ordine, avviso::orario_all_indietro,
                               avviso::riga_generale_ripetuta, avviso::lunghezza_ripetuta,
                               avviso::posizioni_fuori_ordine, avviso::curve_sovrapposte}) {
            if (nome == nome_avviso(a)) {
                return true;
            }
        }
        return false;
    };
    // Such warnings as (name, file, line in the first sources, column).
    using chiave_avviso = std::tuple<std::string, bool, int, int>;
    const auto avvisi_di = [&](const Controllo& k, const std::vector<int>& righe_l,
                               const std::vector<int>& righe_t) {
        std::set<chiave_avviso> avvisi;
        for (const segnalazione& s : k.rapporto) {
            if (!s.problema && s.origine && confronta_con_le_precedenti(s.nome)) {
                const bool treno = s.file == k.file_treno();
                const int riga = (treno ? righe_t : righe_l)[s.origine->luogo.riga - 1];
                avvisi.insert({s.nome, treno, riga, s.origine->luogo.colonna});
            }
        }
        return avvisi;
    };
    int con_avvisi = 0;
    generatore_coppie generatore;
    int con_piu_giri = 0;
    for (int n = 0; n < 200; ++n) {
        auto [l, t] = generatore.coppia();
        SCOPED_TRACE(unisci(t));
        const Controllo k(unisci(l), unisci(t));
        std::set<chiave_problema> elencati;
        for (const segnalazione& s : k.rapporto) {
            if (s.problema) {
                elencati.insert({*s.codice, s.gruppo, s.riga, s.colonna, s.posizione, s.cella});
            }
        }

        // Each row of the files now, by its line in the original files.
        std::vector<int> righe_l(l.size()), righe_t(t.size());
        std::iota(righe_l.begin(), righe_l.end(), 1);
        std::iota(righe_t.begin(), righe_t.end(), 1);
        const std::set<chiave_avviso> avvisi_primi = avvisi_di(k, righe_l, righe_t);
        std::set<chiave_problema> attesi;
        std::string ultima_fermata;
        for (int giro = 0;; ++giro) {
            ASSERT_LT(giro, 40) << ultima_fermata;
            const cartella_temporanea cartella;
            scrivi_tutto(nomi_file::sorgente_linea(cartella.percorso(), identita_predefinita()),
                         crlf(unisci(l)));
            scrivi_tutto(nomi_file::sorgente_treno(cartella.percorso(), identita_predefinita()),
                         crlf(unisci(t)));
            compattatore c({cartella.percorso(), cartella.percorso(), false},
                           identita_predefinita());
            int32_t j = 1;
            passi_del_driver::compatta_in_memoria(c, j);
            const auto chiave = [&](int codice, const std::filesystem::path& file,
                                    const std::optional<origine_problema>& o,
                                    std::optional<int32_t> posizione,
                                    std::optional<int32_t> cella) -> chiave_problema {
                const bool treno = file.filename() == k.file_treno().filename();
                const int gruppo = codice >= 1250 ? 3 : file.empty() ? 2 : treno ? 1 : 0;
                const int riga = o ? (treno ? righe_t : righe_l)[o->luogo.riga - 1] : INT_MAX;
                return {codice, gruppo, riga, o ? o->luogo.colonna : 0, posizione, cella};
            };
            const problema_registrato* fermata = nullptr;
            for (const problema_registrato& p : c.problemi) {
                const chiave_problema kp =
                    chiave(numero(p.codice), p.file, p.origine, p.posizione, p.cella);
                const bool cammino = del_cammino(numero(p.codice));
                if (giro == 0 || !cammino) {
                    attesi.insert(kp);
                }
                if (fermata == nullptr && !cammino && p.codice != problema::progressiva_non_multipla_di_50 &&
                    p.origine) {
                    fermata = &p;
                }
            }
            const auto intestazione = [&] {
                if (c.intestazione) {
                    attesi.insert(chiave(c.intestazione->numero,
                                         c.intestazione->origine ? c.intestazione->origine->file
                                                                 : std::filesystem::path(),
                                         c.intestazione->origine, std::nullopt, std::nullopt));
                }
            };
            if (giro == 0) {
                intestazione();
            }
            if (fermata == nullptr) {
                for (const problema_registrato& p : c.problemi) {
                    if (del_cammino(numero(p.codice))) {
                        attesi.insert(
                            chiave(numero(p.codice), p.file, p.origine, p.posizione, p.cella));
                    }
                }
                intestazione();
                con_piu_giri += giro > 1 ? 1 : 0;
                // The first run's warnings on the rows that are left.
                std::set<chiave_avviso> attesi_avvisi;
                for (const chiave_avviso& a : avvisi_primi) {
                    const std::vector<int>& rimaste = std::get<1>(a) ? righe_t : righe_l;
                    if (std::find(rimaste.begin(), rimaste.end(), std::get<2>(a)) !=
                        rimaste.end()) {
                        attesi_avvisi.insert(a);
                    }
                }
                EXPECT_EQ(avvisi_di(Controllo(unisci(l), unisci(t)), righe_l, righe_t),
                          attesi_avvisi);
                con_avvisi += attesi_avvisi.empty() ? 0 : 1;
                break;
            }
            ultima_fermata = descrivi(*fermata);
            const bool treno = fermata->file.filename() == k.file_treno().filename();
            std::vector<std::string>& righe = treno ? t : l;
            std::vector<int>& originali = treno ? righe_t : righe_l;
            // The whole row: from its keyword's line to the line where it stops.
            const int ultima = fermata->origine->luogo.riga;
            const int prima = fermata->riga_della_chiave > 0 ? fermata->riga_della_chiave : ultima;
            righe.erase(righe.begin() + prima - 1, righe.begin() + ultima);
            originali.erase(originali.begin() + prima - 1, originali.begin() + ultima);
        }
        EXPECT_EQ(elencati, attesi);
        if (elencati != attesi) {
            for (const segnalazione& s : k.rapporto) {
                ADD_FAILURE() << s.testo;
            }
            break;
        }
    }
    EXPECT_GE(con_piu_giri, 30);
    EXPECT_GE(con_avvisi, 10);
}

// The limit: past N entries of a file the rest are counted in one line (one JSON object),
// the compactor's own problems shown whatever their place; the summary and the status count
// every entry. With no limit, and under the default one, the list is whole.
TEST(Controlla, OltreIlLimiteUnaRigaLeConta) {
    // Four warnings, the compactor's problem 15, a problem only the reading on finds, a
    // last warning; the train file has one warning of its own.
    Controllo k(
        "[generale]\nlunghezza percorso, 5000\n[pendenze]\npendensa, 100, 4\n"
        "pendensa, 100, 4\npendensa, 100, 4\npendensa, 100, 4\npendenza, 20000, 4\n"
        "pendenza, 30000, 4\npendensa, 100, 4\n[fine]\n",
        "[generale]\nvelocita, 0, 52\n[fine]\n");
    const auto con_limite = [&](std::size_t limite, formato_controllo formato) {
        std::ostringstream uscita;
        opzioni_controllo opzioni;
        opzioni.limite = limite;
        opzioni.formato = formato;
        const int stato =
            controlla_scenario(k.cartella.percorso(), identita_predefinita(), opzioni, uscita);
        return std::make_pair(stato, uscita.str());
    };
    // The whole list, and which entries a limit of 2 keeps: the first two of each file and
    // the compactor's own problems.
    std::string tutte;
    std::string tenute;
    std::size_t della_linea = 0;
    std::size_t problemi = 0;
    std::size_t oltre = 0;  // the compactor's problems past the limit
    for (const segnalazione& s : k.rapporto) {
        tutte += s.testo;
        problemi += s.problema;
        if (s.file == k.file_linea()) {
            ++della_linea;
            oltre += della_linea > 2 && s.del_compattatore;
            if (della_linea > 2 && !s.del_compattatore) {
                continue;
            }
        }
        tenute += s.testo;
    }
    ASSERT_EQ(oltre, 1u) << tutte;
    ASSERT_EQ(problemi, 2u) << tutte;
    const std::size_t avvisi = k.rapporto.size() - problemi;
    const std::string riassunto = riassunto_controllo(problemi, avvisi) + "\n";
    EXPECT_EQ(con_limite(0, formato_controllo::testo), std::make_pair(3, tutte + riassunto));
    EXPECT_EQ(con_limite(limite_segnalazioni_predefinito, formato_controllo::testo),
              std::make_pair(3, tutte + riassunto));

    // The line source's entries past the second, the compactor's problem left aside: one
    // problem and the warnings, the unread rows' among them.
    const std::size_t tagliate = della_linea - 3;
    ASSERT_EQ(tagliate, 5u) << tutte;
    const auto [stato, testo] = con_limite(2, formato_controllo::testo);
    EXPECT_EQ(stato, 3);
    const std::string riga_limite = k.file_linea().string() +
                                    ": 5 segnalazioni in più non mostrate (1 problema, 4 avvisi): "
                                    "se ne mostrano 2 per file, --limite=0 le mostra tutte\n";
    const std::size_t treno = tenute.find(k.file_treno().string() + ":");
    ASSERT_NE(treno, std::string::npos) << tenute;
    EXPECT_EQ(testo, tenute.substr(0, treno) + riga_limite + tenute.substr(treno) + riassunto);

    // JSON: the entries kept, then the object that counts the rest, with an entry's keys.
    const auto [stato_json, righe] = con_limite(2, formato_controllo::json);
    EXPECT_EQ(stato_json, 3);
    std::istringstream in(righe);
    std::vector<nlohmann::json> oggetti;
    for (std::string r; std::getline(in, r);) {
        oggetti.push_back(nlohmann::json::parse(r));
    }
    ASSERT_EQ(oggetti.size(), k.rapporto.size() - tagliate + 1);
    const nlohmann::json& limite = oggetti[3];
    EXPECT_EQ(limite["gravita"], "limite");
    EXPECT_EQ(limite["nome"], "segnalazioni_non_mostrate");
    EXPECT_EQ(limite["file"], k.file_linea().string());
    EXPECT_EQ(limite["problemi"], 1);
    EXPECT_EQ(limite["avvisi"], 4);
    EXPECT_EQ(limite["limite"], 2);
    EXPECT_TRUE(limite["riga"].is_null());
    EXPECT_EQ(oggetti[2]["compattatore"], true);
    EXPECT_EQ(oggetti[4]["file"], k.file_treno().string());
}
