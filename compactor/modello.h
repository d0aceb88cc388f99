// The compacted scenario model: plain data, written unchanged to the three compact
// files. Field order and widths are the byte layouts of those files (compactor/formato.h).
#pragma once

#include "compactor/tabella_piano.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

// One 50 m cell of the track grid (15 bytes in the ".dat" file).
struct cella {
    uint8_t tipo = 0;  // kind of object in the cell, 0 = none (see tipo_cella)
    int16_t valore1 = 0;
    int16_t valore2 = 0;
    int16_t valore3 = 0;
    int16_t valore4 = 0;
    uint8_t tempo = 0;            // signal time value
    uint8_t codice = 0;           // approach code before a signal or a station stop
    uint8_t montagna = 0;         // mountain-side type of the span covering the cell
    uint8_t velocita_limite = 0;  // speed limit in force, units of 5 km/h
    uint8_t pendenza = 0;         // gradient per mille + 100, low 8 bits
    uint8_t aderenza = 0;         // adhesion in percent, low 8 bits
};

// Values of cella::tipo.
namespace tipo_cella {
constexpr uint8_t libera = 0;
constexpr uint8_t segnale = 1;
constexpr uint8_t fine_rallentamento = 2;
constexpr uint8_t inizio_rallentamento = 3;
constexpr uint8_t avviso_rallentamento = 4;
constexpr uint8_t prima_dell_avviso = 5;
constexpr uint8_t indicatore_v_max = 6;
constexpr uint8_t fermata = 10;
constexpr uint8_t marcatore_galleria = 11;
constexpr uint8_t abbattimento_con_valore = 12;
constexpr uint8_t abbattimento_senza_valore = 13;
constexpr uint8_t cartello_indicatore = 14;
}  // namespace tipo_cella

// Objects are placed only on free cells; a tunnel marker counts as free.
inline bool libera(const cella& c) {
    return c.tipo == tipo_cella::libera || c.tipo == tipo_cella::marcatore_galleria;
}

// One general record (34 + length of nome bytes in the ".sim" file).
struct voce {
    uint8_t marca = 0;
    int32_t dato1 = 0;
    int32_t dato2 = 0;
    int32_t dato3 = 0;
    uint8_t segno = 0;
    std::string nome;  // single-byte characters
    int16_t intero1 = 0;
    int16_t intero2 = 0;
    int16_t intero3 = 0;
    int16_t intero4 = 0;
    int16_t intero5 = 0;
    uint8_t flag1 = 0;
    uint8_t flag2 = 0;
    uint8_t flag3 = 0;
    uint8_t flag4 = 0;
    int32_t dato_finale = 0;
};

// The longest route the compactor accepts, and how far the grid and the plan reach beyond
// a route's end: together they bound every compact file a run can write.
constexpr int32_t lunghezza_percorso_massima = 1000000;
constexpr int32_t metri_oltre_il_percorso = 7000;

constexpr int numero_voci = 87;
constexpr int numero_montagne = 81;  // indices 0 to 80; index 0 stays unused

struct modello_scenario {
    std::array<voce, numero_voci> voci{};
    std::vector<cella> celle;  // indices 0 to n_celle once the grid exists
    tabella_piano tracciato;   // points 0 to lunghezza_estesa once the plan exists
    std::array<int32_t, numero_montagne> montagne_inizio{};
    std::array<int32_t, numero_montagne> montagne_fine{};
    int32_t n_montagne = 0;

    int32_t scrivi_linea = 0;
    int32_t lunghezza_estesa = 0;
    int32_t n_celle = 0;
    int32_t codice_errore = 0;
    int32_t posizione_errore = 0;
    std::string riga;
};
