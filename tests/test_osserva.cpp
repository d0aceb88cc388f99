// compattatore osserva on a real folder: a source saved in place and by rename is compacted
// again within a second with its problem printed, a burst of saves gives one run, quiet
// gives none, and Ctrl-C ends it with status 0.
#include "aiuti.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <thread>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::size_t conta(const std::string& testo, const std::string& pezzo) {
    std::size_t n = 0;
    for (std::size_t i = testo.find(pezzo); i != std::string::npos; i = testo.find(pezzo, i + 1)) {
        ++n;
    }
    return n;
}

// Waits up to `limite` for `condizione`; returns how long it took, or nothing.
template <typename F>
std::optional<std::chrono::milliseconds> attendi_che(F condizione,
                                                     std::chrono::milliseconds limite) {
    const auto inizio = std::chrono::steady_clock::now();
    for (;;) {
        const auto trascorso = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - inizio);
        if (condizione()) {
            return trascorso;
        }
        if (trascorso > limite) {
            return std::nullopt;
        }
        std::this_thread::sleep_for(10ms);
    }
}

std::string leggi_o_niente(const fs::path& file) {
    std::ifstream f(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), {}};
}

// Starts `compattatore osserva DIR` with its output and errors going to two files.
pid_t avvia_osserva(const fs::path& cartella, const fs::path& uscita, const fs::path& errori) {
    const pid_t figlio = ::fork();
    if (figlio == 0) {
        if (!std::freopen(uscita.c_str(), "w", stdout) ||
            !std::freopen(errori.c_str(), "w", stderr)) {
            ::_exit(126);
        }
        ::execl(PERCORSO_COMPATTATORE, PERCORSO_COMPATTATORE, "osserva", cartella.c_str(),
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    return figlio;
}

// Whether the watcher has said, within 5 s, that the watch has begun.
bool in_osservazione(const fs::path& errori) {
    return attendi_che(
               [&] { return leggi_o_niente(errori).find("in osservazione") != std::string::npos; },
               5000ms)
        .has_value();
}

}  // namespace

TEST(Osserva, CompattaDiNuovoASalvataggioSulPostoEPerRinomina) {
    const cartella_temporanea qui;
    const fs::path p = qui / "p";
    ASSERT_EQ(esegui(PERCORSO_COMPATTATORE, {"esporta", p.string()}).stato, 0);
    ASSERT_EQ(
        esegui(PERCORSO_COMPATTATORE, {"compatta", p.string(), "Orvesa_Cusvana", "5927"}).stato, 0);
    const fs::path treno = p / "Orvesa_Cusvana_5927-.txt";
    const fs::path celle = p / "Orvesa_Cusvana_5927.dat";
    const std::string originale = leggi_file_intero(treno);
    const std::string celle_originali = leggi_file_intero(celle);
    // The expected cells of the edited train, from compatta on its own folder.
    std::string modificato = originale;
    const std::size_t riga = modificato.find("segnale,    5250,");
    ASSERT_NE(riga, std::string::npos);
    modificato.replace(riga, 17, "segnale,     800,");
    const fs::path rif = qui / "rif";
    ASSERT_EQ(esegui(PERCORSO_COMPATTATORE, {"esporta", rif.string()}).stato, 0);
    scrivi_tutto(rif / "Orvesa_Cusvana_5927-.txt", modificato);
    ASSERT_EQ(
        esegui(PERCORSO_COMPATTATORE, {"compatta", rif.string(), "Orvesa_Cusvana", "5927"}).stato,
        3);
    const std::string celle_modificate = leggi_file_intero(rif / "Orvesa_Cusvana_5927.dat");
    ASSERT_NE(celle_modificate, celle_originali);

    const fs::path uscita = qui / "uscita";
    const fs::path errori = qui / "errori";
    const pid_t figlio = avvia_osserva(p, uscita, errori);
    ASSERT_TRUE(in_osservazione(errori));
    const auto giri = [&] { return conta(leggi_o_niente(uscita), "] compatta "); };

    // Saved in place: the compact files replaced within a second, the problem printed.
    scrivi_tutto(treno, modificato);
    const auto sul_posto = attendi_che(
        [&] {
            return leggi_o_niente(celle) == celle_modificate &&
                   leggi_o_niente(errori).find("problema 16 a 800 m") != std::string::npos;
        },
        1000ms);
    EXPECT_TRUE(sul_posto) << leggi_o_niente(uscita) << leggi_o_niente(errori);
    // The problem names the source where the author keeps it, not the copy compacted.
    EXPECT_NE(leggi_o_niente(errori).find(treno.string() + ":78:14: problema 16"),
              std::string::npos)
        << leggi_o_niente(errori);

    // Saved by writing a new file and renaming it over the source.
    scrivi_tutto(p / ".Orvesa_Cusvana_5927-.txt.nuovo", originale);
    fs::rename(p / ".Orvesa_Cusvana_5927-.txt.nuovo", treno);
    const auto per_rinomina =
        attendi_che([&] { return leggi_o_niente(celle) == celle_originali; }, 1000ms);
    EXPECT_TRUE(per_rinomina) << leggi_o_niente(uscita) << leggi_o_niente(errori);
    std::this_thread::sleep_for(400ms);
    EXPECT_EQ(giri(), 2u) << leggi_o_niente(uscita);

    // Five saves within 100 ms: one run.
    for (int i = 0; i < 5; ++i) {
        scrivi_tutto(p / "Orvesa_Cusvana_linea.txt",
                     leggi_file_intero(p / "Orvesa_Cusvana_linea.txt"));
        std::this_thread::sleep_for(20ms);
    }
    std::this_thread::sleep_for(600ms);
    EXPECT_EQ(giri(), 3u) << leggi_o_niente(uscita);
    // 3 s without a save (its own compact files, temporaries and lock included): none.
    std::this_thread::sleep_for(3000ms);
    EXPECT_EQ(giri(), 3u) << leggi_o_niente(uscita);
    EXPECT_EQ(leggi_file_intero(celle), celle_originali);

    ::kill(figlio, SIGINT);
    int stato = -1;
    ::waitpid(figlio, &stato, 0);
    EXPECT_TRUE(WIFEXITED(stato) && WEXITSTATUS(stato) == 0) << stato;
}

// A folder whose name holds a terminal's escape sequence: every line osserva prints names
// it with the control byte shown as \xNN, so nothing reaches the terminal that could steer
// it.
TEST(Osserva, UnNomeConByteDiControlloNonGuidaIlTerminale) {
    const cartella_temporanea qui;
    const fs::path p = qui / "p\x1b[2J";
    ASSERT_EQ(esegui(PERCORSO_COMPATTATORE, {"esporta", p.string()}).stato, 0);
    const fs::path treno = p / "Orvesa_Cusvana_5927-.txt";
    std::string modificato = leggi_file_intero(treno);
    const std::size_t riga = modificato.find("segnale,    5250,");
    ASSERT_NE(riga, std::string::npos);
    modificato.replace(riga, 17, "segnale,     800,");

    const fs::path uscita = qui / "uscita";
    const fs::path errori = qui / "errori";
    const pid_t figlio = avvia_osserva(p, uscita, errori);
    ASSERT_TRUE(in_osservazione(errori));
    scrivi_tutto(treno, modificato);
    EXPECT_TRUE(attendi_che(
        [&] { return leggi_o_niente(errori).find("problema 16 a 800 m") != std::string::npos; },
        2000ms))
        << leggi_o_niente(errori);
    ::kill(figlio, SIGINT);
    int stato = -1;
    ::waitpid(figlio, &stato, 0);

    const std::string mostrata = (qui / "p\\x1B[2J").string();
    const std::string tutto = leggi_o_niente(uscita) + leggi_o_niente(errori);
    EXPECT_EQ(tutto.find('\x1b'), std::string::npos) << tutto;
    EXPECT_NE(leggi_o_niente(errori).find("in osservazione di " + mostrata), std::string::npos)
        << tutto;
    EXPECT_NE(leggi_o_niente(uscita).find("] compatta " + mostrata + " Orvesa_Cusvana 5927"),
              std::string::npos)
        << tutto;
    EXPECT_NE(
        leggi_o_niente(errori).find(mostrata + "/Orvesa_Cusvana_5927-.txt:78:14: problema 16"),
        std::string::npos)
        << tutto;
}
