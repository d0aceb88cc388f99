// The profiles of the pianta picture: altitude and speed limit along the route, one panel
// above the other on a shared axis of route kilometres, with the stations' names standing
// upright above them. The layout is inline here; the drawing is in pianta_profili.cpp,
// pianta_quota.cpp and pianta_velocita.cpp.
#pragma once

#include "tools/pianta_pagina.h"
#include "tools/pianta_scenario.h"
#include "tools/svg.h"

#include <algorithm>
#include <cstddef>

namespace profili {

constexpr double alto_quota = 220;     // altitude panel
constexpr double alto_velocita = 160;  // speed panel
constexpr double tra_pannelli = 60;
constexpr double sotto = 85;  // below the speed panel: kilometre axis and key
// The names' strip: 50 and 7.2 a character of the longest name, counting at most 60.
constexpr double larghezza_carattere = 7.2;
constexpr std::size_t nome_piu_lungo = 60;

}  // namespace profili

struct impaginazione_profili {
    double alto = 0;              // top of the group
    std::size_t celle_utili = 0;  // cells with track values, drawn from the left edge
    double fine_metri = 1;        // route metres at the right edge
    double striscia_nomi = 150;   // strip for the upright names, above the altitude panel

    // Route metres to the page, the same in both panels.
    double x(double metri) const {
        return pagina::margine_sinistro + metri / fine_metri * pagina::larghezza_utile;
    }
    double cima_quota() const { return alto + striscia_nomi; }
    double cima_velocita() const {
        return cima_quota() + profili::alto_quota + profili::tra_pannelli;
    }
    double fondo() const { return cima_velocita() + profili::alto_velocita; }
    // Height the profiles take, from `alto` down.
    double altezza() const {
        return striscia_nomi + profili::alto_quota + profili::tra_pannelli +
               profili::alto_velocita + profili::sotto;
    }
};

inline impaginazione_profili impagina_profili(const scenario_letto& s, double alto) {
    impaginazione_profili p;
    p.alto = alto;
    // Cells 0 to n_celle - 3 carry the track values; the last three carry none.
    p.celle_utili = s.celle.size() > 3 ? s.celle.size() - 3 : s.celle.size();
    p.fine_metri = std::max(static_cast<double>(p.celle_utili) * 50, 1.0);
    // Upright names need a strip as tall as the longest one.
    std::size_t piu_lungo = 13;  // "fine percorso"
    for (const int indice : s.stazioni) {
        piu_lungo = std::max(piu_lungo, s.voci[static_cast<std::size_t>(indice)].nome.size());
    }
    p.striscia_nomi = 50 + profili::larghezza_carattere *
                               static_cast<double>(std::min(piu_lungo, profili::nome_piu_lungo));
    return p;
}

// Draws both profiles, the names above them and the kilometre axis with its key below.
void disegna_profili(scrittore_svg& svg, const scenario_letto& s, const impaginazione_profili& p);

// The two panels, and what they share.
void disegna_quota(scrittore_svg& svg, const scenario_letto& s, const impaginazione_profili& p);
void disegna_velocita(scrittore_svg& svg, const scenario_letto& s, const impaginazione_profili& p);
// The panel's frame across the page's useful width.
void riquadro_pannello(scrittore_svg& svg, double cima, double alto);
// Horizontal grid lines and labels of a value axis, and its upright name.
void asse_valori(scrittore_svg& svg, double cima, double alto, double minimo, double massimo,
                 double passo, const char* unita);
// The stations' lines across a panel, and the dashed end of the route, with its label
// when `con_scritta`.
void riferimenti(scrittore_svg& svg, const scenario_letto& s, const impaginazione_profili& p,
                 double cima, double alto, bool con_scritta);
