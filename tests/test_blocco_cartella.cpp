// The folder lock as runs meet it: no run goes on unlocked where it may write, whatever
// stands under the lock's name or whoever made the lock file; a writer that holds no lock
// of its own (pianta) never loses its temporary file to a compaction's sweep; and a run
// ended by a signal takes its temporary file and its lock file with it.
#include "aiuti.h"
#include "comune/processo.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

fs::path file_blocco(const fs::path& cartella) {
    return cartella / std::string(blocco_cartella::nome_file);
}

// A run that hangs is a fault of its own: each run here is cut after 30 s.
esito_processo esegui_al_piu(const std::vector<std::string>& argomenti) {
    const fs::path timeout = cerca_programma("timeout");
    std::vector<std::string> tutto{"30", PERCORSO_COMPATTATORE};
    tutto.insert(tutto.end(), argomenti.begin(), argomenti.end());
    return timeout.empty() ? esegui(PERCORSO_COMPATTATORE, argomenti) : esegui(timeout, tutto);
}

struct caso_nome_occupato {
    const char* nome;
    const char* detto;  // how the message names what stands there
    void (*prepara)(const fs::path& blocco, const fs::path& cartella);
};

class NomeDelBloccoOccupato : public ::testing::TestWithParam<caso_nome_occupato> {};

TEST_P(NomeDelBloccoOccupato, LaCorsaSiFermaSubitoNominandoloENullaVieneScritto) {
    const cartella_temporanea cartella;
    const fs::path blocco = file_blocco(cartella.percorso());
    GetParam().prepara(blocco, cartella.percorso());
    const std::vector<std::string> prima = nomi_ordinati(cartella.percorso());

    const auto inizio = std::chrono::steady_clock::now();
    const esito_processo esito = esegui_al_piu({"esporta", cartella.percorso().string()});
    EXPECT_LT(std::chrono::steady_clock::now() - inizio, 5s);
    EXPECT_EQ(esito.stato, 1) << esito.errori;
    EXPECT_EQ(esito.errori, "compattatore: " + blocco.string() + ": è " + GetParam().detto +
                                ", non il file regolare del blocco della cartella: nulla viene "
                                "scritto; togliere quel nome dalla cartella e ripetere\n");
    // Nothing written, and what stands under the name is left to its owner.
    EXPECT_EQ(nomi_ordinati(cartella.percorso()), prima);
    EXPECT_TRUE(fs::exists(fs::symlink_status(blocco)));
}

INSTANTIATE_TEST_SUITE_P(
    Casi, NomeDelBloccoOccupato,
    ::testing::Values(caso_nome_occupato{"fifo", "una FIFO",
                                         [](const fs::path& b, const fs::path&) {
                                             ASSERT_EQ(::mkfifo(b.c_str(), 0644), 0)
                                                 << std::strerror(errno);
                                         }},
                      caso_nome_occupato{
                          "cartella", "una cartella",
                          [](const fs::path& b, const fs::path&) { fs::create_directory(b); }},
                      // Even a link to a regular file: the lock would be taken on a file the next
                      // run may not find under the same link.
                      caso_nome_occupato{"collegamento", "un collegamento simbolico",
                                         [](const fs::path& b, const fs::path& c) {
                                             scrivi_tutto(c / "altro", "");
                                             fs::create_symlink(c / "altro", b);
                                         }},
                      caso_nome_occupato{"collegamento_interrotto", "un collegamento simbolico",
                                         [](const fs::path& b, const fs::path& c) {
                                             fs::create_symlink(c / "assente", b);
                                         }}),
    [](const auto& info) { return std::string(info.param.nome); });

// The second user's runs: root starts them as nobody.
class BloccoTraUtenti : public ::testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0) {
            GTEST_SKIP() << "serve root per far girare il programma come un altro utente";
        }
        setpriv_ = cerca_programma("setpriv");
        if (setpriv_.empty()) {
            GTEST_SKIP() << "setpriv (util-linux) non disponibile";
        }
        // The program where nobody may run it; the shared folder open to all, sticky as
        // /tmp is, so that nobody may not create over root's file there.
        programma_ = programmi_ / "compattatore";
        fs::copy_file(PERCORSO_COMPATTATORE, programma_);
        fs::permissions(programmi_.percorso(), fs::perms(0755));
        fs::permissions(condivisa_.percorso(), fs::perms(01777));
    }

    processo_avviato da_altro_utente(const std::vector<std::string>& argomenti) {
        std::vector<std::string> tutto{"--reuid=nobody", "--regid=nogroup", "--clear-groups",
                                       programma_.string()};
        tutto.insert(tutto.end(), argomenti.begin(), argomenti.end());
        return avvia(setpriv_, tutto);
    }

    cartella_temporanea programmi_;
    cartella_temporanea condivisa_;
    fs::path setpriv_;
    fs::path programma_;
};

TEST_F(BloccoTraUtenti, UnAltroUtenteAttendeIlBloccoPresoSottoUmask077) {
    const fs::path cartella = condivisa_.percorso();
    processo_avviato altro;
    {
        const mode_t maschera = ::umask(077);
        const blocco_cartella nostro(cartella, "prova");
        ::umask(maschera);
        struct stat visto;
        ASSERT_EQ(::stat(file_blocco(cartella).c_str(), &visto), 0);
        EXPECT_EQ(visto.st_mode & 07777, 0644u);

        altro = da_altro_utente({"esporta", cartella.string()});
        std::this_thread::sleep_for(1500ms);
        int stato = 0;
        EXPECT_EQ(::waitpid(altro.pid, &stato, WNOHANG), 0) << "non ha atteso il blocco";
        EXPECT_EQ(nomi_ordinati(cartella), std::vector<std::string>{".orvesa_cusvana.blocco"});
    }
    const esito_processo esito = attendi(altro);
    EXPECT_EQ(esito.stato, 0) << esito.errori;
    EXPECT_EQ(esito.errori, "compattatore: in attesa di " + cartella.string() +
                                ": un'altra esecuzione sta scrivendo nella cartella\n");
    EXPECT_EQ(nomi_ordinati(cartella).size(), 5u);
    EXPECT_FALSE(fs::exists(file_blocco(cartella)));
}

TEST_F(BloccoTraUtenti, UnFileDelBloccoCheNonSiPuoAprireFermaLaCorsaNominandolo) {
    const fs::path cartella = condivisa_.percorso();
    const fs::path blocco = file_blocco(cartella);
    scrivi_tutto(blocco, "");
    fs::permissions(blocco, fs::perms::owner_read | fs::perms::owner_write);

    processo_avviato altro = da_altro_utente({"esporta", cartella.string()});
    const esito_processo esito = attendi(altro);
    EXPECT_EQ(esito.stato, 1);
    EXPECT_EQ(esito.errori, "compattatore: " + blocco.string() +
                                ": il file del blocco della cartella, dell'utente root, non si "
                                "può aprire (" +
                                std::strerror(EACCES) +
                                "): nulla viene scritto senza blocco; lo tolga il suo "
                                "proprietario, o lo renda leggibile a tutti, e si ripeta\n");
    EXPECT_EQ(nomi_ordinati(cartella), std::vector<std::string>{".orvesa_cusvana.blocco"});
}

// pianta holds no lock across its run, and a compaction beside it sweeps the folder's
// temporary files each time it takes the lock: the replacement's own lock keeps them apart.
TEST(BloccoCartella, PiantaInCicloAccantoACompattaInCicloNonFallisceMai) {
    const cartella_temporanea cartella;
    const std::string c = cartella.percorso().string();
    ASSERT_EQ(esegui(PERCORSO_COMPATTATORE, {"esporta", c}).stato, 0);
    ASSERT_EQ(esegui(PERCORSO_COMPATTATORE, {"compatta", c, "Orvesa_Cusvana", "5927"}).stato, 0);

    std::atomic<bool> fine{false};
    std::vector<esito_processo> falliti;
    int piante = 0;
    std::thread compattazioni([&] {
        while (!fine) {
            const esito_processo e =
                esegui(PERCORSO_COMPATTATORE, {"compatta", c, "Orvesa_Cusvana", "5927"});
            if (e.stato != 0) {
                falliti.push_back(e);
            }
        }
    });
    const auto inizio = std::chrono::steady_clock::now();
    // Some seconds, and at least 20 drawings however slow the build (the sanitizers').
    while (piante < 20 || std::chrono::steady_clock::now() - inizio < 4s) {
        const esito_processo e =
            esegui(PERCORSO_COMPATTATORE,
                   {"pianta", c, "Orvesa_Cusvana", "5927", (cartella / "pianta.svg").string()});
        EXPECT_EQ(e.stato, 0) << e.errori;
        ++piante;
    }
    fine = true;
    compattazioni.join();
    for (const esito_processo& e : falliti) {
        ADD_FAILURE() << "compatta: " << e.stato << " " << e.errori;
    }
}

// A run ended by SIGTERM, SIGINT or SIGHUP while a replacement is under way: the process
// removes its temporary file and the lock it took, and still ends by that signal.
TEST(BloccoCartella, UnSegnaleToglieIlTemporaneoEIlBloccoEPoiTerminaLaCorsa) {
    for (const int segnale : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(strsignal(segnale));
        const cartella_temporanea cartella;
        int tubo[2];
        ASSERT_EQ(::pipe(tubo), 0);
        const pid_t figlio = ::fork();
        if (figlio == 0) {
            ::close(tubo[0]);
            prepara_processo();
            try {
                // No lock held: the replacement takes the folder's lock for itself.
                file_sostitutivo file(cartella / "uscita.svg");
                file.scrivi("mezzo file");
                [[maybe_unused]] const ssize_t scritto = ::write(tubo[1], "x", 1);
                for (;;) {
                    ::pause();
                }
            } catch (...) {
            }
            ::_exit(1);
        }
        ::close(tubo[1]);
        char pronto;
        ASSERT_EQ(::read(tubo[0], &pronto, 1), 1);
        ::close(tubo[0]);
        const std::vector<std::string> durante = nomi_ordinati(cartella.percorso());
        ASSERT_EQ(durante.size(), 2u);
        EXPECT_EQ(durante[0], ".orvesa_cusvana.blocco");
        EXPECT_TRUE(nome_temporaneo(durante[1])) << durante[1];

        ::kill(figlio, segnale);
        int stato = 0;
        ASSERT_EQ(::waitpid(figlio, &stato, 0), figlio);
        ASSERT_TRUE(WIFSIGNALED(stato));
        EXPECT_EQ(WTERMSIG(stato), segnale);
        EXPECT_EQ(nomi_ordinati(cartella.percorso()), std::vector<std::string>{});
    }
}

}  // namespace
