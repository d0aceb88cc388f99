// What the pianta picture shows, read from the three compact files of a scenario.
#pragma once

#include "compactor/modello.h"
#include "comune/identita.h"
#include "tools/pianta_pagina.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <utility>
#include <vector>

struct scenario_letto {
    std::vector<voce> voci;
    std::vector<cella> celle;
    std::vector<punto> piano;  // route metres 0 up to the last point with both values
    int32_t lunghezza = 0;     // route length, metres
    std::vector<int> stazioni;
    std::vector<std::size_t> segnali;                           // cell indices
    std::vector<std::size_t> cartelli;                          // cell indices of speed signs
    std::vector<std::pair<std::size_t, std::size_t>> montagne;  // runs of cells
};

// Throws errore_esecuzione naming the file when a file does not fit its layout, when the
// plan has fewer than two points, or when a plan value is not a finite number or the
// plan spans more than the numbers can hold: no picture can be drawn from such a plan.
scenario_letto leggi_scenario(const std::filesystem::path& cartella, const identita_scenario& id);

// Objects put at cell p / 50 + 1 stand at p metres: one cell before their cell.
inline double metri_oggetto(std::size_t cella_oggetto) {
    return cella_oggetto > 0 ? static_cast<double>(cella_oggetto - 1) * 50 : 0;
}
