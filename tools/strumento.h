// The commands of the compattatore tool: one entry point per command, and what controlla
// hands to callers that gather many scenarios.
#pragma once

#include "compactor/compattatore.h"
#include "compactor/controllo.h"
#include "compactor/esecuzione.h"
#include "comune/identita.h"
#include "comune/stato_uscita.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <vector>

int comando_esporta(const std::filesystem::path& cartella);
// One scenario compacted: the compact files' names go to `uscita`, the problems to
// `errori`; returns the exit status. A run-time failure throws errore_esecuzione.
int compatta_scenario(const std::filesystem::path& cartella, const identita_scenario& identita,
                      bool senza_linea, std::ostream& uscita, std::ostream& errori);
// compatta's report of a run: the compact files' names to `uscita`, the problems and a
// failed header check to `errori`; a run-time failure is thrown. Returns the status.
int scrivi_esito_compatta(const esito& e, std::ostream& uscita, std::ostream& errori);
int comando_compatta(const std::filesystem::path& cartella, const identita_scenario& identita,
                     bool senza_linea);
enum class formato_controllo { testo, json };
struct opzioni_controllo {
    formato_controllo formato = formato_controllo::testo;
    bool avvisi_come_problemi = false;
    bool senza_linea = false;  // as compatta --senza-linea: no route plan
    // Entries shown per file before the rest are only counted; 0 shows them all.
    std::size_t limite = limite_segnalazioni_predefinito;
};
// The checker's list for one scenario: every problem and warning, in source order.
std::vector<segnalazione> controlla_sorgenti(const std::filesystem::path& cartella,
                                             const identita_scenario& identita, bool senza_linea);
// The same list held compactly, for a front end that shows it with a limit.
std::shared_ptr<const elenco_controllo> controlla_elenco(const std::filesystem::path& cartella,
                                                        const identita_scenario& identita,
                                                        bool senza_linea);
// One entry of that list as controlla prints it (text, or one JSON object and a line end).
void scrivi_segnalazione(const segnalazione& s, formato_controllo formato, std::ostream& uscita);
// What stands for a file's entries left out past the limit: "N segnalazioni in più non
// mostrate (P problemi, A avvisi): ...".
std::string messaggio_tagliate(const segnalazioni_tagliate& t);
// The line that stands for a file's entries left out past the limit, in the text form:
// "FILE: N segnalazioni in più non mostrate (P problemi, A avvisi): ...".
std::string testo_tagliate(const segnalazioni_tagliate& t);
// That line as controlla prints it (text, or one JSON object with the keys of an entry,
// "gravita" "limite", and the counts).
void scrivi_tagliate(const segnalazioni_tagliate& t, formato_controllo formato,
                     std::ostream& uscita);
// The last line of the text form: "N problemi, M avvisi".
std::string riassunto_controllo(std::size_t problemi, std::size_t avvisi);
// One scenario checked, its report written to `uscita`; returns the exit status.
int controlla_scenario(const std::filesystem::path& cartella, const identita_scenario& identita,
                       const opzioni_controllo& opzioni, std::ostream& uscita);
int comando_controlla(const std::filesystem::path& cartella, const identita_scenario& identita,
                      const opzioni_controllo& opzioni);
int comando_mostra(const std::filesystem::path& file);
// The object a cell holds, by its tipo, in words ("segnale", "" for none).
const char* nome_oggetto(uint8_t tipo);
// A general record's fields as mostra lists them, "marca=25 dato1=3000 nome=\"...\" ...",
// those at zero and an empty name left out ("" for an empty record).
std::string campi_voce(const voce& v);
int comando_pianta(const std::filesystem::path& cartella, const identita_scenario& identita,
                   const std::filesystem::path& svg);
