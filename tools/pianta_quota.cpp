// The altitude panel: the height along the route integrated from the cells' gradients,
// 0 at the start, with the mountain spans marked along its foot.
#include "tools/pianta_profili.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace {

// Height at the start of each cell with track values and at the end of the last one: a
// cell's gradient is stored as 100 plus per mille, over its 50 metres.
std::vector<double> quote_celle(const scenario_letto& s, std::size_t celle_utili) {
    std::vector<double> quota(celle_utili + 1, 0.0);
    for (std::size_t i = 0; i < celle_utili; ++i) {
        quota[i + 1] = quota[i] + (static_cast<double>(s.celle[i].pendenza) - 100) * 0.05;
    }
    return quota;
}

}  // namespace

void disegna_quota(scrittore_svg& svg, const scenario_letto& s, const impaginazione_profili& p) {
    const double cima = p.cima_quota();
    const double alto = profili::alto_quota;
    const std::vector<double> quota = quote_celle(s, p.celle_utili);
    double minimo = *std::min_element(quota.begin(), quota.end());
    double massimo = *std::max_element(quota.begin(), quota.end());
    const double passo = passo_tondo(std::max(massimo - minimo, 10.0) / 4);
    minimo = std::floor(minimo / passo) * passo;
    massimo = std::max(std::ceil(massimo / passo) * passo, minimo + passo);
    const auto y = [&](double q) { return cima + alto - (q - minimo) / (massimo - minimo) * alto; };

    riquadro_pannello(svg, cima, alto);
    asse_valori(svg, cima, alto, minimo, massimo, passo, "quota relativa (m)");
    riferimenti(svg, s, p, cima, alto, true);
    for (const auto& [prima, ultima] : s.montagne) {
        const double da = p.x(static_cast<double>(prima) * 50);
        const double a = p.x(static_cast<double>(ultima + 1) * 50);
        svg.rettangolo(da, cima + alto - 7, std::max(a - da, 1.5), 7,
                       std::string("fill=\"") + colore::montagna + "\"");
    }
    dati_percorso area;
    dati_percorso linea;
    area.sposta(p.x(0), cima + alto);
    for (std::size_t i = 0; i < quota.size(); ++i) {
        const double x = p.x(static_cast<double>(i) * 50);
        area.traccia(x, y(quota[i]));
        if (i == 0) {
            linea.sposta(x, y(quota[i]));
        } else {
            linea.traccia(x, y(quota[i]));
        }
    }
    area.traccia(p.x(p.fine_metri), cima + alto).chiudi();
    svg.percorso(area, std::string("fill=\"") + colore::quota + "\" fill-opacity=\"0.15\"");
    svg.percorso(
        linea, std::string("fill=\"none\" stroke=\"") + colore::quota + "\" stroke-width=\"1.8\"");
}
