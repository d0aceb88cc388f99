// Faults injected into the real replacement of the compact files: the compactor's driver
// runs on the carried sources through sistema_file_guasto, which makes one step of one
// replacement fail. Each run must end in errore_esecuzione (status 1 in the programs)
// naming the file and the reason; the compact files before that one are whole and new,
// the older ones from it on are untouched, and no temporary file is left behind.
#include "aiuti.h"
#include "comune/errore_esecuzione.h"
#include "comune/sistema_file_memoria.h"
#include "passi_del_driver.h"
#include "sistema_file_guasto.h"
#include "writers/dati.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <ostream>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using passo = sistema_file_guasto::passo;

const identita_scenario identita = identita_predefinita();

// The three compact files, in the order the compactor replaces them.
std::vector<fs::path> compatti(const fs::path& cartella) {
    return {nomi_file::linea_compatta(cartella, identita),
            nomi_file::voci_compatte(cartella, identita),
            nomi_file::celle_compatte(cartella, identita)};
}

int compatta(const fs::path& cartella, sistema_file& sistema, bool elimina_sorgenti = false) {
    compattatore c({cartella, cartella, elimina_sorgenti, &sistema}, identita);
    int32_t j = 1;
    return passi_del_driver::memorizza_percorso(c, j);
}

// A clean run through a wrapper that fails nothing: the compact files it writes, and
// every call of each step with the name of the file it concerned.
struct corsa_pulita {
    std::vector<std::string> contenuti;
    std::vector<std::vector<std::string>> chiamate;
};

const corsa_pulita& riferimento() {
    static const corsa_pulita corsa = [] {
        cartella_temporanea cartella;
        dati_linea(cartella.percorso(), identita);
        dati_treno(cartella.percorso(), identita);
        sistema_file_guasto contatore;
        if (compatta(cartella.percorso(), contatore) != 0) {
            throw std::runtime_error("la corsa di riferimento non ha scritto i file compatti");
        }
        corsa_pulita r;
        for (const fs::path& f : compatti(cartella.percorso())) {
            r.contenuti.push_back(leggi_file_intero(f));
        }
        for (const passo p : {passo::scrittura, passo::sincronizzazione, passo::chiusura,
                              passo::sostituzione, passo::sincronizzazione_cartella}) {
            r.chiamate.emplace_back();
            for (const fs::path& f : contatore.chiamate(p)) {
                r.chiamate.back().push_back(f.filename().string());
            }
        }
        return r;
    }();
    return corsa;
}

struct caso_guasto {
    const char* nome;
    passo quale;
    std::size_t file;  // which compact file's replacement fails
    bool ultima;       // its last call of the step rather than its first
    int errore;
    const char* operazione;  // as the message names it
};

// The call number of the case's step, counted over the whole run.
std::size_t ennesima(const caso_guasto& caso) {
    if (caso.quale == passo::sincronizzazione_cartella) {
        return caso.file + 1;  // once per replacement, in order
    }
    const std::vector<std::string>& chiamate =
        riferimento().chiamate[static_cast<std::size_t>(caso.quale)];
    const std::string nome = compatti("")[caso.file].filename().string();
    std::size_t trovata = 0;
    for (std::size_t i = 0; i < chiamate.size(); ++i) {
        if (chiamate[i] == nome && (trovata == 0 || caso.ultima)) {
            trovata = i + 1;
        }
    }
    return trovata;
}

std::string vecchio(const fs::path& file) {
    return "compatto vecchio di " + file.filename().string() + "\r\n";
}

// gtest names the case by it instead of dumping its bytes.
void PrintTo(const caso_guasto& caso, std::ostream* uscita) {
    *uscita << caso.nome;
}

class GuastiIniettati : public ::testing::TestWithParam<caso_guasto> {};

}  // namespace

TEST_P(GuastiIniettati, LaCompattazioneSiFermaNominandoIlFileENessunFileVecchioSiPerde) {
    const caso_guasto& caso = GetParam();
    const std::size_t n = ennesima(caso);
    ASSERT_GT(n, 0u) << "la corsa pulita non passa da questo passo";
    if (caso.quale == passo::scrittura && caso.ultima) {
        // The plan file of the carried route takes many writes; the last one is not the first.
        ASSERT_GT(n, 1u);
    }

    cartella_temporanea cartella;
    dati_linea(cartella.percorso(), identita);
    dati_treno(cartella.percorso(), identita);
    const std::vector<fs::path> file = compatti(cartella.percorso());
    for (const fs::path& f : file) {
        scrivi_tutto(f, vecchio(f));
    }
    sistema_file_guasto guasto;
    guasto.guasta(caso.quale, n, static_cast<sistema_file::numero_errore>(caso.errore));
    try {
        compatta(cartella.percorso(), guasto);
        ADD_FAILURE() << "nessun errore dopo il guasto";
    } catch (const errore_esecuzione& e) {
        EXPECT_EQ(e.file(), file[caso.file]);
        const std::string messaggio = e.what();
        EXPECT_TRUE(messaggio.starts_with(file[caso.file].string() + ": ")) << messaggio;
        EXPECT_NE(messaggio.find(std::string(caso.operazione) +
                                 " non riuscita: " + std::strerror(caso.errore)),
                  std::string::npos)
            << messaggio;
    }

    // Only the flush of the folder comes after the new file took the name.
    const bool sostituito = caso.quale == passo::sincronizzazione_cartella;
    for (std::size_t i = 0; i < file.size(); ++i) {
        const std::string& atteso = i < caso.file || (i == caso.file && sostituito)
                                        ? riferimento().contenuti[i]
                                        : vecchio(file[i]);
        EXPECT_TRUE(leggi_file_intero(file[i]) == atteso) << file[i] << " non è quello atteso";
    }
    std::set<std::string> attesi{
        nomi_file::sorgente_linea(cartella.percorso(), identita).filename().string(),
        nomi_file::sorgente_treno(cartella.percorso(), identita).filename().string()};
    for (const fs::path& f : file) {
        attesi.insert(f.filename().string());
    }
    for (const auto& voce : fs::directory_iterator(cartella.percorso())) {
        EXPECT_TRUE(attesi.contains(voce.path().filename().string()))
            << voce.path() << " lasciato nella cartella";
    }
}

INSTANTIATE_TEST_SUITE_P(
    OgniPasso, GuastiIniettati,
    ::testing::Values(
        caso_guasto{"PrimaScritturaDelTracciato", passo::scrittura, 0, false, ENOSPC, "scrittura"},
        caso_guasto{"UltimaScritturaDelTracciato", passo::scrittura, 0, true, ENOSPC, "scrittura"},
        caso_guasto{"ScritturaDelleVoci", passo::scrittura, 1, false, EDQUOT, "scrittura"},
        caso_guasto{"ScritturaDelleCelle", passo::scrittura, 2, false, EIO, "scrittura"},
        caso_guasto{"SincronizzazioneDelTracciato", passo::sincronizzazione, 0, false, EIO,
                    "sincronizzazione"},
        caso_guasto{"SincronizzazioneDelleVoci", passo::sincronizzazione, 1, false, EIO,
                    "sincronizzazione"},
        caso_guasto{"SincronizzazioneDelleCelle", passo::sincronizzazione, 2, false, EIO,
                    "sincronizzazione"},
        caso_guasto{"ChiusuraDelTracciato", passo::chiusura, 0, false, EIO, "chiusura"},
        caso_guasto{"ChiusuraDelleVoci", passo::chiusura, 1, false, EDQUOT, "chiusura"},
        caso_guasto{"ChiusuraDelleCelle", passo::chiusura, 2, false, EIO, "chiusura"},
        caso_guasto{"SostituzioneDelTracciato", passo::sostituzione, 0, false, EBUSY,
                    "sostituzione"},
        caso_guasto{"SostituzioneDelleVoci", passo::sostituzione, 1, false, EACCES, "sostituzione"},
        caso_guasto{"SostituzioneDelleCelle", passo::sostituzione, 2, false, EXDEV, "sostituzione"},
        caso_guasto{"CartellaDopoIlTracciato", passo::sincronizzazione_cartella, 0, false, EIO,
                    "sincronizzazione della cartella"},
        caso_guasto{"CartellaDopoLeVoci", passo::sincronizzazione_cartella, 1, false, EIO,
                    "sincronizzazione della cartella"},
        caso_guasto{"CartellaDopoLeCelle", passo::sincronizzazione_cartella, 2, false, EIO,
                    "sincronizzazione della cartella"}),
    [](const ::testing::TestParamInfo<caso_guasto>& info) { return std::string(info.param.nome); });

// The in-memory seam of the fuzz targets: the one-shot compaction there writes the bytes
// it writes on the disk, deletes the sources and leaves no temporary file.
TEST(SistemaFileInMemoria, LaCompattazioneScriveGliStessiByteDelDisco) {
    cartella_temporanea portata;
    dati_linea(portata.percorso(), identita);
    dati_treno(portata.percorso(), identita);
    const fs::path cartella = "/in/memoria";
    sistema_file_in_memoria memoria;
    memoria.metti(nomi_file::sorgente_linea(cartella, identita),
                  leggi_file_intero(nomi_file::sorgente_linea(portata.percorso(), identita)));
    memoria.metti(nomi_file::sorgente_treno(cartella, identita),
                  leggi_file_intero(nomi_file::sorgente_treno(portata.percorso(), identita)));

    ASSERT_EQ(compatta(cartella, memoria, true), 0);
    const std::vector<fs::path> file = compatti(cartella);
    for (std::size_t i = 0; i < file.size(); ++i) {
        const std::string* scritto = memoria.trova(file[i]);
        ASSERT_NE(scritto, nullptr) << file[i];
        EXPECT_TRUE(*scritto == riferimento().contenuti[i]) << file[i] << " diverso dal disco";
    }
    EXPECT_EQ(memoria.numero_file(), file.size());
    EXPECT_THROW(leggi_file_intero(nomi_file::sorgente_linea(cartella, identita), memoria),
                 errore_esecuzione);
}
