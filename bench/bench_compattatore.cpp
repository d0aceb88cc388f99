// Benchmarks of the compactor: the whole driver on the carried sources and on generated
// routes of 101 to 1000 km, each phase alone, and the floor (the same compact bytes
// written with the same replace steps and nothing else). At the end the ratios that
// matter are printed: the carried run against its floor, and the longest route against
// the shortest.
#include "bench/comuni.h"
#include "bench/generatore.h"
#include "compactor/compattatore.h"
#include "comune/cartella_temporanea.h"
#include "comune/sistema_file.h"
#include "scenario_text/testi_scenario.h"
#include "tests/passi_del_driver.h"
#include "writers/dati.h"

#include <benchmark/benchmark.h>

#include <time.h>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <exception>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

const identita_scenario& identita() {
    static const identita_scenario id = identita_predefinita();
    return id;
}

// Two scratch directories: the two sides of a benchmark run in pairs each replace their
// own files, as a real run replaces those of the run before it. (Replacing a larger file
// costs more: its old blocks are freed.)
const std::filesystem::path& cartella(int quale = 0) {
    static cartella_temporanea cartelle[2];
    return cartelle[quale].percorso();
}

void scrivi_sorgenti_portate(int quale = 0) {
    dati_linea(cartella(quale), identita());
    dati_treno(cartella(quale), identita());
}

void scrivi_sorgenti(const sorgenti_generate& sorgenti, int quale = 0) {
    sostituisci_file(nomi_file::sorgente_linea(cartella(quale), identita()), sorgenti.linea);
    sostituisci_file(nomi_file::sorgente_treno(cartella(quale), identita()), sorgenti.treno);
}

// One whole run of the driver on the sources in the directory; empty text when it
// compacted without a problem.
std::string esegui_driver(int quale = 0) {
    compattatore c(cartella(quale), identita());
    int32_t j = 1;
    const int esito = passi_del_driver::memorizza_percorso(c, j);
    return problema_di(c, esito);
}

// The carried compact files, from one run (computed once).
const byte_compatti& compatti_portati() {
    static const byte_compatti byte = [] {
        scrivi_sorgenti_portate();
        if (const std::string problema = esegui_driver(); !problema.empty()) {
            throw std::runtime_error("il percorso portato lascia un " + problema);
        }
        return leggi_compatti(cartella(), identita());
    }();
    return byte;
}

const sorgenti_generate& sorgenti_di(int km) {
    static std::map<int, sorgenti_generate> generate;
    auto trovato = generate.find(km);
    if (trovato == generate.end()) {
        trovato =
            generate.emplace(km, genera_sorgenti(righe_linea(), righe_treno(), km * 1000)).first;
    }
    return trovato->second;
}

// Runs the body of a benchmark, turning any failure into a skipped benchmark.
template <typename F>
void protetto(benchmark::State& state, F corpo) {
    try {
        corpo();
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
    }
}

void pavimento_portato(benchmark::State& state) {
    protetto(state, [&] {
        const byte_compatti& byte = compatti_portati();
        for (auto _ : state) {
            scrivi_compatti(cartella(), identita(), byte);
        }
        state.SetBytesProcessed(static_cast<int64_t>(
            state.iterations() * (byte.linea.size() + byte.voci.size() + byte.celle.size())));
    });
}

void percorso_portato(benchmark::State& state) {
    protetto(state, [&] {
        for (auto _ : state) {
            state.PauseTiming();
            scrivi_sorgenti_portate();
            state.ResumeTiming();
            if (const std::string problema = esegui_driver(); !problema.empty()) {
                state.SkipWithError(problema.c_str());
                break;
            }
        }
    });
}

void fase_linea(benchmark::State& state) {
    protetto(state, [&] {
        std::optional<compattatore> c;
        for (auto _ : state) {
            state.PauseTiming();
            dati_linea(cartella(), identita());
            c.emplace(cartella(), identita());
            c->scrivi_linea = 1;
            state.ResumeTiming();
            if (!passi_del_driver::leggi_linea(*c)) {
                state.SkipWithError("la fase di linea si ferma");
                break;
            }
        }
    });
}

void fase_treno(benchmark::State& state) {
    protetto(state, [&] {
        std::optional<compattatore> c;
        for (auto _ : state) {
            state.PauseTiming();
            scrivi_sorgenti_portate();
            c.emplace(cartella(), identita());
            c->scrivi_linea = 1;
            const bool prosegue = passi_del_driver::leggi_linea(*c);
            state.ResumeTiming();
            if (!prosegue) {
                state.SkipWithError("la fase di linea si ferma");
                break;
            }
            passi_del_driver::leggi_treno(*c);
        }
    });
}

// A model as the readers leave it for the carried sources.
compattatore modello_letto() {
    scrivi_sorgenti_portate();
    compattatore c(cartella(), identita());
    c.scrivi_linea = 1;
    passi_del_driver::memorizza_dati(c);
    if (c.celle.empty() || c.codice_errore != 0) {
        throw std::runtime_error("la lettura del percorso portato non riesce");
    }
    return c;
}

void cammino(benchmark::State& state) {
    protetto(state, [&] {
        compattatore c = modello_letto();
        const compattatore prima = c;
        c.cammina_griglia();
        // The carried grid has no slowdowns, so the walk leaves it as it was and can run
        // again on the same grid; otherwise the model is restored outside the timing.
        const bool da_ripristinare =
            std::memcmp(prima.celle.tutti().data(), c.celle.tutti().data(),
                        prima.celle.size() * sizeof(cella)) != 0;
        for (auto _ : state) {
            if (da_ripristinare) {
                state.PauseTiming();
                c = prima;
                state.ResumeTiming();
            }
            c.cammina_griglia();
            benchmark::DoNotOptimize(c.celle.tutti().data());
        }
    });
}

void uscita(benchmark::State& state) {
    protetto(state, [&] {
        compattatore c = modello_letto();
        c.cammina_griglia();
        if (c.controlla_intestazione() != 0) {
            throw std::runtime_error("il controllo d'intestazione non passa");
        }
        for (auto _ : state) {
            c.scrivi_file_compatti();
        }
    });
}

// One run of the driver per iteration, the sources written anew outside the timing (the
// driver deletes them).
void corse_del_driver(benchmark::State& state, const sorgenti_generate& sorgenti) {
    for (auto _ : state) {
        state.PauseTiming();
        scrivi_sorgenti(sorgenti);
        state.ResumeTiming();
        if (const std::string problema = esegui_driver(); !problema.empty()) {
            state.SkipWithError(problema.c_str());
            break;
        }
    }
}

void percorso_generato(benchmark::State& state) {
    protetto(state, [&] {
        const int km = static_cast<int>(state.range(0));
        const sorgenti_generate& sorgenti = sorgenti_di(km);
        corse_del_driver(state, sorgenti);
        const densita_portata d = misura_densita(righe_linea(), righe_treno());
        state.counters["righe_sorgente"] =
            static_cast<double>(std::count(sorgenti.linea.begin(), sorgenti.linea.end(), '\n') +
                                std::count(sorgenti.treno.begin(), sorgenti.treno.end(), '\n'));
        if (d.lunghezza > 0) {
            state.counters["righe_posizione_km_portate"] =
                (d.righe_linea + d.righe_treno) * 1000.0 / d.lunghezza;
        }
    });
}

void pavimento_generato(benchmark::State& state) {
    protetto(state, [&] {
        const int km = static_cast<int>(state.range(0));
        scrivi_sorgenti(sorgenti_di(km));
        if (const std::string problema = esegui_driver(); !problema.empty()) {
            throw std::runtime_error(problema);
        }
        const byte_compatti byte = leggi_compatti(cartella(), identita());
        for (auto _ : state) {
            scrivi_compatti(cartella(), identita(), byte);
        }
        state.SetBytesProcessed(static_cast<int64_t>(
            state.iterations() * (byte.linea.size() + byte.voci.size() + byte.celle.size())));
    });
}

// The checker: both readers going on after problems, the walk and the header checks,
// nothing written. Its cost must follow the size of the sources.
void controlla_cartella(benchmark::State& state, std::size_t byte_sorgenti) {
    for (auto _ : state) {
        compattatore c({cartella(), cartella(), false}, identita());
        const int intestazione = passi_del_driver::controlla_percorso(c);
        if (intestazione != 0 || !c.problemi.empty()) {
            state.SkipWithError("il controllo trova un problema");
            break;
        }
        benchmark::DoNotOptimize(c.avvisi.size());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * byte_sorgenti));
}

void controllo_generato(benchmark::State& state) {
    protetto(state, [&] {
        const sorgenti_generate& sorgenti = sorgenti_di(static_cast<int>(state.range(0)));
        scrivi_sorgenti(sorgenti);
        controlla_cartella(state, sorgenti.linea.size() + sorgenti.treno.size());
    });
}

// A pair of sources of about 10 MB each: the carried general sections, then one row
// repeated, every copy read, tested and stored.
const sorgenti_generate& sorgenti_dieci_mega() {
    static const sorgenti_generate sorgenti = [] {
        const auto riempi = [](std::string testo, const std::string& riga) {
            while (testo.size() < (10u << 20)) {
                testo += riga;
            }
            return testo + "[fine]\r\n";
        };
        return sorgenti_generate{
            riempi("[generale]\r\nlunghezza percorso, 101000\r\n[pendenze]\r\n",
                   "pendenza,  850 , 4 \r\n"),
            riempi("[generale]\r\nvelocita, 0, 30\r\n", "velocita,     800,    90\r\n")};
    }();
    return sorgenti;
}

// The carried line source with its route length given 4000 times over, the last one the
// carried length: grid and plan are made once, after the general section.
const sorgenti_generate& sorgenti_4000_lunghezze() {
    static const sorgenti_generate sorgenti = [] {
        const cartella_temporanea portata;
        dati_linea(portata.percorso(), identita());
        dati_treno(portata.percorso(), identita());
        std::string linea =
            leggi_file_intero(nomi_file::sorgente_linea(portata.percorso(), identita()));
        std::string righe;
        for (int i = 0; i < 4000; ++i) {
            righe +=
                i % 2 == 0 ? "lunghezza percorso, 1000000\r\n" : "lunghezza percorso, 101000\r\n";
        }
        linea.insert(linea.find("\n") + 1, righe);
        return sorgenti_generate{std::move(linea), leggi_file_intero(nomi_file::sorgente_treno(
                                                       portata.percorso(), identita()))};
    }();
    return sorgenti;
}

void controllo_dieci_mega(benchmark::State& state) {
    protetto(state, [&] {
        const sorgenti_generate& sorgenti = sorgenti_dieci_mega();
        scrivi_sorgenti(sorgenti);
        controlla_cartella(state, sorgenti.linea.size() + sorgenti.treno.size());
    });
}

// The whole driver on sources that are large for what they say: the cost must follow
// their size.
void percorso_da_sorgenti(benchmark::State& state, const sorgenti_generate& sorgenti) {
    protetto(state, [&] {
        corse_del_driver(state, sorgenti);
        state.SetBytesProcessed(static_cast<int64_t>(
            state.iterations() * (sorgenti.linea.size() + sorgenti.treno.size())));
    });
}

void percorso_dieci_mega(benchmark::State& state) {
    percorso_da_sorgenti(state, sorgenti_dieci_mega());
}

void percorso_4000_lunghezze(benchmark::State& state) {
    percorso_da_sorgenti(state, sorgenti_4000_lunghezze());
}

// CPU time of this thread, system time included (the writes are mostly kernel work).
double cpu_del_thread() {
    timespec t{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double mediana(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

// The ratios themselves, from runs taken in pairs: each iteration runs both sides, in
// alternating order, so that a change in the load of a shared machine falls on both
// alike. The counter "rapporto" is the median of the iterations' ratios.
template <typename A, typename B, typename Prepara>
void a_coppie(benchmark::State& state, Prepara prepara, A a, B b) {
    std::vector<double> rapporti;
    bool a_prima = true;
    for (auto _ : state) {
        double tempo_a = 0;
        double tempo_b = 0;
        for (int lato = 0; lato < 2; ++lato) {
            const bool tocca_a = (lato == 0) == a_prima;
            state.PauseTiming();
            prepara(tocca_a);
            state.ResumeTiming();
            const double inizio = cpu_del_thread();
            if (!(tocca_a ? a() : b())) {
                return;
            }
            (tocca_a ? tempo_a : tempo_b) = cpu_del_thread() - inizio;
        }
        a_prima = !a_prima;
        rapporti.push_back(tempo_a / tempo_b);
    }
    state.counters["rapporto"] = mediana(rapporti);
}

void rapporto_portato_pavimento(benchmark::State& state) {
    protetto(state, [&] {
        const byte_compatti& byte = compatti_portati();
        a_coppie(
            state,
            [](bool percorso) {
                if (percorso) {
                    scrivi_sorgenti_portate();
                }
            },
            [&] {
                const std::string problema = esegui_driver();
                if (!problema.empty()) {
                    state.SkipWithError(problema.c_str());
                }
                return problema.empty();
            },
            [&] {
                scrivi_compatti(cartella(1), identita(), byte);
                return true;
            });
    });
}

void rapporto_1000_101(benchmark::State& state) {
    protetto(state, [&] {
        const sorgenti_generate& lungo = sorgenti_di(1000);
        const sorgenti_generate& corto = sorgenti_di(101);
        const auto guida = [&](int quale) {
            const std::string problema = esegui_driver(quale);
            if (!problema.empty()) {
                state.SkipWithError(problema.c_str());
            }
            return problema.empty();
        };
        a_coppie(
            state,
            [&](bool lungo_tocca) {
                scrivi_sorgenti(lungo_tocca ? lungo : corto, lungo_tocca ? 0 : 1);
            },
            [&] { return guida(0); }, [&] { return guida(1); });
    });
}

BENCHMARK(pavimento_portato)->Unit(benchmark::kMicrosecond);
BENCHMARK(percorso_portato)->Unit(benchmark::kMicrosecond);
BENCHMARK(fase_linea)->Unit(benchmark::kMicrosecond);
BENCHMARK(fase_treno)->Unit(benchmark::kMicrosecond);
BENCHMARK(cammino)->Unit(benchmark::kMicrosecond);
BENCHMARK(uscita)->Unit(benchmark::kMicrosecond);
BENCHMARK(percorso_generato)
    ->Arg(101)
    ->Arg(250)
    ->Arg(500)
    ->Arg(1000)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(controllo_generato)->Arg(101)->Arg(1000)->Unit(benchmark::kMicrosecond);
BENCHMARK(controllo_dieci_mega)->Unit(benchmark::kMillisecond);
BENCHMARK(percorso_dieci_mega)->Unit(benchmark::kMillisecond);
BENCHMARK(percorso_4000_lunghezze)->Unit(benchmark::kMicrosecond);
BENCHMARK(rapporto_portato_pavimento)->Unit(benchmark::kMicrosecond);
BENCHMARK(rapporto_1000_101)->Unit(benchmark::kMicrosecond);
BENCHMARK(pavimento_generato)
    ->Arg(101)
    ->Arg(250)
    ->Arg(500)
    ->Arg(1000)
    ->Unit(benchmark::kMicrosecond);

// Keeps the CPU time of every benchmark (the median when repeated) for the ratios.
class riassunto : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs) {
            if (r.error_occurred) {
                continue;
            }
            const std::string nome =
                r.run_name.function_name + (r.run_name.args.empty() ? "" : "/" + r.run_name.args);
            const double secondi =
                r.GetAdjustedCPUTime() / benchmark::GetTimeUnitMultiplier(r.time_unit);
            const auto rapporto = r.counters.find("rapporto");
            if (r.run_type == Run::RT_Aggregate) {
                if (r.aggregate_name == "median") {
                    mediane_[nome] = secondi;
                    if (rapporto != r.counters.end()) {
                        rapporti_mediani_[nome] = rapporto->second.value;
                    }
                }
            } else {
                prove_[nome].push_back(secondi);
                if (rapporto != r.counters.end()) {
                    rapporti_[nome].push_back(rapporto->second.value);
                }
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    std::optional<double> tempo(const std::string& nome) const {
        if (auto m = mediane_.find(nome); m != mediane_.end()) {
            return m->second;
        }
        auto p = prove_.find(nome);
        if (p == prove_.end() || p->second.empty()) {
            return std::nullopt;
        }
        std::vector<double> v = p->second;
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    }

    // The ratio a benchmark run in pairs measured itself.
    std::optional<double> rapporto_a_coppie(const std::string& nome) const {
        if (auto m = rapporti_mediani_.find(nome); m != rapporti_mediani_.end()) {
            return m->second;
        }
        if (auto p = rapporti_.find(nome); p != rapporti_.end() && !p->second.empty()) {
            return mediana(p->second);
        }
        return std::nullopt;
    }

    // The ratio against its target: at most `obiettivo`.
    void stampa_rapporto_a_coppie(const char* testo, const std::string& nome,
                                  double obiettivo) const {
        if (const auto valore = rapporto_a_coppie(nome)) {
            std::printf("  %-44s %6.2f   obiettivo <= %.1f: %s\n", testo, *valore, obiettivo,
                        *valore <= obiettivo ? "raggiunto" : "NON raggiunto");
        }
    }

    void stampa_rapporto(const char* testo, const std::string& a, const std::string& b) const {
        const auto ta = tempo(a);
        const auto tb = tempo(b);
        if (ta && tb && *tb > 0) {
            std::printf("  %-44s %6.2f   (%.3f ms / %.3f ms)\n", testo, *ta / *tb, *ta * 1e3,
                        *tb * 1e3);
        }
    }

private:
    std::map<std::string, double> mediane_;
    std::map<std::string, std::vector<double>> prove_;
    std::map<std::string, double> rapporti_mediani_;
    std::map<std::string, std::vector<double>> rapporti_;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    riassunto rapporti;
    benchmark::RunSpecifiedBenchmarks(&rapporti);
    std::printf("\nRapporti, tempo di CPU, misurati a coppie alternate (mediana):\n");
    rapporti.stampa_rapporto_a_coppie("percorso portato / pavimento", "rapporto_portato_pavimento",
                                      1.3);
    rapporti.stampa_rapporto_a_coppie("percorso 1000 km / percorso 101 km", "rapporto_1000_101",
                                      10);
    std::printf("\nRapporti, tempo di CPU, da benchmark separati (mediane):\n");
    rapporti.stampa_rapporto("percorso portato / pavimento", "percorso_portato",
                             "pavimento_portato");
    for (const char* km : {"101", "250", "500", "1000"}) {
        const std::string testo = std::string("percorso ") + km + " km / pavimento " + km + " km";
        rapporti.stampa_rapporto(testo.c_str(), std::string("percorso_generato/") + km,
                                 std::string("pavimento_generato/") + km);
    }
    for (const char* km : {"250", "500", "1000"}) {
        const std::string testo = std::string("percorso ") + km + " km / percorso 101 km";
        rapporti.stampa_rapporto(testo.c_str(), std::string("percorso_generato/") + km,
                                 "percorso_generato/101");
    }
    benchmark::Shutdown();
    return 0;
}
