// Text tests of the readers and the scenario codes, on single-byte Windows-1252 text.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

// Lower case in the Western European single-byte code page.
constexpr char minuscola_di(unsigned char u) {
    if ((u >= 'A' && u <= 'Z') || (u >= 0xC0 && u <= 0xDE && u != 0xD7)) {
        return static_cast<char>(u + 0x20);
    }
    switch (u) {
        case 0x8A: return static_cast<char>(0x9A);
        case 0x8C: return static_cast<char>(0x9C);
        case 0x8E: return static_cast<char>(0x9E);
        case 0x9F: return static_cast<char>(0xFF);
        default: return static_cast<char>(u);
    }
}

// The same as a table: the keyword tests look up every byte of every row's first field.
inline constexpr auto minuscole = [] {
    std::array<char, 256> tabella{};
    for (int u = 0; u < 256; ++u) {
        tabella[static_cast<std::size_t>(u)] = minuscola_di(static_cast<unsigned char>(u));
    }
    return tabella;
}();

inline char minuscola(char c) {
    return minuscole[static_cast<unsigned char>(c)];
}

// Whether `parola` stands anywhere in `campo`, with exact case.
inline bool contiene(std::string_view campo, std::string_view parola) {
    return campo.find(parola) != std::string_view::npos;
}

// Whether `parola` stands anywhere in `campo`, letter case ignored.
inline bool contiene_ignora_maiuscole(std::string_view campo, std::string_view parola) {
    if (parola.size() > campo.size()) {
        return false;
    }
    if (parola.empty()) {
        return true;
    }
    const char primo = minuscola(parola[0]);
    for (std::size_t inizio = 0; inizio + parola.size() <= campo.size(); ++inizio) {
        if (minuscola(campo[inizio]) != primo) {
            continue;
        }
        std::size_t i = 1;
        while (i < parola.size() && minuscola(campo[inizio + i]) == minuscola(parola[i])) {
            ++i;
        }
        if (i == parola.size()) {
            return true;
        }
    }
    return false;
}

// `testo` without the blanks and tabs at either end.
inline std::string_view senza_blanchi(std::string_view testo) {
    const std::size_t inizio = testo.find_first_not_of(" \t");
    if (inizio == std::string_view::npos) {
        return {};
    }
    return testo.substr(inizio, testo.find_last_not_of(" \t") - inizio + 1);
}

// Windows-1252 text as UTF-8, for a terminal or an SVG file; a byte the code page leaves
// undefined becomes U+FFFD.
std::string testo_utf8(std::string_view testo_1252);

// Text for a terminal that no byte of it can steer: a control byte other than tab as
// \xNN, a backslash as \\ (source bytes; a path keeps its backslashes, which Windows
// puts between its names), everything else as it is (so UTF-8 stays UTF-8).
std::string senza_controlli(std::string_view testo, bool anche_barre = true);
// The columns a byte of a source line takes on screen once shown as above.
inline std::size_t larghezza_visibile(char byte) {
    const auto u = static_cast<unsigned char>(byte);
    return (u < 0x20 && byte != '\t') || u == 0x7F ? 4 : byte == '\\' ? 2 : 1;
}
