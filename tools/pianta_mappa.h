// The map of the pianta picture: the route plan seen from above, north up. The geometry
// (where the plan falls on the page, the scale bar, where a station's name goes) is
// inline here; the drawing is in pianta_mappa.cpp.
#pragma once

#include "tools/pianta_pagina.h"
#include "tools/pianta_scenario.h"
#include "tools/svg.h"

#include <algorithm>
#include <cstddef>
#include <limits>
#include <optional>
#include <vector>

namespace mappa {

constexpr double altezza_massima = 820;  // of the plan itself, pixels
constexpr double altezza_minima = 160;   // of the room kept for it
constexpr double spazio_nomi = 110;      // kept on either side of the plan for station names
constexpr double sopra = 30;             // from the top of the group to the plan's room
constexpr double sotto = 100;            // below the plan's room: scale bar and key
constexpr double barra_massima = 200;    // longest scale bar, pixels

}  // namespace mappa

// Where the plan falls on the page: one scale for both axes, as large as fits the width
// left beside the names and the highest plan allowed, the plan centred in its room.
struct inquadratura_mappa {
    double x_min = 0;
    double y_max = 0;
    double scala = 1;     // pixels per plan unit (metre)
    double altezza = 0;   // of the plan's room
    double sinistra = 0;  // of the plan itself: its westmost point
    double cima = 0;      // of the plan itself: its northmost point
    double alto = 0;      // top of the map's group

    punto schermo(punto p) const {
        return {sinistra + (p.x - x_min) * scala, cima + (y_max - p.y) * scala};
    }
    // Height the map takes, from `alto` down.
    double altezza_totale() const { return altezza + mappa::sotto; }
};

inline inquadratura_mappa inquadra_mappa(const std::vector<punto>& piano, double alto) {
    double x_min = std::numeric_limits<double>::infinity();
    double y_min = x_min;
    double x_max = -x_min;
    double y_max = -x_min;
    for (const punto& p : piano) {
        x_min = std::min(x_min, p.x);
        x_max = std::max(x_max, p.x);
        y_min = std::min(y_min, p.y);
        y_max = std::max(y_max, p.y);
    }
    // A plan along one axis still gets a finite scale.
    const double dx = std::max(x_max - x_min, 1.0);
    const double dy = std::max(y_max - y_min, 1.0);
    const double largo = pagina::larghezza_utile - 2 * mappa::spazio_nomi;
    inquadratura_mappa q;
    q.x_min = x_min;
    q.y_max = y_max;
    q.alto = alto;
    q.scala = std::min(largo / dx, mappa::altezza_massima / dy);
    q.altezza = std::max(dy * q.scala, mappa::altezza_minima);
    q.sinistra = pagina::margine_sinistro + mappa::spazio_nomi + (largo - dx * q.scala) / 2;
    q.cima = alto + mappa::sopra + (q.altezza - dy * q.scala) / 2;
    return q;
}

// The scale bar: the longest round distance whose bar is at most barra_massima long.
struct barra_scala {
    double metri = 0;
    double pixel = 0;
};

inline barra_scala barra_per(double scala) {
    const double metri = passo_tondo(mappa::barra_massima / scala);
    return {metri, metri * scala};
}

// A station's name beside its point: at the baseline (x, y), on the right of the point or
// on its left, moved up or down by `spostamento` from the point's own line.
struct nome_collocato {
    double x = 0;
    double y = 0;
    bool a_destra = true;
    double spostamento = 0;
    ingombro box;
};

// Bold capitals of the sans face are about 0.72 of the font size wide.
inline double larghezza_nome(std::size_t caratteri, int dimensione) {
    return 0.72 * dimensione * static_cast<double>(caratteri) + 4;
}

// Tries the right and then the left of the point, on its line first, then a line
// higher, a line lower, two lines higher and so on, `tentativi` lines in all; takes the first place
// that overlaps nothing in `occupati` and marks it taken. Nothing when there is no room.
inline std::optional<nome_collocato> colloca_nome(occupazione& occupati, punto p,
                                                  std::size_t caratteri, int dimensione,
                                                  int tentativi) {
    const double largo = larghezza_nome(caratteri, dimensione);
    for (int tentativo = 0; tentativo < tentativi; ++tentativo) {
        const double spostamento =
            (tentativo % 2 == 0 ? 1 : -1) * ((tentativo + 1) / 2) * (dimensione + 2.0);
        for (const bool a_destra : {true, false}) {
            const double x = a_destra ? p.x + 8 : p.x - 8 - largo;
            const double y = p.y + 4 + spostamento;
            const ingombro box{{x, y - dimensione}, {x + largo, y + 2}};
            if (occupati.libero(box)) {
                occupati.occupa(box);
                return nome_collocato{x, y, a_destra, spostamento, box};
            }
        }
    }
    return std::nullopt;
}

// Draws the map with its title, scale bar and north arrow, from q.alto down.
void disegna_mappa(scrittore_svg& svg, const scenario_letto& s, const inquadratura_mappa& q);
