// The grid walk: completes the grid around slowdowns with "abbattimento" points of value
// 180, before the signals that precede an advance cell, at three distances before each
// slowdown start, every 8 cells along a slow slowdown and before the signal just after it.
#include "compactor/compattatore.h"
#include "compactor/griglia.h"

#include <stdexcept>
#include <string>

namespace {

constexpr int16_t valore_punto = 180;
constexpr int16_t velocita_lenta = 110;  // slowdowns below this get points along them

void metti_punto(cella& c) {
    c.tipo = tipo_cella::abbattimento_con_valore;
    c.valore1 = valore_punto;
}

// Places a point in the cell when it exists and is free.
bool punto_se_libera(cella* c) {
    if (c == nullptr || !libera(*c)) {
        return false;
    }
    metti_punto(*c);
    return true;
}

}  // namespace

void compattatore::cammina_griglia() {
    // The walk reads up to cell n_celle; a grid of another size is no grid to walk.
    if (n_celle < 0 || celle.size() != static_cast<std::size_t>(n_celle) + 1) {
        throw std::out_of_range("griglia di " + std::to_string(celle.size()) +
                                " celle: il cammino leggerebbe oltre la fine (n_celle " +
                                std::to_string(n_celle) + ")");
    }
    for (int32_t i = 1; i <= n_celle - 2; ++i) {
        cella* corrente = &celle[i];

        if (corrente->tipo == tipo_cella::avviso_rallentamento) {
            // Every signal up to 20 cells back gets a point just before it, nearest first.
            for (int32_t k = 1; k <= 20; ++k) {
                const int32_t d = i - k;
                if (d < 3) {
                    break;
                }
                if (celle[d].tipo != tipo_cella::segnale) {
                    continue;
                }
                cella& prima = celle[d - 1];
                cella& seconda = celle[d - 2];
                if (punto_se_libera(&prima) || punto_se_libera(&seconda)) {
                    continue;
                }
                if (prima.tipo == tipo_cella::abbattimento_con_valore) {
                    prima.valore1 = minimo(valore_punto, prima.valore1);
                } else if (seconda.tipo == tipo_cella::abbattimento_con_valore) {
                    seconda.valore1 = minimo(valore_punto, seconda.valore1);
                } else {
                    registra(problema::segnale_prima_dell_avviso_senza_cella_libera, d * 50);
                }
            }
            continue;
        }

        if (corrente->tipo != tipo_cella::inizio_rallentamento) {
            continue;
        }

        // Points at 5 to 7, 11 to 13 and 18 to 20 cells before the start.
        for (const int32_t distanza : {5, 11, 18}) {
            if (i <= distanza + 2) {
                break;
            }
            if (!punto_se_libera(&celle[i - distanza]) &&
                !punto_se_libera(&celle[i - distanza - 1]) &&
                !punto_se_libera(&celle[i - distanza - 2])) {
                registra(problema::nessuna_cella_libera_prima_del_rallentamento, i * 50);
            }
        }

        // A fast slowdown gets nothing along or after it.
        if (corrente->valore1 >= velocita_lenta) {
            continue;
        }

        // Forward along the slowdown to its end cell, a point every 8 cells; a point moved
        // by one cell restarts the count from where it went. The walk stops at the grid's
        // last cell when no end cell comes before it.
        int32_t f = i;
        int32_t n = 0;
        bool fine_trovata = false;
        while (f < n_celle) {
            ++f;
            ++n;
            if (n == 8) {
                if (punto_se_libera(cella_in_griglia(*this, f))) {
                    n = 0;
                } else if (punto_se_libera(cella_in_griglia(*this, f - 1))) {
                    n = 1;
                } else if (punto_se_libera(cella_in_griglia(*this, f + 1))) {
                    n = -1;
                } else {
                    registra(problema::nessuna_cella_libera_lungo_il_rallentamento, f * 50);
                }
            }
            if (celle[f].tipo == tipo_cella::fine_rallentamento) {
                fine_trovata = true;
                break;
            }
        }
        if (!fine_trovata) {
            registra(problema::rallentamento_senza_cella_di_fine, i * 50);
        }

        // The first signal within 12 cells from the end gets a point just before it.
        int32_t s = 0;
        for (int32_t m = f; m <= f + 12 && m <= n_celle; ++m) {
            if (celle[m].tipo == tipo_cella::segnale) {
                s = m - 1;
                break;
            }
        }
        if (s > 0 && !punto_se_libera(&celle[s]) && !punto_se_libera(&celle[s - 1])) {
            registra(problema::nessuna_cella_libera_lungo_il_rallentamento, f * 50);
        }
    }
}
