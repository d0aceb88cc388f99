// The grid walk: "abbattimento" points before signals and along slowdowns.
#include "compactor/compattatore.h"

void compattatore::cammina_griglia() {}
