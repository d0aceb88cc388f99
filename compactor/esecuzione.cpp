// The engine's one way in: the request's sources and outputs put where the compactor
// reads and writes them, the folder's lock, one run, and its outcome as values.
#include "compactor/esecuzione.h"

#include "compactor/diagnostica.h"
#include "comune/sistema_file_memoria.h"
#include "comune/stato_uscita.h"

#include <functional>
#include <system_error>

namespace {

// The checker's list with the seam in memory its runs read through, kept as long as the
// list is.
struct controllo_in_memoria {
    std::shared_ptr<sistema_file_in_memoria> memoria;
    elenco_controllo elenco;
};

// The three compact files, in the order the compactor writes them, as far as it does.
std::vector<std::filesystem::path> file_scritti(const richiesta& r) {
    std::vector<std::filesystem::path> file;
    if (r.costruisci_piano && r.scrivi_file_linea) {
        file.push_back(nomi_file::linea_compatta(r.cartella, r.identita));
    }
    file.push_back(nomi_file::voci_compatte(r.cartella, r.identita));
    file.push_back(nomi_file::celle_compatte(r.cartella, r.identita));
    return file;
}

// The whole run (`percorso`: the driver on `c`), and the compact files where asked.
void esegui_compattazione(const richiesta& r, compattatore& c, const std::function<int()>& percorso,
                          sistema_file_in_memoria* memoria, sistema_file& disco, esito& e) {
    try {
        const int numero = percorso();
        if (numero != 0) {
            e.intestazione = c.intestazione.value_or(intestazione_fallita{numero, std::nullopt});
            e.stato = stato_uscita::intestazione;
        } else {
            for (const std::filesystem::path& f : file_scritti(r)) {
                file_compatto scritto{f, {}};
                if (memoria != nullptr) {
                    const std::string* byte = memoria->trova(f);
                    if (byte == nullptr) {
                        continue;
                    }
                    if (r.uscita == uscita_compatta::in_memoria) {
                        scritto.byte = *byte;
                    } else {
                        sostituisci_file(f, *byte, disco);
                    }
                }
                e.file.push_back(std::move(scritto));
            }
            e.stato = c.codice_errore != 0 ? stato_uscita::problema_registrato : stato_uscita::fatto;
        }
    } catch (const errore_esecuzione& x) {
        e.fallimento = x;
        e.stato = stato_uscita::errore_esecuzione;
    }
    e.problemi = std::move(c.problemi);
    e.codice_errore = c.codice_errore;
    e.posizione_errore = c.posizione_errore;
}

// The run up to the header checks (`fino_all_intestazione`: the driver on `c` up to
// there), the scenario codes stored as the output step stores them, nothing written.
void esegui_senza_uscita(const std::shared_ptr<compattatore>& c,
                         const std::function<int()>& fino_all_intestazione, esito& e) {
    const int numero = fino_all_intestazione();
    e.problemi = c->problemi;
    e.codice_errore = c->codice_errore;
    e.posizione_errore = c->posizione_errore;
    e.modello = c;
    if (numero != 0) {
        e.intestazione = c->intestazione.value_or(intestazione_fallita{numero, std::nullopt});
        e.stato = stato_uscita::intestazione;
        return;
    }
    c->richiedi_griglia();  // as the compaction stops without a grid
    c->memorizza_codici();
    e.stato = c->codice_errore != 0 ? stato_uscita::problema_registrato : stato_uscita::fatto;
}

}  // namespace

esito esegui(const richiesta& r) {
    esito e;
    e.identita = r.identita;
    e.linea = nomi_file::sorgente_linea(r.cartella, r.identita);
    e.treno = nomi_file::sorgente_treno(r.cartella, r.identita);
    sistema_file& disco = r.sistema != nullptr ? *r.sistema : sistema_file_predefinito();
    const bool scrive_sul_disco =
        (r.modo == modo_lettura::compattazione && r.uscita == uscita_compatta::cartella) ||
        r.elimina_sorgenti;
    try {
        if ((!r.testi || scrive_sul_disco) && disco.sul_disco()) {
            std::error_code codice;
            if (!std::filesystem::is_directory(r.cartella, codice)) {
                throw errore_esecuzione(r.cartella, "cartella non trovata");
            }
        }
        std::optional<blocco_cartella> blocco;
        if (scrive_sul_disco && disco.sul_disco()) {
            if (r.blocco == blocco_richiesto::attendi) {
                blocco.emplace(r.cartella, r.programma);
            } else if (r.blocco == blocco_richiesto::non_attendere) {
                blocco.emplace(r.cartella, blocco_cartella::senza_attesa{});
                if (blocco->occupata()) {
                    e.occupata = true;
                    return e;
                }
            }
        }

        // Sources given as bytes, or outputs kept as bytes: the run reads and writes in
        // memory, under the paths of the folder.
        std::shared_ptr<sistema_file_in_memoria> memoria;
        if (r.testi || r.uscita != uscita_compatta::cartella) {
            memoria = std::make_shared<sistema_file_in_memoria>();
            if (r.testi) {
                if (r.testi->linea) {
                    memoria->metti(e.linea, *r.testi->linea);
                }
                if (r.testi->treno) {
                    memoria->metti(e.treno, *r.testi->treno);
                }
            } else {
                for (const std::filesystem::path& f : {e.linea, e.treno}) {
                    if (disco.file_regolare(f)) {
                        memoria->metti(f, leggi_file_intero(f, disco));
                    }
                }
            }
        }
        cartelle_compattatore cartelle{r.cartella, r.cartella, r.elimina_sorgenti,
                                       memoria ? memoria.get() : &disco};
        cartelle.scrivi_file_linea = r.scrivi_file_linea;

        if (r.modo == modo_lettura::controllo) {
            auto k = std::make_shared<controllo_in_memoria>(controllo_in_memoria{
                memoria, controlla_elenco(cartelle, r.identita, !r.costruisci_piano)});
            e.controllo = std::shared_ptr<const elenco_controllo>(k, &k->elenco);
            e.stato = e.controllo->problemi() > 0 ? stato_uscita::problema_registrato
                                                  : stato_uscita::fatto;
            return e;
        }
        const auto c = std::make_shared<compattatore>(cartelle, r.identita);
        int32_t j = r.costruisci_piano ? 1 : 0;
        if (r.uscita == uscita_compatta::nessuna) {
            esegui_senza_uscita(
                c, [&] { return c->compatta_in_memoria(j); }, e);
        } else {
            esegui_compattazione(
                r, *c, [&] { return c->memorizza_percorso(j); }, memoria.get(), disco, e);
        }
    } catch (const errore_esecuzione& x) {
        e.fallimento = x;
        e.stato = stato_uscita::errore_esecuzione;
    }
    return e;
}

std::vector<esito> esegui_scenario(const richiesta& base, const std::vector<std::string>& treni) {
    std::vector<esito> esiti;
    bool linea_scritta = false;
    for (const std::string& treno : treni) {
        richiesta r = base;
        r.identita.numero_treno = treno;
        r.scrivi_file_linea = base.scrivi_file_linea && !linea_scritta;
        esiti.push_back(esegui(r));
        const int stato = esiti.back().stato;
        linea_scritta = linea_scritta || stato == stato_uscita::fatto ||
                        stato == stato_uscita::problema_registrato;
    }
    return esiti;
}

std::string testo_dei_problemi(const esito& e) {
    return descrivi_problemi(e.codice_errore, e.posizione_errore, e.problemi);
}
