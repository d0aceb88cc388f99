// Source files of routes of any length at the carried scenario's density, for the
// benchmarks. The carried line and train rows are laid end to end, shifted by the
// carried route length, so every stretch of a longer route holds the same rows per
// kilometre as the carried route. Rows whose count the compact files bound (stations and
// indicator-sign texts share 80 record slots; at most 80 mountain spans) are not
// repeated beyond those bounds; everything else is.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

struct sorgenti_generate {
    std::string linea;  // the line source file's bytes
    std::string treno;  // the train source file's bytes
};

// How many rows of the carried sources describe something at a position.
struct densita_portata {
    int32_t lunghezza = 0;  // carried route length in metres, 0 when the table has none
    int righe_linea = 0;    // rows with a position in the line source
    int righe_treno = 0;    // rows with a position in the train source
};

densita_portata misura_densita(std::span<const std::string_view> righe_linea,
                               std::span<const std::string_view> righe_treno);

// The sources of a route of `lunghezza` metres built from the carried tables. For the
// carried length they are byte for byte the carried sources.
sorgenti_generate genera_sorgenti(std::span<const std::string_view> righe_linea,
                                  std::span<const std::string_view> righe_treno, int32_t lunghezza);

// The bytes a table becomes as a text file: each entry up to the end marker, CR LF after each.
std::string testo_di(std::span<const std::string_view> righe);
