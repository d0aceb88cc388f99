// Source pairs with several problems at once, made from the carried sources, for the
// tests that hold every front end's list against what compatta prints.
#pragma once

#include "aiuti.h"
#include "comune/identita.h"
#include "writers/dati.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <random>
#include <string>
#include <utility>
#include <vector>

// Sources made from the carried ones with one to four rows changed, added or dropped:
// values off the step, out of their column, beyond the grid, negative or not numbers;
// slowdowns of any length, some with a signal on the cells before their advance cell;
// signals and "abbattimento" rows anywhere; a general row given again with a value that
// cannot be read; a refused station followed by one before it.
class generatore_coppie {
public:
    generatore_coppie() {
        const cartella_temporanea portato;
        scrivi_testi_scenario(portato.percorso(), identita_predefinita());
        linea_ = righe_di(leggi_file_intero(
            nomi_file::sorgente_linea(portato.percorso(), identita_predefinita())));
        treno_ = righe_di(leggi_file_intero(
            nomi_file::sorgente_treno(portato.percorso(), identita_predefinita())));
    }

    std::pair<std::vector<std::string>, std::vector<std::string>> coppia() {
        std::vector<std::string> l = linea_;
        std::vector<std::string> t = treno_;
        for (int volte = 2 + static_cast<int>(caso_() % 5); volte > 0; --volte) {
            std::vector<std::string>& righe = caso_() % 3 == 0 ? l : t;
            const std::size_t i = 1 + caso_() % (righe.size() - 2);
            switch (caso_() % 8) {
                case 0:
                    righe.erase(righe.begin() + static_cast<long>(i));
                    break;
                case 6: generale_ripetuta_illeggibile(l, t); break;
                case 7: stazione_rifiutata_poi_una_prima(t); break;
                case 1:
                case 2: {
                    const std::vector<std::string> nuove = righe_nuove();
                    t.insert(t.begin() + static_cast<long>(1 + caso_() % (t.size() - 2)),
                             nuove.begin(), nuove.end());
                    break;
                }
                default:
                    cambia_un_valore(righe[i]);
            }
        }
        return {l, t};
    }

    static std::vector<std::string> righe_di(const std::string& testo) {
        std::vector<std::string> righe;
        for (std::size_t inizio = 0, fine; inizio < testo.size(); inizio = fine + 2) {
            fine = testo.find("\r\n", inizio);
            righe.push_back(testo.substr(inizio, fine - inizio));
        }
        return righe;
    }

private:
    std::string posizione() { return std::to_string(50 * (caso_() % 2200)); }

    std::vector<std::string> righe_nuove() {
        const std::string p = posizione();
        switch (caso_() % 5) {
            case 0: {
                const int32_t x = 50 * static_cast<int32_t>(40 + caso_() % 2100);
                const char* lunghezze[] = {"200", "450", "-1000", "20000", "-50", "2147483000"};
                return {"rallentamento, " + std::to_string(x) + ", " +
                        std::to_string(30 + caso_() % 100) + ", " + lunghezze[caso_() % 6] +
                        ", 1, " + std::to_string(caso_() % 2) + ", " + std::to_string(caso_() % 3)};
            }
            case 1: {
                // On one of the four cells before the advance cell of a slowdown at x.
                const int32_t x = 50 * static_cast<int32_t>(40 + caso_() % 2100);
                const int32_t cella = (x - 1200) / 50 - static_cast<int32_t>(caso_() % 4);
                return {"segnale, " + std::to_string(cella * 50 - 50) +
                            ", 1, 4, 0, 0, 0, 0, 0,0,0, 0",
                        "rallentamento, " + std::to_string(x) + ", 60, 500, 1, 1, 0"};
            }
            case 2:
                return {"segnale, " + p + ", " + std::to_string(caso_() % 3) + ", 4, 0, 0, 0, " +
                        std::to_string(caso_() % 3) + ", 0,0,0, " +
                        std::to_string(caso_() % 300)};
            case 3:
                return {"abbattimento, " + p + ", " + std::to_string(caso_() % 400)};
            default:
                return {"velocita, " + p + ", " + std::to_string(caso_() % 2000)};
        }
    }

    // A copy of a general row that fails to read, among the general rows of its file
    // (lines 2 to 9 of the line file, 2 to 5 of the train file).
    void generale_ripetuta_illeggibile(std::vector<std::string>& l, std::vector<std::string>& t) {
        static const char* linea[] = {"progressiva chilometrica uno, 0, x, 1", "sfondo uno, x",
                                      "progressiva chilometrica due, 98250, 213400, x"};
        static const char* treno[] = {"numero vetture, x", "sabbia, x", "orologio, 17 x 30"};
        if (caso_() % 2 == 0) {
            l.insert(l.begin() + static_cast<long>(2 + caso_() % 7), linea[caso_() % 3]);
        } else {
            t.insert(t.begin() + static_cast<long>(1 + caso_() % 4), treno[caso_() % 3]);
        }
    }

    // After a station at p0: one at p0 + 3050 whose length is off the 100 m step, then one
    // at p0 + 1550, before the refused one but after the station kept before it.
    void stazione_rifiutata_poi_una_prima(std::vector<std::string>& t) {
        std::vector<std::size_t> stazioni;
        for (std::size_t i = 0; i < t.size(); ++i) {
            if (t[i].starts_with("stazione,")) {
                stazioni.push_back(i);
            }
        }
        if (stazioni.empty()) {
            return;
        }
        const std::size_t i = stazioni[caso_() % stazioni.size()];
        const long p0 = std::strtol(t[i].c_str() + 9, nullptr, 10);
        const std::string resto = ", 1,0,0, 1,1,0, 1,1,1, 30, 17,30,0, ";
        t.insert(t.begin() + static_cast<long>(i) + 1,
                 {"stazione, " + std::to_string(p0 + 3050) + ", 12, 450" + resto + "A",
                  "stazione, " + std::to_string(p0 + 1550) + ", 12, 400" + resto + "B"});
    }

    void cambia_un_valore(std::string& r) {
        static const char* valori[] = {"0",     "-50",   "25",         "1025",   "800",
                                       "5250",  "13000", "98650",      "107900", "107950",
                                       "2147483648", "x", "1278",      "300",    "",
                                       "256",   "-1",    "70000",      "65536",  "1"};
        std::vector<std::size_t> virgole;
        for (std::size_t p = r.find(','); p != std::string::npos; p = r.find(',', p + 1)) {
            virgole.push_back(p);
        }
        if (virgole.empty()) {
            return;
        }
        const std::size_t da = virgole[caso_() % virgole.size()] + 1;
        const std::size_t a = std::min(r.find(',', da), r.size());
        r.replace(da, a - da, std::string(" ") + valori[caso_() % std::size(valori)]);
    }

    std::mt19937 caso_{20261211};
    std::vector<std::string> linea_;
    std::vector<std::string> treno_;
};

// Rows joined by "\n", as the fixtures are written; the tests make the line ends CR LF.
inline std::string unisci(const std::vector<std::string>& righe) {
    std::string testo;
    for (const std::string& r : righe) {
        testo += r + "\n";
    }
    return testo;
}
