// The preparation of the process on Windows: the console's code page.
#include "comune/processo.h"

#include <windows.h>

void prepara_processo() {
    // Without a console (the window program) this does nothing.
    ::SetConsoleOutputCP(CP_UTF8);
}

void assicura_flussi_standard() {}
