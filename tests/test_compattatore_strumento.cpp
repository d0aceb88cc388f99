// The compattatore tool, run as authors run it: command line, compaction of an author's
// folder, diagnostics that point at the row, decoding and drawing of the compact files.
#include "aiuti.h"
#include "compactor/formato.h"
#include "comune/identita.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cstdlib>

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
    esito.uscita = leggi_tutto(uscita);
    esito.errori = leggi_tutto(errori);
    return esito;
}

esito_strumento compattatore_(const std::vector<std::string>& argomenti,
                              const fs::path& temporanea = {}) {
    return lancia(PERCORSO_COMPATTATORE, argomenti, temporanea);
}

std::vector<std::string> contenuto(const fs::path& cartella) {
    std::vector<std::string> nomi;
    for (const auto& voce : fs::directory_iterator(cartella)) {
        nomi.push_back(voce.path().filename().string());
    }
    std::sort(nomi.begin(), nomi.end());
    return nomi;
}

}  // namespace

TEST(Strumento, RigaDiComandoErrataDa64SenzaToccareNulla) {
    const cartella_temporanea dir;
    const std::string d = dir.percorso().string();
    const std::vector<std::vector<std::string>> righe = {
        {},
        {"boh"},
        {"--help", "esporta"},
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
        EXPECT_TRUE(esito.errori.starts_with("compattatore: ")) << riga << esito.errori;
        EXPECT_NE(esito.errori.find("Uso: compattatore"), std::string::npos) << riga;
        EXPECT_EQ(esito.uscita, "") << riga;
    }
    EXPECT_TRUE(contenuto(dir.percorso()).empty());

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

TEST(Strumento, CompattaSenzaSorgenteNominaIlFileDellAutoreERipulisce) {
    const cartella_temporanea dir;
    const cartella_temporanea tmp;
    scrivi_tutto(dir / "Orvesa_Cusvana_5927-.txt", "[generale]\r\n[fine]\r\n");
    const esito_strumento esito = compattatore_(
        {"compatta", dir.percorso().string(), "Orvesa_Cusvana", "5927"}, tmp.percorso());
    EXPECT_EQ(esito.stato, 1);
    const std::string linea = (dir / "Orvesa_Cusvana_linea.txt").string();
    EXPECT_NE(esito.errori.find("compattatore: " + linea + ": file sorgente mancante\n"),
              std::string::npos)
        << esito.errori;
    EXPECT_NE(esito.errori.find("compattatore: " + linea + ": nessuna griglia"), std::string::npos)
        << esito.errori;
    EXPECT_EQ(contenuto(dir.percorso()), std::vector<std::string>{"Orvesa_Cusvana_5927-.txt"});
    EXPECT_EQ(leggi_tutto(dir / "Orvesa_Cusvana_5927-.txt"), "[generale]\r\n[fine]\r\n");
    EXPECT_TRUE(contenuto(tmp.percorso()).empty()) << "work folder left behind";

    const esito_strumento assente = compattatore_(
        {"compatta", (dir / "nessuna").string(), "Orvesa_Cusvana", "5927"}, tmp.percorso());
    EXPECT_EQ(assente.stato, 1);
    EXPECT_NE(assente.errori.find((dir / "nessuna").string() + ": cartella non trovata"),
              std::string::npos)
        << assente.errori;
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
