// The compactor: owns the scenario model, reads the two source files from one directory,
// walks the grid and writes the compact files into another (the same one for the one-shot
// program). Its procedures work directly on the model, which tests may set up and inspect.
#pragma once

#include "compactor/avvisi.h"
#include "compactor/lettore_campi.h"
#include "compactor/modello.h"
#include "compactor/problemi.h"
#include "comune/identita.h"
#include "comune/sistema_file.h"

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Where the compactor reads and writes, whether the sources go once read, and the file
// seam it does it through.
struct cartelle_compattatore {
    std::filesystem::path sorgenti;
    std::filesystem::path uscita;
    bool elimina_sorgenti = true;
    sistema_file* sistema = &sistema_file_predefinito();
};

// A field of a source file, with the text of its line. A long line keeps only the stretch
// around the field, marked "..." where it was cut, so that a report stays readable and
// small whatever the line's length.
struct origine_problema {
    std::filesystem::path file;
    luogo_campo luogo;
    std::string testo_riga;
    std::size_t tagliati = 0;  // bytes of the line left out before testo_riga's stretch

    static origine_problema della_riga(std::filesystem::path file, const luogo_campo& luogo,
                                       std::string_view riga);
    // Where the field's first byte stands in testo_riga.
    std::size_t colonna_nel_testo() const;
};

// A problem as it was recorded, with what the author needs to find it.
struct problema_registrato {
    problema codice;
    std::filesystem::path file;  // the source file it is about; none for the walk's
    std::optional<int32_t> posizione;
    std::optional<origine_problema> origine;  // the field, when a source row caused it
    std::string motivo;                       // read failures: what could not be read
    // A row whose reading this problem ended later on (the train file's first signal or
    // slowdown row after a line problem), for the author's information.
    std::optional<origine_problema> lettura_fermata;
};

// A warning of the checker, with the file it is about and, when it has one, its field.
struct avviso_registrato {
    avviso tipo;
    std::filesystem::path file;
    std::optional<origine_problema> origine;
    std::string testo;
};

class compattatore : public modello_scenario {
public:
    compattatore(cartelle_compattatore cartelle, identita_scenario identita);
    // The one-shot program's way: one directory, the sources deleted once read.
    compattatore(const std::filesystem::path& cartella, identita_scenario identita);

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

    // The checker's run: both readers going on after problems, the walk and the header
    // checks; nothing is written. Returns 0, or the number of the header check that failed.
    int controlla_percorso();

    // Phases of memorizza_dati; the line phase returns true when the train phase follows.
    bool leggi_linea();
    void leggi_treno();

    // The one way a problem is recorded: its code (and its position, when it has one)
    // into the model, and where it stands into the list below.
    void registra(problema p, std::optional<int32_t> posizione,
                  std::optional<origine_problema> origine = std::nullopt, std::string motivo = {});
    // The same for a problem of a whole source file.
    void registra_sul_file(problema p, const std::filesystem::path& file, std::string motivo = {});
    // The recorded problem that codice_errore holds; nullptr when the code was set
    // without being recorded (a model set up by hand).
    const problema_registrato* problema_in_vigore() const;

    const cartelle_compattatore& cartelle() const { return cartelle_; }
    const identita_scenario& identita() const { return identita_; }

    // The next free sign slot, handed from the line phase to the train phase.
    int32_t prossimo_cartello = 80;

    // Every problem recorded in this run, in order.
    std::vector<problema_registrato> problemi;

    // Going on after a problem, as the checker does: a refused row is skipped whole (nothing
    // of it is kept) and reading goes on with the next row, or after a read failure with the
    // next line; warnings are collected. The compact files are not written in this mode.
    bool continua_dopo_problemi = false;
    std::vector<avviso_registrato> avvisi;
    // The line phase's first problem: the compactor reads the train file only after none,
    // or after a position beyond the grid.
    std::optional<problema> primo_problema_linea;

    // Deletes a source file when the sources go once read; one already gone is no failure.
    void elimina_sorgente(const std::filesystem::path& file) const;
    // A whole source file; a file that cannot be read is recorded as code 25 and ends
    // the reading with errore_lettura.
    std::string leggi_sorgente(const std::filesystem::path& file);

private:
    cartelle_compattatore cartelle_;
    identita_scenario identita_;
};
