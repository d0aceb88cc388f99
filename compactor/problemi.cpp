// The table of problem codes, built from the list in problemi.h.
#include "compactor/problemi.h"

namespace {

constexpr descrizione_problema problemi[] = {
#define PROBLEMA_VOCE(nome, numero, posizione, significato) \
    {problema::nome, #nome, significato, posizione},
    PROBLEMI(PROBLEMA_VOCE)
#undef PROBLEMA_VOCE
};

}  // namespace

std::span<const descrizione_problema> tabella_problemi() {
    return problemi;
}

const descrizione_problema* descrivi_problema(int32_t codice) {
    for (const descrizione_problema& p : problemi) {
        if (numero(p.codice) == codice) {
            return &p;
        }
    }
    return nullptr;
}
