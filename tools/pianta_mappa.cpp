// Drawing the map: the plan as polylines (route, the part beyond its end, mountain
// spans), speed signs, signals, stations with their names, kilometre marks, the scale
// bar and the north arrow.
#include "tools/pianta_mappa.h"

#include "compactor/testo.h"

#include <cmath>
#include <string>

namespace {

class disegno_mappa {
public:
    disegno_mappa(scrittore_svg& svg, const scenario_letto& s, const inquadratura_mappa& q)
        : svg_(svg), s_(s), q_(q) {}

    void disegna() {
        svg_.apri_gruppo("id=\"pianta\"");
        svg_.testo(pagina::margine_sinistro, q_.alto + 14, 15,
                   "Pianta del percorso (vista dall'alto, nord in alto)", "font-weight=\"bold\"");
        for (const auto& [prima, ultima] : s_.montagne) {
            tratto(static_cast<double>(prima) * 50, static_cast<double>(ultima + 1) * 50,
                   std::string("stroke=\"") + colore::montagna +
                       "\" stroke-width=\"9\" stroke-linecap=\"butt\"");
        }
        const double fine = fine_percorso();
        tratto(0, fine, std::string("stroke=\"") + colore::percorso + "\" stroke-width=\"2.5\"");
        tratto(fine, ultimo_metro(),
               std::string("stroke=\"") + colore::estensione +
                   "\" stroke-width=\"2\" stroke-dasharray=\"6 4\"");
        for (const std::size_t c : s_.cartelli) {
            const punto p = schermo(metri_oggetto(c));
            svg_.rettangolo(p.x - 3.5, p.y - 3.5, 7, 7,
                            std::string("fill=\"") + colore::cartello +
                                "\" stroke=\"#5d4037\" stroke-width=\"0.8\"");
        }
        for (const std::size_t c : s_.segnali) {
            const punto p = schermo(metri_oggetto(c));
            svg_.cerchio(p.x, p.y, 4,
                         std::string("fill=\"") + colore::segnale +
                             "\" stroke=\"white\" stroke-width=\"1\"");
        }
        segna_ostacoli(fine);
        stazioni();
        chilometri();
        scala_grafica();
        nord();
        svg_.chiudi_gruppo();
    }

private:
    // The route proper ends at its length, or earlier where the plan does.
    // The route's end on the plan; a length outside the plan (a file from elsewhere may
    // say anything) is kept within it, so that no loop runs beyond the plan's points.
    double fine_percorso() const { return std::clamp<double>(s_.lunghezza, 0.0, ultimo_metro()); }
    double ultimo_metro() const { return static_cast<double>(s_.piano.size() - 1); }

    // The plan point nearest a route position, on the page.
    punto schermo(double metri) const {
        const auto i =
            static_cast<std::size_t>(std::lround(std::clamp(metri, 0.0, ultimo_metro())));
        return q_.schermo(s_.piano[i]);
    }

    // The plan between two route positions, as one polyline of at most about 4000 points.
    void tratto(double da, double a, const std::string& stile) {
        if (a <= da) {
            return;
        }
        const double passo = std::max(1.0, static_cast<double>(s_.piano.size()) / 4000);
        punti_svg punti;
        for (double m = da; m < a; m += passo) {
            const punto p = schermo(m);
            punti.aggiungi(p.x, p.y);
        }
        const punto p = schermo(a);
        punti.aggiungi(p.x, p.y);
        svg_.polilinea(punti, "fill=\"none\" stroke-linejoin=\"round\" " + stile);
    }

    // The route line, the signals, the signs and the stations, as small boxes that labels
    // keep off.
    void segna_ostacoli(double fine) {
        const double passo = std::max(1.0, 3 / q_.scala);
        for (double m = 0; m <= fine; m += passo) {
            occupati_.occupa(schermo(m), 2);
        }
        for (const std::size_t c : s_.segnali) {
            occupati_.occupa(schermo(metri_oggetto(c)), 4);
        }
        for (const std::size_t c : s_.cartelli) {
            occupati_.occupa(schermo(metri_oggetto(c)), 4);
        }
        for (const int indice : s_.stazioni) {
            occupati_.occupa(schermo(s_.voci[static_cast<std::size_t>(indice)].dato3), 5);
        }
    }

    // A name that finds no free place is still written, plainly, beside its station.
    void stazioni() {
        for (const int indice : s_.stazioni) {
            const voce& v = s_.voci[static_cast<std::size_t>(indice)];
            const punto p = schermo(v.dato3);
            svg_.cerchio(p.x, p.y, 4.5,
                         std::string("fill=\"white\" stroke=\"") + colore::stazione +
                             "\" stroke-width=\"2\"");
            const std::string nome = testo_utf8(v.nome);
            const auto posto = colloca_nome(occupati_, p, v.nome.size(), 11, 24);
            if (!posto) {
                svg_.testo(p.x + 8, p.y + 4, 11, nome);
                continue;
            }
            if (posto->spostamento != 0) {
                svg_.linea(p.x, p.y, posto->a_destra ? posto->x : posto->box.basso_dx.x,
                           posto->y - 4, "stroke=\"#777\" stroke-width=\"0.6\"");
            }
            svg_.testo(posto->x, posto->y, 11, nome,
                       "stroke=\"white\" stroke-width=\"3\" paint-order=\"stroke\" "
                       "font-weight=\"bold\"");
        }
    }

    // Kilometre marks along the route, at round steps of about a tenth of it. Each label
    // stands off the line, across the local direction of the route, and is left out
    // where it would cover a station name or anything else already drawn.
    void chilometri() {
        const double fine = fine_percorso();
        const double passo = passo_tondo(fine / 10);
        for (double m = passo; m < fine - passo / 3; m += passo) {
            const punto p = schermo(m);
            const punto avanti = schermo(m + 100);
            const punto indietro = schermo(m - 100);
            double nx = -(avanti.y - indietro.y);
            double ny = avanti.x - indietro.x;
            const double norma = std::hypot(nx, ny);
            if (norma > 0) {
                nx /= norma;
                ny /= norma;
            } else {
                nx = 1;
                ny = 0;
            }
            svg_.linea(p.x - nx * 4, p.y - ny * 4, p.x + nx * 4, p.y + ny * 4,
                       "stroke=\"#555\" stroke-width=\"1.5\"");
            const std::string testo = metri_leggibili(m);
            const double largo = 6.2 * static_cast<double>(testo.size());
            // Either side of the line, a little farther out at each try.
            for (const double distanza : {10.0, -10.0, 20.0, -20.0, 30.0, -30.0}) {
                const double lato = distanza > 0 ? 1 : -1;
                const double cx = p.x + nx * (distanza + lato * largo / 2 * std::abs(nx));
                const double cy = p.y + ny * distanza * 1.3 + 3.5;
                const ingombro box{{cx - largo / 2, cy - 10}, {cx + largo / 2, cy + 2}};
                if (occupati_.libero(box)) {
                    occupati_.occupa(box);
                    svg_.testo(cx, cy, 10, testo,
                               "text-anchor=\"middle\" fill=\"#555\" stroke=\"white\" "
                               "stroke-width=\"3\" paint-order=\"stroke\"");
                    break;
                }
            }
        }
    }

    // A bar of two halves, dark and light, with 0 at its start and its length at its end.
    void scala_grafica() {
        const barra_scala barra = barra_per(q_.scala);
        const double x = pagina::margine_sinistro;
        const double y = q_.alto + mappa::sopra + q_.altezza + 28;
        svg_.rettangolo(x, y, barra.pixel / 2, 6, "fill=\"#333\"");
        svg_.rettangolo(x + barra.pixel / 2, y, barra.pixel / 2, 6,
                        "fill=\"white\" stroke=\"#333\"");
        svg_.testo(x, y - 4, 11, "0");
        svg_.testo(x + barra.pixel, y - 4, 11, metri_leggibili(barra.metri),
                   "text-anchor=\"middle\"");
    }

    void nord() {
        const double x = pagina::margine_sinistro + pagina::larghezza_utile - 20;
        const double y = q_.alto + 40;
        svg_.percorso(dati_percorso()
                          .sposta(x, y)
                          .traccia_relativa(-8, 24)
                          .traccia_relativa(8, -6)
                          .traccia_relativa(8, 6)
                          .chiudi(),
                      "fill=\"#333\"");
        svg_.testo(x, y + 40, 14, "N", "text-anchor=\"middle\" font-weight=\"bold\"");
    }

    scrittore_svg& svg_;
    const scenario_letto& s_;
    const inquadratura_mappa& q_;
    occupazione occupati_;
};

}  // namespace

void disegna_mappa(scrittore_svg& svg, const scenario_letto& s, const inquadratura_mappa& q) {
    disegno_mappa(svg, s, q).disegna();
}
