// The controlla command: the checker's list of a scenario's sources (every problem the
// compactor records, what reading on after each finds besides, and the warnings), as text
// for a person or as JSON lines for an editor or CI. It writes nothing.
#include "compactor/controllo.h"
#include "compactor/esecuzione.h"
#include "compactor/testo.h"
#include "comune/errore_esecuzione.h"
#include "comune/identita.h"
#include "comune/stato_uscita.h"
#include "tools/controlla_json.h"
#include "tools/strumento.h"

#include <nlohmann/json.hpp>

#include <iostream>
#include <optional>
#include <string>

using json = nlohmann::ordered_json;

json oggetto_segnalazione(const segnalazione& s) {
    const auto o_null = [](const auto& v) { return v ? json(*v) : json(); };
    const std::optional<origine_problema>& o = s.origine;
    json oggetto = {{"file", s.file.empty() ? json() : json(s.file.string())},
                    {"riga", o ? json(o->luogo.riga) : json()},
                    {"colonna", o ? json(o->luogo.colonna) : json()},
                    {"gravita", s.problema ? "problema" : "avviso"},
                    {"codice", o_null(s.codice)},
                    {"nome", s.nome},
                    {"posizione", o_null(s.posizione)},
                    {"messaggio", s.messaggio},
                    {"testo_riga", o ? json(testo_utf8(o->testo_riga)) : json()}};
    if (s.problema) {
        oggetto["cella"] = o_null(s.cella);
        oggetto["compattatore"] = s.del_compattatore;
        oggetto["in_vigore"] = s.in_vigore;
    }
    return oggetto;
}

namespace {

std::string quanti(std::size_t n, const char* uno, const char* molti) {
    return std::to_string(n) + " " + (n == 1 ? uno : molti);
}

}  // namespace

std::shared_ptr<const elenco_controllo> controlla_elenco(const std::filesystem::path& cartella,
                                                        const identita_scenario& identita,
                                                        bool senza_linea) {
    richiesta r;
    r.cartella = cartella;
    r.identita = identita;
    r.costruisci_piano = !senza_linea;
    r.modo = modo_lettura::controllo;
    const esito e = esegui(r);
    if (e.fallimento) {
        throw *e.fallimento;
    }
    return e.controllo;
}

std::vector<segnalazione> controlla_sorgenti(const std::filesystem::path& cartella,
                                             const identita_scenario& identita, bool senza_linea) {
    return controlla_elenco(cartella, identita, senza_linea)->tutte();
}

void scrivi_segnalazione(const segnalazione& s, formato_controllo formato, std::ostream& uscita) {
    if (formato == formato_controllo::json) {
        uscita << oggetto_segnalazione(s).dump(-1, ' ', false, json::error_handler_t::replace) << "\n";
    } else {
        uscita << s.testo;
    }
}

std::string messaggio_tagliate(const segnalazioni_tagliate& t) {
    const std::size_t n = t.problemi + t.avvisi;
    return std::to_string(n) +
           (n == 1 ? " segnalazione in più non mostrata ("
                   : " segnalazioni in più non mostrate (") +
           quanti(t.problemi, "problema", "problemi") + ", " +
           quanti(t.avvisi, "avviso", "avvisi") + "): se ne mostrano " + std::to_string(t.limite) +
           " per file, --limite=0 le mostra tutte";
}

std::string testo_tagliate(const segnalazioni_tagliate& t) {
    const std::string file =
        t.file.empty() ? std::string() : senza_controlli(t.file.string(), false) + ": ";
    return file + messaggio_tagliate(t) + "\n";
}

json oggetto_tagliate(const segnalazioni_tagliate& t) {
    return {{"file", t.file.empty() ? json() : json(t.file.string())},
            {"riga", json()},
            {"colonna", json()},
            {"gravita", "limite"},
            {"codice", json()},
            {"nome", "segnalazioni_non_mostrate"},
            {"posizione", json()},
            {"messaggio", messaggio_tagliate(t)},
            {"testo_riga", json()},
            {"problemi", t.problemi},
            {"avvisi", t.avvisi},
            {"limite", t.limite}};
}

void scrivi_tagliate(const segnalazioni_tagliate& t, formato_controllo formato,
                     std::ostream& uscita) {
    if (formato == formato_controllo::testo) {
        uscita << testo_tagliate(t);
        return;
    }
    uscita << oggetto_tagliate(t).dump(-1, ' ', false, json::error_handler_t::replace) << "\n";
}

std::string riassunto_controllo(std::size_t problemi, std::size_t avvisi) {
    return quanti(problemi, "problema", "problemi") + ", " + quanti(avvisi, "avviso", "avvisi");
}

int comando_controlla(const std::filesystem::path& cartella, const identita_scenario& identita,
                      const opzioni_controllo& opzioni) {
    return controlla_scenario(cartella, identita, opzioni, std::cout);
}

int controlla_scenario(const std::filesystem::path& cartella, const identita_scenario& identita,
                       const opzioni_controllo& opzioni, std::ostream& uscita) {
    const std::shared_ptr<const elenco_controllo> lista =
        controlla_elenco(cartella, identita, opzioni.senza_linea);
    const elenco_controllo& elenco = *lista;
    const auto tagliate = [&](const segnalazioni_tagliate& t) {
        scrivi_tagliate(t, opzioni.formato, uscita);
    };
    if (opzioni.formato == formato_controllo::testo) {
        elenco.visita_testi(
            opzioni.limite, [&](const std::string& testo) { uscita << testo; }, tagliate);
    } else {
        elenco.visita(
            opzioni.limite,
            [&](const segnalazione& s) { scrivi_segnalazione(s, opzioni.formato, uscita); },
            tagliate);
    }
    // The summary and the status count every entry, those left out too.
    const std::size_t problemi = elenco.problemi();
    const std::size_t avvisi = elenco.avvisi();
    if (opzioni.formato == formato_controllo::testo) {
        uscita << riassunto_controllo(problemi, avvisi) << "\n";
    }
    const bool da_segnalare = problemi > 0 || (opzioni.avvisi_come_problemi && avvisi > 0);
    return da_segnalare ? stato_uscita::problema_registrato : stato_uscita::fatto;
}
