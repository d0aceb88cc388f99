// The scenarios found in a folder from their sources' names: every SCENARIO_linea.txt with
// every SCENARIO_TRENO-.txt beside it, in the folder alone or in the whole tree below it.
#pragma once

#include "comune/identita.h"

#include <filesystem>
#include <string>
#include <vector>

struct scenario_trovato {
    std::filesystem::path cartella;
    std::string nome;
    std::vector<std::string> treni;  // in byte order
};

struct scenari_trovati {
    // By folder (in byte order of the path), then by name.
    std::vector<scenario_trovato> scenari;
    // "FILE: avviso: ..." for a train source without its line source, a line source
    // without trains.
    std::vector<std::string> avvisi;
    // "FILE: ...": a source whose SCENARIO or TRENO breaks the rules of the command line,
    // left out.
    std::vector<std::string> saltati;
};

// Where two readings of a train source's name are possible (A_linea.txt and A_B_linea.txt
// beside A_B_C-.txt), the longest SCENARIO wins. A folder that cannot be read throws
// errore_esecuzione; in the tree below it, one that cannot be entered is left out.
scenari_trovati trova_scenari(const std::filesystem::path& cartella, bool ricorsiva);
