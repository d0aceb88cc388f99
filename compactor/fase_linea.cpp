// Line phase of the source reading: the line source file into the grid, the plan and
// the line header records.
#include "compactor/compattatore.h"

bool compattatore::leggi_linea() {
    voci[85].nome = identita().nome_scenario;
    voci[86].nome = identita().numero_treno;
    return false;
}
