// What every fuzz target checks after each input: the sizes of the grid and the plan, the
// problem code, the compact files and the source files left behind. A broken rule prints
// what broke and aborts, which the fuzzer reports as a crash with the input that caused it.
#pragma once

#include "compactor/compattatore.h"
#include "comune/sistema_file_memoria.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string_view>

// One scratch directory per process, removed when the process ends normally.
const std::filesystem::path& cartella_fuzz();

// The file seam of the compactor's runs: its files stand in memory under the scratch
// directory's names, so that no input waits on the disk.
sistema_file_in_memoria& memoria_fuzz();

// Empties the scratch directory and the memory (leftovers of the previous input).
void svuota_cartella_fuzz();

// A file on the disk, for readers that do not go through the seam.
void scrivi_file(const std::filesystem::path& file, std::string_view contenuto);

// The carried source files as the writers emit them, read once.
const std::string& sorgente_linea_portata();
const std::string& sorgente_treno_portata();

[[noreturn]] void violazione(const std::string& cosa);

// celle and tracciato sized from n_celle and lunghezza_estesa, no plan without
// scrivi_linea, the problem code one that the compactor documents, counters in range.
void verifica_modello(const compattatore& c);

// After memorizza_dati on two existing source files: the line source is always gone; the
// train source is gone exactly when the train phase ran or a read failure deleted both.
void verifica_sorgenti_dopo_lettura(const compattatore& c);

// Sizes of the compact files from their layouts: ".dat" 15 x (n_celle + 1), ".sim"
// 87 x 34 + the names' lengths, "_linea.dat" from the types of the plan's values.
void verifica_file_compatti(const compattatore& c);

// None of the three compact files exists.
void verifica_nessun_file_compatto(const compattatore& c);

// Both reader phases on the two source texts, in memory, then the walk and
// the header checks on what they built, with every check above along the way.
void leggi_e_verifica(std::string_view linea, std::string_view treno, int32_t scrivi_linea);

// Expected byte size of the plan file for the plan held in the model.
std::size_t byte_piano_attesi(const compattatore& c);
