// One run of the compactor in a separate process, for what the benchmark binary cannot
// show: the peak resident memory of a route (under /usr/bin/time -v) and instruction
// counts (under callgrind, where compattatore::memorizza_percorso is the driver and
// scrivi_compatti the floor).
//
//   esegui_percorso [--pavimento] CARTELLA [KM]
//       writes the sources into CARTELLA (the carried texts, or a generated route of KM
//       km), runs the driver; with --pavimento then writes the same compact bytes again
//       with the replace steps alone.
//   esegui_percorso --byte CARTELLA
//       a carried run that leaves the bytes of the eight files it writes as CARTELLA/0 to
//       CARTELLA/7, in the order of a run, for the bytes-only program.
#include "bench/comuni.h"
#include "bench/generatore.h"
#include "comune/sistema_file.h"
#include "scenario_text/testi_scenario.h"
#include "tests/passi_del_driver.h"
#include "writers/dati.h"

#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

namespace {

int uso() {
    std::fprintf(stderr,
                 "uso: esegui_percorso [--pavimento] CARTELLA [KM]\n"
                 "     esegui_percorso --byte CARTELLA\n");
    return 64;
}

int esegui(const std::filesystem::path& cartella, int km, bool pavimento, bool byte) {
    const identita_scenario id = identita_predefinita();
    if (km > 0) {
        // The generated text is freed before the run, as a real run never holds it.
        sorgenti_generate sorgenti = genera_sorgenti(righe_linea(), righe_treno(), km * 1000);
        sostituisci_file(nomi_file::sorgente_linea(cartella, id), sorgenti.linea);
        sostituisci_file(nomi_file::sorgente_treno(cartella, id), sorgenti.treno);
    } else {
        scrivi_testi_scenario(cartella, id);
    }
    if (byte) {
        std::filesystem::copy_file(nomi_file::sorgente_linea(cartella, id), cartella / "0",
                                   std::filesystem::copy_options::overwrite_existing);
        std::filesystem::copy_file(nomi_file::sorgente_treno(cartella, id), cartella / "1",
                                   std::filesystem::copy_options::overwrite_existing);
    }
    compattatore c(cartella, id);
    int32_t j = 1;
    std::string problema;
    try {
        problema = problema_di(c, passi_del_driver::memorizza_percorso(c, j));
    } catch (const std::exception& e) {
        if (!byte) {
            throw;
        }
        problema = e.what();
    }
    if (!problema.empty()) {
        std::fprintf(stderr, "esegui_percorso: %s\n", problema.c_str());
        if (!byte) {
            return 3;
        }
    }
    if (pavimento) {
        scrivi_compatti(cartella, id, leggi_compatti(cartella, id));
    }
    if (byte) {
        const std::filesystem::path altri[] = {
            nomi_file::note(cartella, id),          nomi_file::rallentamenti(cartella, id),
            nomi_file::scheda(cartella, id),        nomi_file::linea_compatta(cartella, id),
            nomi_file::voci_compatte(cartella, id), nomi_file::celle_compatte(cartella, id)};
        // A file the run did not write stays empty; the comparison in bench/processo.sh
        // then shows the difference.
        int n = 2;
        for (const auto& file : altri) {
            const std::filesystem::path destinazione = cartella / std::to_string(n++);
            if (std::filesystem::exists(file)) {
                std::filesystem::rename(file, destinazione);
            } else {
                sostituisci_file(destinazione, "");
            }
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    bool pavimento = false;
    bool byte = false;
    int i = 1;
    for (; i < argc && argv[i][0] == '-'; ++i) {
        if (std::strcmp(argv[i], "--pavimento") == 0) {
            pavimento = true;
        } else if (std::strcmp(argv[i], "--byte") == 0) {
            byte = true;
        } else {
            return uso();
        }
    }
    if (argc - i < 1 || argc - i > 2 || (byte && argc - i != 1)) {
        return uso();
    }
    const int km = argc - i == 2 ? std::atoi(argv[i + 1]) : 0;
    if (argc - i == 2 && (km <= 0 || km > 1000)) {
        return uso();
    }
    try {
        return esegui(argv[i], km, pavimento, byte);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "esegui_percorso: %s\n", e.what());
        return 1;
    }
}
