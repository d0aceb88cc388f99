// What the two reading phases share: a source file read field by field onto the
// compactor's model, the handlers' outcome, and the one way a problem is recorded at the
// field where it stands. Going on after problems (the checker), the same reading also
// skips refused rows, undoes what they wrote and collects warnings.
#pragma once

#include "compactor/compattatore.h"
#include "compactor/errore_lettura.h"
#include "compactor/lettore_campi.h"
#include "compactor/testo.h"

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// What a row handler tells the reading loop.
enum class esito {
    prosegui,   // next keyword test, then the next row
    chiusura,   // a position beyond the grid: the phase's closing steps follow
    interrotta  // ended at once with a code; nothing more is read or written
};

class lettura_sorgente {
public:
    lettura_sorgente(compattatore& c, std::filesystem::path file, std::string contenuto)
        : c_(c), file_(std::move(file)), l_(std::move(contenuto)) {}

    // Runs the reading. A read failure is recorded as code 25 at the field it belongs to
    // and passed on, so that the driver ends both phases.
    template <typename F>
    auto con_guasti_registrati(F&& lettura) {
        try {
            return lettura();
        } catch (const errore_lettura& e) {
            registra_guasto(e);
            throw;
        }
    }

protected:
    bool controllo() const { return c_.continua_dopo_problemi; }

    origine_problema origine(const luogo_campo& luogo) const {
        return origine_problema::della_riga(file_, luogo, l_.testo_riga(luogo));
    }
    // Records a problem at a field of this file and hands back what the handler returns.
    esito problema_al_campo(problema p, std::optional<int32_t> posizione, const luogo_campo& luogo,
                            esito dopo);
    void registra_guasto(const errore_lettura& e);
    void avvisa(avviso tipo, const luogo_campo& luogo, std::string testo);
    void avvisa_file(avviso tipo, std::string testo);

    // A text field; going on after problems, also looked at for what an author never means.
    std::string leggi_testo();
    // A field where a row should begin matched no keyword: worth a word when it starts its
    // line and is no section header or blank, with the nearest keyword when one is close.
    void campo_sconosciuto(const std::string& campo,
                           std::initializer_list<std::string_view> parole);

    // One row's handlers. In the compactor a refusal or a read failure ends the reading as
    // its code says; going on after problems, the row is undone and skipped instead.
    template <typename F>
    esito riga(F&& gestori) {
        riconosciuta_ = false;
        if (!controllo()) {
            return gestori();
        }
        try {
            const esito e = gestori();
            if (e != esito::prosegui) {
                annulla_riga();
            }
        } catch (const errore_lettura& e) {
            registra_guasto(e);
            annulla_riga();
        }
        diario_celle_.clear();
        diario_voce_.reset();
        return esito::prosegui;
    }
    // Whether the keyword field holds `parola`, letter case ignored.
    bool ha(std::string_view parola) const { return contiene_ignora_maiuscole(c_.riga, parola); }
    // The row's keyword was recognised: counted once, for what the compactor leaves unread.
    void riconosci() {
        if (!riconosciuta_) {
            riconosciuta_ = true;
            ++righe_;
        }
    }
    bool riconosciuta() const { return riconosciuta_; }
    // Before a row writes what a later refusal of it would leave behind: the cells from
    // `da` to `a` (those in the grid) and a general record, remembered while checking.
    void ricorda_celle(int64_t da, int64_t a);
    void ricorda_voce(std::size_t indice);
    // The rows that the compactor never reads after its first stop in this file.
    void avvisa_righe_non_lette();
    // Where the compactor stops reading this file, when no problem of this file says so.
    void segna_fermata(const luogo_campo& luogo);

    // A store says that it refused a row only by leaving a code. Around a store call:
    // going on after problems, a code an earlier row left is set aside, so that the store's
    // own refusal shows even when it is the same code, and comes back when there is none.
    // In the compactor a code that was already there is no refusal of this row.
    int32_t prima_della_memoria() {
        const int32_t prima = c_.codice_errore;
        if (controllo()) {
            c_.codice_errore = 0;
        }
        return prima;
    }
    bool rifiutata_dalla_memoria(int32_t prima) {
        if (!controllo()) {
            return c_.codice_errore > 0 && c_.codice_errore != prima;
        }
        if (c_.codice_errore > 0) {
            return true;
        }
        c_.codice_errore = prima;
        return false;
    }

    // A value computed from a field that may not fit its destination: its failure belongs
    // to that field.
    template <typename F>
    auto al_campo(const luogo_campo& luogo, F&& calcolo) {
        try {
            return calcolo();
        } catch (errore_lettura& e) {
            if (!e.luogo) {
                e.luogo = luogo;
            }
            throw;
        }
    }
    // The bound test: a position that leaves no room for the row's margin before the end
    // of the grid, or lies before its start.
    bool oltre_griglia(int32_t p, int64_t margine) const {
        return p < 0 || int64_t{p} + margine > int64_t{50} * c_.n_celle;
    }
    // A row's position field, remembered as where the row's position stands.
    int32_t leggi_posizione() {
        const int32_t p = l_.leggi_long();
        luogo_posizione_ = l_.luogo();
        return p;
    }

    compattatore& c_;
    std::filesystem::path file_;
    lettore_campi l_;
    luogo_campo luogo_chiave_;     // the keyword field of the row being read
    luogo_campo luogo_posizione_;  // its position field

private:
    void annulla_riga();

    std::vector<std::pair<std::size_t, cella>> diario_celle_;
    std::optional<std::pair<std::size_t, voce>> diario_voce_;
    int righe_ = 0;  // rows whose keyword was recognised
    bool riconosciuta_ = false;
    std::optional<luogo_campo> fermata_;
    int righe_alla_fermata_ = 0;
};
