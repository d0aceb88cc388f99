// Formatting of the recorded problems for the author.
#include "compactor/diagnostica.h"

#include "compactor/controllo.h"
#include "compactor/problemi.h"

#include <cstdint>

namespace {

// "FILE:LINE:COL: " before a message about a field, and the field's line with a caret
// under the field after it.
std::string prefisso(std::string_view file, const luogo_campo& luogo) {
    return std::string(file) + ":" + std::to_string(luogo.riga) + ":" +
           std::to_string(luogo.colonna) + ": ";
}

std::string prefisso(const origine_problema& o) {
    return prefisso(senza_controlli(o.file.string(), false), o.luogo);
}

std::string riga_e_segno(const origine_problema& o) {
    // The caret keeps the line's tabs, so that it stands under the field whatever the
    // terminal's tab width; every other byte of the line takes the columns it is shown in
    // (a control byte as \xNN, a backslash as \\, anything else as one character).
    std::string rientro;
    const std::size_t colonna = o.colonna_nel_testo();
    for (std::size_t i = 0; i < colonna; ++i) {
        if (i < o.testo_riga.size() && o.testo_riga[i] == '\t') {
            rientro += '\t';
        } else {
            rientro.append(i < o.testo_riga.size() ? larghezza_visibile(o.testo_riga[i]) : 1, ' ');
        }
    }
    return "  " + senza_controlli(testo_utf8(o.testo_riga)) + "\n  " + rientro + "^\n";
}

}  // namespace

std::string descrivi_problemi(const compattatore& c) {
    return descrivi_problemi(c.codice_errore, c.posizione_errore, c.problemi);
}

std::string descrivi_problemi(int32_t codice_errore, int32_t posizione_errore,
                              const std::vector<problema_registrato>& problemi) {
    std::string testo;
    for (const voce_descritta& v : problemi_descritti(codice_errore, posizione_errore, problemi)) {
        testo += v.testo;
    }
    return testo;
}

std::vector<voce_descritta> problemi_descritti(int32_t codice_errore, int32_t posizione_errore,
                                               const std::vector<problema_registrato>& problemi) {
    if (codice_errore == 0) {
        return {};
    }
    std::vector<voce_descritta> voci;
    if (!problemi.empty() && numero(problemi.back().codice) == codice_errore) {
        for (const problema_registrato& p : problemi) {
            voci.push_back({descrivi_senza_nota(p), p.file});
            if (p.lettura_fermata) {
                voci.push_back({nota(*p.lettura_fermata), p.lettura_fermata->file});
            }
        }
        return voci;
    }
    // A code set without being recorded (a model set up by hand) is told from the model.
    const descrizione_problema* descrizione = descrivi_problema(codice_errore);
    std::string testo = "problema " + std::to_string(codice_errore);
    if (descrizione == nullptr || descrizione->ha_posizione) {
        testo += " a " + std::to_string(posizione_errore) + " m";
    }
    voci.push_back({testo + ": " +
                        std::string(descrizione != nullptr ? descrizione->significato
                                                           : "problema sconosciuto") +
                        "\n",
                    {}});
    return voci;
}

std::string messaggio(const problema_registrato& p) {
    const descrizione_problema* descrizione = descrivi_problema(numero(p.codice));
    std::string testo(descrizione != nullptr ? descrizione->significato : "problema sconosciuto");
    if (!p.dettaglio.empty()) {
        testo += " (" + p.dettaglio + ")";
    }
    return testo;
}

std::string descrivi(const problema_registrato& p) {
    return descrivi_senza_nota(p) + (p.lettura_fermata ? nota(*p.lettura_fermata) : std::string());
}

std::string descrivi_senza_nota(const problema_registrato& p) {
    std::string testo;
    if (p.origine) {
        testo += prefisso(*p.origine);
    } else if (!p.file.empty()) {
        testo += senza_controlli(p.file.string(), false) + ": ";
    }
    testo += "problema " + std::to_string(numero(p.codice));
    if (p.posizione) {
        testo += " a " + std::to_string(*p.posizione) + " m";
    }
    testo += ": " + messaggio(p) + "\n";
    if (p.origine) {
        testo += riga_e_segno(*p.origine);
    }
    if (!p.motivo.empty()) {
        // A row's field is shown as its line is; a whole file's reason names its path.
        testo += "  " + senza_controlli(p.motivo, p.origine.has_value()) + "\n";
    }
    return testo;
}

std::string nota(const origine_problema& lettura_fermata) {
    return prefisso(lettura_fermata) +
           "nota: la lettura del file del treno si è fermata a questa riga\n" +
           riga_e_segno(lettura_fermata);
}

std::string descrivi(const intestazione_fallita& f) {
    std::string testo = f.origine ? prefisso(*f.origine) : std::string();
    testo += "problema " + std::to_string(f.numero) + ": " + messaggio_intestazione(f.numero) + "\n";
    if (f.origine) {
        testo += riga_e_segno(*f.origine);
    }
    return testo;
}

std::string descrivi(const avviso_registrato& a) {
    const std::filesystem::path& file = a.origine ? a.origine->file : a.file;
    return descrivi_avviso(senza_controlli(file.string(), false), a.origine ? &*a.origine : nullptr,
                           a.testo);
}

std::string descrivi_avviso(std::string_view file, const origine_problema* origine,
                            std::string_view testo) {
    if (origine == nullptr) {
        return std::string(file) + ": avviso: " + senza_controlli(testo) + "\n";
    }
    return prefisso(file, origine->luogo) + "avviso: " + senza_controlli(testo) + "\n" +
           riga_e_segno(*origine);
}
