// The engine's one way in: one request for one scenario and one train gives one outcome of
// plain values, which every front end renders (text, JSON, the editor's diagnostics, the
// page). Nothing else of the engine is needed to compact or to check.
//
//     richiesta r;
//     r.cartella = "prova";
//     r.identita = {"Orvesa_Cusvana", "5927"};
//     const esito e = esegui(r);  // prova/Orvesa_Cusvana_linea.txt and _5927-.txt read,
//                                 // the three compact files written beside them
//     std::cerr << testo_dei_problemi(e);
//     return e.stato;             // 0, 1, 2 or 3, as the programs end
#pragma once

#include "compactor/compattatore.h"
#include "compactor/controllo.h"
#include "comune/errore_esecuzione.h"
#include "comune/identita.h"
#include "comune/sistema_file.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// The folder's lock, for a run that writes into its folder; a run that writes nothing
// takes none.
enum class blocco_richiesto {
    attendi,        // wait while another run holds it
    non_attendere,  // when another run holds it, do nothing: esito::occupata
    gia_preso       // the caller holds it already
};

// Where the compact files go.
enum class uscita_compatta {
    cartella,    // written into the folder
    in_memoria,  // returned as bytes in esito::file, nothing written
    nessuna      // none made: the run stops after the header checks, with the scenario codes
                 // stored, and its model is in esito::modello
};

// The two source files' bytes, for sources that are not (or not yet) on disk; a file
// without bytes is missing.
struct sorgenti_in_memoria {
    std::optional<std::string> linea;
    std::optional<std::string> treno;
};

struct richiesta {
    identita_scenario identita;
    // Where the sources are (or would be) and the compact files go: the paths the outcome
    // names, even when nothing is read from or written to the disk.
    std::filesystem::path cartella;
    // The sources' bytes; without them the sources are read from the folder.
    std::optional<sorgenti_in_memoria> testi;
    uscita_compatta uscita = uscita_compatta::cartella;
    // Whether the route plan is built: without it, curve rows are not read.
    bool costruisci_piano = true;
    // Whether the plan built goes into SCENARIO_linea.dat (a scenario's later trains leave
    // it to the first).
    bool scrivi_file_linea = true;
    // The one-shot program's way: the sources go once read.
    bool elimina_sorgenti = false;
    blocco_richiesto blocco = blocco_richiesto::attendi;
    // Compaction, or the checker's list: every problem and warning, with nothing written.
    modo_lettura modo = modo_lettura::compattazione;
    // The file seam; null for the platform's. A test passes one that fails on purpose.
    sistema_file* sistema = nullptr;
    // The name a waiting run gives the lock's holder.
    std::string programma = "compattatore";
};

// A compact file the run made: its path, and its bytes when they stayed in memory.
struct file_compatto {
    std::filesystem::path percorso;
    std::string byte;
};

struct esito {
    int stato = 0;  // as stato_uscita
    // The other run held the folder's lock and blocco_richiesto::non_attendere was asked:
    // nothing was read or written.
    bool occupata = false;
    identita_scenario identita;
    std::filesystem::path linea;  // the two source files' paths
    std::filesystem::path treno;
    // The compact files written (or made in memory), in the order they were written.
    std::vector<file_compatto> file;
    // Every problem the compactor recorded, in order: the one in force, when it was
    // recorded, is the last.
    std::vector<problema_registrato> problemi;
    int32_t codice_errore = 0;  // the code the model keeps, 0 for none
    int32_t posizione_errore = 0;
    // The header check that failed (1250, 1251), with the row whose write made it fail.
    std::optional<intestazione_fallita> intestazione;
    // A run-time failure: the file and the system's reason. The problems recorded before
    // it stay above.
    std::optional<errore_esecuzione> fallimento;
    // The checker's list (modo_lettura::controllo).
    std::shared_ptr<const elenco_controllo> controllo;
    // The model as the compact files would hold it (uscita_compatta::nessuna); its grid is
    // empty when the sources made none.
    std::shared_ptr<const modello_scenario> modello;
};

esito esegui(const richiesta& r);

// A scenario's trains, each as `base` asks with its own train: every train builds the plan
// it asks for, so that each is compacted as it would be alone, and the plan's file is
// written once, by the first train that gets as far as writing.
std::vector<esito> esegui_scenario(const richiesta& base, const std::vector<std::string>& treni);

// What the compactor prints on standard error of the problems it recorded, in order, the
// one in force last; empty when there is none.
std::string testo_dei_problemi(const esito& e);
