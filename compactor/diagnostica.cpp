// Formatting of the recorded problem for the author.
#include "compactor/diagnostica.h"

#include "compactor/problemi.h"

#include <cstdint>

namespace {

// "FILE:LINE:COL: " before a message about a field, and the field's line with a caret
// under the field after it.
std::string prefisso(const origine_problema& o) {
    return o.file.string() + ":" + std::to_string(o.luogo.riga) + ":" +
           std::to_string(o.luogo.colonna) + ": ";
}

std::string riga_e_segno(const origine_problema& o) {
    // The caret keeps the line's tabs, so that it stands under the field whatever the
    // terminal's tab width; every byte of the line is one character on screen.
    std::string rientro;
    const std::size_t colonna =
        o.luogo.colonna > 1 ? static_cast<std::size_t>(o.luogo.colonna - 1) : 0;
    for (std::size_t i = 0; i < colonna; ++i) {
        rientro += i < o.testo_riga.size() && o.testo_riga[i] == '\t' ? '\t' : ' ';
    }
    return "  " + testo_utf8(o.testo_riga) + "\n  " + rientro + "^\n";
}

}  // namespace

std::string descrivi_esito(const compattatore& c) {
    if (c.codice_errore == 0) {
        return {};
    }
    // A code set without being recorded (a model set up by hand) is told from the model.
    const problema_registrato* registrato = c.problema_in_vigore();
    const descrizione_problema* descrizione = descrivi_problema(c.codice_errore);
    std::optional<int32_t> posizione;
    if (registrato != nullptr) {
        posizione = registrato->posizione;
    } else if (descrizione == nullptr || descrizione->ha_posizione) {
        posizione = c.posizione_errore;
    }

    std::string testo;
    if (registrato != nullptr && registrato->origine) {
        testo += prefisso(*registrato->origine);
    }
    testo += "problema " + std::to_string(c.codice_errore);
    if (posizione) {
        testo += " a " + std::to_string(*posizione) + " m";
    }
    testo += ": ";
    testo += descrizione != nullptr ? descrizione->significato : "problema sconosciuto";
    testo += "\n";
    if (registrato == nullptr) {
        return testo;
    }
    if (registrato->origine) {
        testo += riga_e_segno(*registrato->origine);
    }
    if (!registrato->motivo.empty()) {
        testo += "  " + registrato->motivo + "\n";
    }
    if (registrato->lettura_fermata) {
        testo += prefisso(*registrato->lettura_fermata) +
                 "nota: la lettura del file del treno si è fermata a questa riga\n" +
                 riga_e_segno(*registrato->lettura_fermata);
    }
    return testo;
}
