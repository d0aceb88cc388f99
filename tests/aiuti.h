// Helpers shared by the tests: temporary directories, whole-file reads, running programs.
#pragma once

#include "compactor/compattatore.h"
#include "comune/cartella_temporanea.h"
#include "comune/sistema_file.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

void scrivi_tutto(const std::filesystem::path& file, const std::string& contenuto);
// The names of the entries of a folder, sorted.
std::vector<std::string> nomi_ordinati(const std::filesystem::path& cartella);

// Little-endian bytes of a number, to build expected file contents by hand.
std::string le16(int16_t v);
std::string le32(int32_t v);
std::string le64_double(double v);

struct esito_processo {
    int stato = -1;      // the exit status, or 128 + the signal that ended it
    std::string errori;  // standard error
};
// Runs a program with arguments, standard output discarded, standard error captured,
// without a display (terminal mode) unless ambiente_extra sets DISPLAY.
esito_processo esegui(const std::filesystem::path& programma,
                      const std::vector<std::string>& argomenti,
                      const std::vector<std::string>& ambiente_extra = {});

// What the child gets as standard error.
enum class errori_standard {
    catturati,    // a pipe that attendi() reads
    tubo_chiuso,  // a pipe whose read end is already closed: every write fails
    chiusi,       // no descriptor 2 at all
};
// A program started and not yet waited for, so that several can run at once.
struct processo_avviato {
    int pid = -1;
    int lettura = -1;  // the read end of its standard error, or -1
};
processo_avviato avvia(const std::filesystem::path& programma,
                       const std::vector<std::string>& argomenti,
                       const std::vector<std::string>& ambiente_extra = {},
                       errori_standard errori = errori_standard::catturati);
// Reads its standard error to the end and waits for it.
esito_processo attendi(processo_avviato& processo);

// Where the problem that codice_errore holds stands, when a source row caused it.
std::optional<origine_problema> origine_di(const compattatore& c);

// A program of the system, looked up on PATH; empty when it is not there.
std::filesystem::path cerca_programma(const std::string& nome);
