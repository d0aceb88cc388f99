// The preparation of the process on Windows: the console's code page, and the console's
// events that end a run without leaving its files.
#include "comune/processo.h"

#include "comune/sistema_file.h"

#include <windows.h>

namespace {

// Ctrl-C, Ctrl-Break and the console's close remove the run's own temporary files (the
// lock file goes by itself when its handle closes); the system's own handler, called next,
// then ends the process as it would have.
BOOL WINAPI alla_fine(DWORD) {
    rimuovi_registrati();
    return FALSE;
}

}  // namespace

void prepara_processo() {
    // Without a console (the window program) this does nothing.
    ::SetConsoleOutputCP(CP_UTF8);
    ::SetConsoleCtrlHandler(alla_fine, TRUE);
}

void assicura_flussi_standard() {}
