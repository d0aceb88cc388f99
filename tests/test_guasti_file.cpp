// File-system faults in the real program, copied into a temporary directory: a directory
// standing where an output file goes, an older file that nobody may write, a file-size
// limit that breaks the plan file half-way, a directory in which nothing can be created.
// Each run must end with exit status 1 and a
// message naming the file and the reason; the files written before the fault are complete,
// the older files under the names it did not reach are untouched, and no temporary file is
// left behind.
#include "aiuti.h"
#include "comune/identita.h"
#include "writers/dati.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const identita_scenario identita = identita_predefinita();

// Every file a run writes, in the order it writes them; the first two are the source
// files, which the compactor deletes once it has read them.
std::vector<fs::path> file_in_ordine(const fs::path& cartella) {
    return {nomi_file::sorgente_linea(cartella, identita),
            nomi_file::sorgente_treno(cartella, identita),
            nomi_file::note(cartella, identita),
            nomi_file::rallentamenti(cartella, identita),
            nomi_file::scheda(cartella, identita),
            nomi_file::linea_compatta(cartella, identita),
            nomi_file::voci_compatte(cartella, identita),
            nomi_file::celle_compatte(cartella, identita)};
}
constexpr std::size_t numero_sorgenti = 2;
constexpr std::size_t primo_compatto = 5;

fs::path copia_programma(const cartella_temporanea& cartella) {
    const fs::path programma = cartella / "orvesa_cusvana";
    fs::copy_file(PERCORSO_ORVESA_CUSVANA, programma);
    return programma;
}

// No display: the run goes to terminal mode whatever the machine has.
const std::vector<std::string> senza_display{"DISPLAY="};

// What a clean run writes, by file name: the texts and compact files of a real run, the
// source files as the writers emit them.
const std::map<std::string, std::string>& contenuto_atteso() {
    static const std::map<std::string, std::string> contenuti = [] {
        std::map<std::string, std::string> m;
        cartella_temporanea pulita;
        const esito_processo esito = esegui(copia_programma(pulita), {}, senza_display);
        if (esito.stato != 0) {
            throw std::runtime_error("la corsa di riferimento è finita con " +
                                     std::to_string(esito.stato) + ": " + esito.errori);
        }
        const std::vector<fs::path> file = file_in_ordine(pulita.percorso());
        dati_linea(pulita.percorso(), identita);
        dati_treno(pulita.percorso(), identita);
        for (const fs::path& f : file) {
            m[f.filename().string()] = leggi_file_intero(f);
        }
        return m;
    }();
    return contenuti;
}

std::string contenuto_vecchio(const fs::path& file) {
    return "contenuto vecchio di " + file.filename().string() + "\r\n";
}

// Puts an older file under every name of the run except `salvo`.
void semina_file_vecchi(const fs::path& cartella, std::optional<std::size_t> salvo) {
    const std::vector<fs::path> file = file_in_ordine(cartella);
    for (std::size_t i = 0; i < file.size(); ++i) {
        if (i != salvo) {
            scrivi_tutto(file[i], contenuto_vecchio(file[i]));
        }
    }
}

// The outcome of a run that failed at file number `guasto` for `motivo`.
void verifica_guasto(const fs::path& cartella, std::size_t guasto, const esito_processo& esito,
                     const std::string& motivo) {
    const std::vector<fs::path> file = file_in_ordine(cartella);
    EXPECT_EQ(esito.stato, 1) << esito.errori;
    EXPECT_NE(esito.errori.find(file[guasto].string()), std::string::npos) << esito.errori;
    EXPECT_NE(esito.errori.find(motivo), std::string::npos) << esito.errori;

    for (std::size_t i = 0; i < guasto; ++i) {
        if (i < numero_sorgenti && guasto >= primo_compatto) {
            EXPECT_FALSE(fs::exists(file[i])) << file[i] << " letto e non eliminato";
        } else {
            EXPECT_EQ(leggi_file_intero(file[i]),
                      contenuto_atteso().at(file[i].filename().string()))
                << file[i] << " non completo";
        }
    }
    for (std::size_t i = guasto; i < file.size(); ++i) {
        if (i != guasto || !fs::is_directory(file[i])) {
            EXPECT_EQ(leggi_file_intero(file[i]), contenuto_vecchio(file[i]))
                << file[i] << " toccato";
        }
    }

    // Nothing else: no temporary file of an interrupted replacement.
    std::set<std::string> attesi{"orvesa_cusvana"};
    for (const fs::path& f : file) {
        attesi.insert(f.filename().string());
    }
    for (const auto& elemento : fs::directory_iterator(cartella)) {
        EXPECT_TRUE(attesi.count(elemento.path().filename().string()))
            << "rimasto " << elemento.path();
    }
}

class CartellaAlPostoDelFile : public ::testing::TestWithParam<std::size_t> {};

TEST_P(CartellaAlPostoDelFile, LaCorsaSiFermaLiEIlRestoResta) {
    cartella_temporanea cartella;
    const fs::path programma = copia_programma(cartella);
    const std::size_t guasto = GetParam();
    const fs::path bloccato = file_in_ordine(cartella.percorso())[guasto];
    semina_file_vecchi(cartella.percorso(), guasto);
    fs::create_directory(bloccato);
    scrivi_tutto(bloccato / "dentro", "x");

    const esito_processo esito = esegui(programma, {}, senza_display);

    verifica_guasto(cartella.percorso(), guasto, esito, std::strerror(EISDIR));
    EXPECT_TRUE(fs::is_directory(bloccato));
    EXPECT_EQ(leggi_file_intero(bloccato / "dentro"), "x");
}

std::string nome_caso(const ::testing::TestParamInfo<std::size_t>& info) {
    static const char* const nomi[] = {"sorgente_linea", "sorgente_treno", "note",
                                       "rallentamenti",  "scheda",         "linea_compatta",
                                       "voci_compatte",  "celle_compatte"};
    return nomi[info.param];
}

INSTANTIATE_TEST_SUITE_P(OgniFile, CartellaAlPostoDelFile, ::testing::Range<std::size_t>(0, 8),
                         nome_caso);

// No write permission bit at all, with the owner's read bit or not. The bits decide, not
// access(): run as root, the program could write the file, yet must leave it alone.
class FileInSolaLettura : public ::testing::TestWithParam<std::size_t> {};

TEST_P(FileInSolaLettura, LaCorsaSiFermaAQuelloScrittoreELoLasciaComEra) {
    cartella_temporanea cartella;
    const fs::path programma = copia_programma(cartella);
    const std::size_t guasto = GetParam();
    const fs::path protetto = file_in_ordine(cartella.percorso())[guasto];
    semina_file_vecchi(cartella.percorso(), std::nullopt);
    const fs::perms permessi = guasto % 2 == 0 ? fs::perms(0444) : fs::perms::none;
    fs::permissions(protetto, permessi);

    const esito_processo esito = esegui(programma, {}, senza_display);

    verifica_guasto(cartella.percorso(), guasto, esito, "sola lettura");
    EXPECT_EQ(fs::status(protetto).permissions(), permessi);
}

INSTANTIATE_TEST_SUITE_P(OgniFile, FileInSolaLettura, ::testing::Range<std::size_t>(0, 8),
                         nome_caso);

// A file that someone may write is replaced, even when its owner may not.
TEST(GuastiFile, BastaUnPermessoDiScritturaPerSostituire) {
    cartella_temporanea cartella;
    const fs::path programma = copia_programma(cartella);
    semina_file_vecchi(cartella.percorso(), std::nullopt);
    const fs::path altrui = nomi_file::scheda(cartella.percorso(), identita);
    fs::permissions(altrui, fs::perms::others_write);

    const esito_processo esito = esegui(programma, {}, senza_display);

    EXPECT_EQ(esito.stato, 0) << esito.errori;
    EXPECT_EQ(leggi_file_intero(altrui), contenuto_atteso().at(altrui.filename().string()));
}

TEST(GuastiFile, LimiteDiDimensioneSpezzaIlTracciatoAMeta) {
    const fs::path prlimit = cerca_programma("prlimit");
    if (prlimit.empty()) {
        GTEST_SKIP() << "prlimit (util-linux) non disponibile";
    }
    const std::size_t byte_tracciato =
        contenuto_atteso().at(nomi_file::linea_compatta("", identita).string()).size();
    const std::size_t limite = byte_tracciato / 2;
    for (const auto& [nome, contenuto] : contenuto_atteso()) {
        if (nome != nomi_file::linea_compatta("", identita).string()) {
            ASSERT_LT(contenuto.size(), limite) << nome << " non starebbe nel limite";
        }
    }

    cartella_temporanea cartella;
    const fs::path programma = copia_programma(cartella);
    semina_file_vecchi(cartella.percorso(), std::nullopt);

    const esito_processo esito =
        esegui(prlimit, {"--fsize=" + std::to_string(limite), programma.string()}, senza_display);

    verifica_guasto(cartella.percorso(), primo_compatto, esito, std::strerror(EFBIG));
}

TEST(GuastiFile, CartellaDoveNonSiPuoCreareNulla) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "serve root per far girare il programma come un altro utente";
    }
    const fs::path setpriv = cerca_programma("setpriv");
    if (setpriv.empty()) {
        GTEST_SKIP() << "setpriv (util-linux) non disponibile";
    }
    cartella_temporanea cartella;
    const fs::path programma = copia_programma(cartella);
    semina_file_vecchi(cartella.percorso(), std::nullopt);
    // Readable and searchable by everybody, writable only by its owner.
    fs::permissions(cartella.percorso(), fs::perms::owner_all | fs::perms::group_read |
                                             fs::perms::group_exec | fs::perms::others_read |
                                             fs::perms::others_exec);

    const esito_processo esito =
        esegui(setpriv, {"--reuid=nobody", "--regid=nogroup", "--clear-groups", programma.string()},
               senza_display);

    verifica_guasto(cartella.percorso(), 0, esito, std::strerror(EACCES));
}

}  // namespace
