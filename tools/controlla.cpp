// The controlla command: every problem and every suspicious row of a scenario's sources
// in one pass, as text for a person or as JSON lines for an editor or CI. It writes
// nothing: the compactor reads on after each problem and keeps nothing of a refused row.
#include "compactor/compattatore.h"
#include "compactor/diagnostica.h"
#include "compactor/problemi.h"
#include "compactor/testo.h"
#include "comune/errore_esecuzione.h"
#include "comune/identita.h"
#include "comune/stato_uscita.h"
#include "tools/strumento.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <climits>
#include <iostream>
#include <tuple>

namespace {

using json = nlohmann::ordered_json;

std::string messaggio_intestazione(int numero) {
    return std::string("un posto riservato (") +
           (numero == 1250 ? "intero1 della voce 85 o valore1 della cella 1"
                           : "dato_finale della voce 85 o valore2 della cella 1") +
           ") è già occupato: il compattatore si ferma con \" Errore n. " + std::to_string(numero) +
           "\" e non scrive i file compatti";
}

json come_json(const segnalazione& s) {
    const auto o_null = [](const auto& v) { return v ? json(*v) : json(); };
    const std::optional<origine_problema>& o = s.origine;
    return {{"file", s.file.empty() ? json() : json(s.file.string())},
            {"riga", o ? json(o->luogo.riga) : json()},
            {"colonna", o ? json(o->luogo.colonna) : json()},
            {"gravita", s.problema ? "problema" : "avviso"},
            {"codice", o_null(s.codice)},
            {"nome", s.nome},
            {"posizione", o_null(s.posizione)},
            {"messaggio", s.messaggio},
            {"testo_riga", o ? json(testo_utf8(o->testo_riga)) : json()}};
}

std::string quanti(std::size_t n, const char* uno, const char* molti) {
    return std::to_string(n) + " " + (n == 1 ? uno : molti);
}

}  // namespace

std::vector<segnalazione> rapporto_controllo(const compattatore& c, int intestazione) {
    const std::filesystem::path linea =
        nomi_file::sorgente_linea(c.cartelle().sorgenti, c.identita());
    // The line file, the train file, then the walk and the header checks; within a file by
    // place, a warning about the whole file first and a problem of the whole file last.
    const auto gruppo = [&](const std::filesystem::path& file) {
        return file.empty() ? 2 : file == linea ? 0 : 1;
    };
    std::vector<segnalazione> rapporto;
    for (const problema_registrato& p : c.problemi) {
        const descrizione_problema* d = descrivi_problema(numero(p.codice));
        std::string messaggio(d->significato);
        if (!p.motivo.empty()) {
            messaggio += ": " + p.motivo;
        }
        rapporto.push_back({gruppo(p.file), p.origine ? p.origine->luogo.riga : INT_MAX,
                            p.origine ? p.origine->luogo.colonna : 0, rapporto.size(), true,
                            descrivi(p), p.file, p.origine, numero(p.codice), std::string(d->nome),
                            p.posizione, messaggio});
    }
    if (intestazione != 0) {
        const std::string messaggio = messaggio_intestazione(intestazione);
        rapporto.push_back({2,
                            INT_MAX,
                            0,
                            rapporto.size(),
                            true,
                            "problema " + std::to_string(intestazione) + ": " + messaggio + "\n",
                            {},
                            std::nullopt,
                            intestazione,
                            "controllo_intestazione",
                            std::nullopt,
                            messaggio});
    }
    for (const avviso_registrato& a : c.avvisi) {
        rapporto.push_back({gruppo(a.file), a.origine ? a.origine->luogo.riga : 0,
                            a.origine ? a.origine->luogo.colonna : 0, rapporto.size(), false,
                            descrivi(a), a.file, a.origine, std::nullopt,
                            std::string(nome_avviso(a.tipo)), std::nullopt, a.testo});
    }
    std::stable_sort(rapporto.begin(), rapporto.end(), [](const auto& x, const auto& y) {
        return std::tie(x.gruppo, x.riga, x.colonna, x.ordine) <
               std::tie(y.gruppo, y.riga, y.colonna, y.ordine);
    });
    return rapporto;
}

int comando_controlla(const std::filesystem::path& cartella, const identita_scenario& identita,
                      const opzioni_controllo& opzioni) {
    return controlla_scenario(cartella, identita, opzioni, std::cout);
}

std::vector<segnalazione> controlla_sorgenti(const std::filesystem::path& cartella,
                                             const identita_scenario& identita,
                                             bool senza_linea) {
    std::error_code codice;
    if (!std::filesystem::is_directory(cartella, codice)) {
        throw errore_esecuzione(cartella, "cartella non trovata");
    }
    (void)senza_linea;
    compattatore c({cartella, cartella, false}, identita);
    const int intestazione = c.controlla_percorso();
    return rapporto_controllo(c, intestazione);
}

void scrivi_segnalazione(const segnalazione& s, formato_controllo formato, std::ostream& uscita) {
    if (formato == formato_controllo::json) {
        uscita << come_json(s).dump(-1, ' ', false, json::error_handler_t::replace) << "\n";
    } else {
        uscita << s.testo;
    }
}

std::string riassunto_controllo(std::size_t problemi, std::size_t avvisi) {
    return quanti(problemi, "problema", "problemi") + ", " + quanti(avvisi, "avviso", "avvisi");
}

int controlla_scenario(const std::filesystem::path& cartella, const identita_scenario& identita,
                       const opzioni_controllo& opzioni, std::ostream& uscita) {
    std::size_t problemi = 0;
    std::size_t avvisi = 0;
    for (const segnalazione& s : controlla_sorgenti(cartella, identita, opzioni.senza_linea)) {
        (s.problema ? problemi : avvisi) += 1;
        scrivi_segnalazione(s, opzioni.formato, uscita);
    }
    if (opzioni.formato == formato_controllo::testo) {
        uscita << riassunto_controllo(problemi, avvisi) << "\n";
    }
    const bool da_segnalare = problemi > 0 || (opzioni.avvisi_come_problemi && avvisi > 0);
    return da_segnalare ? stato_uscita::problema_registrato : stato_uscita::fatto;
}
