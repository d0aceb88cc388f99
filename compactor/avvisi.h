// The warnings of the checker: what the compactor accepts but an author almost never
// means. The compactor itself never looks at them.
#pragma once

#include <string_view>

enum class avviso {
    campo_sconosciuto,           // a field where a row should begin that is no keyword
    testo_su_piu_righe,          // a double-quoted text that runs across line ends
    treno_senza_righe,           // a train file that is empty or has no "[generale]"
    byte_di_controllo,           // NUL or another control byte inside a field
    righe_non_lette,             // rows the compactor never reads after it stops
    stazioni_fuori_ordine,       // a station before the previous one on the route
    orario_all_indietro,         // a departure time before the previous station's
    velocita_non_multipla_di_5,  // kept rounded to units of 5 km/h in the grid
    riga_generale_ripetuta,      // a general row given again: the last one wins
    lunghezza_ripetuta,          // the route length given again: grid and plan made anew
    posizioni_fuori_ordine,      // a gradient, speed or adhesion row before the previous one
    curve_sovrapposte,           // a curve that starts before the previous one has ended
};

// The warning's name, for tools that read the checker's output.
std::string_view nome_avviso(avviso a);

// Whether the warning says what its row does to the scenario ("vale l'ultima", "vale per
// una sola cella"): untrue of a row the checker refuses, so it goes with that row. The
// others say what the text is, or why the row is refused, and stay.
bool dice_cosa_fa_la_riga(avviso a);
