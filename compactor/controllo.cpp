// The checker's list: the compactor's run in memory, then the reading that goes on after
// problems, merged.
#include "compactor/controllo.h"

#include "compactor/diagnostica.h"
#include "compactor/problemi.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <iterator>
#include <tuple>

namespace {

int gruppo_del_file(const std::filesystem::path& file, const std::filesystem::path& linea) {
    return file.empty() ? 2 : file == linea ? 0 : 1;
}

segnalazione da_problema(const problema_registrato& p, const std::filesystem::path& linea) {
    const descrizione_problema* d = descrivi_problema(numero(p.codice));
    std::string testo_messaggio = messaggio(p);
    if (!p.motivo.empty()) {
        testo_messaggio += ": " + p.motivo;
    }
    return {gruppo_del_file(p.file, linea),
            p.origine ? p.origine->luogo.riga : INT_MAX,
            p.origine ? p.origine->luogo.colonna : 0,
            0,
            true,
            descrivi(p),
            p.file,
            p.origine,
            numero(p.codice),
            d != nullptr ? std::string(d->nome) : std::string("problema_sconosciuto"),
            p.posizione,
            std::move(testo_messaggio),
            p.cella,
            false,
            false,
            p.lettura_fermata,
            p.sostituzione};
}

segnalazione da_intestazione(const intestazione_fallita& f) {
    const std::string messaggio = messaggio_intestazione(f.numero);
    return {3,
            f.origine ? f.origine->luogo.riga : INT_MAX,
            f.origine ? f.origine->luogo.colonna : 0,
            0,
            true,
            descrivi(f),
            f.origine ? f.origine->file : std::filesystem::path(),
            f.origine,
            f.numero,
            "controllo_intestazione",
            std::nullopt,
            messaggio,
            std::nullopt};
}

segnalazione da_avviso(const avviso_registrato& a, const std::filesystem::path& linea) {
    return {gruppo_del_file(a.file, linea),
            a.origine ? a.origine->luogo.riga : 0,
            a.origine ? a.origine->luogo.colonna : 0,
            0,
            false,
            descrivi(a),
            a.file,
            a.origine,
            std::nullopt,
            std::string(nome_avviso(a.tipo)),
            std::nullopt,
            a.testo,
            std::nullopt,
            false,
            false,
            std::nullopt,
            a.sostituzione};
}

// Two entries are the same problem when code, place, position and failing cell agree.
struct chiave_problema {
    int32_t codice;
    int file;  // an index among the paths met
    int riga;
    int colonna;
    std::optional<int32_t> posizione;
    std::optional<int32_t> cella;
    uint32_t candidato;  // in the order the entries come

    auto campi() const { return std::tie(codice, file, riga, colonna, posizione, cella); }
};

}  // namespace

std::string messaggio_intestazione(int numero) {
    return std::string("un posto riservato (") +
           (numero == 1250 ? "intero1 della voce 85 o valore1 della cella 1"
                           : "dato_finale della voce 85 o valore2 della cella 1") +
           ") è già occupato: il compattatore si ferma con \" Errore n. " + std::to_string(numero) +
           "\" e non scrive i file compatti";
}

elenco_controllo::elenco_controllo(std::unique_ptr<compattatore> compattazione,
                                   std::unique_ptr<compattatore> lettura)
    : compattazione_(std::move(compattazione)), lettura_(std::move(lettura)) {}
elenco_controllo::elenco_controllo(elenco_controllo&&) noexcept = default;
elenco_controllo& elenco_controllo::operator=(elenco_controllo&&) noexcept = default;
elenco_controllo::~elenco_controllo() = default;

const std::filesystem::path& elenco_controllo::file_della_voce(const voce& v) const {
    static const std::filesystem::path nessuno;
    const compattatore& c = v.del_compattatore ? *compattazione_ : *lettura_;
    switch (v.da) {
        case fonte::problema: return c.problemi[v.indice].file;
        case fonte::intestazione:
            return c.intestazione->origine ? c.intestazione->origine->file : nessuno;
        case fonte::avviso:
            return c.avvisi[v.indice].file == file_sorgente::treno ? treno_ : linea_;
    }
    return nessuno;
}

segnalazione elenco_controllo::fai(const voce& v) const {
    const compattatore& c = v.del_compattatore ? *compattazione_ : *lettura_;
    segnalazione s = v.da == fonte::problema ? da_problema(c.problemi[v.indice], linea_)
                     : v.da == fonte::intestazione
                         ? da_intestazione(*c.intestazione)
                         : da_avviso(c.avviso_di(c.avvisi[v.indice]), linea_);
    s.ordine = v.ordine;
    s.del_compattatore = v.del_compattatore;
    s.in_vigore = v.in_vigore;
    return s;
}

segnalazione elenco_controllo::operator[](std::size_t i) const {
    return fai(voci_[i]);
}

std::vector<segnalazione> elenco_controllo::tutte() const {
    std::vector<segnalazione> elenco;
    elenco.reserve(voci_.size());
    for (const voce& v : voci_) {
        elenco.push_back(fai(v));
    }
    return elenco;
}

std::string elenco_controllo::testo(const voce& v) const {
    if (v.da != fonte::avviso) {
        return fai(v).testo;
    }
    // A warning's text from its parts: no path made, the row's stretch taken from the source
    // text the reading kept.
    const avviso_conservato& a = lettura_->avvisi[v.indice];
    const std::string& file = a.file == file_sorgente::treno ? treno_mostrata_ : linea_mostrata_;
    if (!a.ha_luogo) {
        return descrivi_avviso(file, nullptr, lettura_->testo_di(a));
    }
    const origine_problema o =
        origine_problema::della_riga({}, a.luogo, lettura_->riga_di({a.file, a.luogo}));
    return descrivi_avviso(file, &o, lettura_->testo_di(a));
}

void elenco_controllo::visita(
    std::size_t limite, const std::function<void(const segnalazione&)>& mostra,
    const std::function<void(const segnalazioni_tagliate&)>& tagliate) const {
    scorri(
        limite, [&](const voce& v) { mostra(fai(v)); }, tagliate);
}

void elenco_controllo::visita_testi(
    std::size_t limite, const std::function<void(const std::string&)>& mostra,
    const std::function<void(const segnalazioni_tagliate&)>& tagliate) const {
    scorri(
        limite, [&](const voce& v) { mostra(testo(v)); }, tagliate);
}

void elenco_controllo::scorri(
    std::size_t limite, const std::function<void(const voce&)>& mostra,
    const std::function<void(const segnalazioni_tagliate&)>& tagliate) const {
    // The entries of one file sort together within their group: the counts of a group's
    // files are told once the group is over.
    struct conto {
        const std::filesystem::path* file;
        std::size_t mostrate = 0;
        segnalazioni_tagliate tagliate;
    };
    std::vector<conto> conti;
    int gruppo = -1;
    const auto chiudi = [&] {
        for (const conto& c : conti) {
            if (c.tagliate.problemi + c.tagliate.avvisi > 0) {
                tagliate(c.tagliate);
            }
        }
        conti.clear();
    };
    for (const voce& v : voci_) {
        if (v.gruppo != gruppo) {
            chiudi();
            gruppo = v.gruppo;
        }
        const std::filesystem::path& file = file_della_voce(v);
        auto c = std::find_if(conti.begin(), conti.end(),
                              [&](const conto& c) { return c.file == &file || *c.file == file; });
        if (c == conti.end()) {
            conti.push_back({&file, 0, {file, 0, 0, limite}});
            c = std::prev(conti.end());
        }
        if (limite == 0 || c->mostrate < limite || v.del_compattatore) {
            c->mostrate += 1;
            mostra(v);
        } else {
            (v.da == fonte::avviso ? c->tagliate.avvisi : c->tagliate.problemi) += 1;
        }
    }
    chiudi();
}

elenco_controllo controlla_elenco(const cartelle_compattatore& cartelle,
                                  const identita_scenario& identita, bool senza_linea) {
    const cartelle_compattatore sola_lettura{cartelle.sorgenti, cartelle.uscita, false,
                                             cartelle.sistema};
    // The compactor's own run, with nothing written: what compatta records and shows.
    auto compattazione = std::make_unique<compattatore>(sola_lettura, identita);
    int32_t j = senza_linea ? 0 : 1;
    compattazione->compatta_in_memoria(j);
    // Reading on after each problem: what a run would find once each row it stops at
    // were put right.
    auto lettura = std::make_unique<compattatore>(sola_lettura, identita);
    lettura->controlla_percorso(j);

    elenco_controllo e(std::move(compattazione), std::move(lettura));
    e.linea_ = nomi_file::sorgente_linea(cartelle.sorgenti, identita);
    e.treno_ = nomi_file::sorgente_treno(cartelle.sorgenti, identita);
    e.linea_mostrata_ = senza_controlli(e.linea_.string(), false);
    e.treno_mostrata_ = senza_controlli(e.treno_.string(), false);
    const compattatore& c = *e.compattazione_;
    const compattatore& l = *e.lettura_;
    using voce = elenco_controllo::voce;
    using fonte = elenco_controllo::fonte;

    // The entries as they come: the compactor's problems and header check, then those of
    // the reading on, then its warnings.
    std::vector<voce> candidati;
    candidati.reserve(c.problemi.size() + l.problemi.size() + l.avvisi.size() + 2);
    const auto aggiungi_problema = [&](const problema_registrato& p, uint32_t k,
                                       bool del_compattatore) {
        candidati.push_back({p.origine ? p.origine->luogo.riga : INT_MAX,
                             p.origine ? p.origine->luogo.colonna : 0, k, 0,
                             static_cast<uint8_t>(gruppo_del_file(p.file, e.linea_)),
                             fonte::problema, del_compattatore, false});
    };
    const auto aggiungi_intestazione = [&](const intestazione_fallita& f, bool del_compattatore) {
        candidati.push_back({f.origine ? f.origine->luogo.riga : INT_MAX,
                             f.origine ? f.origine->luogo.colonna : 0, 0, 0, 3, fonte::intestazione,
                             del_compattatore, false});
    };
    for (std::size_t k = 0; k < c.problemi.size(); ++k) {
        aggiungi_problema(c.problemi[k], static_cast<uint32_t>(k), true);
    }
    const problema_registrato* in_vigore = c.problema_in_vigore();
    const std::size_t indice_in_vigore =
        in_vigore != nullptr ? static_cast<std::size_t>(in_vigore - c.problemi.data()) : SIZE_MAX;
    if (c.intestazione) {
        aggiungi_intestazione(*c.intestazione, true);
    }
    for (std::size_t k = 0; k < l.problemi.size(); ++k) {
        aggiungi_problema(l.problemi[k], static_cast<uint32_t>(k), false);
    }
    if (l.intestazione) {
        aggiungi_intestazione(*l.intestazione, false);
    }
    for (std::size_t k = 0; k < l.avvisi.size(); ++k) {
        const avviso_conservato& a = l.avvisi[k];
        candidati.push_back({a.ha_luogo ? a.luogo.riga : 0, a.ha_luogo ? a.luogo.colonna : 0,
                             static_cast<uint32_t>(k), 0,
                             static_cast<uint8_t>(a.file == file_sorgente::linea ? 0 : 1),
                             fonte::avviso, false, false});
    }

    // A problem already listed is left out: the first of those with one key stays.
    std::vector<const std::filesystem::path*> percorsi{&e.linea_, &e.treno_};
    const auto indice_file = [&](const std::filesystem::path& f) {
        for (std::size_t i = 0; i < percorsi.size(); ++i) {
            if (*percorsi[i] == f) {
                return static_cast<int>(i);
            }
        }
        percorsi.push_back(&f);
        return static_cast<int>(percorsi.size() - 1);
    };
    std::vector<chiave_problema> chiavi;
    for (std::size_t k = 0; k < candidati.size(); ++k) {
        const voce& v = candidati[k];
        if (v.da == fonte::avviso) {
            continue;
        }
        const compattatore& r = v.del_compattatore ? c : l;
        if (v.da == fonte::problema) {
            const problema_registrato& p = r.problemi[v.indice];
            chiavi.push_back({numero(p.codice), indice_file(p.file), v.riga, v.colonna, p.posizione,
                              p.cella, static_cast<uint32_t>(k)});
        } else {
            chiavi.push_back({r.intestazione->numero, indice_file(e.file_della_voce(v)), v.riga,
                              v.colonna, std::nullopt, std::nullopt, static_cast<uint32_t>(k)});
        }
    }
    std::sort(chiavi.begin(), chiavi.end(), [](const chiave_problema& x, const chiave_problema& y) {
        return std::tuple_cat(x.campi(), std::tie(x.candidato)) <
               std::tuple_cat(y.campi(), std::tie(y.candidato));
    });
    std::vector<bool> ripetuto(candidati.size(), false);
    for (std::size_t i = 1; i < chiavi.size(); ++i) {
        if (chiavi[i].campi() == chiavi[i - 1].campi()) {
            ripetuto[chiavi[i].candidato] = true;
        }
    }
    chiavi = {};

    e.voci_.reserve(candidati.size());
    for (std::size_t k = 0; k < candidati.size(); ++k) {
        if (!ripetuto[k]) {
            voce v = candidati[k];
            v.ordine = static_cast<uint32_t>(e.voci_.size());
            e.problemi_ += v.da != fonte::avviso;
            e.voci_.push_back(v);
        }
        // The compactor's problem in force marks the entry that stands for it.
        if (k == indice_in_vigore && !e.voci_.empty()) {
            e.voci_.back().in_vigore = true;
        }
    }
    candidati = {};
    std::sort(e.voci_.begin(), e.voci_.end(), [](const voce& x, const voce& y) {
        return std::tie(x.gruppo, x.riga, x.colonna, x.ordine) <
               std::tie(y.gruppo, y.riga, y.colonna, y.ordine);
    });
    return e;
}

std::vector<segnalazione> controlla_sorgenti(const cartelle_compattatore& cartelle,
                                             const identita_scenario& identita, bool senza_linea) {
    return controlla_elenco(cartelle, identita, senza_linea).tutte();
}
