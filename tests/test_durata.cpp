// The real one-shot program under the hazards of a shared machine: two runs started at
// once in one folder, a run killed half-way, standard error closed or read by nobody.
// Whatever happens, the folder ends up with the files of one whole run and nothing else.
#include "aiuti.h"
#include "comune/identita.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const std::vector<std::string> senza_display{"DISPLAY="};

fs::path copia_programma(const cartella_temporanea& cartella) {
    const fs::path programma = cartella / "orvesa_cusvana";
    fs::copy_file(PERCORSO_ORVESA_CUSVANA, programma);
    return programma;
}

// Every entry of the folder but the program, with its bytes (a directory as "<cartella>").
std::map<std::string, std::string> contenuto(const fs::path& cartella) {
    std::map<std::string, std::string> file;
    for (const auto& voce : fs::directory_iterator(cartella)) {
        const std::string nome = voce.path().filename().string();
        if (nome != "orvesa_cusvana") {
            file[nome] = voce.is_regular_file() ? leggi_file_intero(voce.path()) : "<cartella>";
        }
    }
    return file;
}

// What one clean run leaves beside the program.
const std::map<std::string, std::string>& una_corsa_intera() {
    static const std::map<std::string, std::string> file = [] {
        cartella_temporanea pulita;
        const esito_processo esito = esegui(copia_programma(pulita), {}, senza_display);
        if (esito.stato != 0) {
            throw std::runtime_error("la corsa di riferimento è finita con " +
                                     std::to_string(esito.stato) + ": " + esito.errori);
        }
        return contenuto(pulita.percorso());
    }();
    return file;
}

// Names only, so that a failure message shows what is missing or left over.
std::vector<std::string> nomi(const std::map<std::string, std::string>& file) {
    std::vector<std::string> elenco;
    for (const auto& [nome, byte] : file) {
        elenco.push_back(nome);
    }
    return elenco;
}

void verifica_corsa_intera(const fs::path& cartella, const std::string& caso) {
    const std::map<std::string, std::string> trovati = contenuto(cartella);
    ASSERT_EQ(nomi(trovati), nomi(una_corsa_intera())) << caso;
    for (const auto& [nome, byte] : una_corsa_intera()) {
        EXPECT_TRUE(trovati.at(nome) == byte)
            << caso << ": " << nome << " non è di una corsa intera";
    }
}

}  // namespace

TEST(Durata, DueCorseInsiemeNellaStessaCartellaFinisconoEntrambeEIntere) {
    una_corsa_intera();
    cartella_temporanea cartella;
    const fs::path programma = copia_programma(cartella);
    for (int coppia = 0; coppia < 20; ++coppia) {
        processo_avviato prima = avvia(programma, {}, senza_display);
        processo_avviato seconda = avvia(programma, {}, senza_display);
        const esito_processo esito_prima = attendi(prima);
        const esito_processo esito_seconda = attendi(seconda);
        const std::string caso = "coppia " + std::to_string(coppia);
        EXPECT_EQ(esito_prima.stato, 0) << caso << ": " << esito_prima.errori;
        EXPECT_EQ(esito_seconda.stato, 0) << caso << ": " << esito_seconda.errori;
        verifica_corsa_intera(cartella.percorso(), caso);
        if (::testing::Test::HasFailure()) {
            break;
        }
    }
}

// The run is killed by the system at the entry of its n-th rename, when the temporary
// file of that replacement is complete but has not taken its name: the first text file,
// and the plan file, the largest. A clean run after it clears what the killed one left.
TEST(Durata, UnaCorsaUccisaAMetaNonLasciaRifiutiDopoUnaCorsaPulita) {
    const fs::path strace = cerca_programma("strace");
    if (strace.empty() || esegui(strace, {"-o", "/dev/null", "true"}).stato != 0) {
        GTEST_SKIP() << "strace non disponibile o senza permesso di seguire un processo";
    }
    una_corsa_intera();
    for (const int rinomina : {1, 6}) {
        const std::string caso = "uccisa alla rinomina " + std::to_string(rinomina);
        cartella_temporanea cartella;
        const fs::path programma = copia_programma(cartella);
        const std::string quale = "rename,renameat,renameat2";
        const esito_processo uccisa =
            esegui(strace,
                   {"-f", "-o", "/dev/null", "-e", "trace=" + quale, "-e",
                    "inject=" + quale + ":signal=KILL:when=" + std::to_string(rinomina),
                    programma.string()},
                   senza_display);
        ASSERT_EQ(uccisa.stato, 128 + SIGKILL) << caso << ": " << uccisa.errori;
        int temporanei = 0;
        for (const auto& voce : fs::directory_iterator(cartella.percorso())) {
            temporanei += nome_temporaneo(voce.path().filename().string()) ? 1 : 0;
        }
        ASSERT_EQ(temporanei, 1) << caso << ": la corsa uccisa deve lasciare il suo temporaneo";

        const esito_processo pulita = esegui(programma, {}, senza_display);
        EXPECT_EQ(pulita.stato, 0) << caso << ": " << pulita.errori;
        verifica_corsa_intera(cartella.percorso(), caso);
    }
}

TEST(Durata, UnErroreStandardChiusoONonLettoNonFermaLaCorsa) {
    una_corsa_intera();
    const std::pair<errori_standard, const char*> casi[] = {
        {errori_standard::tubo_chiuso, "errore standard su un tubo che nessuno legge"},
        {errori_standard::chiusi, "descrittore 2 chiuso"},
    };
    for (const auto& [errori, caso] : casi) {
        cartella_temporanea cartella;
        processo_avviato processo = avvia(copia_programma(cartella), {}, senza_display, errori);
        EXPECT_EQ(attendi(processo).stato, 0) << caso;
        verifica_corsa_intera(cartella.percorso(), caso);
    }
}

// compattatore compatta finds the folder taken by another run: it says so after about a
// second, waits, and compacts once the folder is free.
TEST(Durata, CompattaAspettaLaCartellaOccupataEPoiCompatta) {
    cartella_temporanea cartella;
    ASSERT_EQ(esegui(PERCORSO_COMPATTATORE, {"esporta", cartella.percorso().string()}).stato, 0);
    const identita_scenario id = identita_predefinita();
    processo_avviato compatta;
    {
        const blocco_cartella occupata(cartella.percorso(), "prova");
        compatta = avvia(PERCORSO_COMPATTATORE, {"compatta", cartella.percorso().string(),
                                                 id.nome_scenario, id.numero_treno});
        ::usleep(1500 * 1000);
        EXPECT_FALSE(fs::exists(nomi_file::voci_compatte(cartella.percorso(), id)))
            << "ha compattato senza aspettare";
    }
    const esito_processo esito = attendi(compatta);
    EXPECT_EQ(esito.stato, 0) << esito.errori;
    EXPECT_NE(esito.errori.find("compattatore: in attesa di " + cartella.percorso().string()),
              std::string::npos)
        << esito.errori;
    EXPECT_TRUE(fs::exists(nomi_file::voci_compatte(cartella.percorso(), id)));
    EXPECT_FALSE(fs::exists(cartella / std::string(blocco_cartella::nome_file)));
}
