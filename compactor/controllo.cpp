// The checker's list: the compactor's run in memory, then the reading that goes on after
// problems, merged.
#include "compactor/controllo.h"

#include "compactor/diagnostica.h"
#include "compactor/problemi.h"

#include <algorithm>
#include <climits>
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
            p.lettura_fermata};
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
            std::nullopt};
}

// Two entries are the same problem when code, place, position and failing cell agree.
auto chiave(const segnalazione& s) {
    return std::tie(s.codice, s.file, s.riga, s.colonna, s.posizione, s.cella);
}

}  // namespace

std::string messaggio_intestazione(int numero) {
    return std::string("un posto riservato (") +
           (numero == 1250 ? "intero1 della voce 85 o valore1 della cella 1"
                           : "dato_finale della voce 85 o valore2 della cella 1") +
           ") è già occupato: il compattatore si ferma con \" Errore n. " + std::to_string(numero) +
           "\" e non scrive i file compatti";
}

std::vector<segnalazione> controlla_sorgenti(const cartelle_compattatore& cartelle,
                                             const identita_scenario& identita, bool senza_linea) {
    const cartelle_compattatore sola_lettura{cartelle.sorgenti, cartelle.uscita, false,
                                             cartelle.sistema};
    const std::filesystem::path linea = nomi_file::sorgente_linea(cartelle.sorgenti, identita);

    // The compactor's own run, with nothing written: what compatta records and shows.
    compattatore compattazione(sola_lettura, identita);
    int32_t j = senza_linea ? 0 : 1;
    compattazione.compatta_in_memoria(j);
    // Reading on after each problem: what a run would find once each row it stops at
    // were put right.
    compattatore lettura(sola_lettura, identita);
    lettura.controlla_percorso(j);

    std::vector<segnalazione> elenco;
    const auto aggiungi = [&](segnalazione s, bool del_compattatore) {
        if (s.problema && std::any_of(elenco.begin(), elenco.end(), [&](const segnalazione& e) {
                return e.problema && chiave(e) == chiave(s);
            })) {
            return;
        }
        s.del_compattatore = del_compattatore;
        s.ordine = elenco.size();
        elenco.push_back(std::move(s));
    };
    const problema_registrato* in_vigore = compattazione.problema_in_vigore();
    for (const problema_registrato& p : compattazione.problemi) {
        aggiungi(da_problema(p, linea), true);
        if (&p == in_vigore) {
            elenco.back().in_vigore = true;
        }
    }
    if (compattazione.intestazione) {
        aggiungi(da_intestazione(*compattazione.intestazione), true);
    }
    for (const problema_registrato& p : lettura.problemi) {
        aggiungi(da_problema(p, linea), false);
    }
    if (lettura.intestazione) {
        aggiungi(da_intestazione(*lettura.intestazione), false);
    }
    for (const avviso_registrato& a : lettura.avvisi) {
        aggiungi(da_avviso(a, linea), false);
    }
    std::stable_sort(elenco.begin(), elenco.end(), [](const auto& x, const auto& y) {
        return std::tie(x.gruppo, x.riga, x.colonna, x.ordine) <
               std::tie(y.gruppo, y.riga, y.colonna, y.ordine);
    });
    return elenco;
}
