// Curved stretches of the plan. Every point written here is also computed by the plain
// recurrence below, and wherever the two differ in any bit the plain one is kept: the
// faster loop changes only the time a curve takes, never its bytes.
// Each point turns the last step by about k radians to the right (left for negative k),
// the step growing by sqrt(1 + k^2), which the plan keeps:
//   x = x1 + (dx + k dy),  y = y1 + (dy + (-k) dx) = y1 + (dy - k dx),
// with dx = x1 - x2, dy = y1 - y2, rounded at every operation, and the file must hold
// exactly those roundings. x and y go side by side in one two-lane register, each lane
// rounding as the scalar operation would.
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>

using coppia = double __attribute__((vector_size(16)));

// Whether two pairs hold the same bits (a comparison of numbers would take -0 for 0).
inline bool stessi_bit(coppia a, coppia b) {
    using bit_coppia = int64_t __attribute__((vector_size(16)));
    const bit_coppia diversi = reinterpret_cast<bit_coppia>(a) ^ reinterpret_cast<bit_coppia>(b);
    return (diversi[0] | diversi[1]) == 0;
}

// The point after p1 (which follows p2) as the file needs it, the recurrence above.
inline coppia punto_dopo(coppia p1, coppia p2, coppia giro) {
    const coppia d = p1 - p2;
    return p1 + (d + giro * coppia{d[1], d[0]});
}

// Points primo..ultimo after p1 (which follows p2) by the recurrence, each handed to
// metti(i, point); p1 and p2 end as the last two points.
template <typename Metti>
void curva_passo_passo(coppia& p1, coppia& p2, int64_t primo, int64_t ultimo, double k,
                       Metti metti) {
    const coppia giro = {k, -k};
    for (int64_t i = primo; i <= ultimo; ++i) {
        const coppia p = punto_dopo(p1, p2, giro);
        metti(i, p);
        p2 = p1;
        p1 = p;
    }
}

namespace dettaglio_curva {

// A double's biased exponent: 0 for zero and subnormals, 0x7ff for infinities and NaN.
inline int esponente_biased(double v) {
    return static_cast<int>((std::bit_cast<uint64_t>(v) >> 52) & 0x7ff);
}

// Whether both coordinates of p1 and p2 are normal numbers of one binade each, well above
// the step between them, and the two binades within 16 times of each other: the ground
// the two-operation loop stands on.
inline bool una_binade_per_coordinata(coppia p1, coppia p2) {
    for (int l = 0; l < 2; ++l) {
        const int e = esponente_biased(p1[l]);
        if (e == 0 || e == 0x7ff || std::signbit(p1[l]) != std::signbit(p2[l]) ||
            e != esponente_biased(p2[l]) ||
            std::fabs(p1[l] - p2[l]) > std::ldexp(1.0, e - 1023 - 4)) {
            return false;
        }
    }
    return std::abs(esponente_biased(p1[0]) - esponente_biased(p1[1])) <= 4;
}

}  // namespace dettaglio_curva

// The same points, faster. Every point waits on the one before it, so the time goes in the
// chain of operations from one point to the next, four long in the recurrence (dx, k dy,
// dx + k dy, x1 + ...). Where each coordinate stays in one binade, every x is a whole
// number of units u_x = 2^(e_x - 52), and so is every step dx; each new step is the turned
// step rounded to whole units. The loop carries the step offset by a number M of the
// binade, D = M + dx: then a single addition rounds to whole units by itself, and
//   D' = (D - K) + k D_y,  K = the whole number of units nearest to k M_y,
// is M plus the next step, but where the exact value falls within a hair of a half unit
// (about k u_y / u_x of the cases). The chain from D to D' is a multiplication and an
// addition; the points follow beside it, p = p1 + (D' - M). Every point is also computed
// by the recurrence, beside the chain, and wherever the two differ in a single bit the
// recurrence's point is kept. Outside that ground, and after 64 points replaced in one
// curve (a coordinate left its binade), the recurrence alone takes the rest.
template <typename Metti>
void punti_in_curva(coppia& p1, coppia& p2, int64_t primo, int64_t ultimo, double k, Metti metti) {
    if (k == 0.0 || !dettaglio_curva::una_binade_per_coordinata(p1, p2)) {
        curva_passo_passo(p1, p2, primo, ultimo, k, metti);
        return;
    }
    const int ex = dettaglio_curva::esponente_biased(p1[0]) - 1023;
    const int ey = dettaglio_curva::esponente_biased(p1[1]) - 1023;
    const double unita_x = std::ldexp(1.0, ex - 52);
    const double unita_y = std::ldexp(1.0, ey - 52);
    const double ak = std::fabs(k);
    // M_x = ny u_y / |k|, near 1.5 2^e_x: k M_x then lies within about |k| u_x of ny whole
    // y units, which are y's K, exactly; M_y and x's K the same way.
    const double ny = std::nearbyint(1.5 * std::ldexp(ak, ex) / unita_y);
    const double nx = std::nearbyint(1.5 * std::ldexp(ak, ey) / unita_x);
    const coppia m = {ny * unita_y / ak, nx * unita_x / ak};
    const coppia k_m = {std::copysign(nx * unita_x, k), -std::copysign(ny * unita_y, k)};
    const coppia k_m_scambiato = {k_m[1], k_m[0]};
    const coppia giro = {k, -k};
    const coppia giro_scambiato = {-k, k};

    coppia passo = m + (p1 - p2);
    coppia passo_scambiato = {passo[1], passo[0]};
    int sostituiti = 0;
    for (int64_t i = primo; i <= ultimo; ++i) {
        const coppia nuovo = (passo - k_m) + giro * passo_scambiato;
        passo_scambiato = (passo_scambiato - k_m_scambiato) + giro_scambiato * passo;
        passo = nuovo;
        coppia p = p1 + (passo - m);
        const coppia esatto = punto_dopo(p1, p2, giro);
        if (__builtin_expect(!stessi_bit(p, esatto), 0)) {
            p = esatto;
            passo = m + (esatto - p1);
            passo_scambiato = coppia{passo[1], passo[0]};
            if (++sostituiti > 64) {
                metti(i, p);
                p2 = p1;
                p1 = p;
                curva_passo_passo(p1, p2, i + 1, ultimo, k, metti);
                return;
            }
        }
        metti(i, p);
        p2 = p1;
        p1 = p;
    }
}
