// The checker: every problem the compactor's own run records, with what a reading that
// goes on after each problem finds besides, in one list in source order, each problem
// once. Every front end (text, JSON lines, the editor's server, the page) renders it.
#pragma once

#include "compactor/compattatore.h"
#include "comune/identita.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// One entry of the list: a problem or a warning, where it sorts and what it says.
struct segnalazione {
    int gruppo;  // 0 line file, 1 train file, 2 neither, 3 the header checks
    int riga;    // 0 for a warning about a whole file, INT_MAX for a problem of one
    int colonna;
    std::size_t ordine;  // as recorded, for ties
    bool problema;
    std::string testo;  // as printed
    std::filesystem::path file;
    std::optional<origine_problema> origine;
    std::optional<int32_t> codice;  // problems only; 1250 and 1251 for the header checks
    std::string nome;
    std::optional<int32_t> posizione;
    std::string messaggio;
    std::optional<int32_t> cella;   // the walk's problems: the first cell tried
    bool del_compattatore = false;  // recorded by the compactor's own run
    bool in_vigore = false;         // the code that run leaves in the model
    // A problem that stopped the train file's reading later on: the row where it stopped.
    std::optional<origine_problema> nota = std::nullopt;
};

// The list for the sources in `cartelle.sorgenti` (nothing is written or deleted); with
// senza_linea, as the compactor runs without the route plan.
std::vector<segnalazione> controlla_sorgenti(const cartelle_compattatore& cartelle,
                                             const identita_scenario& identita, bool senza_linea);

// The message of a failed header check.
std::string messaggio_intestazione(int numero);
