// Formatting of the recorded problem for the author.
#include "compactor/diagnostica.h"

#include "compactor/problemi.h"

#include <algorithm>

std::string descrivi_esito(const compattatore& c) {
    if (c.codice_errore == 0) {
        return {};
    }
    std::string testo;
    if (c.origine) {
        testo += c.origine->file.string() + ":" + std::to_string(c.origine->luogo.riga) + ":" +
                 std::to_string(c.origine->luogo.colonna) + ": ";
    }
    const descrizione_problema* descrizione = descrivi_problema(c.codice_errore);
    testo += "problema " + std::to_string(c.codice_errore);
    if (descrizione == nullptr || descrizione->ha_posizione) {
        testo += " a " + std::to_string(c.posizione_errore) + " m";
    }
    testo += ": ";
    testo += descrizione != nullptr ? descrizione->significato : "problema sconosciuto";
    testo += "\n";
    if (c.origine) {
        testo += "  " + c.origine->testo_riga + "\n";
        testo +=
            "  " +
            std::string(static_cast<std::size_t>(std::max(c.origine->luogo.colonna - 1, 0)), ' ') +
            "^\n";
    }
    return testo;
}
