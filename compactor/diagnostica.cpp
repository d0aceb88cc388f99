// Formatting of the recorded problem for the author.
#include "compactor/diagnostica.h"

#include "compactor/problemi.h"

#include <array>
#include <cstdint>

namespace {

// Code points of the bytes 0x80 to 0x9F; 0 where the code page defines no character.
constexpr std::array<uint16_t, 32> da_80_a_9f{
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void aggiungi_utf8(std::string& uscita, uint32_t punto) {
    if (punto < 0x80) {
        uscita += static_cast<char>(punto);
    } else if (punto < 0x800) {
        uscita += static_cast<char>(0xC0 | (punto >> 6));
        uscita += static_cast<char>(0x80 | (punto & 0x3F));
    } else {
        uscita += static_cast<char>(0xE0 | (punto >> 12));
        uscita += static_cast<char>(0x80 | ((punto >> 6) & 0x3F));
        uscita += static_cast<char>(0x80 | (punto & 0x3F));
    }
}

// The grid walk records these codes after the readers are done; no source row caused
// them, and a row a reader remembered for an earlier code belongs to that code only.
bool codice_del_cammino(int32_t codice) {
    return codice >= 11 && codice <= 14;
}

std::string descrivi(const compattatore& c, const std::filesystem::path* cartella_sorgenti) {
    if (c.codice_errore == 0) {
        return {};
    }
    const std::optional<origine_problema>& origine =
        codice_del_cammino(c.codice_errore) ? std::nullopt : c.origine;
    std::string testo;
    if (origine) {
        const std::filesystem::path file = cartella_sorgenti != nullptr
                                               ? *cartella_sorgenti / origine->file.filename()
                                               : origine->file;
        testo += file.string() + ":" + std::to_string(origine->luogo.riga) + ":" +
                 std::to_string(origine->luogo.colonna) + ": ";
    }
    const descrizione_problema* descrizione = descrivi_problema(c.codice_errore);
    testo += "problema " + std::to_string(c.codice_errore);
    if (descrizione == nullptr || descrizione->ha_posizione) {
        testo += " a " + std::to_string(c.posizione_errore) + " m";
    }
    testo += ": ";
    testo += descrizione != nullptr ? descrizione->significato : "problema sconosciuto";
    testo += "\n";
    if (origine) {
        const std::string& riga = origine->testo_riga;
        // The caret keeps the line's tabs, so that it stands under the field whatever the
        // terminal's tab width; every byte of the line is one character on screen.
        std::string rientro;
        const std::size_t colonna =
            origine->luogo.colonna > 1 ? static_cast<std::size_t>(origine->luogo.colonna - 1) : 0;
        for (std::size_t i = 0; i < colonna; ++i) {
            rientro += i < riga.size() && riga[i] == '\t' ? '\t' : ' ';
        }
        testo += "  " + testo_utf8(riga) + "\n";
        testo += "  " + rientro + "^\n";
    }
    return testo;
}

}  // namespace

std::string descrivi_esito(const compattatore& c) {
    return descrivi(c, nullptr);
}

std::string descrivi_esito(const compattatore& c, const std::filesystem::path& cartella_sorgenti) {
    return descrivi(c, &cartella_sorgenti);
}

std::string testo_utf8(std::string_view testo_1252) {
    std::string uscita;
    uscita.reserve(testo_1252.size());
    for (const char carattere : testo_1252) {
        const auto byte = static_cast<unsigned char>(carattere);
        uint32_t punto = byte;
        if (byte >= 0x80 && byte <= 0x9F) {
            punto = da_80_a_9f[byte - 0x80];
            if (punto == 0) {
                punto = 0xFFFD;
            }
        }
        aggiungi_utf8(uscita, punto);
    }
    return uscita;
}
