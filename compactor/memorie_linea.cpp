// Line record stores: chainage ordering, mountain spans, maximum-speed signs.
#include "compactor/arrotonda.h"
#include "compactor/compattatore.h"
#include "compactor/griglia.h"

#include <algorithm>
#include <array>

namespace {

struct tratto {
    int32_t inizio = 0;
    int32_t progressiva = 0;
    int32_t verso = 0;
    int da = -1;  // the record, 0 to 2 for voci(81) to voci(83), it was read into
};

tratto tratto_di(const voce& v, int da) {
    return {v.dato1, v.dato2, v.dato3, da};
}

void metti_tratto(voce& v, const tratto& t) {
    v.dato1 = t.inizio;
    v.dato2 = t.progressiva;
    v.dato3 = t.verso;
}

}  // namespace

void compattatore::progressive_ordina() {
    // voci(81), (82), (83) come from the "tre", "due" and "uno" rows.
    const tratto t = tratto_di(voci[81], 0);
    const tratto d = tratto_di(voci[82], 1);
    const tratto u = tratto_di(voci[83], 2);
    const tratto vuoto{};
    std::array<tratto, 3> ordine{vuoto, vuoto, vuoto};

    // Summed in Long arithmetic, left to right, as the stored values would be.
    const int32_t somma = come_long(int64_t{come_long(int64_t{t.inizio} + d.inizio)} + u.inizio);
    if (somma != 0) {
        // The one with the strictly greatest start comes first; of the other two the
        // strictly greater start is next, and a tie between them goes by the fixed table.
        if (t.inizio > d.inizio && t.inizio > u.inizio) {
            ordine = {t, d.inizio > u.inizio ? d : u, d.inizio > u.inizio ? u : d};
        } else if (d.inizio > t.inizio && d.inizio > u.inizio) {
            ordine = {d, t.inizio > u.inizio ? t : u, t.inizio > u.inizio ? u : t};
        } else if (u.inizio > t.inizio && u.inizio > d.inizio) {
            ordine = {u, t.inizio > d.inizio ? t : d, t.inizio > d.inizio ? d : t};
        }
    } else if (u.progressiva > 0) {
        ordine = {u, d, t};
    } else if (d.progressiva > 0) {
        ordine = {d, t, u};
    } else if (t.progressiva > 0) {
        ordine = {t, d, u};
    }

    const auto righe = righe_progressive.tutti();
    for (int i = 0; i < 3; ++i) {
        voce& v = voci.scrivi(static_cast<std::size_t>(81 + i));
        metti_tratto(v, ordine[i]);
        if (v.dato3 == 1) {
            v.dato2 = come_long(int64_t{v.dato2} + 100);
        }
        // The rows move with their stretch; an emptied slot names none.
        righe_progressive.scrivi(static_cast<std::size_t>(i)) =
            ordine[i].da >= 0 ? righe[static_cast<std::size_t>(ordine[i].da)] : campi_progressiva{};
    }
}

std::optional<problema> compattatore::memo_montagna(int32_t& inizio, int32_t& fine,
                                                    int32_t& tipo) {
    // The lists hold 80 spans (index 0 unused); a further span is refused before
    // anything of it is stored.
    if (n_montagne >= numero_montagne - 1) {
        return problema::troppe_montagne;
    }
    bool marcatori = false;
    if (tipo > 10) {
        tipo -= 10;
        marcatori = true;
    }
    n_montagne += 1;
    montagne_inizio[n_montagne] = inizio;
    montagne_fine[n_montagne] = fine;
    if (n_montagne > 1 && come_long(int64_t{inizio} - montagne_fine[n_montagne - 1]) <= 150) {
        tipo = 3;
    }

    const int64_t prima = arrotonda(inizio / 50.0);
    const int64_t ultima = arrotonda(fine / 50.0 - 1.0);
    // Cells beyond the grid are skipped; the counter still counts from the first cell.
    const int64_t da = std::max<int64_t>(prima, 0);
    const int64_t a = std::min<int64_t>(ultima, static_cast<int64_t>(celle.size()) - 1);
    for (int64_t c = da; c <= a; ++c) {
        cella& cl = celle.scrivi(static_cast<std::size_t>(c));
        cl.montagna = bassi_8_bit(tipo);
        const int64_t contatore = c - prima + 1;
        if (marcatori && contatore % 4 == 0 && cl.tipo == tipo_cella::libera) {
            cl.tipo = tipo_cella::marcatore_galleria;
        }
    }
    return std::nullopt;
}

std::optional<problema> compattatore::memo_indicatori_v_max(int32_t posizione, int32_t& vas,
                                                            int32_t& vbs, int32_t& vcs,
                                                            int32_t& strisces, int32_t& vad,
                                                            int32_t& vbd, int32_t& vcd,
                                                            int32_t& strisced) {
    const int64_t indice = arrotonda(posizione / 50.0 + 1.0);
    const cella* const c = cella_in_griglia(*this, indice);
    if (c == nullptr) {
        return std::nullopt;  // the reader's bound test keeps every sign inside the grid
    }
    if (!libera(*c)) {
        return problema::cartello_v_max_su_cella_occupata;
    }
    // s speed x 20 (a Long product) plus d speed / 5, rounded into the 16-bit field; the
    // fields are set one by one, so a value that does not fit leaves those before it.
    const auto valore = [](int32_t v_s, int32_t v_d) {
        const int32_t prodotto = come_long(int64_t{v_s} * 20);
        return come_integer(arrotonda(v_d / 5.0 + static_cast<double>(prodotto)));
    };
    cella& cl = celle.scrivi(static_cast<std::size_t>(indice));
    cl.tipo = tipo_cella::indicatore_v_max;
    cl.valore1 = valore(vas, vad);
    cl.valore2 = valore(vbs, vbd);
    cl.valore3 = valore(vcs, vcd);
    cl.valore4 = bassi_16_bit(int64_t{bassi_16_bit(strisces)} * 10 + bassi_16_bit(strisced));
    return std::nullopt;
}
