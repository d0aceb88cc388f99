// Checks shared by the fuzz targets.
#include "fuzz/verifiche.h"
#include "tests/passi_del_driver.h"

#include "compactor/diagnostica.h"

#include "compactor/formato.h"
#include "compactor/problemi.h"
#include "comune/cartella_temporanea.h"
#include "comune/sistema_file.h"
#include "writers/dati.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <system_error>

namespace {

std::string sorgente_portata(void (*scrittore)(const std::filesystem::path&,
                                               const identita_scenario&),
                             std::filesystem::path (*nome)(const std::filesystem::path&,
                                                           const identita_scenario&)) {
    const std::filesystem::path cartella = cartella_fuzz() / "portata";
    std::filesystem::create_directories(cartella);
    scrittore(cartella, identita_predefinita());
    std::string testo = leggi_file_intero(nome(cartella, identita_predefinita()));
    std::filesystem::remove_all(cartella);
    return testo;
}

bool esiste(const std::filesystem::path& file) {
    return memoria_fuzz().trova(file) != nullptr;
}

// Size of a file, or -1 when it does not exist.
long long dimensione(const std::filesystem::path& file) {
    const std::string* contenuto = memoria_fuzz().trova(file);
    return contenuto == nullptr ? -1 : static_cast<long long>(contenuto->size());
}

bool solo_della_linea(int32_t codice) {
    using enum problema;
    for (const problema p :
         {lunghezza_percorso_fuori_limiti, prima_ripetizione_non_multipla_di_50,
          seconda_ripetizione_non_multipla_di_50, ripetizione_senza_4_o_9_codici,
          cartello_indicatore_su_cella_occupata, cartello_v_max_su_cella_occupata,
          file_linea_mancante, sezione_generale_mancante, curva_non_valida,
          troppi_cartelli_indicatori, troppe_montagne}) {
        if (numero(p) == codice) {
            return true;
        }
    }
    return false;
}

}  // namespace

const std::filesystem::path& cartella_fuzz() {
    static const cartella_temporanea cartella;
    return cartella.percorso();
}

sistema_file_in_memoria& memoria_fuzz() {
    static sistema_file_in_memoria memoria;
    return memoria;
}

void svuota_cartella_fuzz() {
    memoria_fuzz().svuota();
    for (const auto& voce_cartella : std::filesystem::directory_iterator(cartella_fuzz())) {
        std::filesystem::remove_all(voce_cartella.path());
    }
}

void scrivi_file(const std::filesystem::path& file, std::string_view contenuto) {
    std::ofstream uscita(file, std::ios::binary | std::ios::trunc);
    uscita.write(contenuto.data(), static_cast<std::streamsize>(contenuto.size()));
    if (!uscita) {
        violazione("impossibile scrivere " + file.string());
    }
}

const std::string& sorgente_linea_portata() {
    static const std::string testo = sorgente_portata(dati_linea, nomi_file::sorgente_linea);
    return testo;
}

const std::string& sorgente_treno_portata() {
    static const std::string testo = sorgente_portata(dati_treno, nomi_file::sorgente_treno);
    return testo;
}

void violazione(const std::string& cosa) {
    std::cerr << "\n*** regola violata: " << cosa << "\n";
    std::abort();
}

void verifica_modello(const compattatore& c) {
    if (!c.celle.empty() && c.celle.size() != static_cast<std::size_t>(c.n_celle) + 1) {
        violazione("celle ha " + std::to_string(c.celle.size()) +
                   " elementi, n_celle = " + std::to_string(c.n_celle));
    }
    if (!c.tracciato.empty() &&
        c.tracciato.size() != static_cast<std::size_t>(c.lunghezza_estesa) + 1) {
        violazione("tracciato ha " + std::to_string(c.tracciato.size()) +
                   " punti, lunghezza_estesa = " + std::to_string(c.lunghezza_estesa));
    }
    if (c.scrivi_linea == 0 && !c.tracciato.empty()) {
        violazione("tracciato costruito con scrivi_linea = 0");
    }
    if (c.codice_errore != 0 && descrivi_problema(c.codice_errore) == nullptr) {
        violazione("codice di problema non documentato " + std::to_string(c.codice_errore));
    }
    if (c.codice_errore != 0 && c.problema_in_vigore() == nullptr) {
        violazione("codice " + std::to_string(c.codice_errore) + " non registrato");
    }
    if (const problema_registrato* p = c.problema_in_vigore(); p != nullptr && p->origine) {
        const origine_problema& o = *p->origine;
        // A long line keeps the stretch around the field, which must stand inside it.
        if (o.luogo.riga < 1 || o.luogo.colonna < 1 ||
            o.colonna_nel_testo() > o.testo_riga.size() ||
            (o.tagliati > 0 && !o.testo_riga.starts_with("..."))) {
            violazione("campo del problema fuori dalla sua riga: " + std::to_string(o.luogo.riga) +
                       ":" + std::to_string(o.luogo.colonna));
        }
    }
    if (c.n_montagne < 0 || c.n_montagne >= numero_montagne) {
        violazione("n_montagne = " + std::to_string(c.n_montagne));
    }
    if (c.prossimo_cartello < -1 || c.prossimo_cartello > 80) {
        violazione("prossimo_cartello = " + std::to_string(c.prossimo_cartello));
    }
}

void verifica_sorgenti_dopo_lettura(const compattatore& c) {
    const bool linea = esiste(nomi_file::sorgente_linea(c.cartelle().sorgenti, c.identita()));
    const bool treno = esiste(nomi_file::sorgente_treno(c.cartelle().sorgenti, c.identita()));
    if (linea) {
        violazione("sorgente della linea non eliminata, codice " + std::to_string(c.codice_errore));
    }
    const bool treno_atteso = solo_della_linea(c.codice_errore);
    if (treno != treno_atteso) {
        violazione(std::string("sorgente del treno ") + (treno ? "rimasta" : "eliminata") +
                   " con il codice " + std::to_string(c.codice_errore));
    }
}

std::size_t byte_piano_attesi(const compattatore& c) {
    // Run by run, as every value of a run has the run's type: 2 bytes of type code, then
    // 2 for an Integer and 8 for a Double. One look-up per run instead of one per value
    // keeps a long plan cheap to check.
    const auto& tratti = c.tracciato.tratti();
    std::size_t totale = 0;
    for (std::size_t r = 0; r < tratti.size(); ++r) {
        const std::size_t fine =
            r + 1 < tratti.size() ? tratti[r + 1].inizio : c.tracciato.numero_valori();
        std::size_t byte = 2;
        if (tratti[r].tipo == tabella_piano::tipo_valore::integer) {
            byte += 2;
        } else if (tratti[r].tipo == tabella_piano::tipo_valore::doppio) {
            byte += 8;
        }
        totale += (fine - tratti[r].inizio) * byte;
    }
    return totale;
}

void verifica_file_compatti(const compattatore& c) {
    const auto controlla = [](const std::filesystem::path& file, long long attesi) {
        const long long trovati = dimensione(file);
        if (trovati != attesi) {
            violazione(file.filename().string() + ": " + std::to_string(trovati) +
                       " byte invece di " + std::to_string(attesi));
        }
    };
    controlla(nomi_file::celle_compatte(c.cartelle().uscita, c.identita()),
              static_cast<long long>(formato::byte_cella) * (c.n_celle + 1LL));
    long long byte_voci = 0;
    for (const voce& v : c.voci) {
        byte_voci += static_cast<long long>(formato::byte_voce_senza_nome + v.nome.size());
    }
    const std::filesystem::path file_voci =
        nomi_file::voci_compatte(c.cartelle().uscita, c.identita());
    controlla(file_voci, byte_voci);
    // The records must read back as written: a name too long for its 2-byte length
    // would leave a file of the right size that no reader can walk.
    const std::string& generali = *memoria_fuzz().trova(file_voci);
    std::size_t pos = 0;
    for (const voce& v : c.voci) {
        const auto riletta = formato::leggi_voce(generali, pos);
        if (!riletta || riletta->nome != v.nome) {
            violazione(file_voci.filename().string() + ": record illeggibile al byte " +
                       std::to_string(pos));
        }
    }
    const std::filesystem::path linea =
        nomi_file::linea_compatta(c.cartelle().uscita, c.identita());
    if (c.scrivi_linea != 0) {
        controlla(linea, static_cast<long long>(byte_piano_attesi(c)));
    } else if (esiste(linea)) {
        violazione("file del tracciato scritto con scrivi_linea = 0");
    }
}

void verifica_nessun_file_compatto(const compattatore& c) {
    for (const auto& file : {nomi_file::linea_compatta(c.cartelle().uscita, c.identita()),
                             nomi_file::voci_compatte(c.cartelle().uscita, c.identita()),
                             nomi_file::celle_compatte(c.cartelle().uscita, c.identita())}) {
        if (esiste(file)) {
            violazione(file.filename().string() + " scritto dopo un controllo fallito");
        }
    }
}

void leggi_e_verifica(std::string_view linea, std::string_view treno, int32_t scrivi_linea) {
    const identita_scenario identita = identita_predefinita();
    svuota_cartella_fuzz();
    memoria_fuzz().metti(nomi_file::sorgente_linea(cartella_fuzz(), identita), std::string(linea));
    memoria_fuzz().metti(nomi_file::sorgente_treno(cartella_fuzz(), identita), std::string(treno));

    compattatore c({cartella_fuzz(), cartella_fuzz(), true, &memoria_fuzz()}, identita);
    c.scrivi_linea = scrivi_linea;
    passi_del_driver::memorizza_dati(c);
    verifica_modello(c);
    verifica_sorgenti_dopo_lettura(c);
    if (!c.celle.empty()) {
        c.cammina_griglia();
        verifica_modello(c);
        (void)c.controlla_intestazione();
    }
    (void)descrivi_problemi(c);
}
