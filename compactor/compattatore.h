// The compactor: owns the scenario model, reads the two source files from one directory,
// walks the grid and writes the compact files into another (the same one for the one-shot
// program). Its procedures work directly on the model, which tests may set up and inspect.
#pragma once

#include "compactor/avvisi.h"
#include "compactor/errore_lettura.h"
#include "compactor/modello.h"
#include "compactor/problemi.h"
#include "comune/identita.h"
#include "comune/sistema_file.h"

#include <array>
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Where the compactor reads and writes, whether the sources go once read (the one-shot
// program's way; an author's sources stay), and the file seam it does it through.
struct cartelle_compattatore {
    std::filesystem::path sorgenti;
    std::filesystem::path uscita;
    bool elimina_sorgenti = false;
    sistema_file* sistema = &sistema_file_predefinito();
    // Whether a plan built goes into SCENARIO_linea.dat: a scenario's trains after the
    // first build the plan, which decides how curve rows are read, but the file is one.
    bool scrivi_file_linea = true;
};

// How the readers take a problem: the compactor stops where its code says; the checker
// reads on, and a refused row leaves nothing of itself behind.
enum class modo_lettura { compattazione, controllo };

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
    std::filesystem::path file;  // the source file it is about, when it is about one
    std::optional<int32_t> posizione;
    std::optional<origine_problema> origine;  // the row's field it names, when it names one
    std::string motivo;                       // read failures: what could not be read
    // A row whose reading this problem ended later on (the train file's first signal or
    // slowdown row after a line problem), for the author's information.
    std::optional<origine_problema> lettura_fermata;
    // The walk's problems: the first cell that was tried, and which cells, in words.
    std::optional<int32_t> cella;
    std::string dettaglio;
    // A read failure of a row that began on an earlier line: the line of its keyword.
    int riga_della_chiave = 0;
    // What the field it names should read instead, when one value is plainly meant (a
    // station's position or length on its step); empty for none.
    std::string sostituzione;
};

// A failed header check: its number (1250, 1251) and the row whose write to cell 1 made
// it fail, when a row did.
struct intestazione_fallita {
    int numero = 0;
    std::optional<origine_problema> origine;
};

// A warning of the checker, with the file it is about and, when it has one, its field.
struct avviso_registrato {
    avviso tipo;
    std::filesystem::path file;
    std::optional<origine_problema> origine;
    std::string testo;
    std::string sostituzione;  // what its field should read instead (a keyword); or empty
};

// A warning as the compactor keeps it while reading on: which source file, its field when
// it has one, and where its text stands in the compactor's store of warning texts. A few
// dozen bytes whatever the row: the row's text is in the source text kept anyway, and a
// text the warning before had too is stored once.
struct avviso_conservato {
    avviso tipo;
    file_sorgente file = file_sorgente::nessuno;
    bool ha_luogo = false;
    luogo_campo luogo;
    std::size_t inizio_testo = 0;
    std::size_t lunghezza_testo = 0;
    // The replacement it suggests for its field, as a stretch of its own text.
    uint16_t inizio_sostituzione = 0;
    uint16_t lunghezza_sostituzione = 0;
};

struct richiesta;
struct esito;
class elenco_controllo;

class compattatore : public modello_scenario {
public:
    compattatore(cartelle_compattatore cartelle, identita_scenario identita);
    // The one-shot program's way: one directory, the sources deleted once read.
    compattatore(const std::filesystem::path& cartella, identita_scenario identita);

    // A run-time failure naming the line source when the readers made no grid.
    void richiedi_griglia() const;

    // Line record stores. A store that refuses a row says why; what it wrote before the
    // refusal stays.
    void progressive_ordina();
    std::optional<problema> memo_montagna(int32_t& inizio, int32_t& fine, int32_t& tipo);
    std::optional<problema> memo_indicatori_v_max(int32_t posizione, int32_t& vas, int32_t& vbs,
                                                  int32_t& vcs, int32_t& strisces, int32_t& vad,
                                                  int32_t& vbd, int32_t& vcd, int32_t& strisced);

    // Train record stores.
    std::optional<problema> memo_segnale(int32_t posizione, int32_t& sx, int32_t& s1,
                                         int32_t& s2, int32_t& s3, int32_t& rapp, int32_t& dx,
                                         int32_t& d1, int32_t& d2, int32_t& d3, int32_t& tempo);
    std::optional<problema> memo_rallentamento(int32_t x, int32_t& v, int32_t& l, int32_t& f_tt,
                                               int32_t f_ta, int32_t& d_v);

    // The grid walk over cells 1 to n_celle - 2, and its helper.
    void cammina_griglia();
    static int16_t minimo(int16_t x, int16_t y) { return x > y ? y : x; }

    // Header checks: 0 when both pass (610 and 5121 then stored), else 1250 or 1251, and
    // the failure with the row that caused it in intestazione.
    int controlla_intestazione();
    std::optional<intestazione_fallita> intestazione;

    // Scenario codes; both leave the work string in riga.
    int32_t codice_gara_st();
    int16_t codice_gara_og();

    // Stores the scenario codes and writes the compact files, replacing older ones.
    void scrivi_file_compatti();
    // Stores the scenario codes: voci(85).dato_finale and cell 1's valore2.
    void memorizza_codici();

    // The one way a problem is recorded: its code (and its position, when it has one)
    // into the model, and where it stands into the list below.
    problema_registrato& registra(problema p, std::optional<int32_t> posizione,
                                  std::optional<origine_problema> origine = std::nullopt,
                                  std::string motivo = {});
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

    // The checker's warnings: what the compactor accepts but an author almost never means.
    std::vector<avviso_conservato> avvisi;
    // Records a warning about a source file, at its field when it has one.
    void avvisa(avviso tipo, file_sorgente file, std::optional<luogo_campo> luogo,
                std::string_view testo);
    // The same for a warning that suggests a replacement of its field: the stretch
    // `sostituzione` (offset, length) of its text.
    void avvisa(avviso tipo, file_sorgente file, std::optional<luogo_campo> luogo,
                std::string_view testo, std::pair<std::size_t, std::size_t> sostituzione);
    // The warnings from the `da`-th on that say what a refused row does go with it.
    void ritira_avvisi_della_riga(std::size_t da);
    // A kept warning as it is shown: its file's path, its row's text and its own text.
    avviso_registrato avviso_di(const avviso_conservato& a) const;
    // A kept warning's own text.
    std::string_view testo_di(const avviso_conservato& a) const {
        return std::string_view(testi_avvisi_).substr(a.inizio_testo, a.lunghezza_testo);
    }
    // The line phase's first problem: the compactor reads the train file only after none,
    // or after a position beyond the grid.
    std::optional<problema> primo_problema_linea;

    // Going on after problems, each cell and record that an accepted row wrote, row by row
    // in reading order: what the row became, for the language server's hover. The
    // compactor's own run keeps none.
    struct scrittura_della_riga {
        luogo_sorgente riga;  // the row's keyword field
        bool voce;            // a general record, else a cell
        uint32_t indice;
    };
    std::vector<scrittura_della_riga> scritture_delle_righe;
    // The path of a source file.
    std::filesystem::path file_di(file_sorgente file) const;
    // The field of a source file as a problem shows it, from the file's text kept once
    // its reading is over (the walk and the header checks name rows afterwards).
    origine_problema origine_di(const luogo_sorgente& luogo) const;
    // The whole line of a source file that a field stands in, from the text kept.
    std::string_view riga_di(const luogo_sorgente& luogo) const;

    // Deletes a source file when the sources go once read; one already gone is no failure.
    void elimina_sorgente(const std::filesystem::path& file) const;
    // A whole source file; a file that cannot be read is recorded as code 25 and ends
    // the reading with errore_lettura. One whose name is there but cannot be opened (a
    // loop of links, no permission) is no problem of the source: errore_apertura goes on
    // to the caller, which stops the run naming the file.
    std::string leggi_sorgente(const std::filesystem::path& file);
    // Keeps a source file's text once its reading is over.
    void conserva_testo(file_sorgente file, std::string testo) {
        (file == file_sorgente::linea ? testo_linea_ : testo_treno_) = std::move(testo);
    }

private:
    // The driver's steps belong to the engine: its entry runs them (esegui, and
    // controlla_elenco for the checker), and the tests, benchmarks and fuzz targets reach
    // them through passi_del_driver (tests/passi_del_driver.h).
    friend esito esegui(const richiesta& r);
    friend elenco_controllo controlla_elenco(const cartelle_compattatore& cartelle,
                                             const identita_scenario& identita, bool senza_linea);
    friend struct passi_del_driver;

    // The driver: reads, walks, checks the header slots, writes the compact files.
    // Returns 0 when the files were written, or the number of the header check that
    // failed (1250, 1251), in which case no compact file was written.
    int memorizza_percorso(int32_t& j);
    // The same run up to the header checks, with nothing written: what the compact files
    // would be and which problems the run records.
    int compatta_in_memoria(int32_t& j);
    // The driver after the readers: the walk, the header checks and the compact files,
    // on the model as it stands. Returns as memorizza_percorso does.
    int concludi_percorso();

    // Reads the line source file and then, unless the line phase stopped with a code
    // other than 15, the train source file. Read failures become code 25.
    void memorizza_dati(modo_lettura modo = modo_lettura::compattazione);

    // The checker's reading: both readers going on after problems, the walk and the
    // header checks; nothing is written. Returns 0, or the number of the header check
    // that failed.
    int controlla_percorso(int32_t j = 1);

    // Phases of memorizza_dati; the line phase returns true when the train phase follows.
    bool leggi_linea(modo_lettura modo = modo_lettura::compattazione);
    void leggi_treno(modo_lettura modo = modo_lettura::compattazione);

    cartelle_compattatore cartelle_;
    identita_scenario identita_;
    std::string testo_linea_;
    std::string testo_treno_;
    std::string testi_avvisi_;  // the warnings' texts, end to end
};
