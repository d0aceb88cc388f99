// The grid walk: completes the grid around slowdowns with "abbattimento" points of value
// 180, rule by rule: before the signals that precede an advance cell, at three distances
// before each slowdown start, every 8 cells along a slow slowdown and before the signal
// just after it. A cell that fails names the row that placed the slowdown or the signal.
#include "compactor/compattatore.h"
#include "compactor/griglia.h"

#include <initializer_list>
#include <optional>
#include <stdexcept>
#include <string>

namespace {

constexpr int16_t valore_punto = 180;
constexpr int16_t velocita_lenta = 110;  // slowdowns below this get points along them

class cammino {
public:
    explicit cammino(compattatore& c) : c_(c) {}

    void esegui();

private:
    void punti_prima_dei_segnali(int32_t avviso);
    void punti_prima_dell_inizio(int32_t inizio);
    // Returns the cell where the forward walk stopped: the end cell, or the grid's last.
    int32_t punti_lungo_il_rallentamento(int32_t inizio);
    void punto_prima_del_segnale_dopo_la_fine(int32_t inizio, int32_t fine);

    // Places a point in cell i when it exists and is free.
    bool punto_se_libera(int64_t i);
    cella& scrivi(int64_t i);
    void registra(problema p, int32_t posizione, int32_t cella_della_riga, int32_t prima_cella,
                  std::string celle);

    compattatore& c_;
    int32_t cella_della_riga_ = 0;  // the slowdown cell whose rule is running
};

std::string elenco(std::initializer_list<int64_t> celle) {
    std::string testo;
    std::size_t n = 0;
    for (const int64_t c : celle) {
        testo += (n == 0 ? "" : n + 1 == celle.size() ? " e " : ", ") + std::to_string(c);
        ++n;
    }
    return testo;
}

void cammino::esegui() {
    // The walk reads up to cell n_celle; a grid of another size is no grid to walk.
    if (c_.n_celle < 0 || c_.celle.size() != static_cast<std::size_t>(c_.n_celle) + 1) {
        throw std::out_of_range("griglia di " + std::to_string(c_.celle.size()) +
                                " celle: il cammino leggerebbe oltre la fine (n_celle " +
                                std::to_string(c_.n_celle) + ")");
    }
    for (int32_t i = 1; i <= c_.n_celle - 2; ++i) {
        const uint8_t tipo = c_.celle[static_cast<std::size_t>(i)].tipo;
        cella_della_riga_ = i;
        if (tipo == tipo_cella::avviso_rallentamento) {
            punti_prima_dei_segnali(i);
        } else if (tipo == tipo_cella::inizio_rallentamento) {
            punti_prima_dell_inizio(i);
            // A fast slowdown gets nothing along or after it.
            if (c_.celle[static_cast<std::size_t>(i)].valore1 < velocita_lenta) {
                punto_prima_del_segnale_dopo_la_fine(i, punti_lungo_il_rallentamento(i));
            }
        }
    }
    c_.celle.autore = {};
}

// Every signal up to 20 cells before an advance cell gets a point just before it, nearest
// first; where both cells before it are taken, an existing point there is lowered to 180.
void cammino::punti_prima_dei_segnali(int32_t avviso) {
    for (int32_t k = 1; k <= 20; ++k) {
        const int32_t d = avviso - k;
        if (d < 3) {
            break;
        }
        if (c_.celle[static_cast<std::size_t>(d)].tipo != tipo_cella::segnale) {
            continue;
        }
        if (punto_se_libera(d - 1) || punto_se_libera(d - 2)) {
            continue;
        }
        for (const int32_t prima : {d - 1, d - 2}) {
            if (c_.celle[static_cast<std::size_t>(prima)].tipo ==
                tipo_cella::abbattimento_con_valore) {
                cella& punto = scrivi(prima);
                punto.valore1 = compattatore::minimo(valore_punto, punto.valore1);
                break;
            }
            if (prima == d - 2) {
                registra(problema::segnale_prima_dell_avviso_senza_cella_libera, d * 50, d, d - 1,
                         "celle " + elenco({d - 1, d - 2}) + " occupate, davanti al segnale della cella " +
                             std::to_string(d));
            }
        }
    }
}

// Points at 5 to 7, 11 to 13 and 18 to 20 cells before the start.
void cammino::punti_prima_dell_inizio(int32_t inizio) {
    for (const int32_t distanza : {5, 11, 18}) {
        if (inizio <= distanza + 2) {
            break;
        }
        const int32_t prima = inizio - distanza;
        if (!punto_se_libera(prima) && !punto_se_libera(prima - 1) &&
            !punto_se_libera(prima - 2)) {
            registra(problema::nessuna_cella_libera_prima_del_rallentamento, inizio * 50, inizio,
                     prima, "celle " + elenco({prima, prima - 1, prima - 2}) + " occupate");
        }
    }
}

// Forward along the slowdown to its end cell, a point every 8 cells; a point moved by one
// cell restarts the count from where it went. The walk stops at the grid's last cell when
// no end cell comes before it.
int32_t cammino::punti_lungo_il_rallentamento(int32_t inizio) {
    int32_t f = inizio;
    int32_t n = 0;
    while (f < c_.n_celle) {
        ++f;
        ++n;
        if (n == 8) {
            if (punto_se_libera(f)) {
                n = 0;
            } else if (punto_se_libera(f - 1)) {
                n = 1;
            } else if (punto_se_libera(int64_t{f} + 1)) {
                n = -1;
            } else {
                registra(problema::nessuna_cella_libera_lungo_il_rallentamento, f * 50, inizio, f,
                         "celle " + elenco({f, f - 1, int64_t{f} + 1}) + " occupate");
            }
        }
        if (c_.celle[static_cast<std::size_t>(f)].tipo == tipo_cella::fine_rallentamento) {
            return f;
        }
    }
    registra(problema::rallentamento_senza_cella_di_fine, inizio * 50, inizio, f,
             "nessuna cella di fine tra la cella " + std::to_string(inizio + 1) + " e la " +
                 std::to_string(f));
    return f;
}

// The first signal within 12 cells from the end gets a point just before it.
void cammino::punto_prima_del_segnale_dopo_la_fine(int32_t inizio, int32_t fine) {
    int32_t s = 0;
    for (int32_t m = fine; m <= fine + 12 && m <= c_.n_celle; ++m) {
        if (c_.celle[static_cast<std::size_t>(m)].tipo == tipo_cella::segnale) {
            s = m - 1;
            break;
        }
    }
    if (s > 0 && !punto_se_libera(s) && !punto_se_libera(s - 1)) {
        registra(problema::nessuna_cella_libera_lungo_il_rallentamento, fine * 50, inizio, s,
                 "celle " + elenco({s, s - 1}) + " occupate, davanti al segnale della cella " +
                     std::to_string(s + 1));
    }
}

bool cammino::punto_se_libera(int64_t i) {
    const cella* c = cella_in_griglia(c_, i);
    if (c == nullptr || !libera(*c)) {
        return false;
    }
    cella& punto = scrivi(i);
    punto.tipo = tipo_cella::abbattimento_con_valore;
    punto.valore1 = valore_punto;
    return true;
}

cella& cammino::scrivi(int64_t i) {
    if (i == 1) {
        // The header checks guard cell 1: a point there is the slowdown row's doing.
        const std::optional<luogo_campo> riga = c_.celle.riga_della_cella(cella_della_riga_);
        c_.celle.autore = riga ? luogo_sorgente{file_sorgente::treno, *riga} : luogo_sorgente{};
    }
    return c_.celle.scrivi(static_cast<std::size_t>(i));
}

void cammino::registra(problema p, int32_t posizione, int32_t cella_della_riga,
                       int32_t prima_cella, std::string celle) {
    std::optional<origine_problema> origine;
    if (const std::optional<luogo_campo> riga = c_.celle.riga_della_cella(cella_della_riga)) {
        origine = c_.origine_di({file_sorgente::treno, *riga});
    }
    problema_registrato& registrato = c_.registra(p, posizione, std::move(origine));
    registrato.cella = prima_cella;
    registrato.dettaglio = std::move(celle);
}

}  // namespace

void compattatore::cammina_griglia() {
    cammino(*this).esegui();
}
