// Curved stretches of the plan. Each point turns the last step by about k radians to the
// right (left for negative k), the step growing by sqrt(1 + k^2), which the plan keeps:
//   x = x1 + (dx + k dy),  y = y1 + (dy + (-k) dx) = y1 + (dy - k dx),
// with dx = x1 - x2, dy = y1 - y2, rounded at every operation, and the file must hold
// exactly those roundings. x and y go side by side in one two-lane register, each lane
// rounding as the scalar operation would.
#pragma once

#include <cstdint>

using coppia = double __attribute__((vector_size(16)));

// Whether two pairs hold the same bits (a comparison of numbers would take -0 for 0).
inline bool stessi_bit(coppia a, coppia b) {
    using bit_coppia = int64_t __attribute__((vector_size(16)));
    const bit_coppia diversi = reinterpret_cast<bit_coppia>(a) ^ reinterpret_cast<bit_coppia>(b);
    return (diversi[0] | diversi[1]) == 0;
}

// Points primo..ultimo after p1 (which follows p2), each handed to metti(i, point); p1 and
// p2 end as the last two points.
//
// Every point waits on the one before it, so the time goes in the chain of operations
// from one point to the next, not in their number. Written as above the chain is four
// operations long (dx, k dy, dx + k dy, x1 + ...). The loop computes each point as
// (x1 + dx) + k dy instead: x1 + dx does not wait on k dy, and the chain is three long.
// Where x1 + dx is exact and dx + k dy does not round onto a halfway point of x's unit,
// both forms give the same bits, and that is nearly everywhere; so every point is also
// computed the first way, beside the chain, and where the two differ in a single bit, the
// first way's point is the one kept. The swapped cross term, (dy, dx), comes from the
// points kept with their lanes swapped, computed alongside with the same operations lane
// for lane, so that no shuffle sits on the chain either.
template <typename Metti>
void punti_in_curva(coppia& p1, coppia& p2, int64_t primo, int64_t ultimo, double k, Metti metti) {
    const coppia giro = {k, -k};
    const coppia giro_scambiato = {-k, k};
    coppia q1 = {p1[1], p1[0]};
    coppia q2 = {p2[1], p2[0]};
    for (int64_t i = primo; i <= ultimo; ++i) {
        const coppia d = p1 - p2;
        const coppia d_scambiato = q1 - q2;
        const coppia svolta = giro * d_scambiato;
        coppia p = (p1 + d) + svolta;
        coppia q = (q1 + d_scambiato) + giro_scambiato * d;
        const coppia esatto = p1 + (d + svolta);
        if (__builtin_expect(!stessi_bit(p, esatto), 0)) {
            p = esatto;
            q = coppia{esatto[1], esatto[0]};
        }
        metti(i, p);
        p2 = p1;
        p1 = p;
        q2 = q1;
        q1 = q;
    }
}
