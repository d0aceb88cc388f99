// Train record stores: signals and slowdowns.
#include "compactor/compattatore.h"

void compattatore::memo_segnale(int32_t, int32_t&, int32_t&, int32_t&, int32_t&, int32_t&, int32_t&,
                                int32_t&, int32_t&, int32_t&, int32_t&) {}
void compattatore::memo_rallentamento(int32_t, int32_t&, int32_t&, int32_t&, int32_t, int32_t&) {}
