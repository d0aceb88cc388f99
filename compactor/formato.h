// Byte layouts of the three compact files, shared by the output step and by every tool
// that reads the files back. No file has a header; records stand back to back in index
// order; numbers are little-endian.
//
// ".dat", one cell (15 bytes):
//   0 tipo (1) | 1 valore1 (2) | 3 valore2 (2) | 5 valore3 (2) | 7 valore4 (2) |
//   9 tempo (1) | 10 codice (1) | 11 montagna (1) | 12 velocita_limite (1) |
//   13 pendenza (1) | 14 aderenza (1)
//
// ".sim", one general record (34 + n bytes, n = length of nome):
//   0 marca (1) | 1 dato1 (4) | 5 dato2 (4) | 9 dato3 (4) | 13 segno (1) |
//   14 n (2) | 16 the n bytes of nome | 16+n intero1..intero5 (2 each) |
//   26+n flag1..flag4 (1 each) | 30+n dato_finale (4)
//
// "_linea.dat": every point of column 0 (x), then every point of column 1 (y); each value
//   a 2-byte type code and the value in its width: 0 empty (nothing), 2 Integer (2 bytes),
//   5 Double (8 bytes, IEEE 754).
#pragma once

#include "compactor/modello.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

namespace formato {

constexpr std::size_t byte_cella = 15;
constexpr std::size_t byte_voce_senza_nome = 34;
// A name is written with a 2-byte signed length.
constexpr std::size_t byte_nome_massimo = 32767;

constexpr uint16_t codice_vuoto = 0;
constexpr uint16_t codice_integer = 2;
constexpr uint16_t codice_double = 5;

void aggiungi_cella(std::string& uscita, const cella& c);
// Throws std::length_error for a name longer than byte_nome_massimo, which the length
// field cannot hold: the readers refuse such names before they reach a record.
void aggiungi_voce(std::string& uscita, const voce& v);
void aggiungi_valore(std::string& uscita, const valore_piano& v);

// The longest encoding of one plan value: a type code and a Double.
constexpr std::size_t byte_valore_massimo = 10;

// Puts the little-endian bytes of a number at `destinazione`.
template <typename T>
inline void metti_le(char* destinazione, T valore) {
    std::memcpy(destinazione, &valore, sizeof(T));
    if constexpr (std::endian::native == std::endian::big) {
        std::reverse(destinazione, destinazione + sizeof(T));
    }
}

// The number whose little-endian bytes stand at `origine`.
template <typename T>
inline T prendi_le(const char* origine) {
    char byte[sizeof(T)];
    std::memcpy(byte, origine, sizeof(T));
    if constexpr (std::endian::native == std::endian::big) {
        std::reverse(byte, byte + sizeof(T));
    }
    T valore;
    std::memcpy(&valore, byte, sizeof(T));
    return valore;
}

// Encodes one plan value at `destinazione`, which has room for byte_valore_massimo bytes,
// and returns the number of bytes it took. The plan holds a million values on the longest
// route, so the output step encodes them here, in line, rather than appending to a string.
inline std::size_t codifica_valore(char* destinazione, const valore_piano& v) {
    if (const auto* doppio = std::get_if<double>(&v)) {
        metti_le(destinazione, codice_double);
        metti_le(destinazione + 2, *doppio);
        return 10;
    }
    if (const auto* intero = std::get_if<int16_t>(&v)) {
        metti_le(destinazione, codice_integer);
        metti_le(destinazione + 2, *intero);
        return 4;
    }
    metti_le(destinazione, codice_vuoto);
    return 2;
}

// Encodes one cell at `destinazione`, which has room for byte_cella bytes.
inline void codifica_cella(char* destinazione, const cella& c) {
    metti_le(destinazione, c.tipo);
    metti_le(destinazione + 1, c.valore1);
    metti_le(destinazione + 3, c.valore2);
    metti_le(destinazione + 5, c.valore3);
    metti_le(destinazione + 7, c.valore4);
    metti_le(destinazione + 9, c.tempo);
    metti_le(destinazione + 10, c.codice);
    metti_le(destinazione + 11, c.montagna);
    metti_le(destinazione + 12, c.velocita_limite);
    metti_le(destinazione + 13, c.pendenza);
    metti_le(destinazione + 14, c.aderenza);
}

// Decoders: each reads one element at `pos` and advances it; nullopt when the bytes end
// before the element does or a type code is unknown.
std::optional<cella> leggi_cella(std::string_view dati, std::size_t& pos);
std::optional<voce> leggi_voce(std::string_view dati, std::size_t& pos);
std::optional<valore_piano> leggi_valore(std::string_view dati, std::size_t& pos);

}  // namespace formato
