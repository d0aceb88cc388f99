// compattatore osserva: compaction on save.
#pragma once

#include "comune/identita.h"

#include <filesystem>
#include <functional>
#include <iosfwd>
#include <optional>

// Watches `cartella` and, after each burst of saves of a source (200 ms without another),
// compacts again the scenarios whose sources were saved (`coppia` only, when given; else
// every pair found in the folder at that moment), printing a time-stamped line, the compact
// files' names and the problems as compatta does. Sources are read whole and checked by size
// and time stamp before and after reading and again before the compact files are written,
// so a source half written when read gives no compact file: it is read again at its next
// save. `dopo`, when given, runs after each burst's compactions (vedi --osserva writes its
// page there). Returns 0 when the user asks it to stop.
int comando_osserva(const std::filesystem::path& cartella,
                    const std::optional<identita_scenario>& coppia, std::ostream& uscita,
                    std::ostream& errori, const std::function<void()>& dopo = {});
