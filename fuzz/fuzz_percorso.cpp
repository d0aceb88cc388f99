// Fuzz target: the whole driver, memorizza_percorso with the plan asked for, on an
// arbitrary pair of source files, kept in memory with the compact files (the seam of
// memoria_fuzz), so that no input waits on the disk. The input is the line source, the separator of
// separatore.h, then the train source; without a separator there is no train source.
// After each input the compact files must have the sizes of their layouts, or be absent
// when a header check failed or no grid was built; the checker then reads the same
// sources, and where it finds a single problem it is the compactor's.
#include "compactor/diagnostica.h"
#include "comune/errore_esecuzione.h"
#include "fuzz/separatore.h"
#include "fuzz/verifiche.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

void scrivi_sorgenti(const identita_scenario& identita, std::string_view ingresso) {
    const std::size_t taglio = ingresso.find(separatore_fuzz);
    svuota_cartella_fuzz();
    memoria_fuzz().metti(nomi_file::sorgente_linea(cartella_fuzz(), identita),
                         std::string(ingresso.substr(0, taglio)));
    if (taglio != std::string_view::npos) {
        memoria_fuzz().metti(nomi_file::sorgente_treno(cartella_fuzz(), identita),
                             std::string(ingresso.substr(taglio + separatore_fuzz.size())));
    }
}

// The checker on the same sources: every code documented, and where it finds a single
// problem, that problem is the one the compactor recorded.
void verifica_controllo(const identita_scenario& identita, std::string_view ingresso,
                        const compattatore& compattazione) {
    scrivi_sorgenti(identita, ingresso);
    compattatore c({cartella_fuzz(), cartella_fuzz(), false, &memoria_fuzz()}, identita);
    const int intestazione = c.controlla_percorso();
    for (const problema_registrato& p : c.problemi) {
        (void)descrivi(p);
    }
    for (const avviso_registrato& a : c.avvisi) {
        (void)descrivi(a);
    }
    if (c.problemi.size() != 1 || intestazione != 0) {
        return;
    }
    const problema_registrato* registrato = compattazione.problema_in_vigore();
    if (registrato == nullptr || registrato->codice != c.problemi[0].codice ||
        registrato->posizione != c.problemi[0].posizione ||
        descrivi(*registrato) != descrivi(c.problemi[0])) {
        violazione("il controllo trova solo\n" + descrivi(c.problemi[0]) +
                   "mentre il compattatore registra\n" + descrivi_problemi(compattazione));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* dati, size_t dimensione) {
    const identita_scenario identita = identita_predefinita();
    const std::string_view ingresso(reinterpret_cast<const char*>(dati), dimensione);
    scrivi_sorgenti(identita, ingresso);

    compattatore c({cartella_fuzz(), cartella_fuzz(), true, &memoria_fuzz()}, identita);
    int32_t j = 1;
    int numero = 0;
    try {
        numero = c.memorizza_percorso(j);
    } catch (const errore_esecuzione& e) {
        // The one expected failure: no grid to walk or write.
        if (!c.celle.empty()) {
            violazione(std::string("errore_esecuzione con la griglia: ") + e.what());
        }
        verifica_modello(c);
        verifica_nessun_file_compatto(c);
        verifica_controllo(identita, ingresso, c);
        return 0;
    }
    verifica_modello(c);
    if (numero == 0) {
        if (c.voci[85].intero1 != 610 || c.celle.at(1).valore1 != 5121) {
            violazione("valori fissi dell'intestazione non scritti");
        }
        verifica_file_compatti(c);
    } else if (numero == 1250 || numero == 1251) {
        verifica_nessun_file_compatto(c);
    } else {
        violazione("memorizza_percorso ha reso " + std::to_string(numero));
    }
    (void)descrivi_problemi(c);
    if (numero == 0) {
        verifica_controllo(identita, ingresso, c);
    }
    return 0;
}
