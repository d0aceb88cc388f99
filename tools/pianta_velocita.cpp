// The speed panel: the speed limit of each cell as steps, with the signals along its top
// and the speed signs along its foot.
#include "tools/pianta_profili.h"

#include <algorithm>
#include <cmath>
#include <string>

void disegna_velocita(scrittore_svg& svg, const scenario_letto& s, const impaginazione_profili& p) {
    const double cima = p.cima_velocita();
    const double alto = profili::alto_velocita;
    // A cell's limit is stored in steps of 5 km/h.
    const auto kmh = [&](std::size_t i) { return s.celle[i].velocita_limite * 5.0; };
    double massima = 0;
    for (std::size_t i = 0; i < p.celle_utili; ++i) {
        massima = std::max(massima, kmh(i));
    }
    const double passo = passo_tondo(std::max(massima, 20.0) / 4);
    // One step of headroom keeps the signal marks above the line.
    const double tetto = (std::floor(massima / passo) + 1) * passo;
    const auto y = [&](double v) { return cima + alto - v / tetto * alto; };

    riquadro_pannello(svg, cima, alto);
    asse_valori(svg, cima, alto, 0, tetto, passo, "velocità massima (km/h)");
    riferimenti(svg, s, p, cima, alto, false);
    dati_percorso linea;
    for (std::size_t i = 0; i < p.celle_utili; ++i) {
        const double inizio = p.x(static_cast<double>(i) * 50);
        if (i == 0) {
            linea.sposta(inizio, y(kmh(i)));
        } else {
            linea.traccia(inizio, y(kmh(i)));
        }
        linea.traccia(p.x(static_cast<double>(i + 1) * 50), y(kmh(i)));
    }
    svg.percorso(linea, std::string("fill=\"none\" stroke=\"") + colore::velocita +
                            "\" stroke-width=\"1.8\"");
    for (const std::size_t c : s.segnali) {
        svg.cerchio(p.x(metri_oggetto(c)), cima + 7, 3.5,
                    std::string("fill=\"") + colore::segnale + "\"");
    }
    for (const std::size_t c : s.cartelli) {
        svg.rettangolo(p.x(metri_oggetto(c)) - 3, cima + alto - 8, 6, 6,
                       std::string("fill=\"") + colore::cartello +
                           "\" stroke=\"#5d4037\" stroke-width=\"0.6\"");
    }
}
