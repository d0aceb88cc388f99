// Train phase of the source reading: the train source file into the grid and the records.
#include "compactor/compattatore.h"

void compattatore::leggi_treno() {}
