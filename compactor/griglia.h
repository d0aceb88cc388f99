// Access to the cells of the track grid that exist. Rows near the grid's ends may name
// cells before 0 or after n_celle; those cells are neither tested nor written.
#pragma once

#include "compactor/modello.h"

#include <cstdint>

// Whether the grid has a cell of index i.
inline bool nella_griglia(const modello_scenario& m, int64_t i) {
    return i >= 0 && i <= m.n_celle && i < static_cast<int64_t>(m.celle.size());
}

// The cell of index i, or nullptr when the grid has no such cell.
inline const cella* cella_in_griglia(const modello_scenario& m, int64_t i) {
    return nella_griglia(m, i) ? &m.celle[static_cast<std::size_t>(i)] : nullptr;
}

// The same cell to write (through the grid's one writing accessor), or nullptr.
inline cella* cella_da_scrivere(modello_scenario& m, int64_t i) {
    return nella_griglia(m, i) ? &m.celle.scrivi(static_cast<std::size_t>(i)) : nullptr;
}
