// Pieces shared by the benchmark programs: a scratch directory and the run of the whole
// compactor on sources already written there.
#pragma once

#include "compactor/compattatore.h"
#include "comune/cartella_temporanea.h"

#include <filesystem>
#include <string>

// The three compact files of a run, as bytes.
struct byte_compatti {
    std::string linea;
    std::string voci;
    std::string celle;
};

// Reads the compact files that a run left in the directory.
byte_compatti leggi_compatti(const std::filesystem::path& cartella, const identita_scenario& id);

// Writes the same bytes with the same replace steps as the output step, and nothing else.
void scrivi_compatti(const std::filesystem::path& cartella, const identita_scenario& id,
                     const byte_compatti& byte);

// What a run left behind, in words, or an empty text when it compacted without a problem.
std::string problema_di(const compattatore& c, int esito_intestazione);
