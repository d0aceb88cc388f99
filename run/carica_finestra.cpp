// The program's way to its window: the window code and FLTK live in a module built into
// the program (modulo_finestra.S), which is opened from memory only when DISPLAY names a
// display. A run without a display never loads FLTK and the X libraries, whose loading
// would otherwise take more time than the whole compactor.
#include "run/presentazione.h"

#include <dlfcn.h>
#include <sys/mman.h>
#include <unistd.h>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

extern "C" const char modulo_finestra_inizio[], modulo_finestra_fine[];

namespace {

// The module as a file in memory, opened by the dynamic loader. The descriptor stays
// open for the life of the process, so the module keeps a path that tools can read.
void* carica_modulo(std::string& errore) {
    const int descrittore = ::memfd_create("orvesa_cusvana_finestra", MFD_CLOEXEC);
    if (descrittore < 0) {
        errore = std::strerror(errno);
        return nullptr;
    }
    const char* dati = modulo_finestra_inizio;
    while (dati < modulo_finestra_fine) {
        const ssize_t n =
            ::write(descrittore, dati, static_cast<std::size_t>(modulo_finestra_fine - dati));
        if (n < 0 && errno != EINTR) {
            errore = std::strerror(errno);
            ::close(descrittore);
            return nullptr;
        }
        dati += n > 0 ? n : 0;
    }
    const std::string percorso = "/proc/self/fd/" + std::to_string(descrittore);
    void* modulo = ::dlopen(percorso.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (modulo == nullptr) {
        errore = ::dlerror();
        ::close(descrittore);
    }
    return modulo;
}

}  // namespace

std::unique_ptr<presentazione> apri_presentazione(const std::string& titolo) {
    // With DISPLAY unset or empty Xlib opens no display: terminal mode, as it would be.
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || *display == '\0') {
        return presentazione_terminale();
    }
    std::string errore;
    void* modulo = carica_modulo(errore);
    void* entrata = nullptr;
    if (modulo != nullptr) {
        entrata = ::dlsym(modulo, "orvesa_apri_finestra");
        if (entrata == nullptr) {
            errore = ::dlerror();
        }
    }
    if (entrata == nullptr) {
        // FLTK or an X library missing on this machine: the run goes on in the terminal.
        std::cerr << "orvesa_cusvana: finestra non disponibile (" << errore << ")\n";
        return presentazione_terminale();
    }
    const auto apri = reinterpret_cast<decltype(&orvesa_apri_finestra)>(entrata);
    return std::unique_ptr<presentazione>(apri(titolo.c_str()));
}
