// The pianta command: an SVG picture of a compacted scenario. On top the route plan seen
// from above (north up) with stations, signals, speed signs and mountain spans; below it
// the altitude profile integrated from the cells' gradients and the speed limit, on a
// shared axis of route kilometres with the stations marked.
#include "compactor/diagnostica.h"
#include "comune/errore_esecuzione.h"
#include "comune/sistema_file.h"
#include "tools/strumento.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <limits>
#include <span>
#include <variant>

namespace {

constexpr double larghezza = 1200;
constexpr double margine_sinistro = 80;
constexpr double margine_destro = 40;
constexpr double larghezza_utile = larghezza - margine_sinistro - margine_destro;
constexpr double altezza_pianta_massima = 820;

constexpr const char* colore_percorso = "#1f3a93";
constexpr const char* colore_estensione = "#9aa5b1";
constexpr const char* colore_montagna = "#8d6e63";
constexpr const char* colore_segnale = "#d32f2f";
constexpr const char* colore_cartello = "#f9a825";
constexpr const char* colore_stazione = "#000000";
constexpr const char* colore_quota = "#2e7d32";
constexpr const char* colore_velocita = "#6a1b9a";

std::string numero(double v) {
    char testo[32];
    std::snprintf(testo, sizeof testo, "%.1f", v);
    return testo;
}

std::string xml(std::string_view testo) {
    std::string uscita;
    for (const char c : testo) {
        switch (c) {
            case '&': uscita += "&amp;"; break;
            case '<': uscita += "&lt;"; break;
            case '>': uscita += "&gt;"; break;
            case '"': uscita += "&quot;"; break;
            default:
                // Control bytes are not allowed in XML text.
                uscita += static_cast<unsigned char>(c) < 0x20 ? ' ' : c;
        }
    }
    return uscita;
}

// A name from the single-byte files, ready for the SVG text.
std::string etichetta(std::string_view nome_1252) {
    return testo_utf8(xml(nome_1252));
}

std::string testo_svg(double x, double y, std::string_view contenuto, int dimensione,
                      std::string_view attributi = {}) {
    return "<text x=\"" + numero(x) + "\" y=\"" + numero(y) + "\" font-size=\"" +
           std::to_string(dimensione) + "\"" + (attributi.empty() ? "" : " ") +
           std::string(attributi) + ">" + std::string(contenuto) + "</text>\n";
}

std::string linea_svg(double x1, double y1, double x2, double y2, std::string_view attributi) {
    return "<line x1=\"" + numero(x1) + "\" y1=\"" + numero(y1) + "\" x2=\"" + numero(x2) +
           "\" y2=\"" + numero(y2) + "\" " + std::string(attributi) + "/>\n";
}

// 1, 2 or 5 times a power of ten, the largest not above `massimo`.
double passo_tondo(double massimo) {
    if (!(massimo > 0)) {
        return 1;
    }
    const double potenza = std::pow(10.0, std::floor(std::log10(massimo)));
    for (const double f : {5.0, 2.0, 1.0}) {
        if (f * potenza <= massimo) {
            return f * potenza;
        }
    }
    return potenza;
}

std::string metri_leggibili(double metri) {
    if (metri >= 1000) {
        char testo[32];
        std::snprintf(testo, sizeof testo, "%g km", metri / 1000);
        return testo;
    }
    char testo[32];
    std::snprintf(testo, sizeof testo, "%g m", metri);
    return testo;
}

struct punto {
    double x = 0;
    double y = 0;
};

// What the picture shows, gathered from the three files.
struct scenario_letto {
    std::vector<voce> voci;
    std::vector<cella> celle;
    std::vector<punto> piano;  // route metres 0 up to the last point with both values
    int32_t lunghezza = 0;     // route length, metres
    std::vector<int> stazioni;
    std::vector<std::size_t> segnali;                           // cell indices
    std::vector<std::size_t> cartelli;                          // cell indices of speed signs
    std::vector<std::pair<std::size_t, std::size_t>> montagne;  // runs of cells
};

// Objects put at cell p / 50 + 1 stand at p metres: one cell before their cell.
double metri_oggetto(std::size_t cella_oggetto) {
    return cella_oggetto > 0 ? static_cast<double>(cella_oggetto - 1) * 50 : 0;
}

scenario_letto leggi_scenario(const std::filesystem::path& cartella, const identita_scenario& id) {
    scenario_letto s;
    s.voci = leggi_voci(nomi_file::voci_compatte(cartella, id));
    s.celle = leggi_celle(nomi_file::celle_compatte(cartella, id));
    const auto file_piano = nomi_file::linea_compatta(cartella, id);
    const std::vector<punto_piano> piano = leggi_piano(file_piano);
    for (const punto_piano& p : piano) {
        const auto x = numero_piano(p.x);
        const auto y = numero_piano(p.y);
        if (!x || !y) {
            break;
        }
        s.piano.push_back({*x, *y});
    }
    if (s.piano.size() < 2) {
        throw errore_esecuzione(file_piano, "meno di due punti con x e y: nessuna pianta");
    }
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

class disegno_pianta {
public:
    disegno_pianta(const scenario_letto& s, double alto) : s_(s), alto_(alto) {
        x_min_ = y_min_ = std::numeric_limits<double>::infinity();
        x_max_ = y_max_ = -x_min_;
        for (const punto& p : s.piano) {
            x_min_ = std::min(x_min_, p.x);
            x_max_ = std::max(x_max_, p.x);
            y_min_ = std::min(y_min_, p.y);
            y_max_ = std::max(y_max_, p.y);
        }
        const double dx = std::max(x_max_ - x_min_, 1.0);
        const double dy = std::max(y_max_ - y_min_, 1.0);
        // Room around the plan for the station names.
        scala_ = std::min((larghezza_utile - 220) / dx, altezza_pianta_massima / dy);
        altezza_ = std::max(dy * scala_, 160.0);
        sinistra_ = margine_sinistro + 110 + (larghezza_utile - 220 - dx * scala_) / 2;
        cima_ = alto_ + 30 + (altezza_ - dy * scala_) / 2;
    }

    // Height taken, from `alto` down.
    double altezza() const { return altezza_ + 100; }

    std::string disegna() {
        std::string svg = "<g id=\"pianta\">\n";
        svg += testo_svg(margine_sinistro, alto_ + 14,
                         "Pianta del percorso (vista dall'alto, nord in alto)", 15,
                         "font-weight=\"bold\"");
        for (const auto& [prima, ultima] : s_.montagne) {
            svg += tratto(static_cast<double>(prima) * 50, static_cast<double>(ultima + 1) * 50,
                          std::string("stroke=\"") + colore_montagna +
                              "\" stroke-width=\"9\" stroke-linecap=\"butt\"");
        }
        const double fine =
            std::min<double>(s_.lunghezza, static_cast<double>(s_.piano.size() - 1));
        svg +=
            tratto(0, fine, std::string("stroke=\"") + colore_percorso + "\" stroke-width=\"2.5\"");
        svg += tratto(fine, static_cast<double>(s_.piano.size() - 1),
                      std::string("stroke=\"") + colore_estensione +
                          "\" stroke-width=\"2\" stroke-dasharray=\"6 4\"");
        for (const std::size_t c : s_.cartelli) {
            const punto p = schermo(metri_oggetto(c));
            svg += "<rect x=\"" + numero(p.x - 3.5) + "\" y=\"" + numero(p.y - 3.5) +
                   "\" width=\"7\" height=\"7\" fill=\"" + colore_cartello +
                   "\" stroke=\"#5d4037\" stroke-width=\"0.8\"/>\n";
        }
        for (const std::size_t c : s_.segnali) {
            const punto p = schermo(metri_oggetto(c));
            svg += "<circle cx=\"" + numero(p.x) + "\" cy=\"" + numero(p.y) + "\" r=\"4\" fill=\"" +
                   colore_segnale + "\" stroke=\"white\" stroke-width=\"1\"/>\n";
        }
        segna_ostacoli(fine);
        svg += stazioni();
        svg += chilometri();
        svg += scala_grafica();
        svg += nord();
        svg += "</g>\n";
        return svg;
    }

private:
    punto schermo(double metri) const {
        const double ultimo = static_cast<double>(s_.piano.size() - 1);
        const auto i = static_cast<std::size_t>(std::lround(std::clamp(metri, 0.0, ultimo)));
        const punto& p = s_.piano[i];
        return {sinistra_ + (p.x - x_min_) * scala_, cima_ + (y_max_ - p.y) * scala_};
    }

    // The plan between two route positions, as one polyline.
    std::string tratto(double da, double a, const std::string& attributi) const {
        if (a <= da) {
            return {};
        }
        const double passo = std::max(1.0, static_cast<double>(s_.piano.size()) / 4000);
        std::string punti;
        for (double m = da; m < a; m += passo) {
            const punto p = schermo(m);
            punti += numero(p.x) + "," + numero(p.y) + " ";
        }
        const punto p = schermo(a);
        punti += numero(p.x) + "," + numero(p.y);
        return "<polyline fill=\"none\" stroke-linejoin=\"round\" " + attributi + " points=\"" +
               punti + "\"/>\n";
    }

    std::string stazioni() {
        std::string svg;
        for (const int indice : s_.stazioni) {
            const voce& v = s_.voci[static_cast<std::size_t>(indice)];
            const punto p = schermo(v.dato3);
            svg += "<circle cx=\"" + numero(p.x) + "\" cy=\"" + numero(p.y) +
                   "\" r=\"4.5\" fill=\"white\" stroke=\"" + colore_stazione +
                   "\" stroke-width=\"2\"/>\n";
            const std::string nome = etichetta(v.nome);
            std::string svg_nome = colloca(p, nome, v.nome.size(), 11, "font-weight=\"bold\"", 24);
            svg += svg_nome.empty() ? testo_svg(p.x + 8, p.y + 4, nome, 11) : svg_nome;
        }
        return svg;
    }

    // The route line, the signals and the stations, as small boxes that labels keep off.
    void segna_ostacoli(double fine) {
        const double passo = std::max(1.0, 3 / scala_);
        for (double m = 0; m <= fine; m += passo) {
            const punto p = schermo(m);
            occupati_.push_back({{p.x - 2, p.y - 2}, {p.x + 2, p.y + 2}});
        }
        const auto segna = [&](double metri, double raggio) {
            const punto p = schermo(metri);
            occupati_.push_back({{p.x - raggio, p.y - raggio}, {p.x + raggio, p.y + raggio}});
        };
        for (const std::size_t c : s_.segnali) {
            segna(metri_oggetto(c), 4);
        }
        for (const std::size_t c : s_.cartelli) {
            segna(metri_oggetto(c), 4);
        }
        for (const int indice : s_.stazioni) {
            segna(s_.voci[static_cast<std::size_t>(indice)].dato3, 5);
        }
    }

    // Places a label beside its point, moving it up or down (at most `tentativi` times)
    // until it overlaps no label placed before; empty when it found no room.
    std::string colloca(punto p, const std::string& testo, std::size_t caratteri, int dimensione,
                        const std::string& attributi, int tentativi) {
        // Bold capitals of the sans face are about 0.72 of the font size wide.
        const double largo = 0.72 * dimensione * static_cast<double>(caratteri) + 4;
        for (int tentativo = 0; tentativo < tentativi; ++tentativo) {
            const double spostamento =
                (tentativo % 2 == 0 ? 1 : -1) * ((tentativo + 1) / 2) * (dimensione + 2.0);
            for (const bool a_destra : {true, false}) {
                const double x = a_destra ? p.x + 8 : p.x - 8 - largo;
                const double y = p.y + 4 + spostamento;
                const bool libero = std::none_of(occupati_.begin(), occupati_.end(), [&](auto r) {
                    return x < r.second.x && r.first.x < x + largo && y - dimensione < r.second.y &&
                           r.first.y < y + 2;
                });
                if (libero) {
                    occupati_.push_back({{x, y - dimensione}, {x + largo, y + 2}});
                    std::string svg;
                    if (spostamento != 0) {
                        svg += linea_svg(p.x, p.y, a_destra ? x : x + largo, y - 4,
                                         "stroke=\"#777\" stroke-width=\"0.6\"");
                    }
                    return svg + testo_svg(x, y, testo, dimensione,
                                           "stroke=\"white\" stroke-width=\"3\" "
                                           "paint-order=\"stroke\" " +
                                               attributi);
                }
            }
        }
        return {};
    }

    // Kilometre marks along the route, at the steps of the profile's axis. Each label
    // stands off the line, across the local direction of the route, and is left out
    // where it would cover a station name.
    std::string chilometri() {
        const double fine =
            std::min<double>(s_.lunghezza, static_cast<double>(s_.piano.size() - 1));
        const double passo = passo_tondo(fine / 10);
        std::string svg;
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
            svg += linea_svg(p.x - nx * 4, p.y - ny * 4, p.x + nx * 4, p.y + ny * 4,
                             "stroke=\"#555\" stroke-width=\"1.5\"");
            const std::string testo = metri_leggibili(m);
            const double largo = 6.2 * static_cast<double>(testo.size());
            // Either side of the line, a little farther out at each try.
            for (const double distanza : {10.0, -10.0, 20.0, -20.0, 30.0, -30.0}) {
                const double lato = distanza > 0 ? 1 : -1;
                const double cx = p.x + nx * (distanza + lato * largo / 2 * std::abs(nx));
                const double cy = p.y + ny * distanza * 1.3 + 3.5;
                const punto alto_sx{cx - largo / 2, cy - 10};
                const punto basso_dx{cx + largo / 2, cy + 2};
                const bool libero = std::none_of(occupati_.begin(), occupati_.end(), [&](auto r) {
                    return alto_sx.x < r.second.x && r.first.x < basso_dx.x &&
                           alto_sx.y < r.second.y && r.first.y < basso_dx.y;
                });
                if (libero) {
                    occupati_.push_back({alto_sx, basso_dx});
                    svg += testo_svg(cx, cy, testo, 10,
                                     "text-anchor=\"middle\" fill=\"#555\" stroke=\"white\" "
                                     "stroke-width=\"3\" paint-order=\"stroke\"");
                    break;
                }
            }
        }
        return svg;
    }

    std::string scala_grafica() const {
        const double metri = passo_tondo(200 / scala_);
        const double lungo = metri * scala_;
        const double x = margine_sinistro;
        const double y = alto_ + 30 + altezza_ + 28;
        std::string svg = "<rect x=\"" + numero(x) + "\" y=\"" + numero(y) + "\" width=\"" +
                          numero(lungo / 2) + "\" height=\"6\" fill=\"#333\"/>\n";
        svg += "<rect x=\"" + numero(x + lungo / 2) + "\" y=\"" + numero(y) + "\" width=\"" +
               numero(lungo / 2) + "\" height=\"6\" fill=\"white\" stroke=\"#333\"/>\n";
        svg += testo_svg(x, y - 4, "0", 11);
        svg += testo_svg(x + lungo, y - 4, metri_leggibili(metri), 11, "text-anchor=\"middle\"");
        return svg;
    }

    std::string nord() const {
        const double x = margine_sinistro + larghezza_utile - 20;
        const double y = alto_ + 40;
        return "<path d=\"M" + numero(x) + "," + numero(y) +
               " l-8,24 l8,-6 l8,6 z\" fill=\"#333\"/>\n" +
               testo_svg(x, y + 40, "N", 14, "text-anchor=\"middle\" font-weight=\"bold\"");
    }

    const scenario_letto& s_;
    double alto_;
    double x_min_, x_max_, y_min_, y_max_;
    double scala_ = 1;
    double altezza_ = 0;
    double sinistra_ = 0;
    double cima_ = 0;
    std::vector<std::pair<punto, punto>> occupati_;
};

// The key to the marks: of the plan, or of the profiles below it.
std::string legenda(double y, bool profili) {
    struct voce_legenda {
        std::string simbolo;
        const char* testo;
    };
    const auto linea = [](const char* colore, const char* extra) {
        return std::string("<line x1=\"0\" y1=\"0\" x2=\"22\" y2=\"0\" stroke=\"") + colore +
               "\" " + extra + "/>";
    };
    const voce_legenda della_pianta[] = {
        {linea(colore_percorso, "stroke-width=\"2.5\""), "percorso"},
        {linea(colore_estensione, "stroke-width=\"2\" stroke-dasharray=\"6 4\""),
         "oltre la fine (7000 m)"},
        {linea(colore_montagna, "stroke-width=\"9\""), "montagna / galleria"},
        {"<circle cx=\"11\" cy=\"0\" r=\"4.5\" fill=\"white\" stroke=\"black\" "
         "stroke-width=\"2\"/>",
         "stazione"},
        {std::string("<circle cx=\"11\" cy=\"0\" r=\"4\" fill=\"") + colore_segnale + "\"/>",
         "segnale"},
        {std::string("<rect x=\"7.5\" y=\"-3.5\" width=\"7\" height=\"7\" fill=\"") +
             colore_cartello + "\" stroke=\"#5d4037\" stroke-width=\"0.8\"/>",
         "cartello di velocità massima"},
    };
    const voce_legenda dei_profili[] = {
        {"<rect x=\"0\" y=\"-3.5\" width=\"22\" height=\"7\" fill=\"" +
             std::string(colore_montagna) + "\"/>",
         "montagna / galleria"},
        della_pianta[4],
        della_pianta[5],
        {linea("#999", "stroke-width=\"1\""), "stazione"},
        {linea("#333", "stroke-width=\"1\" stroke-dasharray=\"4 3\""), "fine del percorso"},
    };
    std::string svg;
    double x = margine_sinistro + (profili ? 0 : 230);
    for (const voce_legenda& v : profili ? std::span<const voce_legenda>(dei_profili)
                                         : std::span<const voce_legenda>(della_pianta)) {
        svg += "<g transform=\"translate(" + numero(x) + "," + numero(y) + ")\">" + v.simbolo +
               "</g>\n";
        svg += testo_svg(x + 28, y + 4, v.testo, 11);
        x += 40 + 6.2 * static_cast<double>(std::string_view(v.testo).size());
    }
    return svg;
}

// The two profiles along the route, sharing their horizontal axis.
class disegno_profili {
public:
    disegno_profili(const scenario_letto& s, double alto) : s_(s), alto_(alto) {
        // Cells 0 to n_celle - 3 carry the track values; the last three carry none.
        celle_utili_ = s.celle.size() > 3 ? s.celle.size() - 3 : s.celle.size();
        fine_metri_ = std::max(static_cast<double>(celle_utili_) * 50, 1.0);
        // Upright names need a strip as tall as the longest one.
        std::size_t piu_lungo = 13;  // "fine percorso"
        for (const int indice : s.stazioni) {
            piu_lungo = std::max(piu_lungo, s.voci[static_cast<std::size_t>(indice)].nome.size());
        }
        striscia_nomi_ = 50 + 7.2 * static_cast<double>(std::min<std::size_t>(piu_lungo, 60));
    }

    double altezza() const { return striscia_nomi_ + alto_quota + 60 + alto_velocita + 85; }

    std::string disegna() const {
        std::string svg = "<g id=\"profili\">\n";
        const double cima_quota = alto_ + striscia_nomi_;
        const double cima_velocita = cima_quota + alto_quota + 60;
        svg += testo_svg(margine_sinistro, alto_ + 14,
                         "Profilo altimetrico (dalle pendenze, quota 0 all'inizio) e velocità "
                         "massima lungo il percorso",
                         15, "font-weight=\"bold\"");
        svg += nomi_stazioni(cima_quota, cima_velocita + alto_velocita);
        svg += quote(cima_quota);
        svg += velocita(cima_velocita);
        svg += asse_km(cima_velocita + alto_velocita);
        svg += "</g>\n";
        return svg;
    }

private:
    static constexpr double alto_quota = 220;
    static constexpr double alto_velocita = 160;

    double px(double metri) const {
        return margine_sinistro + metri / fine_metri_ * larghezza_utile;
    }

    std::string riquadro(double cima, double alto) const {
        return "<rect x=\"" + numero(margine_sinistro) + "\" y=\"" + numero(cima) + "\" width=\"" +
               numero(larghezza_utile) + "\" height=\"" + numero(alto) +
               "\" fill=\"#fafafa\" stroke=\"#555\" stroke-width=\"1\"/>\n";
    }

    // Horizontal grid lines and labels of a value axis.
    std::string asse_valori(double cima, double alto, double minimo, double massimo, double passo,
                            const char* unita) const {
        std::string svg;
        for (double v = std::ceil(minimo / passo) * passo; v <= massimo + 1e-9; v += passo) {
            const double y = cima + alto - (v - minimo) / (massimo - minimo) * alto;
            svg += linea_svg(margine_sinistro, y, margine_sinistro + larghezza_utile, y,
                             "stroke=\"#ddd\" stroke-width=\"1\"");
            char testo[32];
            std::snprintf(testo, sizeof testo, "%g", v);
            svg += testo_svg(margine_sinistro - 6, y + 4, testo, 11, "text-anchor=\"end\"");
        }
        svg += testo_svg(margine_sinistro - 60, cima + alto / 2, unita, 12,
                         "text-anchor=\"middle\" transform=\"rotate(-90 " +
                             numero(margine_sinistro - 60) + " " + numero(cima + alto / 2) + ")\"");
        return svg;
    }

    std::string quote(double cima) const {
        std::vector<double> quota(celle_utili_ + 1, 0.0);
        for (std::size_t i = 0; i < celle_utili_; ++i) {
            quota[i + 1] = quota[i] + (static_cast<double>(s_.celle[i].pendenza) - 100) * 0.05;
        }
        double minimo = *std::min_element(quota.begin(), quota.end());
        double massimo = *std::max_element(quota.begin(), quota.end());
        const double passo = passo_tondo(std::max(massimo - minimo, 10.0) / 4);
        minimo = std::floor(minimo / passo) * passo;
        massimo = std::max(std::ceil(massimo / passo) * passo, minimo + passo);
        const auto y = [&](double q) {
            return cima + alto_quota - (q - minimo) / (massimo - minimo) * alto_quota;
        };
        std::string svg = riquadro(cima, alto_quota);
        svg += asse_valori(cima, alto_quota, minimo, massimo, passo, "quota relativa (m)");
        svg += riferimenti(cima, alto_quota, true);
        for (const auto& [prima, ultima] : s_.montagne) {
            const double da = px(static_cast<double>(prima) * 50);
            const double a = px(static_cast<double>(ultima + 1) * 50);
            svg += "<rect x=\"" + numero(da) + "\" y=\"" + numero(cima + alto_quota - 7) +
                   "\" width=\"" + numero(std::max(a - da, 1.5)) + "\" height=\"7\" fill=\"" +
                   colore_montagna + "\"/>\n";
        }
        std::string area = "M" + numero(px(0)) + "," + numero(cima + alto_quota);
        std::string linea;
        for (std::size_t i = 0; i < quota.size(); ++i) {
            const std::string p =
                numero(px(static_cast<double>(i) * 50)) + "," + numero(y(quota[i]));
            area += " L" + p;
            linea += (i == 0 ? "M" : " L") + p;
        }
        area += " L" + numero(px(fine_metri_)) + "," + numero(cima + alto_quota) + " z";
        svg += "<path d=\"" + area + "\" fill=\"" + colore_quota + "\" fill-opacity=\"0.15\"/>\n";
        svg += "<path d=\"" + linea + "\" fill=\"none\" stroke=\"" + colore_quota +
               "\" stroke-width=\"1.8\"/>\n";
        return svg;
    }

    std::string velocita(double cima) const {
        double massima = 0;
        for (std::size_t i = 0; i < celle_utili_; ++i) {
            massima = std::max(massima, s_.celle[i].velocita_limite * 5.0);
        }
        const double passo = passo_tondo(std::max(massima, 20.0) / 4);
        // One step of headroom keeps the signal marks above the line.
        const double tetto = (std::floor(massima / passo) + 1) * passo;
        const auto y = [&](double v) { return cima + alto_velocita - v / tetto * alto_velocita; };
        std::string svg = riquadro(cima, alto_velocita);
        svg += asse_valori(cima, alto_velocita, 0, tetto, passo, "velocità massima (km/h)");
        svg += riferimenti(cima, alto_velocita, false);
        std::string linea;
        for (std::size_t i = 0; i < celle_utili_; ++i) {
            const double v = s_.celle[i].velocita_limite * 5.0;
            const std::string quota_y = numero(y(v));
            linea +=
                (i == 0 ? "M" : " L") + numero(px(static_cast<double>(i) * 50)) + "," + quota_y;
            linea += " L" + numero(px(static_cast<double>(i + 1) * 50)) + "," + quota_y;
        }
        svg += "<path d=\"" + linea + "\" fill=\"none\" stroke=\"" + colore_velocita +
               "\" stroke-width=\"1.8\"/>\n";
        for (const std::size_t c : s_.segnali) {
            const double x = px(metri_oggetto(c));
            svg += "<circle cx=\"" + numero(x) + "\" cy=\"" + numero(cima + 7) +
                   "\" r=\"3.5\" fill=\"" + colore_segnale + "\"/>\n";
        }
        for (const std::size_t c : s_.cartelli) {
            const double x = px(metri_oggetto(c));
            svg += "<rect x=\"" + numero(x - 3) + "\" y=\"" + numero(cima + alto_velocita - 8) +
                   "\" width=\"6\" height=\"6\" fill=\"" + colore_cartello +
                   "\" stroke=\"#5d4037\" stroke-width=\"0.6\"/>\n";
        }
        return svg;
    }

    // The stations' lines across a panel, and the dashed end of the route with its label.
    std::string riferimenti(double cima, double alto, bool con_scritta) const {
        std::string svg;
        for (const int indice : s_.stazioni) {
            const double x = px(std::clamp<double>(s_.voci[static_cast<std::size_t>(indice)].dato3,
                                                   0, fine_metri_));
            svg += linea_svg(x, cima, x, cima + alto, "stroke=\"#bbb\" stroke-width=\"0.7\"");
        }
        if (s_.lunghezza > 0 && s_.lunghezza < fine_metri_) {
            const double x = px(s_.lunghezza);
            svg += linea_svg(x, cima, x, cima + alto,
                             "stroke=\"#333\" stroke-width=\"1\" stroke-dasharray=\"4 3\"");
            if (con_scritta) {
                svg += testo_svg(x - 4, cima + 14, "fine percorso", 10,
                                 "text-anchor=\"end\" fill=\"#333\" font-style=\"italic\" "
                                 "stroke=\"#fafafa\" stroke-width=\"3\" paint-order=\"stroke\"");
            }
        }
        return svg;
    }

    // Names stand upright above the profile; a name that would touch the one before it
    // moves right, with a leader line to its station.
    std::string nomi_stazioni(double cima_quota, double fondo) const {
        std::vector<std::pair<double, std::string>> stazioni;
        for (const int indice : s_.stazioni) {
            const voce& v = s_.voci[static_cast<std::size_t>(indice)];
            stazioni.push_back({px(std::clamp<double>(v.dato3, 0, fine_metri_)), v.nome});
        }
        std::stable_sort(stazioni.begin(), stazioni.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        std::string svg;
        double ultima = -std::numeric_limits<double>::infinity();
        for (const auto& [x, nome] : stazioni) {
            const double x_nome = std::max(x, ultima + 13);
            ultima = x_nome;
            svg += linea_svg(x, cima_quota + alto_quota, x, fondo - alto_velocita,
                             "stroke=\"#999\" stroke-width=\"0.7\"");
            svg += "<polyline fill=\"none\" stroke=\"#999\" stroke-width=\"0.7\" points=\"" +
                   numero(x) + "," + numero(cima_quota) + " " + numero(x) + "," +
                   numero(cima_quota - 6) + " " + numero(x_nome) + "," + numero(cima_quota - 14) +
                   "\"/>\n";
            svg += testo_svg(x_nome + 4, cima_quota - 16, etichetta(nome), 11,
                             "transform=\"rotate(-90 " + numero(x_nome + 4) + " " +
                                 numero(cima_quota - 16) + ")\"");
        }
        return svg;
    }

    std::string asse_km(double fondo) const {
        std::string svg;
        const double passo = passo_tondo(fine_metri_ / 10);
        for (double m = 0; m <= fine_metri_ + 1e-9; m += passo) {
            const double x = px(m);
            svg += linea_svg(x, fondo, x, fondo + 5, "stroke=\"#555\"");
            char testo[32];
            std::snprintf(testo, sizeof testo, "%g", m / 1000);
            svg += testo_svg(x, fondo + 18, testo, 11, "text-anchor=\"middle\"");
        }
        svg += testo_svg(margine_sinistro + larghezza_utile / 2, fondo + 36,
                         "distanza dall'inizio del percorso (km)", 12, "text-anchor=\"middle\"");
        svg += legenda(fondo + 62, true);
        return svg;
    }

    const scenario_letto& s_;
    double alto_;
    std::size_t celle_utili_ = 0;
    double fine_metri_ = 1;
    double striscia_nomi_ = 150;
};

}  // namespace

int comando_pianta(const std::filesystem::path& cartella, const identita_scenario& identita,
                   const std::filesystem::path& svg) {
    const scenario_letto s = leggi_scenario(cartella, identita);

    const double cima_pianta = 70;
    disegno_pianta pianta(s, cima_pianta);
    const std::string disegno = pianta.disegna();
    const double y_legenda = cima_pianta + pianta.altezza() - 30;
    disegno_profili profili(s, cima_pianta + pianta.altezza() + 10);
    const double altezza = cima_pianta + pianta.altezza() + 10 + profili.altezza();

    std::string testo = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    testo += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + numero(larghezza) +
             "\" height=\"" + numero(altezza) + "\" viewBox=\"0 0 " + numero(larghezza) + " " +
             numero(altezza) + "\" font-family=\"DejaVu Sans, Arial, sans-serif\">\n";
    testo += "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
    std::string titolo = etichetta(identita.nome_scenario) + " \xE2\x80\x94 treno " +
                         etichetta(identita.numero_treno);
    testo += testo_svg(margine_sinistro, 32, titolo, 22, "font-weight=\"bold\"");
    char sommario[160];
    std::snprintf(sommario, sizeof sommario,
                  "percorso di %d m, %zu stazioni, %zu segnali, %zu cartelli di velocità massima, "
                  "%zu tratti in montagna",
                  s.lunghezza, s.stazioni.size(), s.segnali.size(), s.cartelli.size(),
                  s.montagne.size());
    testo += testo_svg(margine_sinistro, 54, sommario, 13, "fill=\"#444\"");
    testo += disegno;
    testo += legenda(y_legenda, false);
    testo += profili.disegna();
    testo += "</svg>\n";

    sostituisci_file(svg, testo);
    std::cout << svg.string() << "\n";
    return stato_uscita::fatto;
}
