// Windows-1252 and UTF-8 both ways, and the columns of the one in the other.
#include "tools/lsp/codifica.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace {

// The code points of the bytes 0x80 to 0x9F that Windows-1252 gives a character.
constexpr std::array<uint16_t, 32> da_80_a_9f{
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// The byte of a code point, or -1 when the code page has none.
int byte_1252(uint32_t punto) {
    if (punto <= 0xFF) {
        return static_cast<int>(punto);  // 0x80 to 0x9F included: the Latin-1 reading
    }
    for (std::size_t i = 0; i < da_80_a_9f.size(); ++i) {
        if (da_80_a_9f[i] == punto) {
            return static_cast<int>(0x80 + i);
        }
    }
    return -1;
}

std::size_t lunghezza_utf8(uint32_t punto) {
    return punto < 0x80 ? 1 : punto < 0x800 ? 2 : punto < 0x10000 ? 3 : 4;
}

// One code point from `testo` at `i`, which moves past it; a byte that begins no valid
// sequence is U+FFFD alone.
uint32_t decodifica(std::string_view testo, std::size_t& i) {
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(testo[k]); };
    const unsigned char c = b(i);
    std::size_t n = 0;
    uint32_t punto = 0;
    uint32_t minimo = 0;
    if (c < 0x80) {
        ++i;
        return c;
    } else if (c >= 0xC2 && c <= 0xDF) {
        n = 1, punto = c & 0x1F, minimo = 0x80;
    } else if (c >= 0xE0 && c <= 0xEF) {
        n = 2, punto = c & 0x0F, minimo = 0x800;
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 3, punto = c & 0x07, minimo = 0x10000;
    } else {
        ++i;
        return 0xFFFD;
    }
    if (i + n >= testo.size()) {
        ++i;
        return 0xFFFD;
    }
    for (std::size_t k = 1; k <= n; ++k) {
        if ((b(i + k) & 0xC0) != 0x80) {
            ++i;
            return 0xFFFD;
        }
        punto = (punto << 6) | (b(i + k) & 0x3F);
    }
    if (punto < minimo || punto > 0x10FFFF || (punto >= 0xD800 && punto <= 0xDFFF)) {
        ++i;
        return 0xFFFD;
    }
    i += n + 1;
    return punto;
}

}  // namespace

testo_sorgente testo_sorgente::dall_editor(std::string_view utf8, unita_colonne unita) {
    testo_sorgente t;
    t.bytes_.reserve(utf8.size());
    int riga = 1;
    std::size_t inizio_riga = 0;
    for (std::size_t i = 0; i < utf8.size();) {
        const std::size_t prima = i;
        const uint32_t punto = decodifica(utf8, i);
        const int byte = byte_1252(punto);
        const std::size_t qui = t.bytes_.size();
        if (byte < 0) {
            t.persi_.push_back({riga, qui - inizio_riga, punto});
            t.bytes_.push_back('?');
        } else {
            t.bytes_.push_back(static_cast<char>(byte));
        }
        // The units the editor counted: its own bytes (a byte that is no UTF-8 included),
        // or UTF-16 code units.
        const std::size_t larghezza =
            unita == unita_colonne::utf8 ? i - prima : (punto >= 0x10000 ? 2 : 1);
        if (larghezza != 1) {
            t.larghezze_.emplace_back(qui, static_cast<uint8_t>(larghezza));
        }
        if (punto == '\n' || (punto == '\r' && (i >= utf8.size() || utf8[i] != '\n'))) {
            ++riga;
            inizio_riga = t.bytes_.size();
        }
    }
    t.dividi_righe();
    return t;
}

testo_sorgente testo_sorgente::dal_disco(std::string bytes, unita_colonne unita) {
    testo_sorgente t;
    t.bytes_ = std::move(bytes);
    if (unita == unita_colonne::utf8) {
        for (std::size_t i = 0; i < t.bytes_.size(); ++i) {
            const auto c = static_cast<unsigned char>(t.bytes_[i]);
            if (c >= 0x80) {
                uint32_t punto = c;
                if (c <= 0x9F) {
                    punto = da_80_a_9f[c - 0x80] != 0 ? da_80_a_9f[c - 0x80] : 0xFFFD;
                }
                t.larghezze_.emplace_back(i, static_cast<uint8_t>(lunghezza_utf8(punto)));
            }
        }
    }
    t.dividi_righe();
    return t;
}

void testo_sorgente::dividi_righe() {
    inizi_.assign(1, 0);
    for (std::size_t i = 0; i < bytes_.size(); ++i) {
        if (bytes_[i] == '\n' ||
            (bytes_[i] == '\r' && (i + 1 >= bytes_.size() || bytes_[i + 1] != '\n'))) {
            inizi_.push_back(i + 1);
        }
    }
}

std::string_view testo_sorgente::riga(int numero) const {
    if (numero < 1 || numero > righe()) {
        return {};
    }
    const std::size_t inizio = inizi_[static_cast<std::size_t>(numero - 1)];
    std::size_t fine = numero < righe() ? inizi_[static_cast<std::size_t>(numero)] : bytes_.size();
    while (fine > inizio && (bytes_[fine - 1] == '\n' || bytes_[fine - 1] == '\r')) {
        --fine;
    }
    return std::string_view(bytes_).substr(inizio, fine - inizio);
}

uint32_t testo_sorgente::carattere(int numero, std::size_t colonna) const {
    if (numero < 1 || numero > righe()) {
        return 0;
    }
    const std::size_t inizio = inizi_[static_cast<std::size_t>(numero - 1)];
    colonna = std::min(colonna, riga(numero).size());
    auto it = std::lower_bound(larghezze_.begin(), larghezze_.end(),
                               std::pair<std::size_t, uint8_t>{inizio, 0});
    uint32_t unita = static_cast<uint32_t>(colonna);
    for (; it != larghezze_.end() && it->first < inizio + colonna; ++it) {
        unita += it->second - 1u;
    }
    return unita;
}

std::size_t testo_sorgente::colonna(int numero, uint32_t carattere) const {
    if (numero < 1 || numero > righe()) {
        return 0;
    }
    const std::size_t inizio = inizi_[static_cast<std::size_t>(numero - 1)];
    const std::size_t lunghezza = riga(numero).size();
    auto it = std::lower_bound(larghezze_.begin(), larghezze_.end(),
                               std::pair<std::size_t, uint8_t>{inizio, 0});
    uint32_t contati = 0;
    for (std::size_t c = 0; c < lunghezza; ++c) {
        uint32_t larghezza = 1;
        if (it != larghezze_.end() && it->first == inizio + c) {
            larghezza = it->second;
            ++it;
        }
        if (contati + larghezza > carattere) {
            return c;
        }
        contati += larghezza;
    }
    return lunghezza;
}

std::filesystem::path percorso_da_uri(std::string_view uri) {
    constexpr std::string_view schema = "file://";
    if (uri.substr(0, schema.size()) == schema) {
        uri.remove_prefix(schema.size());
    }
    std::string testo;
    for (std::size_t i = 0; i < uri.size(); ++i) {
        const auto cifra = [](char c) {
            return c >= '0' && c <= '9'   ? c - '0'
                   : c >= 'a' && c <= 'f' ? c - 'a' + 10
                   : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                          : -1;
        };
        if (uri[i] == '%' && i + 2 < uri.size() && cifra(uri[i + 1]) >= 0 &&
            cifra(uri[i + 2]) >= 0) {
            testo += static_cast<char>(cifra(uri[i + 1]) * 16 + cifra(uri[i + 2]));
            i += 2;
        } else {
            testo += uri[i];
        }
    }
    // "/C:/dir" is a Windows path with a drive.
    if (testo.size() >= 3 && testo[0] == '/' && testo[2] == ':' &&
        std::isalpha(static_cast<unsigned char>(testo[1]))) {
        testo.erase(0, 1);
    }
    return std::filesystem::path(std::u8string(testo.begin(), testo.end())).lexically_normal();
}

std::string uri_da_percorso(const std::filesystem::path& percorso) {
    const std::u8string u8 = percorso.generic_u8string();
    std::string uri = "file://";
    if (!u8.empty() && u8[0] != '/') {
        uri += '/';
    }
    static constexpr char cifre[] = "0123456789ABCDEF";
    for (const char8_t c8 : u8) {
        const auto c = static_cast<unsigned char>(c8);
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
            c == '-' || c == '.' || c == '_' || c == '~' || c == '/' ||
            (c == ':' && uri.size() == 9)) {
            uri += static_cast<char>(c);
        } else {
            uri += '%';
            uri += cifre[c >> 4];
            uri += cifre[c & 0xF];
        }
    }
    return uri;
}
