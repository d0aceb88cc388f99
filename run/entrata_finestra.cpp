// Entry of the window module: the one symbol the module exports to the program.
#include "run/presentazione.h"

extern "C" __attribute__((visibility("default"))) presentazione* orvesa_apri_finestra(
    const char* titolo) {
    return apri_presentazione(titolo).release();
}
