// Library mode. The scenarios are grouped by folder, and each folder is one piece of work,
// so that no two workers wait on the same folder's lock; each piece writes into its own
// buffers, which are printed in the order of the folders as soon as all before them are.
#include "tools/libreria.h"

#include "compactor/testo.h"

#include "comune/errore_esecuzione.h"
#include "tools/scenari.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <iostream>
#include <mutex>
#include <set>
#include <sstream>
#include <thread>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

bool errori_su_terminale() {
#ifdef _WIN32
    return _isatty(_fileno(stderr)) != 0;
#else
    return ::isatty(STDERR_FILENO) != 0;
#endif
}

namespace {

namespace fs = std::filesystem;
using json = nlohmann::ordered_json;

struct lavoro {
    std::vector<const scenario_trovato*> scenari;  // of one folder
    std::ostringstream uscita;
    std::ostringstream errori;
    int treni = 0;
    int treni_con_problemi = 0;
    int peggiore = stato_uscita::fatto;
    bool finito = false;
};

// The order of badness of the statuses: 1 above 2 above 3 above 0.
int gravita(int stato) {
    switch (stato) {
        case stato_uscita::fatto: return 0;
        case stato_uscita::problema_registrato: return 1;
        case stato_uscita::intestazione: return 2;
        default: return 3;
    }
}
int peggiore(int a, int b) {
    return gravita(a) >= gravita(b) ? a : b;
}

// Splits a report into its entries: an entry begins at a line that does not begin with a
// space (the source line and the caret under it do).
std::vector<std::string> voci(const std::string& testo) {
    std::vector<std::string> tutte;
    std::size_t inizio = 0;
    while (inizio < testo.size()) {
        std::size_t fine = testo.find('\n', inizio);
        fine = fine == std::string::npos ? testo.size() : fine + 1;
        if (tutte.empty() || testo[inizio] != ' ') {
            tutte.emplace_back();
        }
        tutte.back() += testo.substr(inizio, fine - inizio);
        inizio = fine;
    }
    return tutte;
}

// An entry of one train's report, as library mode prints it: an entry about the line source
// only the first time in the scenario; one that names no file (the walk, the header checks,
// " Errore n.") headed by the train source, so that it says which train it concerns.
void scrivi_voce(const std::string& voce, const fs::path& linea, const fs::path& treno,
                 std::set<std::string>& gia_dette, std::ostream& uscita) {
    // The report shows paths as senza_controlli does.
    if (voce.starts_with(senza_controlli(linea.string(), false) + ":")) {
        if (gia_dette.insert(voce).second) {
            uscita << voce;
        }
    } else if (voce.starts_with(senza_controlli(treno.parent_path().string(), false))) {
        uscita << voce;
    } else {
        const std::size_t spazi = voce.find_first_not_of(' ');
        uscita << senza_controlli(treno.string(), false) << ": " << voce.substr(spazi == std::string::npos ? 0 : spazi);
    }
}

void compatta_treno(const scenario_trovato& s, const std::string& treno,
                    const opzioni_libreria& opzioni, bool& linea_scritta,
                    std::set<std::string>& gia_dette, lavoro& l) {
    const identita_scenario identita{s.nome, treno};
    const fs::path linea = nomi_file::sorgente_linea(s.cartella, identita);
    const fs::path sorgente = nomi_file::sorgente_treno(s.cartella, identita);
    std::ostringstream errori;
    int stato = stato_uscita::errore_esecuzione;
    try {
        if (opzioni.controlla) {
            const elenco_controllo elenco =
                controlla_elenco(s.cartella, identita, opzioni.controllo.senza_linea);
            // An entry about the line source is listed once per scenario, a line that counts
            // entries left out too.
            const auto scrivi = [&](const std::string& testo, bool della_linea,
                                    const std::function<void(std::ostream&)>& come_json) {
                if (opzioni.controllo.formato == formato_controllo::json) {
                    if (della_linea && !gia_dette.insert(testo).second) {
                        return;
                    }
                    std::ostringstream riga;
                    come_json(riga);
                    // The two keys first, then those of the single-scenario form.
                    json o = {{"scenario", s.nome}, {"treno", della_linea ? json() : json(treno)}};
                    const json voce = json::parse(riga.str());
                    for (auto i = voce.begin(); i != voce.end(); ++i) {
                        o[i.key()] = i.value();
                    }
                    l.uscita << o.dump(-1, ' ', false, json::error_handler_t::replace) << "\n";
                } else {
                    // It keeps the line source's entries once per scenario itself.
                    scrivi_voce(testo, linea, sorgente, gia_dette, l.uscita);
                }
            };
            elenco.visita(
                opzioni.controllo.limite,
                [&](const segnalazione& v) {
                    scrivi(v.testo, v.file == linea, [&](std::ostream& riga) {
                        scrivi_segnalazione(v, formato_controllo::json, riga);
                    });
                },
                [&](const segnalazioni_tagliate& t) {
                    scrivi(testo_tagliate(t), t.file == linea, [&](std::ostream& riga) {
                        scrivi_tagliate(t, formato_controllo::json, riga);
                    });
                });
            // Counted for every train, those left out too.
            const bool da_segnalare =
                elenco.problemi() > 0 ||
                (opzioni.controllo.avvisi_come_problemi && elenco.avvisi() > 0);
            stato = da_segnalare ? stato_uscita::problema_registrato : stato_uscita::fatto;
        } else {
            // Every train builds the plan, which decides how curve rows are read, so that
            // each is compacted as alone; the plan's file is written by the first run that
            // gets as far as writing.
            stato = compatta_scenario(s.cartella, identita, opzioni.senza_linea, l.uscita, errori,
                                      !linea_scritta);
            linea_scritta = linea_scritta || stato == stato_uscita::fatto ||
                            stato == stato_uscita::problema_registrato;
        }
    } catch (const std::exception& e) {  // errore_esecuzione and the library's own
        // The reason names a path found on disk: shown as the report shows paths.
        errori << "compattatore: " << senza_controlli(e.what(), false) << "\n";
        stato = stato_uscita::errore_esecuzione;
    }
    for (const std::string& voce : voci(errori.str())) {
        scrivi_voce(voce, linea, sorgente, gia_dette, l.errori);
    }
    l.treni += 1;
    l.treni_con_problemi += stato != stato_uscita::fatto;
    l.peggiore = peggiore(l.peggiore, stato);
}

// What the progress line shows, shared by the workers.
struct avanzamento {
    std::mutex guardia;
    std::size_t fatti = 0;  // scenarios
    std::string corrente;
};

void esegui_lavoro(const opzioni_libreria& opzioni, lavoro& l, avanzamento& a) {
    for (const scenario_trovato* s : l.scenari) {
        {
            const std::lock_guard<std::mutex> g(a.guardia);
            a.corrente = senza_controlli((s->cartella / s->nome).string(), false);
        }
        bool linea_scritta = false;
        std::set<std::string> gia_dette;
        for (const std::string& treno : s->treni) {
            compatta_treno(*s, treno, opzioni, linea_scritta, gia_dette, l);
        }
        const std::lock_guard<std::mutex> g(a.guardia);
        a.fatti += 1;
    }
}

std::string quanti(std::size_t n, const char* uno, const char* molti) {
    return std::to_string(n) + " " + (n == 1 ? uno : molti);
}

}  // namespace

int esegui_libreria(const fs::path& cartella, const opzioni_libreria& opzioni, std::ostream& uscita,
                    std::ostream& errori) {
    const auto inizio = std::chrono::steady_clock::now();
    const scenari_trovati trovati = trova_scenari(cartella, true);
    // Names found on disk reach the terminal with no byte that could steer it.
    for (const std::string& a : trovati.avvisi) {
        errori << senza_controlli(a, false) << "\n";
    }
    for (const std::string& s : trovati.saltati) {
        errori << senza_controlli(s, false) << "\n";
    }
    std::vector<std::unique_ptr<lavoro>> lavori;
    for (const scenario_trovato& s : trovati.scenari) {
        if (lavori.empty() || lavori.back()->scenari.front()->cartella != s.cartella) {
            lavori.push_back(std::make_unique<lavoro>());
        }
        lavori.back()->scenari.push_back(&s);
    }

    std::mutex guardia;
    std::condition_variable cambiato;
    std::atomic<std::size_t> prossimo = 0;
    avanzamento a;
    const auto lavoratore = [&] {
        for (std::size_t i; (i = prossimo++) < lavori.size();) {
            esegui_lavoro(opzioni, *lavori[i], a);
            const std::lock_guard<std::mutex> g(guardia);
            lavori[i]->finito = true;
            cambiato.notify_all();
        }
    };
    const auto n = static_cast<std::size_t>(std::max(1, opzioni.lavori));
    std::vector<std::thread> fili;
    for (std::size_t k = 0; k < std::min(n, lavori.size()); ++k) {
        fili.emplace_back(lavoratore);
    }

    // Each piece printed in order once those before it are; meanwhile the progress line.
    std::size_t stampati = 0;
    bool riga_mostrata = false;
    while (stampati < lavori.size()) {
        std::unique_lock<std::mutex> g(guardia);
        if (opzioni.avanzamento) {
            const double secondi =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - inizio).count();
            char tempo[32];
            std::snprintf(tempo, sizeof tempo, "%.1f s", secondi);
            const std::lock_guard<std::mutex> ga(a.guardia);
            errori << "\r\x1b[K[" << a.fatti << "/" << trovati.scenari.size() << "] " << a.corrente
                   << (a.corrente.empty() ? "" : " ") << tempo << std::flush;
            riga_mostrata = true;
        }
        cambiato.wait_for(g, std::chrono::milliseconds(200),
                          [&] { return lavori[stampati]->finito; });
        if (riga_mostrata && lavori[stampati]->finito) {
            errori << "\r\x1b[K" << std::flush;
            riga_mostrata = false;
        }
        while (stampati < lavori.size() && lavori[stampati]->finito) {
            uscita << lavori[stampati]->uscita.str() << std::flush;
            errori << lavori[stampati]->errori.str() << std::flush;
            stampati += 1;
        }
    }
    for (std::thread& f : fili) {
        f.join();
    }

    std::size_t treni = 0;
    std::size_t con_problemi = 0;
    int stato = trovati.saltati.empty() ? stato_uscita::fatto : stato_uscita::errore_esecuzione;
    for (const auto& l : lavori) {
        treni += static_cast<std::size_t>(l->treni);
        con_problemi += static_cast<std::size_t>(l->treni_con_problemi);
        stato = peggiore(stato, l->peggiore);
    }
    std::ostream& riassunto =
        opzioni.controlla && opzioni.controllo.formato == formato_controllo::json ? errori : uscita;
    riassunto << quanti(trovati.scenari.size(), "scenario", "scenari") << ", "
              << quanti(treni, "treno", "treni") << ": "
              << quanti(con_problemi, "treno con problemi", "treni con problemi");
    if (!trovati.saltati.empty()) {
        riassunto << ", " << quanti(trovati.saltati.size(), "file saltato", "file saltati");
    }
    riassunto << "\n";
    return stato;
}
