// The commands of the compattatore tool and what they share: exit statuses, the checks
// of the command line, and the reading of the three compact files with their layouts.
#pragma once

#include "compactor/compattatore.h"
#include "compactor/controllo.h"
#include "compactor/modello.h"
#include "comune/identita.h"
#include "comune/stato_uscita.h"

#include <filesystem>
#include <iosfwd>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// A wrong command line: the message goes to standard error with the usage, status 64.
class errore_uso : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Throws errore_uso unless `nome` can stand in a file name inside the scenario directory
// and in the single-byte compact files: printable ASCII only, no "/" or "\", no "..",
// not empty and not beginning with "-". `ruolo` names the argument in the message.
void controlla_nome(std::string_view ruolo, const std::string& nome);

int comando_esporta(const std::filesystem::path& cartella);
// One scenario compacted: the compact files' names go to `uscita`, the problems to
// `errori`; returns the exit status. A run-time failure throws errore_esecuzione.
int compatta_scenario(const std::filesystem::path& cartella, const identita_scenario& identita,
                      bool senza_linea, std::ostream& uscita, std::ostream& errori);
int comando_compatta(const std::filesystem::path& cartella, const identita_scenario& identita,
                     bool senza_linea);
enum class formato_controllo { testo, json };
struct opzioni_controllo {
    formato_controllo formato = formato_controllo::testo;
    bool avvisi_come_problemi = false;
    bool senza_linea = false;  // as compatta --senza-linea: no route plan
};
// The checker's list for one scenario: every problem and warning, in source order.
std::vector<segnalazione> controlla_sorgenti(const std::filesystem::path& cartella,
                                             const identita_scenario& identita, bool senza_linea);
// One entry of that list as controlla prints it (text, or one JSON object and a line end).
void scrivi_segnalazione(const segnalazione& s, formato_controllo formato, std::ostream& uscita);
// The last line of the text form: "N problemi, M avvisi".
std::string riassunto_controllo(std::size_t problemi, std::size_t avvisi);
// One scenario checked, its report written to `uscita`; returns the exit status.
int controlla_scenario(const std::filesystem::path& cartella, const identita_scenario& identita,
                       const opzioni_controllo& opzioni, std::ostream& uscita);
int comando_controlla(const std::filesystem::path& cartella, const identita_scenario& identita,
                      const opzioni_controllo& opzioni);
int comando_mostra(const std::filesystem::path& file);
int comando_pianta(const std::filesystem::path& cartella, const identita_scenario& identita,
                   const std::filesystem::path& svg);

// The compact files read back. A size that does not fit the layout throws
// errore_esecuzione naming the file and saying what does not fit.
std::vector<cella> leggi_celle(const std::filesystem::path& file);
std::vector<voce> leggi_voci(const std::filesystem::path& file);
tabella_piano leggi_piano(const std::filesystem::path& file);

// The stations among the general records: slots 1 upward, as long as a record holds any
// number (the sign texts from slot 80 downward hold nothing but their text).
std::vector<int> indici_stazioni(const std::vector<voce>& voci);
