// Fuzz target: the train phase on an arbitrary train source after the line phase on the
// carried line source, then the grid walk and the header checks on what they built. The
// plan is not asked for: the train phase never touches it, and leaving it out keeps each
// input fast.
#include "fuzz/verifiche.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* dati, size_t dimensione) {
    leggi_e_verifica(sorgente_linea_portata(), {reinterpret_cast<const char*>(dati), dimensione},
                     0);
    return 0;
}
