// Whole-number conversions of the compactor. Every fractional value becomes the nearest
// whole number, a half going to the even neighbour; where a value must fit a field and
// the rules make that a failure, the checked conversions throw errore_lettura, and where
// only the low bits are kept, the truncating ones say so by name.
#pragma once

#include "compactor/errore_lettura.h"

#include <cmath>
#include <cstdint>
#include <limits>

// Nearest whole number, halves to even (the default rounding mode).
inline int64_t arrotonda(double valore) {
    return static_cast<int64_t>(std::nearbyint(valore));
}

inline int32_t come_long(int64_t valore) {
    if (valore < std::numeric_limits<int32_t>::min() ||
        valore > std::numeric_limits<int32_t>::max()) {
        throw errore_lettura("valore fuori dall'intervallo a 32 bit");
    }
    return static_cast<int32_t>(valore);
}

inline int16_t come_integer(int64_t valore) {
    if (valore < std::numeric_limits<int16_t>::min() ||
        valore > std::numeric_limits<int16_t>::max()) {
        throw errore_lettura("valore fuori dall'intervallo a 16 bit");
    }
    return static_cast<int16_t>(valore);
}

inline uint8_t come_byte(int64_t valore) {
    if (valore < 0 || valore > 255) {
        throw errore_lettura("valore fuori dall'intervallo a 8 bit");
    }
    return static_cast<uint8_t>(valore);
}

inline uint8_t bassi_8_bit(int64_t valore) {
    return static_cast<uint8_t>(valore & 0xFF);
}
inline int16_t bassi_16_bit(int64_t valore) {
    return static_cast<int16_t>(static_cast<uint16_t>(valore & 0xFFFF));
}
