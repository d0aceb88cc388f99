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

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace formato {

constexpr std::size_t byte_cella = 15;
constexpr std::size_t byte_voce_senza_nome = 34;

constexpr uint16_t codice_vuoto = 0;
constexpr uint16_t codice_integer = 2;
constexpr uint16_t codice_double = 5;

void aggiungi_cella(std::string& uscita, const cella& c);
void aggiungi_voce(std::string& uscita, const voce& v);
void aggiungi_valore(std::string& uscita, const valore_piano& v);

// Decoders: each reads one element at `pos` and advances it; nullopt when the bytes end
// before the element does or a type code is unknown.
std::optional<cella> leggi_cella(std::string_view dati, std::size_t& pos);
std::optional<voce> leggi_voce(std::string_view dati, std::size_t& pos);
std::optional<valore_piano> leggi_valore(std::string_view dati, std::size_t& pos);

}  // namespace formato
