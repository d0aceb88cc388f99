// The checker: every problem of a scenario in source order, each with its code, position,
// line and column; every warning with the mistake it catches; the JSON form read back; and,
// on many generated sources, the first problem listed is the one the compactor records.
#include "compactor/compattatore.h"
#include "compactor/diagnostica.h"
#include "tools/strumento.h"
#include "writers/dati.h"

#include "aiuti.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <random>
#include <sstream>
#include <string>
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
        intestazione = c.controlla_percorso();
        rapporto = rapporto_controllo(c, intestazione);
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
    compattatore c{cartelle_compattatore{cartella.percorso(), cartella.percorso(), false},
                   identita_predefinita()};
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

TEST(Controlla, IlCamminoLiDiceTuttiEIlControlloDIntestazioneAncheLui) {
    // Two slowdowns whose points before the start find no free cell (cells 21 to 27 are
    // taken by signals), and an "abbattimento" in cell 1 that fails the header check.
    std::string treno = "[generale]\nabbattimento, 50, 7\n";
    for (int cella = 11; cella <= 27; ++cella) {
        treno += "segnale, " + std::to_string(cella * 50 - 50) + ", 1, 0, 0, 0, 0, 0, 0,0,0, 0\n";
    }
    treno += "rallentamento, 1550, 150, 200, 1, 0, 0\n[fine]\n";
    const Controllo k(generale + "[fine]\n", treno);
    const auto problemi = k.di_gravita(true);
    ASSERT_GE(problemi.size(), 2u);
    for (std::size_t i = 0; i + 1 < problemi.size(); ++i) {
        EXPECT_EQ(problemi[i]->gruppo, 2);
        EXPECT_EQ(problemi[i]->codice,
                  numero(problema::nessuna_cella_libera_prima_del_rallentamento));
    }
    EXPECT_EQ(problemi.back()->codice, 1250);
    EXPECT_EQ(k.intestazione, 1250);
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
    EXPECT_EQ(c.controlla_percorso(), 0);
    EXPECT_TRUE(c.problemi.empty());
    EXPECT_TRUE(c.avvisi.empty());
}

// Each generated pair holds the carried sources with one row changed or added; where the
// checker then finds exactly one problem, the compactor records that same problem.
TEST(Controlla, IlPrimoProblemaEQuelloDelCompattatore) {
    const cartella_temporanea portato;
    scrivi_testi_scenario(portato.percorso(), identita_predefinita());
    const std::string linea =
        leggi_file_intero(nomi_file::sorgente_linea(portato.percorso(), identita_predefinita()));
    const std::string treno =
        leggi_file_intero(nomi_file::sorgente_treno(portato.percorso(), identita_predefinita()));
    const auto righe_di = [](const std::string& testo) {
        std::vector<std::string> righe;
        for (std::size_t inizio = 0, fine; inizio < testo.size(); inizio = fine + 2) {
            fine = testo.find("\r\n", inizio);
            righe.push_back(testo.substr(inizio, fine - inizio));
        }
        return righe;
    };
    const std::vector<std::string> righe_linea = righe_di(linea);
    const std::vector<std::string> righe_treno = righe_di(treno);
    const std::vector<std::string> valori = {"0",          "-50",   "25",    "1025",   "800",
                                             "5250",       "13000", "98650", "107900", "107950",
                                             "2147483648", "x",     "1278",  "300",    ""};
    std::mt19937 caso(20261210);
    int confrontati = 0;
    for (int n = 0; n < 600; ++n) {
        std::vector<std::string> l = righe_linea;
        std::vector<std::string> t = righe_treno;
        std::vector<std::string>& righe = caso() % 3 == 0 ? l : t;
        const std::size_t i = 1 + caso() % (righe.size() - 2);
        if (caso() % 4 == 0 && &righe == &t) {
            righe.insert(righe.begin() + static_cast<long>(i),
                         "rallentamento, " + std::to_string(50 * (caso() % 2000)) + ", " +
                             std::to_string(30 + caso() % 100) + ", " +
                             std::to_string(50 * (caso() % 40)) + ", 1, 1, 0");
        } else {
            std::string& r = righe[i];
            std::vector<std::size_t> virgole;
            for (std::size_t p = r.find(','); p != std::string::npos; p = r.find(',', p + 1)) {
                virgole.push_back(p);
            }
            if (virgole.empty()) {
                continue;
            }
            const std::size_t da = virgole[caso() % virgole.size()] + 1;
            const std::size_t a = std::min(r.find(',', da), r.size());
            r.replace(da, a - da, " " + valori[caso() % valori.size()]);
        }
        std::string nuova_linea, nuovo_treno;
        for (const std::string& r : l) {
            nuova_linea += r + "\r\n";
        }
        for (const std::string& r : t) {
            nuovo_treno += r + "\r\n";
        }

        const cartella_temporanea cartella;
        scrivi_tutto(nomi_file::sorgente_linea(cartella.percorso(), identita_predefinita()),
                     nuova_linea);
        scrivi_tutto(nomi_file::sorgente_treno(cartella.percorso(), identita_predefinita()),
                     nuovo_treno);
        const cartelle_compattatore dove_{cartella.percorso(), cartella.percorso(), false};
        compattatore controllo(dove_, identita_predefinita());
        const int intestazione = controllo.controlla_percorso();
        std::vector<const segnalazione*> problemi;
        const std::vector<segnalazione> rapporto = rapporto_controllo(controllo, intestazione);
        for (const segnalazione& s : rapporto) {
            if (s.problema) {
                problemi.push_back(&s);
            }
        }
        if (problemi.size() != 1 || intestazione != 0) {
            continue;
        }
        compattatore compattazione(dove_, identita_predefinita());
        compattazione.scrivi_linea = 1;
        compattazione.memorizza_dati();
        if (!compattazione.celle.empty()) {
            compattazione.cammina_griglia();
        }
        const problema_registrato* registrato = compattazione.problema_in_vigore();
        SCOPED_TRACE(nuova_linea.size() != linea.size() ? "linea" : "treno");
        ASSERT_NE(registrato, nullptr) << problemi[0]->testo;
        EXPECT_EQ(problemi[0]->codice, numero(registrato->codice)) << problemi[0]->testo;
        EXPECT_EQ(problemi[0]->posizione, registrato->posizione) << problemi[0]->testo;
        EXPECT_EQ(problemi[0]->testo, descrivi(*registrato));
        ++confrontati;
    }
    EXPECT_GE(confrontati, 100);
}
