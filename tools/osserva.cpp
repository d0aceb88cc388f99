// compattatore osserva: the folder watched through the file seam, saves gathered into
// bursts, each scenario concerned compacted from the bytes of its sources while stable.
#include "tools/osserva.h"

#include "compactor/testo.h"
#include "comune/errore_esecuzione.h"
#include "comune/osservatore.h"
#include "comune/sistema_file.h"
#include "tools/scenari.h"
#include "tools/strumento.h"

#include <chrono>
#include <ctime>
#include <iostream>
#include <set>
#include <sstream>

namespace {

namespace fs = std::filesystem;
using orologio = std::chrono::steady_clock;

// Quiet time that ends a burst of saves: editors write a file in several steps.
constexpr std::chrono::milliseconds quiete{200};

bool e_sorgente(const std::string& nome) {
    return !nome.starts_with(".") && (nome.ends_with("_linea.txt") || nome.ends_with("-.txt"));
}

struct impronta {
    std::uintmax_t dimensione = 0;
    fs::file_time_type tempo{};
    bool operator==(const impronta&) const = default;
};

std::optional<impronta> impronta_di(const fs::path& file) {
    std::error_code codice;
    const std::uintmax_t dimensione = fs::file_size(file, codice);
    if (codice) {
        return std::nullopt;
    }
    const fs::file_time_type tempo = fs::last_write_time(file, codice);
    if (codice) {
        return std::nullopt;
    }
    return impronta{dimensione, tempo};
}

std::string ora() {
    const std::time_t adesso = std::time(nullptr);
    char testo[16];
    std::strftime(testo, sizeof testo, "%H:%M:%S", std::localtime(&adesso));
    return testo;
}

// One pair compacted in memory from its sources' bytes, taken while they did not change;
// the compact files are written only if the sources are still those bytes.
void compatta_in_memoria_e_scrivi(const fs::path& cartella, const identita_scenario& id, std::ostream& uscita,
                       std::ostream& errori) {
    const fs::path sorgenti[2] = {nomi_file::sorgente_linea(cartella, id),
                                  nomi_file::sorgente_treno(cartella, id)};
    // Names found on disk reach the terminal with no byte that could steer it.
    const std::string mostrata = senza_controlli(cartella.string(), false);
    uscita << "[" << ora() << "] compatta " << mostrata << " "
           << senza_controlli(id.nome_scenario, false) << " "
           << senza_controlli(id.numero_treno, false) << "\n";
    std::optional<impronta> prima[2];
    std::string testi[2];
    try {
        for (int i = 0; i < 2; ++i) {
            prima[i] = impronta_di(sorgenti[i]);
            testi[i] = leggi_file_intero(sorgenti[i]);
        }
    } catch (const errore_esecuzione& e) {
        errori << "compattatore: " << senza_controlli(e.what(), false) << "\n";
        return;
    }
    const auto invariate = [&] {
        return impronta_di(sorgenti[0]) == prima[0] && impronta_di(sorgenti[1]) == prima[1];
    };
    const auto in_scrittura = [&] {
        errori << "compattatore: " << mostrata
               << ": sorgenti cambiate durante la lettura: nessun file compatto scritto, si "
                  "rileggono al prossimo salvataggio\n";
    };
    if (!prima[0] || !prima[1] || !invariate()) {
        in_scrittura();
        return;
    }
    richiesta r;
    r.cartella = cartella;
    r.identita = id;
    r.testi = sorgenti_in_memoria{std::move(testi[0]), std::move(testi[1])};
    r.uscita = uscita_compatta::in_memoria;
    const esito e = esegui(r);
    std::ostringstream nomi;
    std::ostringstream problemi;
    try {
        scrivi_esito_compatta(e, nomi, problemi);
        if (!invariate()) {
            in_scrittura();
            return;
        }
        if (!e.file.empty()) {
            const blocco_cartella blocco(cartella, "compattatore");
            for (const file_compatto& f : e.file) {
                sostituisci_file(f.percorso, f.byte);
            }
        }
    } catch (const std::exception& x) {  // errore_esecuzione and the library's own
        problemi << "compattatore: " << senza_controlli(x.what(), false) << "\n";
    }
    uscita << nomi.str() << std::flush;
    errori << problemi.str() << std::flush;
}

void giro(const fs::path& cartella, const std::optional<identita_scenario>& coppia,
          const std::set<std::string>& salvati, std::ostream& uscita, std::ostream& errori) {
    std::vector<identita_scenario> coppie;
    if (coppia) {
        coppie.push_back(*coppia);
    } else {
        for (const scenario_trovato& s : trova_scenari(cartella, false).scenari) {
            for (const std::string& t : s.treni) {
                coppie.push_back({s.nome, t});
            }
        }
    }
    for (const identita_scenario& id : coppie) {
        if (salvati.contains(nomi_file::sorgente_linea({}, id).string()) ||
            salvati.contains(nomi_file::sorgente_treno({}, id).string())) {
            compatta_in_memoria_e_scrivi(cartella, id, uscita, errori);
        }
    }
    uscita << std::flush;
}

}  // namespace

int comando_osserva(const fs::path& cartella, const std::optional<identita_scenario>& coppia,
                    std::ostream& uscita, std::ostream& errori,
                    const std::function<void()>& dopo) {
    std::error_code codice;
    if (!fs::is_directory(cartella, codice)) {
        throw errore_esecuzione(cartella, "cartella non trovata");
    }
    osservatore_cartella osservatore(cartella);
    errori << "compattatore: in osservazione di " << senza_controlli(cartella.string(), false)
           << " (Ctrl-C per finire)\n"
           << std::flush;
    std::set<std::string> salvati;
    orologio::time_point ultimo{};
    for (;;) {
        const auto attesa = salvati.empty()
                                ? std::chrono::milliseconds(1000)
                                : std::max(std::chrono::milliseconds(0),
                                           std::chrono::duration_cast<std::chrono::milliseconds>(
                                               ultimo + quiete - orologio::now()));
        const std::optional<std::vector<std::string>> nomi = osservatore.attendi(attesa);
        if (!nomi) {
            return stato_uscita::fatto;
        }
        for (const std::string& nome : *nomi) {
            if (e_sorgente(nome)) {
                salvati.insert(nome);
                ultimo = orologio::now();
            }
        }
        if (!salvati.empty() && orologio::now() >= ultimo + quiete) {
            giro(cartella, coppia, salvati, uscita, errori);
            salvati.clear();
            if (dopo) {
                dopo();
            }
        }
    }
}
