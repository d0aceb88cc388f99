// The key to the marks of the pianta picture, in one row.
#pragma once

#include "tools/svg.h"

// The key of the map (`profili` false) or of the profiles below it, at height `y`.
void disegna_legenda(scrittore_svg& svg, double y, bool profili);
