// The route plan computed point by point from the last two points: straight stretches
// (compactor/rettilineo.h) and curved ones (compactor/curva.h), as the line phase's rows
// and its completion ask for them.
#pragma once

#include "compactor/tabella_piano.h"

#include <cstdint>

// The plan is extended point by point from the last two points, kept here so that the
// loops never read the plan back.
struct cursore_piano {
    int32_t i = 2;              // next point to compute
    double x2 = 0.0, y2 = 0.0;  // point i - 2
    double x1 = 0.0, y1 = 1.0;  // point i - 1
};

// Extends the plan up to point `fine`, straight on or along a curve. Stops after the first
// point whose successor would pass `limite`, returning false. The caller marks the new
// points as Doubles (segna_calcolati), once for all it extends in a row.
bool estendi_piano(tabella_piano& piano, cursore_piano& cursore, int64_t fine, bool curva, double k,
                   int64_t limite);

// The points computed since point `primo` hold Doubles.
void segna_calcolati(tabella_piano& piano, const cursore_piano& cursore, int32_t primo);

// Straight up to point `inizio`, then turning up to point `fine`; false as soon as the
// next point passes the index limit.
bool traccia_curva(tabella_piano& piano, cursore_piano& cursore, int64_t inizio, int64_t fine,
                   double k);
