// Library mode and the scenarios found from the folder: compatta and controlla on a tree of
// scenarios, some with problems, against compatta run on each pair alone.

// GCC 12 reports a spurious maybe-uninitialized inside <regex> in the sanitizer build.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#include "esegui_in_cartella.h"
#include "tools/scenari.h"

#include <gtest/gtest.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include <fstream>
#include <regex>

namespace {

namespace fs = std::filesystem;

std::size_t conta(const std::string& testo, const std::string& pezzo) {
    std::size_t n = 0;
    for (std::size_t i = testo.find(pezzo); i != std::string::npos; i = testo.find(pezzo, i + 1)) {
        ++n;
    }
    return n;
}

// Line `riga` (from 1) of a file, its text replaced.
void cambia_riga(const fs::path& file, int riga, const std::string& da, const std::string& a) {
    std::string testo = leggi_file_intero(file);
    std::size_t inizio = 0;
    for (int i = 1; i < riga; ++i) {
        inizio = testo.find('\n', inizio) + 1;
    }
    const std::size_t dove = testo.find(da, inizio);
    ASSERT_LT(dove, testo.find('\n', inizio)) << file << ":" << riga;
    testo.replace(dove, da.size(), a);
    scrivi_tutto(file, testo);
}

// A tree of scenarios made of the carried one:
//   a/          Orvesa_Cusvana with trains 5927 (clean) and 100 (a signal on a taken cell)
//   b/c/        Orvesa_Cusvana with a problem in its line file, trains 1 and 2
//   d/          A_linea.txt, A_B_linea.txt, A_B_C-.txt: scenario A_B, train C
//   e/          a train without its line file, a line file without trains
//   f/          a train whose name is not printable ASCII
struct albero {
    cartella_temporanea radice;
    std::string linea;
    std::string treno;

    explicit albero(bool con_nome_errato = true) {
        const cartella_temporanea esportata;
        EXPECT_EQ(esegui_in_cartella(esportata.percorso(), {"esporta", "s"}).stato, 0);
        linea = leggi_file_intero(esportata / "s/Orvesa_Cusvana_linea.txt");
        treno = leggi_file_intero(esportata / "s/Orvesa_Cusvana_5927-.txt");
        metti("a/Orvesa_Cusvana_linea.txt", linea);
        metti("a/Orvesa_Cusvana_5927-.txt", treno);
        metti("a/Orvesa_Cusvana_100-.txt", treno);
        cambia_riga(radice / "a/Orvesa_Cusvana_100-.txt", 78, "segnale,    5250,",
                    "segnale,     800,");
        metti("b/c/Orvesa_Cusvana_linea.txt", linea);
        cambia_riga(radice / "b/c/Orvesa_Cusvana_linea.txt", 139, "pendenza,  3250",
                    "pendenza,  300000");
        metti("b/c/Orvesa_Cusvana_1-.txt", treno);
        metti("b/c/Orvesa_Cusvana_2-.txt", treno);
        metti("d/A_linea.txt", linea);
        metti("d/A_B_linea.txt", linea);
        metti("d/A_B_C-.txt", treno);
        metti("e/Orfano_1-.txt", treno);
        metti("e/Sola_linea.txt", linea);
        if (con_nome_errato) {
            metti("f/Orvesa_Cusvana_linea.txt", linea);
            metti("f/Orvesa_Cusvana_Citt\xE0-.txt", treno);
        }
    }
    void metti(const std::string& nome, const std::string& testo) const {
        fs::create_directories((radice / nome).parent_path());
        scrivi_tutto(radice / nome, testo);
    }
    const fs::path& percorso() const { return radice.percorso(); }
};

const std::vector<std::tuple<std::string, std::string, std::string>> coppie = {
    {"a", "Orvesa_Cusvana", "100"},
    {"a", "Orvesa_Cusvana", "5927"},
    {"b/c", "Orvesa_Cusvana", "1"},
    {"b/c", "Orvesa_Cusvana", "2"},
    {"d", "A_B", "C"},
};

}  // namespace

TEST(Libreria, TrovaGliScenariDellAlbero) {
    const albero t;
    const scenari_trovati trovati = trova_scenari(t.percorso(), true);
    std::vector<std::tuple<std::string, std::string, std::string>> visti;
    for (const scenario_trovato& s : trovati.scenari) {
        for (const std::string& treno : s.treni) {
            visti.emplace_back(fs::relative(s.cartella, t.percorso()).string(), s.nome, treno);
        }
    }
    EXPECT_EQ(visti, coppie);
    EXPECT_EQ(trovati.avvisi,
              (std::vector<std::string>{
                  (t.percorso() / "d/A_linea.txt").string() +
                      ": avviso: file della linea senza treni accanto",
                  (t.percorso() / "e/Orfano_1-.txt").string() +
                      ": avviso: file del treno senza il file della linea SCENARIO_linea.txt "
                      "accanto",
                  (t.percorso() / "e/Sola_linea.txt").string() +
                      ": avviso: file della linea senza treni accanto"}));
    ASSERT_EQ(trovati.saltati.size(), 1u);
    EXPECT_TRUE(trovati.saltati[0].starts_with(
        (t.percorso() / "f/Orvesa_Cusvana_Citt\xE0-.txt").string() + ": saltato: TRENO"))
        << trovati.saltati[0];
    // Without recursion, only the folder itself.
    EXPECT_TRUE(trova_scenari(t.percorso(), false).scenari.empty());
    EXPECT_EQ(trova_scenari(t.percorso() / "a", false).scenari.size(), 1u);
}

TEST(Libreria, CompattaOgniScenarioComeDaSoloStessaUscitaConPiuLavori) {
    const albero t;
    const esito_comando uno = esegui_in_cartella(t.percorso(), {"compatta", "--lavori=1", "."});
    // The same tree compacted pair by pair.
    const albero solo;
    for (const auto& [cartella, scenario, treno] : coppie) {
        const esito_comando e =
            esegui_in_cartella(solo.percorso(), {"compatta", cartella, scenario, treno});
        EXPECT_EQ(e.stato, cartella == "b/c" || treno == "100" ? 3 : 0) << cartella << treno;
    }
    for (const auto& voce : fs::recursive_directory_iterator(solo.percorso())) {
        const fs::path relativo = fs::relative(voce.path(), solo.percorso());
        EXPECT_TRUE(fs::exists(t.percorso() / relativo)) << relativo;
        if (voce.is_regular_file()) {
            EXPECT_EQ(leggi_file_intero(t.percorso() / relativo), leggi_file_intero(voce.path()))
                << relativo;
        }
    }
    for (const auto& voce : fs::recursive_directory_iterator(t.percorso())) {
        EXPECT_TRUE(fs::exists(solo.percorso() / fs::relative(voce.path(), t.percorso())))
            << voce.path();
    }

    EXPECT_EQ(uno.stato, 1);  // the train left out for its name
    EXPECT_EQ(uno.uscita,
              "./a/Orvesa_Cusvana_linea.dat\n./a/Orvesa_Cusvana_100.sim\n"
              "./a/Orvesa_Cusvana_100.dat\n./a/Orvesa_Cusvana_5927.sim\n"
              "./a/Orvesa_Cusvana_5927.dat\n./b/c/Orvesa_Cusvana_linea.dat\n"
              "./b/c/Orvesa_Cusvana_1.sim\n./b/c/Orvesa_Cusvana_1.dat\n"
              "./b/c/Orvesa_Cusvana_2.sim\n./b/c/Orvesa_Cusvana_2.dat\n./d/A_B_linea.dat\n"
              "./d/A_B_C.sim\n./d/A_B_C.dat\n"
              "3 scenari, 5 treni: 3 treni con problemi, 1 file saltato\n");
    // Every problem, the line file's once for its two trains; warnings and the name left out.
    EXPECT_EQ(conta(uno.errori, "./a/Orvesa_Cusvana_100-.txt:78:14: problema 16 a 800 m"), 1u)
        << uno.errori;
    EXPECT_EQ(conta(uno.errori, "./b/c/Orvesa_Cusvana_linea.txt:139:"), 1u) << uno.errori;
    EXPECT_EQ(conta(uno.errori, ": avviso: "), 3u) << uno.errori;
    EXPECT_EQ(conta(uno.errori, "./f/Orvesa_Cusvana_Citt\xE0-.txt: saltato: TRENO"), 1u);
    EXPECT_EQ(uno.errori.find('\r'), std::string::npos);  // no progress line in a pipe

    for (const std::string lavori : {"--lavori=2", "--lavori=5"}) {
        const esito_comando altri = esegui_in_cartella(t.percorso(), {"compatta", lavori, "."});
        EXPECT_EQ(altri.stato, uno.stato) << lavori;
        EXPECT_EQ(altri.uscita, uno.uscita) << lavori;
        EXPECT_EQ(altri.errori, uno.errori) << lavori;
    }
}

TEST(Libreria, StatoIlPeggioreDelleCorse) {
    const albero t(false);
    EXPECT_EQ(esegui_in_cartella(t.percorso(), {"compatta", "."}).stato, 3);
    const esito_comando controllo = esegui_in_cartella(t.percorso(), {"controlla", "."});
    EXPECT_EQ(controllo.stato, 3);
    // The text form lists a line file's entries too: a warning once for the scenario's two
    // trains, the problem once for each, as each has its own note of where that train's
    // reading stopped.
    EXPECT_EQ(conta(controllo.uscita, "./b/c/Orvesa_Cusvana_linea.txt:139:12: avviso: "), 1u)
        << controllo.uscita;
    EXPECT_EQ(conta(controllo.uscita, "./b/c/Orvesa_Cusvana_linea.txt:139:12: problema 15"), 2u)
        << controllo.uscita;
    const esito_comando pulito = esegui_in_cartella(t.percorso(), {"controlla", "d"});
    EXPECT_EQ(pulito.stato, 0) << pulito.errori;
    EXPECT_EQ(pulito.uscita, "1 scenario, 1 treno: 0 treni con problemi\n");
    // A header check that fails (a point in cell 1 of the train) is 2, above 3.
    t.metti("a/Orvesa_Cusvana_7-.txt", t.treno);
    std::ofstream(t.percorso() / "a/Orvesa_Cusvana_7-.txt", std::ios::app)
        << "segnale,      10,   1, 4, 0,  0, 0,    0,  0,0,0, 0\r\n";
    const esito_comando intestazione = esegui_in_cartella(t.percorso(), {"compatta", "."});
    if (intestazione.errori.find("Errore n. 125") != std::string::npos) {
        EXPECT_EQ(intestazione.stato, 2);
        EXPECT_NE(intestazione.errori.find("./a/Orvesa_Cusvana_7-.txt: Errore n. 125"),
                  std::string::npos)
            << intestazione.errori;
    }
    // A run that fails (a folder where a compact file goes) is 1, above all.
    fs::remove(t.percorso() / "d/A_B_C.sim");
    fs::create_directory(t.percorso() / "d/A_B_C.sim");
    const esito_comando fallita = esegui_in_cartella(t.percorso(), {"compatta", "."});
    EXPECT_EQ(fallita.stato, 1) << fallita.errori;
    EXPECT_NE(fallita.errori.find("compattatore: "), std::string::npos) << fallita.errori;
}

TEST(Libreria, ControllaInJsonConScenarioETreno) {
    const albero t(false);
    const esito_comando e =
        esegui_in_cartella(t.percorso(), {"controlla", "--formato=json", "--lavori=3", "."});
    EXPECT_EQ(e.stato, 3);
    std::istringstream righe(e.uscita);
    std::size_t problemi_linea = 0;
    std::set<std::pair<std::string, std::string>> con_problemi;
    for (std::string riga; std::getline(righe, riga);) {
        const auto o = nlohmann::ordered_json::parse(riga);
        ASSERT_GE(o.size(), 4u) << riga;
        EXPECT_EQ(o.begin().key(), "scenario") << riga;
        EXPECT_EQ(std::next(o.begin()).key(), "treno") << riga;
        EXPECT_EQ(std::next(o.begin(), 2).key(), "file") << riga;
        const std::string file = o["file"].is_null() ? "" : o["file"].get<std::string>();
        if (file.ends_with("_linea.txt")) {
            EXPECT_TRUE(o["treno"].is_null()) << riga;
            problemi_linea += o["gravita"] == "problema";
        } else {
            // The train's entries name its train; those of no file (the walk) too.
            ASSERT_TRUE(o["treno"].is_string()) << riga;
            if (!file.empty()) {
                EXPECT_TRUE(file.ends_with("_" + o["treno"].get<std::string>() + "-.txt")) << riga;
            }
        }
        if (o["gravita"] == "problema") {
            con_problemi.insert({o["scenario"], o["treno"].is_null()
                                                    ? std::string()
                                                    : o["treno"].get<std::string>()});
        }
    }
    // The line file's problems of b/c as for one of its trains alone, not twice.
    const esito_comando solo = esegui_in_cartella(
        t.percorso(), {"controlla", "--formato=json", "b/c", "Orvesa_Cusvana", "1"});
    const std::size_t attesi = conta(solo.uscita, "_linea.txt\",\"riga\":139,");
    EXPECT_GE(attesi, 1u) << solo.uscita;
    EXPECT_EQ(problemi_linea, attesi);
    EXPECT_TRUE(con_problemi.contains({"Orvesa_Cusvana", "100"}));
    EXPECT_FALSE(con_problemi.contains({"Orvesa_Cusvana", "5927"}));
    EXPECT_TRUE(e.errori.ends_with("3 scenari, 5 treni: 3 treni con problemi\n")) << e.errori;
}

TEST(Libreria, RigaDiAvanzamentoSoloSuUnTerminale) {
    const albero t(false);
    int principale = -1;
    const pid_t figlio = ::forkpty(&principale, nullptr, nullptr, nullptr);
    ASSERT_GE(figlio, 0);
    if (figlio == 0) {
        if (::chdir(t.percorso().c_str()) != 0) {
            ::_exit(126);
        }
        ::execl(PERCORSO_COMPATTATORE, PERCORSO_COMPATTATORE, "compatta", "--lavori=1", ".",
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    std::string visto;
    char pezzo[4096];
    for (ssize_t n; (n = ::read(principale, pezzo, sizeof pezzo)) > 0;) {
        visto.append(pezzo, static_cast<std::size_t>(n));
    }
    ::close(principale);
    int stato = 0;
    ::waitpid(figlio, &stato, 0);
    EXPECT_EQ(WEXITSTATUS(stato), 3);
    // "[done/all] current scenario, seconds", redrawn in place and cleared at the end.
    EXPECT_TRUE(std::regex_search(
        visto, std::regex(R"(\r\x1b\[K\[[0-3]/3\] \./[A-Za-z_/]+ [0-9]+\.[0-9] s)")))
        << visto;
    EXPECT_NE(visto.find("3 scenari, 5 treni: 3 treni con problemi"), std::string::npos);
}

TEST(Libreria, PiantaTrovaLoScenarioDellaCartella) {
    const albero t(false);
    const esito_comando molti = esegui_in_cartella(t.percorso(), {"pianta", "b/c", "p.svg"});
    EXPECT_EQ(molti.stato, 64);
    EXPECT_EQ(molti.errori,
              "compattatore pianta: 2 scenari in b/c (Orvesa_Cusvana 1, Orvesa_Cusvana 2): "
              "scegline uno con SCENARIO TRENO (aiuto: compattatore help pianta)\n");
    EXPECT_EQ(esegui_in_cartella(t.percorso(), {"pianta", "e", "p.svg"}).stato, 64);
    EXPECT_FALSE(fs::exists(t.percorso() / "p.svg"));
    ASSERT_EQ(esegui_in_cartella(t.percorso(), {"compatta", "d", "A_B", "C"}).stato, 0);
    const esito_comando uno = esegui_in_cartella(t.percorso(), {"pianta", "d", "p.svg"});
    EXPECT_EQ(uno.stato, 0) << uno.errori;
    EXPECT_EQ(uno.uscita, "p.svg\n");
}

// The text form: a line source's entries once per scenario, however many trains it has
// (they were once left out altogether), the limit's line with them; each train's own.
TEST(Libreria, ControllaInTestoLaLineaUnaVoltaPerScenario) {
    const cartella_temporanea t;
    const std::filesystem::path a = t / "a";
    std::filesystem::create_directories(a);
    scrivi_tutto(a / "Prova_linea.txt",
                 "[generale]\r\nlunghezza percorso, 5000\r\n[pendenze]\r\npendensa, 100, 4\r\n"
                 "pendensa, 100, 4\r\npendenza, 20000, 4\r\n[fine]\r\n");
    for (const char* treno : {"Prova_1-.txt", "Prova_2-.txt"}) {
        scrivi_tutto(a / treno, "[generale]\r\nvelocita, 0, 52\r\n[fine]\r\n");
    }
    const esito_comando e = esegui_in_cartella(t.percorso(), {"controlla", "--limite=1", "."});
    EXPECT_EQ(e.stato, 3);
    const std::string linea = "./a/Prova_linea.txt:";
    EXPECT_EQ(conta(e.uscita, linea + "4:1: avviso: "), 1u) << e.uscita;
    EXPECT_EQ(conta(e.uscita, linea + "6:11: problema 15 a 20000 m"), 1u) << e.uscita;
    EXPECT_EQ(conta(e.uscita, "./a/Prova_linea.txt: 1 segnalazione in più non mostrata (0 "
                              "problemi, 1 avviso)"),
              1u)
        << e.uscita;
    EXPECT_EQ(conta(e.uscita, "_1-.txt:2:14: avviso: "), 1u) << e.uscita;
    EXPECT_EQ(conta(e.uscita, "_2-.txt:2:14: avviso: "), 1u) << e.uscita;
    EXPECT_TRUE(e.uscita.ends_with("1 scenario, 2 treni: 2 treni con problemi\n")) << e.uscita;
}

// Every train of a scenario is compacted as it would be alone: a curve row that stops the
// line's reading stops it for the second train too, though only the first writes the plan.
TEST(Libreria, OgniTrenoComeDaSoloAncheConLaCurva) {
    const cartella_temporanea libreria;
    const fs::path da_solo = libreria / "E";
    fs::create_directories(da_solo);
    scrivi_tutto(
        da_solo / "S_linea.txt",
        "[generale]\r\nlunghezza percorso, 5000\r\n[curve]\r\ncurva, 100, 100\r\n[fine]\r\n");
    for (const char* treno : {"S_1-.txt", "S_2-.txt"}) {
        scrivi_tutto(da_solo / treno,
                     "[generale]\r\nsegnale, 2000, 1, 4, 0, 0, 0, 0, 0,0,0, 0\r\n[fine]\r\n");
    }
    fs::copy(da_solo, libreria / "D");
    EXPECT_EQ(esegui_in_cartella(libreria.percorso(), {"compatta", "D"}).stato, 3);
    EXPECT_EQ(esegui_in_cartella(libreria.percorso(), {"compatta", "E", "S", "2"}).stato, 3);
    EXPECT_TRUE(leggi_file_intero(libreria / "D/S_2.dat") ==
                leggi_file_intero(da_solo / "S_2.dat"));
    EXPECT_TRUE(fs::exists(libreria / "D/S_linea.dat"));
}

// A failed header check is an entry of its train, and the line file's problem is said once
// per scenario, whether one train or both fail.
TEST(Libreria, IntestazioneFallitaDiOgniTreno) {
    const cartella_temporanea libreria;
    const fs::path d = libreria / "D";
    fs::create_directories(d);
    scrivi_tutto(d / "S_linea.txt",
                 "[generale]\r\nlunghezza percorso, 5000\r\n[fine]\r\npendenza, 99999, 1\r\n");
    const std::string cella_uno = "[generale]\r\nabbattimento, 50, 7\r\n[fine]\r\n";
    scrivi_tutto(d / "S_T1-.txt", cella_uno);
    scrivi_tutto(d / "S_T2-.txt", cella_uno);
    const std::string quindici =
        "D/S_linea.txt:4:11: problema 15 a 99999 m: posizione oltre la fine della griglia (o "
        "negativa)\n"
        "  pendenza, 99999, 1\n"
        "            ^\n";
    const esito_comando entrambi = esegui_in_cartella(libreria.percorso(), {"compatta", "D"});
    EXPECT_EQ(entrambi.stato, 2);
    EXPECT_EQ(entrambi.uscita, "1 scenario, 2 treni: 2 treni con problemi\n");
    EXPECT_EQ(entrambi.errori,
              quindici + "D/S_T1-.txt: Errore n. 1250\nD/S_T2-.txt: Errore n. 1250\n");

    scrivi_tutto(d / "S_T2-.txt", "[generale]\r\n[fine]\r\n");
    const esito_comando uno = esegui_in_cartella(libreria.percorso(), {"compatta", "D"});
    EXPECT_EQ(uno.stato, 2);
    EXPECT_EQ(uno.errori, quindici + "D/S_T1-.txt: Errore n. 1250\n");
}
