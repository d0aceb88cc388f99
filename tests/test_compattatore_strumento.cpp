// The compattatore tool, run as authors run it: command line, compaction of an author's
// folder, diagnostics that point at the row, decoding and drawing of the compact files.
#include "aiuti.h"
#include "compactor/formato.h"
#include "comune/identita.h"
#include "writers/dati.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <limits>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>

namespace {

namespace fs = std::filesystem;

struct esito_strumento {
    int stato = -1;
    std::string uscita;  // standard output
    std::string errori;  // standard error
};

// Runs a program with standard output and standard error kept apart, without a display,
// with TMPDIR set when `temporanea` is given.
esito_strumento lancia(const fs::path& programma, const std::vector<std::string>& argomenti,
                       const fs::path& temporanea = {}) {
    const cartella_temporanea catture;
    const fs::path uscita = catture / "uscita";
    const fs::path errori = catture / "errori";
    const pid_t figlio = ::fork();
    if (figlio == 0) {
        if (!std::freopen(uscita.c_str(), "w", stdout) ||
            !std::freopen(errori.c_str(), "w", stderr)) {
            ::_exit(126);
        }
        ::unsetenv("DISPLAY");
        if (!temporanea.empty()) {
            ::setenv("TMPDIR", temporanea.c_str(), 1);
        }
        std::vector<std::string> copie = argomenti;
        std::string nome = programma.string();
        std::vector<char*> argv{nome.data()};
        for (std::string& a : copie) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        ::execv(nome.c_str(), argv.data());
        ::_exit(127);
    }
    int stato = 0;
    ::waitpid(figlio, &stato, 0);
    esito_strumento esito;
    esito.stato = WIFEXITED(stato) ? WEXITSTATUS(stato) : 128 + WTERMSIG(stato);
    esito.uscita = leggi_file_intero(uscita);
    esito.errori = leggi_file_intero(errori);
    return esito;
}

esito_strumento compattatore_(const std::vector<std::string>& argomenti,
                              const fs::path& temporanea = {}) {
    return lancia(PERCORSO_COMPATTATORE, argomenti, temporanea);
}

}  // namespace

TEST(Strumento, RigaDiComandoErrataDa64SenzaToccareNulla) {
    const cartella_temporanea dir;
    const std::string d = dir.percorso().string();
    const std::vector<std::vector<std::string>> righe = {
        {},
        {"boh"},
        {"esporta"},
        {"esporta", d, d},
        {"compatta", d, "Orvesa_Cusvana"},
        {"compatta", "--nessuna", d, "Orvesa_Cusvana", "5927"},
        {"mostra"},
        {"mostra", d + "/x.txt"},
        {"pianta", d, "Orvesa_Cusvana", "5927"},
        // Names that could leave the folder or that the single-byte files cannot carry.
        {"compatta", d, "../x", "5927"},
        {"compatta", d, "Orvesa_Cusvana", "../../5927"},
        {"compatta", d, "a/b", "5927"},
        {"compatta", d, "..", "5927"},
        {"compatta", d, "a\\b", "5927"},
        {"compatta", d, "", "5927"},
        {"compatta", d, "-x", "5927"},
        {"compatta", d, "Citt\xC3\xA0", "5927"},
        {"compatta", d, "Orvesa_Cusvana", "59\t27"},
        {"pianta", d, "../x", "5927", d + "/p.svg"},
    };
    for (const auto& argomenti : righe) {
        const esito_strumento esito = compattatore_(argomenti);
        std::string riga;
        for (const auto& a : argomenti) {
            riga += " [" + a + "]";
        }
        EXPECT_EQ(esito.stato, 64) << riga;
        EXPECT_TRUE(esito.errori.starts_with("compattatore")) << riga << esito.errori;
        // One line names what is wrong.
        EXPECT_EQ(std::count(esito.errori.begin(), esito.errori.end(), '\n'), 1) << riga;
        EXPECT_EQ(esito.uscita, "") << riga;
    }
    EXPECT_TRUE(nomi_ordinati(dir.percorso()).empty());

    const esito_strumento nome = compattatore_({"compatta", d, "../x", "5927"});
    EXPECT_NE(nome.errori.find("SCENARIO \"../x\""), std::string::npos) << nome.errori;
    const esito_strumento byte = compattatore_({"compatta", d, "Citt\xC3\xA0", "5927"});
    EXPECT_NE(byte.errori.find("ASCII stampabili"), std::string::npos) << byte.errori;

    for (const char* opzione : {"--help", "--version"}) {
        const esito_strumento esito = compattatore_({opzione});
        EXPECT_EQ(esito.stato, 0) << opzione;
        EXPECT_TRUE(esito.uscita.starts_with(opzione == std::string("--help") ? "Uso: compattatore"
                                                                              : "compattatore "))
            << esito.uscita;
        EXPECT_EQ(esito.errori, "");
    }
}

TEST(Strumento, VersioneQuellaDelProgetto) {
    // The one version of the build (project() in CMakeLists.txt), in the packages' names too.
    const esito_strumento esito = compattatore_({"--version"});
    EXPECT_EQ(esito.stato, 0);
    EXPECT_EQ(esito.uscita, "compattatore " VERSIONE_PROGRAMMI "\n");
}

TEST(Strumento, CompattaSenzaSorgenteNominaIlFileDellAutore) {
    const cartella_temporanea dir;
    scrivi_tutto(dir / "Orvesa_Cusvana_5927-.txt", "[generale]\r\n[fine]\r\n");
    // The temporary directory is never needed: one that does not exist stops nothing.
    const esito_strumento esito =
        compattatore_({"compatta", dir.percorso().string(), "Orvesa_Cusvana", "5927"},
                      dir / "nessuna_cartella_temporanea");
    EXPECT_EQ(esito.stato, 1);
    const std::string linea = (dir / "Orvesa_Cusvana_linea.txt").string();
    EXPECT_TRUE(esito.errori.starts_with(linea + ": problema 101: file della linea mancante\n"))
        << esito.errori;
    EXPECT_NE(esito.errori.find("compattatore: " + linea + ": nessuna griglia"), std::string::npos)
        << esito.errori;
    EXPECT_EQ(nomi_ordinati(dir.percorso()), std::vector<std::string>{"Orvesa_Cusvana_5927-.txt"});
    EXPECT_EQ(leggi_file_intero(dir / "Orvesa_Cusvana_5927-.txt"), "[generale]\r\n[fine]\r\n");

    // Without the train source the problem line comes first, then the reason.
    dati_linea(dir.percorso(), identita_predefinita());
    std::filesystem::remove(dir / "Orvesa_Cusvana_5927-.txt");
    const esito_strumento senza_treno =
        compattatore_({"compatta", dir.percorso().string(), "Orvesa_Cusvana", "5927"});
    EXPECT_EQ(senza_treno.stato, 3);
    const std::string treno = (dir / "Orvesa_Cusvana_5927-.txt").string();
    EXPECT_TRUE(senza_treno.errori.starts_with(
        treno + ": problema 25: errore di lettura: file illeggibile, troncato o valore non "
                "valido\n  " +
        treno + ": "))
        << senza_treno.errori;
    EXPECT_TRUE(std::filesystem::exists(dir / "Orvesa_Cusvana_linea.txt"));

    const esito_strumento assente =
        compattatore_({"compatta", (dir / "nessuna").string(), "Orvesa_Cusvana", "5927"});
    EXPECT_EQ(assente.stato, 1);
    EXPECT_NE(assente.errori.find((dir / "nessuna").string() + ": cartella non trovata"),
              std::string::npos)
        << assente.errori;
}

// A name that is there but cannot be opened is no problem of the source, and no missing
// file either: the run stops naming it and the reason, and writes nothing.
TEST(Strumento, UnaSorgenteCheNonSiPuoAprireFermaLaCorsaColMotivo) {
    for (const bool treno : {false, true}) {
        const cartella_temporanea dir;
        ASSERT_EQ(compattatore_({"esporta", dir.percorso().string()}).stato, 0);
        const identita_scenario id = identita_predefinita();
        const fs::path sorgente = treno ? nomi_file::sorgente_treno(dir.percorso(), id)
                                        : nomi_file::sorgente_linea(dir.percorso(), id);
        fs::remove(sorgente);
        fs::create_symlink(sorgente.filename(), sorgente);  // a loop of one link
        const esito_strumento esito =
            compattatore_({"compatta", dir.percorso().string(), "Orvesa_Cusvana", "5927"});
        EXPECT_EQ(esito.stato, 1) << treno;
        EXPECT_TRUE(esito.errori.ends_with("compattatore: " + sorgente.string() +
                                           ": apertura non riuscita: " + std::strerror(ELOOP) +
                                           "\n"))
            << esito.errori;
        EXPECT_EQ(esito.errori.find("problema"), std::string::npos) << esito.errori;
        for (const fs::path& compatto : {nomi_file::linea_compatta(dir.percorso(), id),
                                         nomi_file::voci_compatte(dir.percorso(), id),
                                         nomi_file::celle_compatte(dir.percorso(), id)}) {
            EXPECT_FALSE(fs::exists(compatto)) << compatto;
        }
    }
}

TEST(Strumento, MostraRifiutaUnaDimensioneCheNonTornaConLaStruttura) {
    const cartella_temporanea dir;
    std::string celle;
    for (int i = 0; i < 3; ++i) {
        formato::aggiungi_cella(celle, cella{});
    }
    std::string voci;
    for (int i = 0; i < numero_voci; ++i) {
        voce v;
        v.nome = i == 85 ? "Orvesa_Cusvana" : "";
        formato::aggiungi_voce(voci, v);
    }
    std::string piano;
    for (int i = 0; i < 4; ++i) {
        formato::aggiungi_valore(piano, valore_piano{2.5});
    }
    struct caso {
        const char* nome;
        std::string dati;
        const char* motivo;
    };
    const caso casi[] = {
        {"a_5927.dat", celle.substr(0, celle.size() - 1), "non è un multiplo di 15 byte"},
        {"b_5927.dat", "", "non è un multiplo di 15 byte"},
        {"a_5927.sim", voci.substr(0, voci.size() - 1), "il record 86"},
        {"b_5927.sim", voci + "x", "1 byte oltre gli 87 record"},
        {"c_5927.sim", voci.substr(0, 40 * 34), "il record 40"},
        {"a_linea.dat", piano.substr(0, piano.size() - 3), "il valore 3"},
        {"b_linea.dat", piano.substr(0, piano.size() - 10), "3 valori"},
        {"c_linea.dat", piano + std::string("\x07\x00", 2), "codice di tipo sconosciuto"},
    };
    for (const caso& k : casi) {
        scrivi_tutto(dir / k.nome, k.dati);
        const esito_strumento esito = compattatore_({"mostra", (dir / k.nome).string()});
        EXPECT_EQ(esito.stato, 1) << k.nome;
        EXPECT_EQ(esito.uscita, "") << k.nome;
        EXPECT_TRUE(esito.errori.starts_with("compattatore: " + (dir / k.nome).string() + ": "))
            << esito.errori;
        EXPECT_NE(esito.errori.find(k.motivo), std::string::npos) << k.nome << esito.errori;
    }

    // The whole files are read.
    for (const auto& [nome, dati] : {std::pair{"c_5927.dat", celle}, std::pair{"d_5927.sim", voci},
                                     std::pair{"d_linea.dat", piano}}) {
        scrivi_tutto(dir / nome, dati);
        const esito_strumento esito = compattatore_({"mostra", (dir / nome).string()});
        EXPECT_EQ(esito.stato, 0) << nome << esito.errori;
    }
    const esito_strumento generali = compattatore_({"mostra", (dir / "d_5927.sim").string()});
    EXPECT_NE(generali.uscita.find("voce 85: nome=\"Orvesa_Cusvana\"\n"), std::string::npos)
        << generali.uscita;
    EXPECT_NE(generali.uscita.find("voce 86: (vuota)\n"), std::string::npos);
    const esito_strumento linea = compattatore_({"mostra", (dir / "d_linea.dat").string()});
    EXPECT_NE(linea.uscita.find("2 punti (0 - 1)"), std::string::npos) << linea.uscita;
    EXPECT_NE(linea.uscita.find("x da 2.500 a 2.500"), std::string::npos) << linea.uscita;
}

namespace {

const identita_scenario predefinita = identita_predefinita();

// Exports the carried texts into `cartella` through the tool.
void esporta(const fs::path& cartella) {
    const esito_strumento esito = compattatore_({"esporta", cartella.string()});
    ASSERT_EQ(esito.stato, 0) << esito.errori;
}

// Where the caret should stand: the line (from 1) of the row that begins at byte `inizio`
// of `testo`, and the column (from 1) of `campo`, looked for after the keyword.
struct luogo_riga {
    int riga = 0;
    std::size_t colonna = 0;
};

luogo_riga trova(const std::string& testo, std::size_t inizio, const std::string& campo) {
    luogo_riga luogo;
    luogo.riga = 1 + static_cast<int>(std::count(testo.begin(),
                                                 testo.begin() + static_cast<long>(inizio), '\n'));
    const std::string riga = testo.substr(inizio, testo.find('\r', inizio) - inizio);
    luogo.colonna = riga.find(campo, riga.find(',')) + 1;
    return luogo;
}

fs::path programma_in_path(const std::string& nome) {
    const char* path = std::getenv("PATH");
    std::string elenco = path != nullptr ? path : "/usr/bin:/bin";
    std::size_t inizio = 0;
    while (inizio <= elenco.size()) {
        const std::size_t fine = std::min(elenco.find(':', inizio), elenco.size());
        const fs::path candidato = fs::path(elenco.substr(inizio, fine - inizio)) / nome;
        if (::access(candidato.c_str(), X_OK) == 0) {
            return candidato;
        }
        inizio = fine + 1;
    }
    return {};
}

}  // namespace

// A compact file may come from anywhere: what is not a regular file is refused at once,
// without waiting on it or reading it, and so is a size no route can have. The time limit
// turns a read that never ends into a failure instead of a test that hangs.
TEST(Strumento, MostraRifiutaSubitoCioCheNonEUnFileCompatto) {
    const cartella_temporanea dir;
    ASSERT_EQ(::mkfifo((dir / "tubo_linea.dat").c_str(), 0600), 0);
    fs::create_symlink("/dev/zero", dir / "zero_5927.dat");
    fs::create_directory(dir / "cartella_5927.sim");
    // About a gigabyte, and a whole number of cells, so that only the size is wrong.
    const std::uintmax_t giga = std::uintmax_t{15} << 26;
    for (const char* nome : {"grande_linea.dat", "grande_5927.dat", "grande_5927.sim"}) {
        scrivi_tutto(dir / nome, "");
        fs::resize_file(dir / nome, giga);  // sparse: nothing to read but zeros
    }
    struct caso {
        const char* nome;
        const char* motivo;
    };
    std::vector<caso> casi = {
        {"tubo_linea.dat", "è una FIFO, non un file regolare"},
        {"zero_5927.dat", "è un dispositivo a caratteri, non un file regolare"},
        {"cartella_5927.sim", "è una cartella, non un file regolare"},
        {"grande_linea.dat", "più di 20140020 byte"},
        {"grande_5927.dat", "più di 302115 byte"},
        {"grande_5927.sim", "più di 2853687 byte"},
    };
    // A device node of its own, where the test may make one.
    if (::mknod((dir / "nodo_5927.sim").c_str(), S_IFCHR | 0600, ::makedev(1, 5)) == 0) {
        casi.push_back({"nodo_5927.sim", "è un dispositivo a caratteri, non un file regolare"});
    }
    const fs::path timeout = programma_in_path("timeout");
    ASSERT_FALSE(timeout.empty());
    for (const caso& k : casi) {
        const esito_strumento esito =
            lancia(timeout, {"20", PERCORSO_COMPATTATORE, "mostra", (dir / k.nome).string()});
        EXPECT_EQ(esito.stato, 1) << k.nome << esito.errori;
        EXPECT_EQ(esito.uscita, "") << k.nome;
        EXPECT_TRUE(esito.errori.starts_with("compattatore: " + (dir / k.nome).string() + ": "))
            << esito.errori;
        EXPECT_NE(esito.errori.find(k.motivo), std::string::npos) << k.nome << esito.errori;
    }
}

TEST(Strumento, MostraNonDaPerNumeriIValoriNonFinitiDellaPianta) {
    const cartella_temporanea dir;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double infinito = std::numeric_limits<double>::infinity();
    struct caso {
        const char* nome;
        std::vector<valore_piano> x, y;
        const char* motivo;
    };
    const caso casi[] = {
        {"nan_linea.dat",
         {1.0, nan, 3.0},
         {0.0, 0.0, 0.0},
         "il valore 1 (punto 1, colonna x) è NaN"},
        {"inf_linea.dat",
         {int16_t{1}, 2.0},
         {valore_piano{}, -infinito},
         "il valore 3 (punto 1, colonna y) è infinito"},
    };
    for (const caso& k : casi) {
        std::string piano;
        for (const auto* colonna : {&k.x, &k.y}) {
            for (const valore_piano& v : *colonna) {
                formato::aggiungi_valore(piano, v);
            }
        }
        scrivi_tutto(dir / k.nome, piano);
        const esito_strumento esito = compattatore_({"mostra", (dir / k.nome).string()});
        EXPECT_EQ(esito.stato, 1) << k.nome << esito.errori;
        EXPECT_EQ(esito.uscita, "") << k.nome;
        EXPECT_TRUE(esito.errori.starts_with("compattatore: " + (dir / k.nome).string() + ": "))
            << esito.errori;
        EXPECT_NE(esito.errori.find(k.motivo), std::string::npos) << k.nome << esito.errori;
    }
}

TEST(Strumento, EsportaPoiCompattaDaIFileDiOrvesaCusvanaSenzaToccareISorgenti) {
    const cartella_temporanea uno;
    fs::copy_file(PERCORSO_ORVESA_CUSVANA, uno / "orvesa_cusvana");
    const esito_strumento corsa = lancia(uno / "orvesa_cusvana", {});
    ASSERT_EQ(corsa.stato, 0) << corsa.errori;

    const cartella_temporanea due;
    const cartella_temporanea tmp;
    esporta(due.percorso());
    const fs::path d = due.percorso();
    EXPECT_EQ(nomi_ordinati(d),
              (std::vector<std::string>{"Orvesa_Cusvana_5927-.txt", "Orvesa_Cusvana_5927_note.txt",
                                        "Orvesa_Cusvana_5927_rallentamenti.txt",
                                        "Orvesa_Cusvana_5927_scheda_treno.txt",
                                        "Orvesa_Cusvana_linea.txt"}));
    for (const fs::path& testo :
         {nomi_file::note(d, predefinita), nomi_file::rallentamenti(d, predefinita),
          nomi_file::scheda(d, predefinita)}) {
        EXPECT_EQ(leggi_file_intero(testo), leggi_file_intero(uno / testo.filename().string()))
            << testo;
    }
    const std::string linea = leggi_file_intero(nomi_file::sorgente_linea(d, predefinita));
    const std::string treno = leggi_file_intero(nomi_file::sorgente_treno(d, predefinita));
    ASSERT_FALSE(linea.empty());
    ASSERT_FALSE(treno.empty());

    const esito_strumento esito =
        compattatore_({"compatta", d.string(), "Orvesa_Cusvana", "5927"}, tmp.percorso());
    ASSERT_EQ(esito.stato, 0) << esito.errori;
    EXPECT_EQ(esito.errori, "");
    const fs::path compatti[] = {nomi_file::linea_compatta(d, predefinita),
                                 nomi_file::voci_compatte(d, predefinita),
                                 nomi_file::celle_compatte(d, predefinita)};
    for (const fs::path& file : compatti) {
        const std::string attesi = leggi_file_intero(uno / file.filename().string());
        ASSERT_FALSE(attesi.empty()) << file;
        EXPECT_TRUE(leggi_file_intero(file) == attesi) << file << " differs from the one-shot run";
    }
    EXPECT_EQ(leggi_file_intero(nomi_file::sorgente_linea(d, predefinita)), linea);
    EXPECT_EQ(leggi_file_intero(nomi_file::sorgente_treno(d, predefinita)), treno);
    EXPECT_TRUE(nomi_ordinati(tmp.percorso()).empty()) << "work folder left behind";

    // Without the line file: an older one stays as it was, the others are the same.
    scrivi_tutto(compatti[0], "vecchio");
    const esito_strumento senza =
        compattatore_({"compatta", "--senza-linea", d.string(), "Orvesa_Cusvana", "5927"});
    ASSERT_EQ(senza.stato, 0) << senza.errori;
    EXPECT_EQ(leggi_file_intero(compatti[0]), "vecchio");
    EXPECT_TRUE(leggi_file_intero(compatti[1]) ==
                leggi_file_intero(uno / compatti[1].filename().string()));
    EXPECT_TRUE(leggi_file_intero(compatti[2]) ==
                leggi_file_intero(uno / compatti[2].filename().string()));
}

TEST(Strumento, UnProblemaNeiSorgentiNominaFileRigaEColonna) {
    const std::string segnale = "segnale,    4500,   1, 4, 0,  0, 0,    0,  0,0,0, 0";
    const std::string velocita = "velocita,     800,    90";
    const std::string stazione = "stazione,       0,  2,  700,";
    struct caso {
        const char* nome;
        bool del_treno;
        std::string riga;          // an existing row
        std::string sostituta;     // what takes its place
        std::string riga_colpita;  // the row the message points at
        std::string campo;         // the field under the caret: the one at fault
        const char* prima_riga;    // "problema N a P m: MEANING"
    };
    const caso casi[] = {
        {"segnale su una cella occupata", true, segnale, segnale + "\r\n" + segnale, segnale,
         "4500", "problema 16 a 4500 m: segnale su una cella gi\xC3\xA0 occupata"},
        {"riga oltre la griglia", true, velocita, velocita + "\r\nvelocita,  200000,    90",
         "velocita,  200000,    90", "200000",
         "problema 15 a 200000 m: posizione oltre la fine della griglia (o negativa)"},
        {"lunghezza di stazione", true, stazione, "stazione,       0,  2,  750,",
         "stazione,       0,  2,  750,", "750",
         "problema 9 a 0 m: lunghezza della stazione non multipla di 100 m"},
    };
    for (const caso& k : casi) {
        const cartella_temporanea dir;
        esporta(dir.percorso());
        const fs::path file = k.del_treno ? nomi_file::sorgente_treno(dir.percorso(), predefinita)
                                          : nomi_file::sorgente_linea(dir.percorso(), predefinita);
        std::string testo = leggi_file_intero(file);
        const std::size_t dove = testo.find(k.riga);
        ASSERT_NE(dove, std::string::npos) << k.nome;
        testo.replace(dove, k.riga.size(), k.sostituta);
        scrivi_tutto(file, testo);
        const luogo_riga luogo = trova(testo, dove + k.sostituta.rfind(k.riga_colpita), k.campo);

        const esito_strumento esito =
            compattatore_({"compatta", dir.percorso().string(), "Orvesa_Cusvana", "5927"});
        EXPECT_EQ(esito.stato, 3) << k.nome << esito.errori;
        const std::string attesa = file.string() + ":" + std::to_string(luogo.riga) + ":" +
                                   std::to_string(luogo.colonna) + ": " + k.prima_riga + "\n";
        EXPECT_TRUE(esito.errori.starts_with(attesa))
            << k.nome << "\nexpected: " << attesa << "got:      " << esito.errori;
        EXPECT_NE(esito.errori.find("\n  " + k.riga_colpita), std::string::npos) << esito.errori;
        EXPECT_NE(esito.errori.find("\n  " + std::string(luogo.colonna - 1, ' ') + "^\n"),
                  std::string::npos)
            << esito.errori;
        EXPECT_EQ(leggi_file_intero(file), testo) << k.nome << ": source changed";
        EXPECT_TRUE(fs::exists(nomi_file::celle_compatte(dir.percorso(), predefinita))) << k.nome;
    }
}

TEST(Strumento, ControlloDIntestazioneFallitoDa2SenzaFileCompatti) {
    const cartella_temporanea dir;
    esporta(dir.percorso());
    const fs::path file = nomi_file::sorgente_treno(dir.percorso(), predefinita);
    std::string testo = leggi_file_intero(file);
    const std::string segnale = "segnale,    4500,   1, 4, 0,  0, 0,    0,  0,0,0, 0";
    const std::size_t dove = testo.find(segnale);
    ASSERT_NE(dove, std::string::npos);
    // A point with a value in cell 1 takes the slot of the fixed value 5121.
    testo.insert(dove, "abbattimento,   50,   5\r\n");
    scrivi_tutto(file, testo);
    const esito_strumento esito =
        compattatore_({"compatta", dir.percorso().string(), "Orvesa_Cusvana", "5927"});
    EXPECT_EQ(esito.stato, 2) << esito.errori;
    EXPECT_EQ(esito.errori, " Errore n. 1250\n");
    EXPECT_EQ(esito.uscita, "");
    for (const auto& nome : nomi_ordinati(dir.percorso())) {
        EXPECT_TRUE(nome.ends_with(".txt")) << nome;
    }
}

TEST(Strumento, MostraEPiantaDelloScenarioCarrato) {
    const cartella_temporanea dir;
    esporta(dir.percorso());
    const fs::path d = dir.percorso();
    ASSERT_EQ(compattatore_({"compatta", d.string(), "Orvesa_Cusvana", "5927"}).stato, 0);

    // The signal of the row "segnale, 4500, 1, 4, 0, 0, 0, 0, 0,0,0, 0" in cell 91.
    const esito_strumento celle =
        compattatore_({"mostra", nomi_file::celle_compatte(d, predefinita).string()});
    ASSERT_EQ(celle.stato, 0) << celle.errori;
    std::istringstream righe(celle.uscita);
    std::string riga;
    std::vector<std::string> colonne;
    std::map<std::string, std::string> cella_91;
    while (std::getline(righe, riga)) {
        std::istringstream parole(riga);
        std::vector<std::string> campi{std::istream_iterator<std::string>(parole), {}};
        if (!campi.empty() && campi[0] == "cella") {
            colonne = campi;
        } else if (!campi.empty() && campi[0] == "91") {
            for (std::size_t i = 0; i < colonne.size() && i < campi.size(); ++i) {
                cella_91[colonne[i]] = campi[i];
            }
        }
    }
    EXPECT_EQ(cella_91["m"], "4550");
    EXPECT_EQ(cella_91["tipo"], "1");
    EXPECT_EQ(cella_91["valore1"], "40");
    EXPECT_EQ(cella_91["valore2"], "0");
    EXPECT_EQ(cella_91["valore3"], "0");
    EXPECT_EQ(cella_91["valore4"], "3");
    EXPECT_EQ(cella_91["tempo"], "0");
    EXPECT_EQ(cella_91["oggetto"], "segnale");
    EXPECT_NE(celle.uscita.find(": 2161 celle da 50 m"), std::string::npos);

    const esito_strumento voci =
        compattatore_({"mostra", nomi_file::voci_compatte(d, predefinita).string()});
    ASSERT_EQ(voci.stato, 0) << voci.errori;
    EXPECT_NE(voci.uscita.find("voce  0: (vuota)\n"), std::string::npos);
    EXPECT_NE(voci.uscita.find("voce 85: dato1=1 dato2=32750 dato3=59500 nome=\"Orvesa_Cusvana\" "
                               "intero1=610 dato_finale="),
              std::string::npos)
        << voci.uscita;

    const esito_strumento piano =
        compattatore_({"mostra", nomi_file::linea_compatta(d, predefinita).string()});
    ASSERT_EQ(piano.stato, 0) << piano.errori;
    for (const char* attesa :
         {"108001 punti (0 - 108000)", "punti 0 - 1: Integer (2)",
          "punti 2 - 107998: Double (107997)", "punti 107999 - 108000: vuoto (2)"}) {
        EXPECT_NE(piano.uscita.find(attesa), std::string::npos) << attesa << "\n" << piano.uscita;
    }

    const fs::path svg = d / "pianta.svg";
    const esito_strumento pianta =
        compattatore_({"pianta", d.string(), "Orvesa_Cusvana", "5927", svg.string()});
    ASSERT_EQ(pianta.stato, 0) << pianta.errori;
    const std::string disegno = leggi_file_intero(svg);
    EXPECT_TRUE(disegno.starts_with("<?xml")) << disegno.substr(0, 100);
    for (const char* nome : {">ORVESA<", ">CUSVANA S.M.N.<", "quota relativa (m)"}) {
        EXPECT_NE(disegno.find(nome), std::string::npos) << nome;
    }
    const fs::path rsvg = programma_in_path("rsvg-convert");
    const fs::path identify = programma_in_path("identify");
    ASSERT_FALSE(rsvg.empty()) << "rsvg-convert (librsvg2-bin) is needed";
    ASSERT_FALSE(identify.empty()) << "identify (imagemagick) is needed";
    const fs::path png = d / "pianta.png";
    const esito_strumento resa = lancia(rsvg, {svg.string(), "-o", png.string()});
    ASSERT_EQ(resa.stato, 0) << resa.errori;
    const esito_strumento colori = lancia(identify, {"-format", "%w %h %k", png.string()});
    ASSERT_EQ(colori.stato, 0) << colori.errori;
    int larghezza = 0, altezza = 0, quanti = 0;
    std::istringstream(colori.uscita) >> larghezza >> altezza >> quanti;
    EXPECT_GE(larghezza, 800);
    EXPECT_GE(altezza, 800);
    EXPECT_GT(quanti, 10) << "the picture is (nearly) one colour";
}

// controlla as a person and a CI job see it: the text report and its last line, the JSON
// lines read back, and the exit statuses.
TEST(Strumento, ControllaInTestoEInJson) {
    const cartella_temporanea dir;
    const fs::path d = dir.percorso();
    scrivi_tutto(dir / "Prova_linea.txt",
                 "[generale]\r\nlunghezza percorso, 5000\r\n[pendenze]\r\npendensa, 100, 4\r\n"
                 "pendenza, 20000, 4\r\n[fine]\r\n");
    scrivi_tutto(dir / "Prova_1-.txt", "[generale]\r\nvelocita, 0, 50\r\n[fine]\r\n");

    const esito_strumento testo = compattatore_({"controlla", d.string(), "Prova", "1"});
    EXPECT_EQ(testo.stato, 3);
    EXPECT_EQ(testo.errori, "");
    const std::string linea = (dir / "Prova_linea.txt").string();
    EXPECT_EQ(testo.uscita,
              linea +
                  ":4:1: avviso: \"pendensa\" non \xC3\xA8 una parola chiave: il campo viene "
                  "saltato; forse \"pendenza\"?\n"
                  "  pendensa, 100, 4\n"
                  "  ^\n" +
                  linea +
                  ":5:11: problema 15 a 20000 m: posizione oltre la fine della griglia (o "
                  "negativa)\n"
                  "  pendenza, 20000, 4\n"
                  "            ^\n"
                  "1 problema, 1 avviso\n");

    const esito_strumento json =
        compattatore_({"controlla", "--formato=json", d.string(), "Prova", "1"});
    EXPECT_EQ(json.stato, 3);
    std::istringstream righe(json.uscita);
    std::vector<nlohmann::json> oggetti;
    for (std::string r; std::getline(righe, r);) {
        oggetti.push_back(nlohmann::json::parse(r));
    }
    ASSERT_EQ(oggetti.size(), 2u);
    EXPECT_EQ(oggetti[0]["gravita"], "avviso");
    EXPECT_EQ(oggetti[0]["nome"], "campo_sconosciuto");
    EXPECT_TRUE(oggetti[0]["codice"].is_null());
    EXPECT_EQ(oggetti[1]["file"], linea);
    EXPECT_EQ(oggetti[1]["riga"], 5);
    EXPECT_EQ(oggetti[1]["colonna"], 11);
    EXPECT_EQ(oggetti[1]["gravita"], "problema");
    EXPECT_EQ(oggetti[1]["codice"], 15);
    EXPECT_EQ(oggetti[1]["nome"], "posizione_oltre_la_griglia");
    EXPECT_EQ(oggetti[1]["posizione"], 20000);
    EXPECT_EQ(oggetti[1]["testo_riga"], "pendenza, 20000, 4");

    // Warnings alone: 0, or 3 when they count as problems.
    scrivi_tutto(dir / "Prova_linea.txt",
                 "[generale]\r\nlunghezza percorso, 5000\r\n[pendenze]\r\npendensa, 100, 4\r\n"
                 "[fine]\r\n");
    EXPECT_EQ(compattatore_({"controlla", d.string(), "Prova", "1"}).stato, 0);
    EXPECT_EQ(
        compattatore_({"controlla", "--avvisi-come-problemi", d.string(), "Prova", "1"}).stato, 3);
    EXPECT_EQ(compattatore_({"controlla", "--formato=xml", d.string(), "Prova", "1"}).stato, 64);
    EXPECT_EQ(compattatore_({"controlla", (dir / "nessuna").string(), "Prova", "1"}).stato, 1);
    // Nothing was written.
    EXPECT_EQ(nomi_ordinati(d), (std::vector<std::string>{"Prova_1-.txt", "Prova_linea.txt"}));
}

// A source that is no regular file (a FIFO here) is refused at once, never waited on.
TEST(Strumento, CompattaRifiutaUnaFifoComeSorgente) {
    const cartella_temporanea dir;
    dati_linea(dir.percorso(), identita_predefinita());
    const fs::path treno = dir / "Orvesa_Cusvana_5927-.txt";
    ASSERT_EQ(::mkfifo(treno.c_str(), 0644), 0);
    const esito_strumento esito =
        compattatore_({"compatta", dir.percorso().string(), "Orvesa_Cusvana", "5927"});
    EXPECT_EQ(esito.stato, 3);
    EXPECT_TRUE(esito.errori.starts_with(treno.string() + ": problema 25: "));
    EXPECT_NE(esito.errori.find(treno.string() + ": è una FIFO, non un file regolare"),
              std::string::npos)
        << esito.errori;
    EXPECT_TRUE(fs::is_fifo(treno));
}
