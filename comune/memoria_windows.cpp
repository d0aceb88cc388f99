#include "comune/memoria.h"

#include <new>

// Large pages on Windows need a privilege that players do not hold: the heap it is.
void* prendi_blocco(std::size_t byte) {
    return ::operator new(byte);
}

void rendi_blocco(void* blocco, std::size_t) noexcept {
    ::operator delete(blocco);
}
