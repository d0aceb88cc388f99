#include "comune/memoria.h"

#include <sys/mman.h>

#include <cstdint>
#include <new>
#include <utility>

namespace {

constexpr std::size_t pagina_grande = std::size_t{2} << 20;
constexpr std::size_t pagina = 4096;

// Below half a huge page, a whole one would cost more to clear than the faults it saves.
bool su_pagine_grandi(std::size_t byte) {
    return byte >= pagina_grande / 2;
}

// What the mapping spans: a block under one huge page takes it whole; a larger one takes
// huge pages for its whole 2 MiB stretches and ordinary pages after them, so that it
// never holds much more memory than it uses.
std::size_t estensione(std::size_t byte) {
    return byte <= pagina_grande ? pagina_grande : (byte + pagina - 1) / pagina * pagina;
}

// The last block given back is kept for the next request of the same extent, as the heap
// keeps freed memory: a program that compacts again and again (the tests, the benchmarks)
// does not map and clear it anew each time.
struct blocco_tenuto {
    void* indirizzo = nullptr;
    std::size_t spazio = 0;

    void lascia() {
        if (indirizzo != nullptr) {
            ::munmap(indirizzo, spazio);
            indirizzo = nullptr;
        }
    }
    ~blocco_tenuto() { lascia(); }
};
thread_local blocco_tenuto tenuto;

}  // namespace

void* prendi_blocco(std::size_t byte) {
    if (!su_pagine_grandi(byte)) {
        return ::operator new(byte);
    }
    const std::size_t spazio = estensione(byte);
    if (tenuto.indirizzo != nullptr && tenuto.spazio == spazio) {
        return std::exchange(tenuto.indirizzo, nullptr);
    }
    tenuto.lascia();
    // Mapped with a huge page's room to spare, then trimmed to a 2 MiB boundary.
    void* const mappa = ::mmap(nullptr, spazio + pagina_grande, PROT_READ | PROT_WRITE,
                               MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mappa == MAP_FAILED) {
        throw std::bad_alloc();
    }
    const auto inizio_mappa = reinterpret_cast<std::uintptr_t>(mappa);
    const std::uintptr_t inizio = (inizio_mappa + pagina_grande - 1) & ~(pagina_grande - 1);
    if (inizio > inizio_mappa) {
        ::munmap(mappa, inizio - inizio_mappa);
    }
    const std::size_t dopo = inizio_mappa + spazio + pagina_grande - (inizio + spazio);
    if (dopo > 0) {
        ::munmap(reinterpret_cast<void*>(inizio + spazio), dopo);
    }
    // Only a hint: where the kernel keeps huge pages off, the block has ordinary ones.
    ::madvise(reinterpret_cast<void*>(inizio), spazio / pagina_grande * pagina_grande,
              MADV_HUGEPAGE);
    return reinterpret_cast<void*>(inizio);
}

void rendi_blocco(void* blocco, std::size_t byte) noexcept {
    if (blocco == nullptr) {
        return;
    }
    if (!su_pagine_grandi(byte)) {
        ::operator delete(blocco);
        return;
    }
    tenuto.lascia();
    tenuto.indirizzo = blocco;
    tenuto.spazio = estensione(byte);
}
