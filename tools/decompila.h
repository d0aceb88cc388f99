// The way back: from the three compact files to two sources that compact to the same bytes.
// The rows are proposed from the decoded files and confirmed by compacting them again in
// a scratch folder, with the compactor's own readers, walk and header checks; nothing is
// written unless that compaction gives the input back (or --parziale lists what differs).
#pragma once

#include "compactor/modello.h"
#include "comune/identita.h"

#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

struct opzioni_decompila {
    bool senza_linea = false;  // no _linea.dat: sources for compatta --senza-linea
    bool parziale = false;     // write sources that differ, listing the differences
    bool sovrascrivi = false;  // replace existing sources in the output folder
};

// The compact files as decoded; no plan with senza_linea.
struct file_compatti_decodificati {
    std::vector<cella> celle;
    std::vector<voce> voci;
    std::optional<tabella_piano> piano;
};

struct esito_decompila {
    std::string linea;  // the line source, Windows-1252 with CR LF
    std::string treno;  // the train source
    // What cannot be expressed or where the sources' compaction differs from the input,
    // each naming the file and the record, cell or point; empty: the same bytes.
    std::vector<std::string> differenze;
    // The problems that the sources' compaction records ("problema N a P m: ..."), as the
    // run that wrote the input may have recorded them.
    std::vector<std::string> problemi;
};

// Proposes the two sources for `compatti` and compacts them again to confirm them.
esito_decompila decompila_file(const file_compatti_decodificati& compatti,
                               const identita_scenario& identita, bool senza_linea);

// The whole command: reads DIR's compact files, writes the sources into `uscita` under its
// lock. Returns 0, 1 (refused: nothing written) or 3 (--parziale with differences).
int decompila_scenario(const std::filesystem::path& cartella, const identita_scenario& identita,
                       const std::filesystem::path& uscita, const opzioni_decompila& opzioni,
                       std::ostream& esito, std::ostream& errori);
int comando_decompila(const std::filesystem::path& cartella, const identita_scenario& identita,
                      const std::filesystem::path& uscita, const opzioni_decompila& opzioni);
