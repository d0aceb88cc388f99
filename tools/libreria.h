// Library mode: compatta and controlla on every scenario found under a folder, spread over
// several workers, with the output in the same order whatever their number.
#pragma once

#include "tools/strumento.h"

#include <filesystem>
#include <iosfwd>

struct opzioni_libreria {
    bool controlla = false;  // controlla; else compatta
    opzioni_controllo controllo;
    bool senza_linea = false;
    int lavori = 1;
    // A line on standard error, replaced as the work goes on: the count, the current
    // scenario and the time elapsed (the caller sets it when standard error is a terminal).
    bool avanzamento = false;
};

// Every scenario under `cartella` (recursively), each train compacted or checked: the
// compact files' names or the report to `uscita`, the problems of compatta to `errori`,
// then one summary line. A problem of a line source is listed once per scenario. Returns
// the worst status: 1 if a run failed or a source was left out for its name, else 2 if a
// header check failed, else 3 if any has a problem, else 0.
int esegui_libreria(const std::filesystem::path& cartella, const opzioni_libreria& opzioni,
                    std::ostream& uscita, std::ostream& errori);

// Whether standard error is a terminal.
bool errori_su_terminale();
