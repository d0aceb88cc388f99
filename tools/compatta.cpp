// The commands that write scenario files: esporta (the five texts) and compatta (the
// compact files from an author's sources, which are never changed).
#include "compactor/compattatore.h"
#include "compactor/esecuzione.h"
#include "compactor/testo.h"
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
                      bool senza_linea, std::ostream& uscita, std::ostream& errori) {
    richiesta r;
    r.cartella = cartella;
    r.identita = identita;
    r.costruisci_piano = !senza_linea;
    const esito e = esegui(r);
    return scrivi_esito_compatta(e, uscita, errori);
}

int scrivi_esito_compatta(const esito& e, std::ostream& uscita, std::ostream& errori) {
    if (e.fallimento) {
        // What the readers recorded before the run could not go on tells the author why.
        errori << testo_dei_problemi(e);
        throw *e.fallimento;
    }
    if (e.intestazione) {
        // Every problem recorded before the header check failed, then the check itself.
        errori << testo_dei_problemi(e) << " Errore n. " << e.intestazione->numero << "\n";
        return e.stato;
    }
    // A folder's name reaches the terminal with no byte that could steer it.
    for (const file_compatto& f : e.file) {
        uscita << senza_controlli(f.percorso.string(), false) << "\n";
    }
    errori << testo_dei_problemi(e);
    return e.stato;
}
