// The compactor: owns the scenario model and the directory of the source and compact
// files, reads the two source files, walks the grid and writes the compact files. Its
// procedures work directly on the model, which tests may set up and inspect.
#pragma once

#include "compactor/lettore_campi.h"
#include "compactor/modello.h"
#include "comune/identita.h"

#include <filesystem>
#include <optional>
#include <string>

// Where in a source file the row that recorded a problem stands.
struct origine_problema {
    std::filesystem::path file;
    luogo_campo luogo;
    std::string testo_riga;
};

class compattatore : public modello_scenario {
public:
    compattatore(std::filesystem::path cartella, identita_scenario identita);

    // The driver: reads, walks, checks the header slots, writes the compact files.
    // Returns 0 when the files were written, or the number of the header check that
    // failed (1250, 1251), in which case no compact file was written.
    int memorizza_percorso(int32_t& j);
    // The driver after the readers: the walk, the header checks and the compact files,
    // on the model as it stands. Returns as memorizza_percorso does.
    int concludi_percorso();

    // Reads the line source file and then, unless the line phase stopped with a code
    // other than 15, the train source file. Read failures become code 25.
    void memorizza_dati();

    // Line record stores.
    void progressive_ordina();
    void memo_montagna(int32_t& inizio, int32_t& fine, int32_t& tipo);
    void memo_indicatori_v_max(int32_t posizione, int32_t& vas, int32_t& vbs, int32_t& vcs,
                               int32_t& strisces, int32_t& vad, int32_t& vbd, int32_t& vcd,
                               int32_t& strisced);

    // Train record stores.
    void memo_segnale(int32_t posizione, int32_t& sx, int32_t& s1, int32_t& s2, int32_t& s3,
                      int32_t& rapp, int32_t& dx, int32_t& d1, int32_t& d2, int32_t& d3,
                      int32_t& tempo);
    void memo_rallentamento(int32_t x, int32_t& v, int32_t& l, int32_t& f_tt, int32_t f_ta,
                            int32_t& d_v);

    // The grid walk over cells 1 to n_celle - 2, and its helper.
    void cammina_griglia();
    static int16_t minimo(int16_t x, int16_t y) { return x > y ? y : x; }

    // Header checks: 0 when both pass (610 and 5121 then stored), else 1250 or 1251.
    int controlla_intestazione();

    // Scenario codes; both leave the work string in riga.
    int32_t codice_gara_st();
    int16_t codice_gara_og();

    // Stores the scenario codes and writes the compact files, replacing older ones.
    void scrivi_file_compatti();

    const std::filesystem::path& cartella() const { return cartella_; }
    const identita_scenario& identita() const { return identita_; }

    // Phases of memorizza_dati; the line phase returns true when the train phase follows.
    bool leggi_linea();
    void leggi_treno();

    // The next free sign slot, handed from the line phase to the train phase.
    int32_t prossimo_cartello = 80;

    // The source row that recorded codice_errore, when a reader recorded it.
    std::optional<origine_problema> origine;

protected:
    // Remembers the source row of the problem a reader is recording (for diagnostics).
    void segna_origine(const std::filesystem::path& file, const lettore_campi& lettore,
                       luogo_campo luogo);
    // Deletes a source file; one that is already gone is no failure.
    static void elimina_sorgente(const std::filesystem::path& file);
    // Reads a whole source file into memory; errore_lettura when it cannot be read.
    static std::string leggi_file(const std::filesystem::path& file);

private:
    std::filesystem::path cartella_;
    identita_scenario identita_;
};
