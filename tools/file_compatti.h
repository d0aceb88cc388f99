// The three compact files read back, for mostra and pianta. A size that does not fit the
// layout throws errore_esecuzione naming the file and saying what does not fit.
#pragma once

#include "compactor/modello.h"
#include "compactor/tabella_piano.h"

#include <filesystem>
#include <vector>

std::vector<cella> leggi_celle(const std::filesystem::path& file);
std::vector<voce> leggi_voci(const std::filesystem::path& file);
tabella_piano leggi_piano(const std::filesystem::path& file);
