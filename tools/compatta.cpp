// The commands that write scenario files: esporta (the five texts) and compatta (the
// compact files from an author's sources, which are never changed).
#include "compactor/compattatore.h"
#include "compactor/diagnostica.h"
#include "comune/errore_esecuzione.h"
#include "comune/identita.h"
#include "comune/sistema_file.h"
#include "comune/stato_uscita.h"
#include "tools/strumento.h"
#include "writers/dati.h"

#include <filesystem>
#include <iostream>

int comando_esporta(const std::filesystem::path& cartella) {
    std::error_code codice;
    std::filesystem::create_directories(cartella, codice);
    if (codice) {
        throw errore_esecuzione(cartella,
                                "creazione della cartella non riuscita: " + codice.message());
    }
    const identita_scenario identita = identita_predefinita();
    const blocco_cartella blocco(cartella, "compattatore");
    scrivi_testi_scenario(cartella, identita);
    for (const auto& file :
         {nomi_file::sorgente_linea(cartella, identita),
          nomi_file::sorgente_treno(cartella, identita), nomi_file::note(cartella, identita),
          nomi_file::rallentamenti(cartella, identita), nomi_file::scheda(cartella, identita)}) {
        std::cout << file.string() << "\n";
    }
    return stato_uscita::fatto;
}

int comando_compatta(const std::filesystem::path& cartella, const identita_scenario& identita,
                     bool senza_linea) {
    return compatta_scenario(cartella, identita, senza_linea, std::cout, std::cerr);
}

int compatta_scenario(const std::filesystem::path& cartella, const identita_scenario& identita,
                      bool senza_linea, std::ostream& uscita, std::ostream& errori,
                      bool scrivi_file_linea) {
    std::error_code codice;
    if (!std::filesystem::is_directory(cartella, codice)) {
        throw errore_esecuzione(cartella, "cartella non trovata");
    }
    const blocco_cartella blocco(cartella, "compattatore");
    // The author's sources are read where they are and kept.
    cartelle_compattatore cartelle{cartella, cartella, false};
    cartelle.scrivi_file_linea = scrivi_file_linea;
    compattatore c(cartelle, identita);
    int32_t j = senza_linea ? 0 : 1;
    int numero = 0;
    try {
        numero = c.memorizza_percorso(j);
    } catch (const errore_esecuzione&) {
        // What the readers recorded before the run could not go on tells the author why.
        errori << descrivi_problemi(c);
        throw;
    }
    if (numero != 0) {
        // Every problem recorded before the header check failed, then the check itself.
        errori << descrivi_problemi(c) << " Errore n. " << numero << "\n";
        return stato_uscita::intestazione;
    }
    if (j != 0 && scrivi_file_linea) {
        uscita << nomi_file::linea_compatta(cartella, identita).string() << "\n";
    }
    uscita << nomi_file::voci_compatte(cartella, identita).string() << "\n"
              << nomi_file::celle_compatte(cartella, identita).string() << "\n";

    if (c.codice_errore != 0) {
        errori << descrivi_problemi(c);
        return stato_uscita::problema_registrato;
    }
    return stato_uscita::fatto;
}
