// Library mode. The scenarios are grouped by folder, and each folder is one piece of work,
// so that no two workers wait on the same folder's lock; each piece writes into its own
// buffers, which are printed in the order of the folders as soon as all before them are.
#include "tools/libreria.h"

#include "compactor/diagnostica.h"
#include "compactor/esecuzione.h"
#include "tools/controlla_json.h"

#include "compactor/testo.h"

#include "comune/errore_esecuzione.h"
#include "tools/scenari.h"

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

// The entries of one train, as library mode prints them: an entry about the line source
// only the first time in the scenario; one that names no file (the walk's codes with no
// row, the header checks, a run-time failure) headed by the train source, so that it says
// which train it concerns.
class voci_del_treno {
public:
    voci_del_treno(const fs::path& linea, const fs::path& treno, std::set<std::string>& gia_dette,
                   std::ostream& uscita)
        : linea_(linea), treno_(senza_controlli(treno.string(), false)), gia_dette_(gia_dette),
          uscita_(uscita) {}

    void voce(const std::string& testo, const fs::path& file) {
        if (file == linea_) {
            if (gia_dette_.insert(testo).second) {
                uscita_ << testo;
            }
        } else if (!file.empty()) {
            uscita_ << testo;
        } else {
            const std::size_t spazi = testo.find_first_not_of(' ');
            uscita_ << treno_ << ": " << testo.substr(spazi == std::string::npos ? 0 : spazi);
        }
    }

private:
    const fs::path& linea_;
    std::string treno_;
    std::set<std::string>& gia_dette_;
    std::ostream& uscita_;
};

// compatta's report of one train: the compact files' names, then its problems, a failed
// header check and a run-time failure as entries. Returns the run's status.
int scrivi_compattazione(const esito& e, std::set<std::string>& gia_dette, lavoro& l) {
    voci_del_treno voci(e.linea, e.treno, gia_dette, l.errori);
    if (!e.fallimento && !e.intestazione) {
        for (const file_compatto& f : e.file) {
            l.uscita << senza_controlli(f.percorso.string(), false) << "\n";
        }
    }
    for (const voce_descritta& v :
         problemi_descritti(e.codice_errore, e.posizione_errore, e.problemi)) {
        voci.voce(v.testo, v.file);
    }
    if (e.intestazione) {
        voci.voce("Errore n. " + std::to_string(e.intestazione->numero) + "\n", {});
    }
    if (e.fallimento) {
        // The reason names a path found on disk: shown as the report shows paths.
        voci.voce("compattatore: " + senza_controlli(e.fallimento->what(), false) + "\n", {});
    }
    return e.stato;
}

// controlla's report of one train; an entry about the line source, and a line that counts
// the line source's entries left out, once per scenario. Returns the run's status.
int scrivi_controllo(const scenario_trovato& s, const std::string& treno,
                     const opzioni_libreria& opzioni, std::set<std::string>& gia_dette,
                     lavoro& l) {
    richiesta r;
    r.cartella = s.cartella;
    r.identita = {s.nome, treno};
    r.costruisci_piano = !opzioni.controllo.senza_linea;
    r.modo = modo_lettura::controllo;
    const esito e = esegui(r);
    voci_del_treno voci(e.linea, e.treno, gia_dette, l.errori);
    if (e.fallimento) {
        voci.voce("compattatore: " + senza_controlli(e.fallimento->what(), false) + "\n", {});
        return e.stato;
    }
    const bool json_lines = opzioni.controllo.formato == formato_controllo::json;
    const auto scrivi = [&](const std::string& testo, const fs::path& file,
                            const std::function<json()>& oggetto) {
        if (!json_lines) {
            voci_del_treno(e.linea, e.treno, gia_dette, l.uscita).voce(testo, file);
            return;
        }
        const bool della_linea = file == e.linea;
        if (della_linea && !gia_dette.insert(testo).second) {
            return;
        }
        // The two keys first, then those of the single-scenario form.
        json o = {{"scenario", s.nome}, {"treno", della_linea ? json() : json(treno)}};
        const json voce = oggetto();
        for (auto i = voce.begin(); i != voce.end(); ++i) {
            o[i.key()] = i.value();
        }
        l.uscita << o.dump(-1, ' ', false, json::error_handler_t::replace) << "\n";
    };
    e.controllo->visita(
        opzioni.controllo.limite,
        [&](const segnalazione& v) {
            scrivi(v.testo, v.file, [&] { return oggetto_segnalazione(v); });
        },
        [&](const segnalazioni_tagliate& t) {
            scrivi(testo_tagliate(t), t.file, [&] { return oggetto_tagliate(t); });
        });
    // Counted for every train, those left out too.
    const bool da_segnalare = e.controllo->problemi() > 0 ||
                              (opzioni.controllo.avvisi_come_problemi && e.controllo->avvisi() > 0);
    return da_segnalare ? stato_uscita::problema_registrato : stato_uscita::fatto;
}

void conta(int stato, lavoro& l) {
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
        std::set<std::string> gia_dette;
        try {
            if (opzioni.controlla) {
                for (const std::string& treno : s->treni) {
                    conta(scrivi_controllo(*s, treno, opzioni, gia_dette, l), l);
                }
            } else {
                richiesta r;
                r.cartella = s->cartella;
                r.identita.nome_scenario = s->nome;
                r.costruisci_piano = !opzioni.senza_linea;
                for (const esito& e : esegui_scenario(r, s->treni)) {
                    conta(scrivi_compattazione(e, gia_dette, l), l);
                }
            }
        } catch (const std::exception& e) {  // the library's own, such as running out of memory
            l.errori << "compattatore: " << senza_controlli(e.what(), false) << "\n";
            conta(stato_uscita::errore_esecuzione, l);
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
