// Fuzz target: the whole driver, memorizza_percorso with the plan asked for, on an
// arbitrary pair of source files, kept in memory with the compact files (the seam of
// memoria_fuzz), so that no input waits on the disk. The input is the line source, the separator of
// separatore.h, then the train source; without a separator there is no train source.
// After each input the compact files must have the sizes of their layouts, or be absent
// when a header check failed or no grid was built; the checker then reads the same
// sources and lists every problem the compactor recorded.
#include "compactor/controllo.h"
#include "compactor/diagnostica.h"
#include "comune/errore_esecuzione.h"
#include "fuzz/separatore.h"
#include "fuzz/verifiche.h"
#include "tests/passi_del_driver.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

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

// The checker on the same sources lists every problem the compactor's run recorded,
// word for word, marks the one in force, and lists each problem once.
void verifica_controllo(const identita_scenario& identita, std::string_view ingresso,
                        const compattatore& compattazione) {
    scrivi_sorgenti(identita, ingresso);
    const elenco_controllo compatto = controlla_elenco(
        {cartella_fuzz(), cartella_fuzz(), false, &memoria_fuzz()}, identita, false);
    const std::vector<segnalazione> elenco = compatto.tutte();
    std::string testi;
    std::set<std::tuple<std::optional<int32_t>, std::string, int, int, std::optional<int32_t>,
                        std::optional<int32_t>>>
        chiavi;
    std::size_t in_vigore = 0;
    for (const segnalazione& s : elenco) {
        testi += s.testo;
        if (!s.problema) {
            continue;
        }
        in_vigore += s.in_vigore ? 1 : 0;
        if (!chiavi.insert({s.codice, s.file.string(), s.riga, s.colonna, s.posizione, s.cella})
                 .second) {
            violazione("il controllo elenca due volte\n" + s.testo);
        }
    }
    // The text form, made from each entry's parts, says the same word for word.
    std::string testi_compatti;
    compatto.visita_testi(
        0, [&](const std::string& t) { testi_compatti += t; },
        [](const segnalazioni_tagliate&) {
            violazione("nessun limite, eppure segnalazioni tagliate");
        });
    if (testi_compatti != testi) {
        violazione("la forma di testo differisce:\n" + testi_compatti + "invece di\n" + testi);
    }
    for (const problema_registrato& p : compattazione.problemi) {
        if (testi.find(descrivi(p)) == std::string::npos) {
            violazione("il compattatore registra\n" + descrivi(p) + "che il controllo non elenca:\n" +
                       testi);
        }
    }
    if (in_vigore != (compattazione.problema_in_vigore() != nullptr ? 1u : 0u)) {
        violazione("il controllo segna " + std::to_string(in_vigore) + " problemi in vigore");
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
        numero = passi_del_driver::memorizza_percorso(c, j);
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
    verifica_controllo(identita, ingresso, c);
    return 0;
}
