// Line record stores: chainage ordering, mountain spans, maximum-speed signs.
#include "compactor/compattatore.h"

void compattatore::progressive_ordina() {}
void compattatore::memo_montagna(int32_t&, int32_t&, int32_t&) {}
void compattatore::memo_indicatori_v_max(int32_t, int32_t&, int32_t&, int32_t&, int32_t&, int32_t&,
                                         int32_t&, int32_t&, int32_t&) {}
