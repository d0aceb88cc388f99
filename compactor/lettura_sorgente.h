// What the two reading phases share: a source file read field by field onto the
// compactor's model, the handlers' outcome, and the one way a problem is recorded at
// the field where it stands.
#pragma once

#include "compactor/compattatore.h"
#include "compactor/lettore_campi.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>

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
            // Before the first field there is no place to show.
            const luogo_campo luogo = e.luogo.value_or(l_.luogo());
            c_.registra(problema::errore_di_lettura, std::nullopt,
                        luogo.riga > 0 ? std::optional(origine(luogo)) : std::nullopt, e.what());
            throw;
        }
    }

protected:
    origine_problema origine(const luogo_campo& luogo) const {
        return {file_, luogo, std::string(l_.testo_riga(luogo))};
    }
    // Records a problem at a field of this file and hands back what the handler returns.
    esito problema_al_campo(problema p, std::optional<int32_t> posizione, const luogo_campo& luogo,
                            esito dopo) {
        c_.registra(p, posizione, origine(luogo));
        return dopo;
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
};
