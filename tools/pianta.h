// The pianta picture: the page that the command writes, and the fuzz target draws.
#pragma once

#include "comune/identita.h"
#include "tools/pianta_scenario.h"

#include <string>

// The whole picture of a scenario read, as an SVG document.
std::string disegna_pianta(const scenario_letto& s, const identita_scenario& identita);
