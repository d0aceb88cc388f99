// The checker: every problem the compactor's own run records, with what a reading that
// goes on after each problem finds besides, in one list in source order, each problem
// once. Every front end (text, JSON lines, the editor's server, the page) renders it.
#pragma once

#include "compactor/compattatore.h"
#include "comune/identita.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
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
    // What its field should read instead, when one value is plainly meant; empty for none.
    std::string sostituzione = {};
};

// What a front end shows in place of the entries of one file it leaves out past the limit.
struct segnalazioni_tagliate {
    std::filesystem::path file;  // empty for the entries that name no file
    std::size_t problemi = 0;
    std::size_t avvisi = 0;
    std::size_t limite = 0;
};

// The entries a front end shows of one file before it only counts them, as a compiler's
// error limit does; 0 shows them all.
inline constexpr std::size_t limite_segnalazioni_predefinito = 1000;

// The list held compactly: the two runs that found it, with their records and the source
// texts they keep, and for each entry where it sorts and where it comes from (a few dozen
// bytes). An entry's strings are made only when it is asked for.
class elenco_controllo {
public:
    elenco_controllo(std::unique_ptr<compattatore> compattazione,
                     std::unique_ptr<compattatore> lettura);
    elenco_controllo(elenco_controllo&&) noexcept;
    elenco_controllo& operator=(elenco_controllo&&) noexcept;
    ~elenco_controllo();

    std::size_t size() const { return voci_.size(); }
    bool empty() const { return voci_.empty(); }
    // The entry at `i`, made in full.
    segnalazione operator[](std::size_t i) const;
    // Every entry, made in full.
    std::vector<segnalazione> tutte() const;
    std::size_t problemi() const { return problemi_; }
    std::size_t avvisi() const { return voci_.size() - problemi_; }
    // The run that read on after problems: its model, and what each row wrote into it.
    const compattatore& lettura() const { return *lettura_; }

    // The list as a front end shows it, in order: `mostra` for each entry, except that past
    // `limite` entries of one file (0: no limit) the file's further entries are only
    // counted, the compactor's own problems always shown; then, after the last entry of
    // each file that had some left out, `tagliate` once with how many.
    void visita(std::size_t limite, const std::function<void(const segnalazione&)>& mostra,
                const std::function<void(const segnalazioni_tagliate&)>& tagliate) const;
    // The same for the text form: `mostra` takes each entry's text (segnalazione::testo),
    // made without the rest of the entry.
    void visita_testi(std::size_t limite, const std::function<void(const std::string&)>& mostra,
                      const std::function<void(const segnalazioni_tagliate&)>& tagliate) const;

private:
    // Where an entry comes from: the compactor's run or the reading on, and which record.
    enum class fonte : uint8_t { problema, intestazione, avviso };
    struct voce {
        int riga;
        int colonna;
        uint32_t indice;  // in the records of its run
        uint32_t ordine;  // as recorded, for ties
        uint8_t gruppo;
        fonte da;
        bool del_compattatore;
        bool in_vigore;
    };
    segnalazione fai(const voce& v) const;
    std::string testo(const voce& v) const;
    void scorri(std::size_t limite, const std::function<void(const voce&)>& mostra,
                const std::function<void(const segnalazioni_tagliate&)>& tagliate) const;
    const std::filesystem::path& file_della_voce(const voce& v) const;

    std::unique_ptr<compattatore> compattazione_;
    std::unique_ptr<compattatore> lettura_;
    std::filesystem::path linea_;
    std::filesystem::path treno_;
    std::string linea_mostrata_;  // the two paths as the text form shows them
    std::string treno_mostrata_;
    std::vector<voce> voci_;
    std::size_t problemi_ = 0;

    friend elenco_controllo controlla_elenco(const cartelle_compattatore&, const identita_scenario&,
                                             bool);
};

// The list for the sources in `cartelle.sorgenti` (nothing is written or deleted); with
// senza_linea, as the compactor runs without the route plan.
elenco_controllo controlla_elenco(const cartelle_compattatore& cartelle,
                                  const identita_scenario& identita, bool senza_linea);
// The same list made in full.
std::vector<segnalazione> controlla_sorgenti(const cartelle_compattatore& cartelle,
                                             const identita_scenario& identita, bool senza_linea);

// The message of a failed header check.
std::string messaggio_intestazione(int numero);
