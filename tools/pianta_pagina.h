// The page of the pianta picture: its measures and colours, and the small pieces of
// geometry the drawings share (points, the boxes labels keep off, round steps of an axis).
// Kept inline in this header so that the tests reach the geometry without the tool.
#pragma once

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace pagina {

constexpr double larghezza = 1200;
constexpr double margine_sinistro = 80;
constexpr double margine_destro = 40;
constexpr double larghezza_utile = larghezza - margine_sinistro - margine_destro;
constexpr double cima_pianta = 70;  // top of the map's group, below the title lines

constexpr const char* caratteri = "DejaVu Sans, Arial, sans-serif";

}  // namespace pagina

namespace colore {

constexpr const char* percorso = "#1f3a93";
constexpr const char* estensione = "#9aa5b1";
constexpr const char* montagna = "#8d6e63";
constexpr const char* segnale = "#d32f2f";
constexpr const char* cartello = "#f9a825";
constexpr const char* stazione = "#000000";
constexpr const char* quota = "#2e7d32";
constexpr const char* velocita = "#6a1b9a";

}  // namespace colore

struct punto {
    double x = 0;
    double y = 0;
};

// A box on the page, top left and bottom right (y grows downwards).
struct ingombro {
    punto alto_sx;
    punto basso_dx;

    // Boxes that only touch along an edge do not overlap.
    bool sovrapposto(const ingombro& altro) const {
        return alto_sx.x < altro.basso_dx.x && altro.alto_sx.x < basso_dx.x &&
               alto_sx.y < altro.basso_dx.y && altro.alto_sx.y < basso_dx.y;
    }
};

// What is already drawn where a label must not go.
class occupazione {
public:
    bool libero(const ingombro& b) const {
        for (const ingombro& o : occupati_) {
            if (b.sovrapposto(o)) {
                return false;
            }
        }
        return true;
    }
    void occupa(const ingombro& b) { occupati_.push_back(b); }
    // A square of half side `raggio` around a point.
    void occupa(punto p, double raggio) {
        occupa({{p.x - raggio, p.y - raggio}, {p.x + raggio, p.y + raggio}});
    }

private:
    std::vector<ingombro> occupati_;
};

// 1, 2 or 5 times a power of ten, the largest not above `massimo` (1 when `massimo` is not
// positive): the steps of the axes, of the kilometre marks and of the scale bar.
inline double passo_tondo(double massimo) {
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

// "500 m", "2 km", "2.5 km".
inline std::string metri_leggibili(double metri) {
    char testo[32];
    if (metri >= 1000) {
        std::snprintf(testo, sizeof testo, "%g km", metri / 1000);
    } else {
        std::snprintf(testo, sizeof testo, "%g m", metri);
    }
    return testo;
}
