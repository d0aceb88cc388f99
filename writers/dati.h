// The five writers of the scenario's text files, in the order a run calls them.
#pragma once

#include "comune/identita.h"

#include <filesystem>

void dati_linea(const std::filesystem::path& cartella, const identita_scenario& id);
void dati_treno(const std::filesystem::path& cartella, const identita_scenario& id);
void dati_note(const std::filesystem::path& cartella, const identita_scenario& id);
void dati_rallentamenti(const std::filesystem::path& cartella, const identita_scenario& id);
void dati_scheda(const std::filesystem::path& cartella, const identita_scenario& id);

// All five, in run order.
void scrivi_testi_scenario(const std::filesystem::path& cartella, const identita_scenario& id);
