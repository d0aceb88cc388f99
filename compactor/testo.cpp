// Windows-1252 text shown on a UTF-8 terminal or in an SVG file.
#include "compactor/testo.h"

#include <algorithm>
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

}  // namespace

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

std::string senza_controlli(std::string_view testo, bool anche_barre) {
    static constexpr char cifre[] = "0123456789ABCDEF";
    const auto da_mostrare_altrimenti = [&](char carattere) {
        const auto byte = static_cast<unsigned char>(carattere);
        return (byte < 0x20 && carattere != '\t') || byte == 0x7F ||
               (carattere == '\\' && anche_barre);
    };
    // Most text has nothing to show otherwise: it goes as it is.
    if (std::none_of(testo.begin(), testo.end(), da_mostrare_altrimenti)) {
        return std::string(testo);
    }
    std::string uscita;
    uscita.reserve(testo.size());
    for (const char carattere : testo) {
        const auto byte = static_cast<unsigned char>(carattere);
        if (!da_mostrare_altrimenti(carattere)) {
            uscita += carattere;
        } else if (carattere == '\\') {
            uscita += "\\\\";
        } else {
            uscita += "\\x";
            uscita += cifre[byte >> 4];
            uscita += cifre[byte & 0xF];
        }
    }
    return uscita;
}
