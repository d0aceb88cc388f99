// Pieces shared by the benchmark programs.
#include "bench/comuni.h"

#include "comune/sistema_file.h"

#include <stdlib.h>
#include <fstream>
#include <sstream>
#include <stdexcept>

byte_compatti leggi_compatti(const std::filesystem::path& cartella, const identita_scenario& id) {
    return {leggi_file_intero(nomi_file::linea_compatta(cartella, id)),
            leggi_file_intero(nomi_file::voci_compatte(cartella, id)),
            leggi_file_intero(nomi_file::celle_compatte(cartella, id))};
}

void scrivi_compatti(const std::filesystem::path& cartella, const identita_scenario& id,
                     const byte_compatti& byte) {
    sostituisci_file(nomi_file::linea_compatta(cartella, id), byte.linea);
    sostituisci_file(nomi_file::voci_compatte(cartella, id), byte.voci);
    sostituisci_file(nomi_file::celle_compatte(cartella, id), byte.celle);
}

std::string problema_di(const compattatore& c, int esito_intestazione) {
    if (esito_intestazione != 0) {
        return "controllo d'intestazione " + std::to_string(esito_intestazione);
    }
    if (c.codice_errore != 0) {
        return "problema " + std::to_string(c.codice_errore) + " a " +
               std::to_string(c.posizione_errore) + " m";
    }
    return {};
}
