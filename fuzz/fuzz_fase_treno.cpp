// Fuzz target: the train phase on an arbitrary train source after the line phase on the
// carried line source, then the grid walk and the header checks on what they built. The
// plan is not asked for: the train phase never touches it, and leaving it out keeps each
// input fast.
#include "compactor/diagnostica.h"
#include "fuzz/verifiche.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* dati, size_t dimensione) {
    const identita_scenario identita = identita_predefinita();
    svuota_cartella_fuzz();
    scrivi_file(nomi_file::sorgente_linea(cartella_fuzz(), identita), sorgente_linea_portata());
    scrivi_file(nomi_file::sorgente_treno(cartella_fuzz(), identita),
                {reinterpret_cast<const char*>(dati), dimensione});

    compattatore c(cartella_fuzz(), identita);
    c.scrivi_linea = 0;
    c.memorizza_dati();
    verifica_modello(c);
    verifica_sorgenti_dopo_lettura(c);
    if (!c.celle.empty()) {
        c.cammina_griglia();
        verifica_modello(c);
        (void)c.controlla_intestazione();
    }
    (void)descrivi_esito(c);
    return 0;
}
