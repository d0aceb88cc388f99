// Reading a compacted scenario for the pianta picture: the plan's points, the stations,
// and the signals, speed signs and mountain runs among the cells.
#include "tools/pianta_scenario.h"

#include "comune/errore_esecuzione.h"
#include "comune/sistema_file.h"
#include "tools/file_compatti.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

namespace {

std::string breve(double v) {
    char testo[32];
    std::snprintf(testo, sizeof testo, "%g", v);
    return testo;
}

std::vector<punto> punti_del_piano(const std::filesystem::path& file) {
    std::vector<punto> punti;
    const tabella_piano piano = leggi_piano(file);
    for (std::size_t i = 0; i < piano.size(); ++i) {
        const punto_piano p = piano[i];
        const auto x = numero_piano(p.x);
        const auto y = numero_piano(p.y);
        if (!x || !y) {
            break;
        }
        if (!std::isfinite(*x) || !std::isfinite(*y)) {
            throw errore_esecuzione(file, "il punto " + std::to_string(punti.size()) +
                                              " del piano non ha coordinate finite (x " +
                                              breve(*x) + ", y " + breve(*y) + "): nessuna pianta");
        }
        punti.push_back({*x, *y});
    }
    if (punti.size() < 2) {
        throw errore_esecuzione(file, "meno di due punti con x e y: nessuna pianta");
    }
    const auto [x_min, x_max] =
        std::minmax_element(punti.begin(), punti.end(), [](punto a, punto b) { return a.x < b.x; });
    const auto [y_min, y_max] =
        std::minmax_element(punti.begin(), punti.end(), [](punto a, punto b) { return a.y < b.y; });
    if (!std::isfinite(x_max->x - x_min->x) || !std::isfinite(y_max->y - y_min->y)) {
        throw errore_esecuzione(file,
                                "il piano si estende oltre i numeri rappresentabili: "
                                "nessuna pianta");
    }
    return punti;
}

// The stations among the general records: slots 1 upward, as long as a record holds any
// number (the sign texts from slot 80 downward hold nothing but their text).
std::vector<int> indici_stazioni(const std::vector<voce>& voci) {
    std::vector<int> indici;
    for (int i = 1; i < static_cast<int>(voci.size()) && i <= 80; ++i) {
        const voce& v = voci[static_cast<std::size_t>(i)];
        const bool numeri = v.marca != 0 || v.dato1 != 0 || v.dato2 != 0 || v.dato3 != 0 ||
                            v.segno != 0 || v.intero1 != 0 || v.intero2 != 0 || v.intero3 != 0 ||
                            v.intero4 != 0 || v.intero5 != 0 || v.flag1 != 0 || v.flag2 != 0 ||
                            v.flag3 != 0 || v.flag4 != 0 || v.dato_finale != 0;
        if (!numeri) {
            break;
        }
        indici.push_back(i);
    }
    return indici;
}

}  // namespace

scenario_letto leggi_scenario(const std::filesystem::path& cartella, const identita_scenario& id) {
    scenario_letto s;
    s.voci = leggi_voci(nomi_file::voci_compatte(cartella, id));
    s.celle = leggi_celle(nomi_file::celle_compatte(cartella, id));
    s.piano = punti_del_piano(nomi_file::linea_compatta(cartella, id));
    s.lunghezza = s.voci[84].dato2;
    s.stazioni = indici_stazioni(s.voci);
    for (std::size_t i = 0; i < s.celle.size(); ++i) {
        const cella& c = s.celle[i];
        if (c.tipo == tipo_cella::segnale) {
            s.segnali.push_back(i);
        } else if (c.tipo == tipo_cella::indicatore_v_max) {
            s.cartelli.push_back(i);
        }
        if (c.montagna != 0) {
            if (!s.montagne.empty() && s.montagne.back().second + 1 == i) {
                s.montagne.back().second = i;
            } else {
                s.montagne.push_back({i, i});
            }
        }
    }
    return s;
}
