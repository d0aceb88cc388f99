// Train record stores: a signal row or a slowdown row becomes a fixed pattern of cells.
// Cells the pattern names outside the grid are skipped; the packed values keep their low
// bits, as the simulator reads them.
#include "compactor/arrotonda.h"
#include "compactor/compattatore.h"
#include "compactor/griglia.h"

namespace {

// A missing cell is never an obstacle: it is neither tested nor written.
bool libera_o_assente(const cella* c) {
    return c == nullptr || libera(*c);
}

// round(metri / 50 + 1): the cell of an object standing at a position.
int64_t cella_oggetto(int64_t metri) {
    return arrotonda(static_cast<double>(metri) / 50.0 + 1.0);
}

}  // namespace

std::optional<problema> compattatore::memo_segnale(int32_t posizione, int32_t& sx, int32_t& s1,
                                                   int32_t& s2, int32_t& s3, int32_t& rapp,
                                                   int32_t& dx, int32_t& d1, int32_t& d2,
                                                   int32_t& d3, int32_t& tempo) {
    const int64_t c = cella_oggetto(posizione);
    const cella* segnale = cella_in_griglia(*this, c);
    if (segnale == nullptr) {
        return std::nullopt;  // a signal without its own cell leaves nothing behind
    }
    if (!libera(*segnale)) {
        return problema::segnale_su_cella_occupata;
    }
    cella& cs = celle.scrivi(static_cast<std::size_t>(c));
    cs.tipo = tipo_cella::segnale;
    cs.valore4 = bassi_16_bit(int64_t{rapp} * 10 + int64_t{sx} * 3 + dx);
    cs.valore1 = bassi_16_bit(int64_t{s1} * 10 + d1);
    cs.valore2 = bassi_16_bit(int64_t{s2} * 10 + d2);
    cs.valore3 = bassi_16_bit(int64_t{s3} * 10 + d3);
    if (tempo >= 1 && tempo <= 100) {
        tempo = 101;
    }
    cs.tempo = sx == 2 ? bassi_8_bit(tempo) : 0;
    for (int k = 1; k <= 4; ++k) {
        if (cella* avvicinamento = cella_da_scrivere(*this, c - 2 * k)) {
            avvicinamento->codice = bassi_8_bit(int64_t{sx} * 30 + int64_t{dx} * 10 + k);
        }
    }
    return std::nullopt;
}

std::optional<problema> compattatore::memo_rallentamento(int32_t x, int32_t& v, int32_t& l,
                                                         int32_t& f_tt, int32_t f_ta,
                                                         int32_t& d_v) {
    const bool con_avviso = x > 1500;
    if (!con_avviso) {
        f_ta = 0;
    }
    // x - 1200 cannot leave the 32-bit range here (x > 1500); x + l can.
    const int64_t w = con_avviso ? cella_oggetto(int64_t{x} - 1200) : -1;
    const int64_t s = cella_oggetto(x);
    if (!libera_o_assente(cella_in_griglia(*this, w))) {
        return problema::avviso_rallentamento_occupato;
    }
    if (!libera_o_assente(cella_in_griglia(*this, s))) {
        return problema::inizio_rallentamento_occupato;
    }
    const int64_t e = cella_oggetto(come_long(int64_t{x} + l));
    if (!libera_o_assente(cella_in_griglia(*this, e))) {
        return problema::fine_rallentamento_occupata;
    }

    // This order decides coinciding cells: an end that falls on the start leaves type 3.
    if (cella* fine = cella_da_scrivere(*this, e)) {
        fine->tipo = tipo_cella::fine_rallentamento;
        if (d_v != 0) {
            fine->valore2 = bassi_16_bit(d_v);
        }
    }
    if (cella* inizio = cella_da_scrivere(*this, s)) {
        inizio->tipo = tipo_cella::inizio_rallentamento;
        if (d_v != 0) {
            inizio->valore2 = bassi_16_bit(d_v);
        }
    }
    if (cella* avviso = cella_da_scrivere(*this, w)) {
        avviso->tipo = tipo_cella::avviso_rallentamento;
        if (d_v != 0) {
            avviso->valore2 = bassi_16_bit(d_v);
        }
        avviso->valore1 = bassi_16_bit(v);
    }
    for (const int64_t estremo : {s, e}) {
        if (cella* c = cella_da_scrivere(*this, estremo)) {
            c->valore1 = bassi_16_bit(v);
            c->valore3 = bassi_16_bit(f_tt);
        }
    }

    if (f_ta == 0) {
        return std::nullopt;
    }
    // Without the added one, so the four cells lie just before the advance cell.
    const int64_t a = arrotonda(static_cast<double>(int64_t{x} - 1200) / 50.0);
    for (int i = 0; i < 4; ++i) {
        if (!libera_o_assente(cella_in_griglia(*this, a - i))) {
            return problema::celle_prima_dell_avviso_occupate;
        }
    }
    for (int i = 0; i < 4; ++i) {
        if (cella* prima = cella_da_scrivere(*this, a - i)) {
            prima->tipo = tipo_cella::prima_dell_avviso;
            prima->valore1 = static_cast<int16_t>(i + 1);
            if (d_v != 0) {
                prima->valore2 = static_cast<int16_t>(i + 1);
            }
        }
    }
    return std::nullopt;
}
