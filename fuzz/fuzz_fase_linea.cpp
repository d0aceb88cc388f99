// Fuzz target: the line phase on an arbitrary line source, followed by the train phase on
// the carried train source, then the grid walk and the header checks on what they built.
#include "fuzz/verifiche.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* dati, size_t dimensione) {
    leggi_e_verifica({reinterpret_cast<const char*>(dati), dimensione}, sorgente_treno_portata(),
                     1);
    return 0;
}
