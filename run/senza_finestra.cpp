// The program built without its window (CON_FINESTRA off): every run uses the terminal.
#include "run/presentazione.h"

std::unique_ptr<presentazione> apri_presentazione(const std::string&) {
    return presentazione_terminale();
}
