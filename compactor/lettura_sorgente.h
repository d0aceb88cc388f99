// What the two reading phases share: a source file read field by field onto the
// compactor's model, the handlers' outcome, and the one way a problem is recorded at the
// field where it stands. Going on after problems (the checker), the same reading also
// undoes and skips refused rows and collects warnings.
#pragma once

#include "compactor/compattatore.h"
#include "compactor/errore_lettura.h"
#include "compactor/lettore_campi.h"
#include "compactor/testo.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// What a row handler tells the reading loop.
enum class esito_riga {
    prosegui,   // next keyword test, then the next row
    chiusura,   // a position beyond the grid: the phase's closing steps follow
    interrotta  // ended at once with a code; nothing more is read or written
};

class lettura_sorgente {
public:
    lettura_sorgente(compattatore& c, file_sorgente quale, std::filesystem::path file,
                     std::string contenuto, modo_lettura modo)
        : c_(c), quale_(quale), file_(std::move(file)), l_(std::move(contenuto)), modo_(modo) {}

    // Runs the reading. A read failure is recorded as code 25 at the field it belongs to
    // and passed on, so that the driver ends both phases. Either way the file's text then
    // stays with the compactor, for the rows the walk and the header checks name.
    template <typename F>
    auto con_guasti_registrati(F&& lettura) {
        struct conserva {
            lettura_sorgente& l;
            ~conserva() { l.c_.conserva_testo(l.quale_, l.l_.rilascia_testo()); }
        } alla_fine{*this};
        try {
            return lettura();
        } catch (const errore_lettura& e) {
            registra_guasto(e);
            throw;
        }
    }

protected:
    bool controllo() const { return modo_ == modo_lettura::controllo; }

    origine_problema origine(const luogo_campo& luogo) const {
        return origine_problema::della_riga(file_, luogo, l_.testo_riga(luogo));
    }
    // Records a problem at a field of this file and hands back what the handler returns.
    esito_riga problema_al_campo(problema p, std::optional<int32_t> posizione,
                                 const luogo_campo& luogo, esito_riga dopo);
    // The same for a value off its step: the nearest value on it is the field's suggested
    // replacement.
    esito_riga fuori_passo(problema p, int32_t posizione, const luogo_campo& luogo, int32_t valore,
                           int32_t passo, esito_riga dopo);
    void registra_guasto(const errore_lettura& e);
    void avvisa(avviso tipo, const luogo_campo& luogo, std::string testo);
    void avvisa_file(avviso tipo, std::string testo);

    // A text field; going on after problems, also looked at for what an author never means.
    std::string leggi_testo();
    // A field where a row should begin matched no keyword: worth a word when it starts its
    // line and is no section header or blank, with the nearest keyword when one is close.
    void campo_sconosciuto(const std::string& campo,
                           std::initializer_list<std::string_view> parole);

    // One row's handlers, with `stato` the reader's own running state. In the compactor a
    // refusal or a read failure ends the reading as its code says. Going on after problems,
    // a refused row is undone whole: what it wrote into the model (the model's journal),
    // the reader's state (copied whole before the row) and its warnings about what it
    // does; reading goes on after it.
    template <typename Stato, typename F>
    esito_riga riga(Stato& stato, F&& gestori) {
        riconosciuta_ = false;
        c_.celle.autore = {quale_, luogo_chiave_};
        if (!controllo()) {
            return gestori();
        }
        const Stato stato_prima = stato;
        const std::size_t avvisi_prima = c_.avvisi.size();
        c_.apri_diario(diario_);
        bool rifiutata = false;
        try {
            rifiutata = gestori() != esito_riga::prosegui;
        } catch (const errore_lettura& e) {
            registra_guasto(e);
            rifiutata = true;
        }
        if (rifiutata) {
            c_.annulla(diario_);
            stato = stato_prima;
            c_.ritira_avvisi_della_riga(avvisi_prima);
            if (!l_.a_inizio_riga()) {
                l_.salta_riga();
            }
        } else {
            annota_scritture();
        }
        c_.chiudi_diario();
        diario_.svuota();
        return esito_riga::prosegui;
    }
    // The cells and records the accepted row wrote, each once, kept with the row.
    void annota_scritture() {
        const luogo_sorgente riga{quale_, luogo_chiave_};
        const auto annota = [&](const auto& scritte, bool voce) {
            indici_.clear();
            for (const auto& scritta : scritte) {
                indici_.push_back(static_cast<uint32_t>(scritta.first));
            }
            std::sort(indici_.begin(), indici_.end());
            indici_.erase(std::unique(indici_.begin(), indici_.end()), indici_.end());
            for (const uint32_t i : indici_) {
                c_.scritture_delle_righe.push_back({riga, voce, i});
            }
        };
        annota(diario_.celle, false);
        annota(diario_.voci, true);
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
    // The rows that the compactor never reads after its first stop in this file.
    void avvisa_righe_non_lette();
    // Where the compactor stops reading this file, when no problem of this file says so.
    void segna_fermata(const luogo_campo& luogo);

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
    // A row's position field, remembered as where the row's position stands; what the row
    // writes from here on is its doing at that field.
    int32_t leggi_posizione() {
        const int32_t p = l_.leggi_long();
        luogo_posizione_ = l_.luogo();
        c_.celle.autore.luogo = luogo_posizione_;
        return p;
    }

    compattatore& c_;
    file_sorgente quale_;
    std::filesystem::path file_;
    lettore_campi l_;
    luogo_campo luogo_chiave_;     // the keyword field of the row being read
    luogo_campo luogo_posizione_;  // its position field

private:
    modo_lettura modo_;
    diario_riga diario_;
    std::vector<uint32_t> indici_;  // annota_scritture's scratch
    int righe_ = 0;                 // rows whose keyword was recognised
    bool riconosciuta_ = false;
    std::optional<luogo_campo> fermata_;
    int righe_alla_fermata_ = 0;
};
