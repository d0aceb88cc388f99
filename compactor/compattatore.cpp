// The compactor's driver and what both reading phases share: the problem record and the
// handling of the source files.
#include "compactor/compattatore.h"

#include "compactor/errore_lettura.h"
#include "comune/errore_esecuzione.h"
#include "comune/sistema_file.h"

#include <algorithm>
#include <cstdint>
#include <string_view>
#include <system_error>

compattatore::compattatore(cartelle_compattatore cartelle, identita_scenario identita)
    : cartelle_(std::move(cartelle)), identita_(std::move(identita)) {}

compattatore::compattatore(const std::filesystem::path& cartella, identita_scenario identita)
    : compattatore(cartelle_compattatore{cartella, cartella, true}, std::move(identita)) {}

namespace {

// Steps 1 and 2 of the driver: the plan asked for or not, no code, every record reset.
void inizia(compattatore& c, int32_t j) {
    c.scrivi_linea = j;
    c.codice_errore = 0;
    for (std::size_t i = 0; i < c.voci.size(); ++i) {
        c.voci.scrivi(i) = voce{};
    }
}

}  // namespace

int compattatore::memorizza_percorso(int32_t& j) {
    inizia(*this, j);
    memorizza_dati();
    return concludi_percorso();
}

int compattatore::compatta_in_memoria(int32_t& j) {
    inizia(*this, j);
    memorizza_dati();
    if (celle.empty()) {
        return 0;  // the readers have said why there is no grid
    }
    cammina_griglia();
    return controlla_intestazione();
}

void compattatore::richiedi_griglia() const {
    if (celle.empty()) {
        // Without a grid there is nothing to walk or write: the run cannot go on.
        throw errore_esecuzione(
            nomi_file::sorgente_linea(cartelle_.sorgenti, identita_),
            "nessuna griglia di celle creata (problema " + std::to_string(codice_errore) + ")");
    }
}

int compattatore::concludi_percorso() {
    richiedi_griglia();
    cammina_griglia();
    if (const int numero = controlla_intestazione(); numero != 0) {
        return numero;
    }
    scrivi_file_compatti();
    return 0;
}

int compattatore::controlla_percorso(int32_t j) {
    inizia(*this, j);
    memorizza_dati(modo_lettura::controllo);
    if (celle.empty()) {
        return 0;  // the readers have said why there is no grid
    }
    cammina_griglia();
    return controlla_intestazione();
}

void compattatore::memorizza_dati(modo_lettura modo) {
    problemi.clear();
    avvisi.clear();
    testi_avvisi_.clear();
    primo_problema_linea.reset();
    scritture_delle_righe.clear();
    righe_progressive = {};
    intestazione.reset();
    testo_linea_.clear();
    testo_treno_.clear();
    try {
        if (leggi_linea(modo)) {
            leggi_treno(modo);
        }
    } catch (const errore_lettura&) {
        // The phase that failed has recorded code 25 where it stands.
        elimina_sorgente(nomi_file::sorgente_linea(cartelle_.sorgenti, identita_));
        elimina_sorgente(nomi_file::sorgente_treno(cartelle_.sorgenti, identita_));
    }
    celle.autore = {};
}

namespace {

// The last write of cell 1 that changed the field `campo`: the one that left the value
// the check finds.
template <typename Campo>
std::optional<luogo_sorgente> chi_ha_scritto(const griglia_celle& celle, Campo campo) {
    const std::vector<scrittura_cella_uno>& scritture = celle.scritture_cella_uno();
    for (std::size_t k = scritture.size(); k-- > 0;) {
        const cella& dopo = k + 1 < scritture.size() ? scritture[k + 1].prima : celle[1];
        if (campo(dopo) != campo(scritture[k].prima)) {
            if (scritture[k].autore.file == file_sorgente::nessuno) {
                return std::nullopt;
            }
            return scritture[k].autore;
        }
    }
    return std::nullopt;
}

}  // namespace

int compattatore::controlla_intestazione() {
    intestazione.reset();
    const auto fallito = [&](int numero, std::optional<luogo_sorgente> riga) {
        intestazione = intestazione_fallita{numero, std::nullopt};
        if (riga) {
            intestazione->origine = origine_di(*riga);
        }
        return numero;
    };
    if (voci[85].intero1 != 0 || celle.at(1).valore1 != 0) {
        return fallito(1250, chi_ha_scritto(celle, [](const cella& c) { return c.valore1; }));
    }
    const std::optional<luogo_sorgente> valore2 =
        chi_ha_scritto(celle, [](const cella& c) { return c.valore2; });
    voci.scrivi(85).intero1 = 610;
    celle.scrivi(1).valore1 = 5121;
    if (voci[85].dato_finale != 0 || celle[1].valore2 != 0) {
        return fallito(1251, valore2);
    }
    return 0;
}

problema_registrato& compattatore::registra(problema p, std::optional<int32_t> posizione,
                                            std::optional<origine_problema> origine,
                                            std::string motivo) {
    codice_errore = numero(p);
    if (posizione) {
        posizione_errore = *posizione;
    }
    std::filesystem::path file = origine ? origine->file : std::filesystem::path();
    problemi.push_back({p, std::move(file), posizione, std::move(origine), std::move(motivo),
                        std::nullopt, std::nullopt, {}, 0, {}});
    return problemi.back();
}

void compattatore::registra_sul_file(problema p, const std::filesystem::path& file,
                                     std::string motivo) {
    registra(p, std::nullopt, std::nullopt, std::move(motivo)).file = file;
}

const problema_registrato* compattatore::problema_in_vigore() const {
    if (problemi.empty() || numero(problemi.back().codice) != codice_errore) {
        return nullptr;
    }
    return &problemi.back();
}

std::filesystem::path compattatore::file_di(file_sorgente file) const {
    return file == file_sorgente::treno ? nomi_file::sorgente_treno(cartelle_.sorgenti, identita_)
                                        : nomi_file::sorgente_linea(cartelle_.sorgenti, identita_);
}

std::string_view compattatore::riga_di(const luogo_sorgente& luogo) const {
    std::string_view riga = luogo.file == file_sorgente::treno ? testo_treno_ : testo_linea_;
    riga = riga.substr(std::min(luogo.luogo.inizio_riga, riga.size()));
    return riga.substr(0, riga.find_first_of("\r\n"));
}

origine_problema compattatore::origine_di(const luogo_sorgente& luogo) const {
    return origine_problema::della_riga(file_di(luogo.file), luogo.luogo, riga_di(luogo));
}

void compattatore::avvisa(avviso tipo, file_sorgente file, std::optional<luogo_campo> luogo,
                          std::string_view testo) {
    avviso_conservato a{tipo, file,        luogo.has_value(), luogo.value_or(luogo_campo{}),
                        0,    testo.size()};
    // Rows that repeat one mistake give one text: it is stored once.
    if (!avvisi.empty() && avvisi.back().lunghezza_testo == testo.size() &&
        std::string_view(testi_avvisi_).substr(avvisi.back().inizio_testo, testo.size()) == testo) {
        a.inizio_testo = avvisi.back().inizio_testo;
    } else {
        a.inizio_testo = testi_avvisi_.size();
        testi_avvisi_ += testo;
    }
    avvisi.push_back(a);
}

void compattatore::avvisa(avviso tipo, file_sorgente file, std::optional<luogo_campo> luogo,
                          std::string_view testo, std::pair<std::size_t, std::size_t> sostituzione) {
    avvisa(tipo, file, luogo, testo);
    if (sostituzione.first + sostituzione.second <= testo.size() &&
        sostituzione.first + sostituzione.second <= UINT16_MAX) {
        avvisi.back().inizio_sostituzione = static_cast<uint16_t>(sostituzione.first);
        avvisi.back().lunghezza_sostituzione = static_cast<uint16_t>(sostituzione.second);
    }
}

void compattatore::ritira_avvisi_della_riga(std::size_t da) {
    const auto via =
        std::remove_if(avvisi.begin() + static_cast<std::ptrdiff_t>(da), avvisi.end(),
                       [](const avviso_conservato& a) { return dice_cosa_fa_la_riga(a.tipo); });
    avvisi.erase(via, avvisi.end());
    // Texts are stored in the warnings' order, so the last warning's text ends the store.
    testi_avvisi_.resize(
        avvisi.empty() ? 0 : avvisi.back().inizio_testo + avvisi.back().lunghezza_testo);
}

avviso_registrato compattatore::avviso_di(const avviso_conservato& a) const {
    const std::string_view testo = testo_di(a);
    avviso_registrato r{a.tipo, file_di(a.file), std::nullopt, std::string(testo),
                        std::string(testo.substr(a.inizio_sostituzione, a.lunghezza_sostituzione))};
    if (a.ha_luogo) {
        r.origine = origine_di({a.file, a.luogo});
    }
    return r;
}

void compattatore::elimina_sorgente(const std::filesystem::path& file) const {
    if (cartelle_.elimina_sorgenti) {
        cartelle_.sistema->elimina(file);
    }
}

std::string compattatore::leggi_sorgente(const std::filesystem::path& file) {
    try {
        return leggi_file_intero(file, *cartelle_.sistema);
    } catch (const errore_apertura&) {
        throw;  // not the source's content: the run stops, naming it
    } catch (const errore_esecuzione& e) {
        registra_sul_file(problema::errore_di_lettura, file, e.what());
        throw errore_lettura(e.what());
    }
}

namespace {
// Bytes of a line kept on each side of the field's first byte.
constexpr std::size_t prima_del_campo = 60;
constexpr std::size_t dopo_il_campo = 100;
constexpr std::string_view taglio = "...";
}  // namespace

origine_problema origine_problema::della_riga(std::filesystem::path file, const luogo_campo& luogo,
                                              std::string_view riga) {
    origine_problema o{std::move(file), luogo, {}, 0};
    const std::size_t campo =
        std::min(riga.size(), luogo.colonna > 1 ? static_cast<std::size_t>(luogo.colonna - 1) : 0);
    const std::size_t da = campo > prima_del_campo ? campo - prima_del_campo : 0;
    const std::size_t a = std::min(riga.size(), campo + dopo_il_campo);
    if (da > 0) {
        o.testo_riga = taglio;
    }
    o.testo_riga += riga.substr(da, a - da);
    if (a < riga.size()) {
        o.testo_riga += taglio;
    }
    o.tagliati = da;
    return o;
}

std::size_t origine_problema::colonna_nel_testo() const {
    const std::size_t colonna = luogo.colonna > 1 ? static_cast<std::size_t>(luogo.colonna - 1) : 0;
    return tagliati > 0 ? colonna - tagliati + taglio.size() : colonna;
}
