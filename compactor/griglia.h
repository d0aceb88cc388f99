// Access to the cells of the track grid that exist. Rows near the grid's ends may name
// cells before 0 or after n_celle; those cells are neither tested nor written.
#pragma once

#include "compactor/modello.h"

#include <cstdint>

// The cell of index i, or nullptr when the grid has no such cell.
inline cella* cella_in_griglia(modello_scenario& m, int64_t i) {
    if (i < 0 || i > m.n_celle || i >= static_cast<int64_t>(m.celle.size())) {
        return nullptr;
    }
    return &m.celle[static_cast<std::size_t>(i)];
}
