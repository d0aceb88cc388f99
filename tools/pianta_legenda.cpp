// The keys of the map and of the profiles: each mark drawn small, followed by its meaning.
#include "tools/pianta_legenda.h"

#include "tools/pianta_pagina.h"

#include <span>
#include <string>
#include <string_view>

namespace {

struct voce_legenda {
    void (*simbolo)(scrittore_svg&);  // drawn around (0, 0), 22 wide
    const char* testo;
};

void tratto_legenda(scrittore_svg& svg, const char* colore, const char* stile) {
    svg.linea(0, 0, 22, 0, std::string("stroke=\"") + colore + "\" " + stile);
}

void segnale(scrittore_svg& svg) {
    svg.cerchio(11, 0, 4, std::string("fill=\"") + colore::segnale + "\"");
}

void cartello(scrittore_svg& svg) {
    svg.rettangolo(
        7.5, -3.5, 7, 7,
        std::string("fill=\"") + colore::cartello + "\" stroke=\"#5d4037\" stroke-width=\"0.8\"");
}

constexpr voce_legenda della_pianta[] = {
    {[](scrittore_svg& svg) { tratto_legenda(svg, colore::percorso, "stroke-width=\"2.5\""); },
     "percorso"},
    {[](scrittore_svg& svg) {
         tratto_legenda(svg, colore::estensione, "stroke-width=\"2\" stroke-dasharray=\"6 4\"");
     },
     "oltre la fine (7000 m)"},
    {[](scrittore_svg& svg) { tratto_legenda(svg, colore::montagna, "stroke-width=\"9\""); },
     "montagna / galleria"},
    {[](scrittore_svg& svg) {
         svg.cerchio(11, 0, 4.5, "fill=\"white\" stroke=\"black\" stroke-width=\"2\"");
     },
     "stazione"},
    {segnale, "segnale"},
    {cartello, "cartello di velocità massima"},
};

constexpr voce_legenda dei_profili[] = {
    {[](scrittore_svg& svg) {
         svg.rettangolo(0, -3.5, 22, 7, std::string("fill=\"") + colore::montagna + "\"");
     },
     "montagna / galleria"},
    {segnale, "segnale"},
    {cartello, "cartello di velocità massima"},
    {[](scrittore_svg& svg) { tratto_legenda(svg, "#999", "stroke-width=\"1\""); }, "stazione"},
    {[](scrittore_svg& svg) {
         tratto_legenda(svg, "#333", "stroke-width=\"1\" stroke-dasharray=\"4 3\"");
     },
     "fine del percorso"},
};

}  // namespace

void disegna_legenda(scrittore_svg& svg, double y, bool profili) {
    double x = pagina::margine_sinistro + (profili ? 0 : 230);
    for (const voce_legenda& v : profili ? std::span<const voce_legenda>(dei_profili)
                                         : std::span<const voce_legenda>(della_pianta)) {
        svg.apri_gruppo_in_riga(traslazione_svg(x, y));
        v.simbolo(svg);
        svg.chiudi_gruppo();
        svg.testo(x + 28, y + 4, 11, v.testo);
        // Room for the symbol and the text, at about 6.2 pixels a byte.
        x += 40 + 6.2 * static_cast<double>(std::string_view(v.testo).size());
    }
}
