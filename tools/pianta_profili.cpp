// Drawing the profiles' frame: the title, the stations' names above the panels, the
// pieces both panels share, and the kilometre axis with the key below them.
#include "tools/pianta_profili.h"

#include "compactor/testo.h"
#include "tools/pianta_legenda.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>
#include <utility>
#include <vector>

namespace {

// Names stand upright above the profile; a name that would touch the one before it
// moves right, with a leader line to its station.
void nomi_stazioni(scrittore_svg& svg, const scenario_letto& s, const impaginazione_profili& p) {
    const double cima_quota = p.cima_quota();
    const double fondo = p.fondo();
    std::vector<std::pair<double, std::string>> stazioni;
    for (const int indice : s.stazioni) {
        const voce& v = s.voci[static_cast<std::size_t>(indice)];
        stazioni.push_back({p.x(std::clamp<double>(v.dato3, 0, p.fine_metri)), v.nome});
    }
    std::stable_sort(stazioni.begin(), stazioni.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    double ultima = -std::numeric_limits<double>::infinity();
    for (const auto& [x, nome] : stazioni) {
        const double x_nome = std::max(x, ultima + 13);
        ultima = x_nome;
        svg.linea(x, cima_quota + profili::alto_quota, x, fondo - profili::alto_velocita,
                  "stroke=\"#999\" stroke-width=\"0.7\"");
        punti_svg guida;
        guida.aggiungi(x, cima_quota);
        guida.aggiungi(x, cima_quota - 6);
        guida.aggiungi(x_nome, cima_quota - 14);
        svg.polilinea(guida, "fill=\"none\" stroke=\"#999\" stroke-width=\"0.7\"");
        svg.testo(x_nome + 4, cima_quota - 16, 11, testo_utf8(nome),
                  rotazione_svg(-90, x_nome + 4, cima_quota - 16));
    }
}

void asse_km(scrittore_svg& svg, const impaginazione_profili& p) {
    const double fondo = p.fondo();
    const double passo = passo_tondo(p.fine_metri / 10);
    for (double m = 0; m <= p.fine_metri + 1e-9; m += passo) {
        const double x = p.x(m);
        svg.linea(x, fondo, x, fondo + 5, "stroke=\"#555\"");
        char testo[32];
        std::snprintf(testo, sizeof testo, "%g", m / 1000);
        svg.testo(x, fondo + 18, 11, testo, "text-anchor=\"middle\"");
    }
    svg.testo(pagina::margine_sinistro + pagina::larghezza_utile / 2, fondo + 36, 12,
              "distanza dall'inizio del percorso (km)", "text-anchor=\"middle\"");
    disegna_legenda(svg, fondo + 62, true);
}

}  // namespace

void disegna_profili(scrittore_svg& svg, const scenario_letto& s, const impaginazione_profili& p) {
    svg.apri_gruppo("id=\"profili\"");
    svg.testo(pagina::margine_sinistro, p.alto + 14, 15,
              "Profilo altimetrico (dalle pendenze, quota 0 all'inizio) e velocità "
              "massima lungo il percorso",
              "font-weight=\"bold\"");
    nomi_stazioni(svg, s, p);
    disegna_quota(svg, s, p);
    disegna_velocita(svg, s, p);
    asse_km(svg, p);
    svg.chiudi_gruppo();
}

void riquadro_pannello(scrittore_svg& svg, double cima, double alto) {
    svg.rettangolo(pagina::margine_sinistro, cima, pagina::larghezza_utile, alto,
                   "fill=\"#fafafa\" stroke=\"#555\" stroke-width=\"1\"");
}

void asse_valori(scrittore_svg& svg, double cima, double alto, double minimo, double massimo,
                 double passo, const char* unita) {
    for (double v = std::ceil(minimo / passo) * passo; v <= massimo + 1e-9; v += passo) {
        const double y = cima + alto - (v - minimo) / (massimo - minimo) * alto;
        svg.linea(pagina::margine_sinistro, y, pagina::margine_sinistro + pagina::larghezza_utile,
                  y, "stroke=\"#ddd\" stroke-width=\"1\"");
        char testo[32];
        std::snprintf(testo, sizeof testo, "%g", v);
        svg.testo(pagina::margine_sinistro - 6, y + 4, 11, testo, "text-anchor=\"end\"");
    }
    const double x = pagina::margine_sinistro - 60;
    const double y = cima + alto / 2;
    svg.testo(x, y, 12, unita, "text-anchor=\"middle\" " + rotazione_svg(-90, x, y));
}

void riferimenti(scrittore_svg& svg, const scenario_letto& s, const impaginazione_profili& p,
                 double cima, double alto, bool con_scritta) {
    for (const int indice : s.stazioni) {
        const double x = p.x(
            std::clamp<double>(s.voci[static_cast<std::size_t>(indice)].dato3, 0, p.fine_metri));
        svg.linea(x, cima, x, cima + alto, "stroke=\"#bbb\" stroke-width=\"0.7\"");
    }
    if (s.lunghezza > 0 && s.lunghezza < p.fine_metri) {
        const double x = p.x(s.lunghezza);
        svg.linea(x, cima, x, cima + alto,
                  "stroke=\"#333\" stroke-width=\"1\" stroke-dasharray=\"4 3\"");
        if (con_scritta) {
            svg.testo(x - 4, cima + 14, 10, "fine percorso",
                      "text-anchor=\"end\" fill=\"#333\" font-style=\"italic\" "
                      "stroke=\"#fafafa\" stroke-width=\"3\" paint-order=\"stroke\"");
        }
    }
}
