// Fuzz target: decompila on arbitrary compact files, laid out as for fuzz_file_compatti
// (.sim, the separator, .dat, the separator, _linea.dat; without the plan, as with
// --senza-linea). Either the files are refused with a message that names one of them, or
// the sources written compact to the very bytes of the input.
#include "compactor/compattatore.h"
#include "comune/errore_esecuzione.h"
#include "comune/sistema_file.h"
#include "fuzz/separatore.h"
#include "fuzz/verifiche.h"
#include "tests/passi_del_driver.h"
#include "tools/decompila.h"
#include "tools/file_compatti.h"
#include "tools/strumento.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* dati, size_t dimensione) {
    const identita_scenario identita = identita_predefinita();
    std::string_view ingresso(reinterpret_cast<const char*>(dati), dimensione);
    svuota_cartella_fuzz();
    const std::filesystem::path file[] = {nomi_file::voci_compatte(cartella_fuzz(), identita),
                                          nomi_file::celle_compatte(cartella_fuzz(), identita),
                                          nomi_file::linea_compatta(cartella_fuzz(), identita)};
    std::vector<std::string> contenuti;
    for (const std::filesystem::path& f : file) {
        const std::size_t taglio = ingresso.find(separatore_fuzz);
        contenuti.emplace_back(ingresso.substr(0, taglio));
        scrivi_file(f, contenuti.back());
        if (taglio == std::string_view::npos) {
            break;
        }
        ingresso.remove_prefix(taglio + separatore_fuzz.size());
    }
    const bool senza_linea = contenuti.size() < 3;
    file_compatti_decodificati compatti;
    try {
        compatti.voci = leggi_voci(file[0]);
        if (contenuti.size() < 2) {
            return 0;
        }
        compatti.celle = leggi_celle(file[1]);
        if (!senza_linea) {
            compatti.piano = leggi_piano(file[2]);
        }
    } catch (const errore_esecuzione& e) {
        if (e.file().parent_path() != cartella_fuzz()) {
            violazione(std::string("rifiuto che non nomina un file compatto: ") + e.what());
        }
        return 0;
    }
    const esito_decompila esito = decompila_file(compatti, identita, senza_linea);
    if (!esito.differenze.empty()) {
        for (const std::string& d : esito.differenze) {
            bool nomina = false;
            for (const std::filesystem::path& f : file) {
                nomina = nomina || d.starts_with(f.filename().string() + ": ");
            }
            if (!nomina || d.size() < 40) {
                violazione("rifiuto che non dice quale file e perché: " + d);
            }
        }
        return 0;
    }
    // Sources were proposed: they must compact to the input, byte for byte.
    svuota_cartella_fuzz();
    scrivi_file(nomi_file::sorgente_linea(cartella_fuzz(), identita), esito.linea);
    scrivi_file(nomi_file::sorgente_treno(cartella_fuzz(), identita), esito.treno);
    compattatore c({cartella_fuzz(), cartella_fuzz(), false}, identita);
    int32_t j = senza_linea ? 0 : 1;
    if (passi_del_driver::memorizza_percorso(c, j) != 0) {
        violazione("le sorgenti decompilate non passano i controlli dell'intestazione");
    }
    for (std::size_t i = 0; i < contenuti.size(); ++i) {
        if (leggi_file_intero(file[i]) != contenuti[i]) {
            violazione("le sorgenti decompilate compattano a byte diversi in " +
                       file[i].filename().string());
        }
    }
    return 0;
}
