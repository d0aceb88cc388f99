// The route plan's arithmetic: straight and curved stretches computed from the cursor.
#include "compactor/piano.h"

#include "compactor/curva.h"
#include "compactor/rettilineo.h"

#include <algorithm>
#include <cstddef>

namespace {

// The last point a curve row may reach; the completion has no such limit.
constexpr int32_t ultimo_punto_ammesso = 1000000;

// Points cursore.i..ultimo of the plan from the two before them, along a curve
// (compactor/curva.h) or straight on step by step, x = x1 + (x1 - x2), rounded as the
// scalar operation would in each lane. The last two points live in local variables: held
// in the cursor, every step would go through memory, since the compiler must assume that
// the plan's stores may overwrite it.
template <bool curva>
void calcola_punti(tabella_piano& piano, cursore_piano& cursore, int32_t ultimo, double k) {
    coppia p2 = {cursore.x2, cursore.y2};
    coppia p1 = {cursore.x1, cursore.y1};
    const auto metti = [&piano](int64_t i, coppia p) {
        piano.metti_doppi(static_cast<std::size_t>(i), p[0], p[1]);
    };
    if constexpr (curva) {
        punti_in_curva(p1, p2, cursore.i, ultimo, k, metti);
    } else {
        for (int32_t i = cursore.i; i <= ultimo; ++i) {
            const coppia p = p1 + (p1 - p2);
            metti(i, p);
            p2 = p1;
            p1 = p;
        }
    }
    cursore = {ultimo + 1, p2[0], p2[1], p1[0], p1[1]};
}

// A straight stretch up to point `ultimo`: where both coordinates stay in their binades,
// in closed form (compactor/rettilineo.h), each point on its own; elsewhere (near a power
// of two, near 0) step by step.
void calcola_rettilineo(tabella_piano& piano, cursore_piano& cursore, int32_t ultimo) {
    constexpr int64_t passi_a_mano = 64;  // before looking for a closed form again
    while (cursore.i <= ultimo) {
        const int64_t esatti =
            std::min({passi_esatti(cursore.x1, cursore.x2), passi_esatti(cursore.y1, cursore.y2),
                      int64_t{ultimo} - cursore.i + 1});
        if (esatti < 4) {
            calcola_punti<false>(
                piano, cursore,
                static_cast<int32_t>(std::min<int64_t>(ultimo, cursore.i + passi_a_mano - 1)), 0.0);
            continue;
        }
        const coppia a = {cursore.x1, cursore.y1};
        const coppia passo = a - coppia{cursore.x2, cursore.y2};
        const auto punto = [&](int64_t j) {
            const auto volte = static_cast<double>(j);
            return a + coppia{volte, volte} * passo;
        };
        // Two points at a time, x with x and y with y, each value a + j (a - b) as above:
        // the two x values and the two y values go to the plan in one write each.
        const coppia ax = {a[0], a[0]};
        const coppia ay = {a[1], a[1]};
        const coppia passo_x = {passo[0], passo[0]};
        const coppia passo_y = {passo[1], passo[1]};
        coppia volte = {1.0, 2.0};  // j and j + 1, whole numbers far below 2^53: exact
        const auto primo = static_cast<std::size_t>(cursore.i);
        int64_t j = 1;
        for (; j < esatti; j += 2, volte += 2.0) {
            const coppia x = ax + volte * passo_x;
            const coppia y = ay + volte * passo_y;
            piano.metti_due_doppi(primo + static_cast<std::size_t>(j - 1),
                                  reinterpret_cast<const double(&)[2]>(x),
                                  reinterpret_cast<const double(&)[2]>(y));
        }
        if (j == esatti) {
            const coppia p = punto(j);
            piano.metti_doppi(primo + static_cast<std::size_t>(j - 1), p[0], p[1]);
        }
        const coppia penultimo = punto(esatti - 1);
        const coppia ultimo_punto = punto(esatti);
        cursore = {static_cast<int32_t>(cursore.i + esatti), penultimo[0], penultimo[1],
                   ultimo_punto[0], ultimo_punto[1]};
    }
}

}  // namespace

bool estendi_piano(tabella_piano& piano, cursore_piano& cursore, int64_t fine, bool curva, double k,
                   int64_t limite) {
    const int32_t primo = cursore.i;
    if (primo > fine) {
        return true;
    }
    const auto ultimo = static_cast<int32_t>(std::min(fine, std::max<int64_t>(primo, limite)));
    if (curva) {
        calcola_punti<true>(piano, cursore, ultimo, k);
    } else {
        calcola_rettilineo(piano, cursore, ultimo);
    }
    return cursore.i <= limite;
}

void segna_calcolati(tabella_piano& piano, const cursore_piano& cursore, int32_t primo) {
    if (cursore.i > primo) {
        piano.segna_doppi(static_cast<std::size_t>(primo), static_cast<std::size_t>(cursore.i - 1));
    }
}

bool traccia_curva(tabella_piano& piano, cursore_piano& cursore, int64_t inizio, int64_t fine,
                   double k) {
    const int32_t primo = cursore.i;
    const bool entro = estendi_piano(piano, cursore, inizio, false, 0.0, ultimo_punto_ammesso) &&
                       estendi_piano(piano, cursore, fine, true, k, ultimo_punto_ammesso);
    segna_calcolati(piano, cursore, primo);
    return entro;
}
