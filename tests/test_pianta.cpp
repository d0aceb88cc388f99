// The pianta picture's parts taken one by one: the SVG writer (number format, escaping,
// refusal of numbers that are not finite) and the geometry of the map, worked out by
// hand from the page's measures: 1200 wide, margins 80 and 40, so 1080 useful, of which
// 110 on either side are kept for station names, leaving 860 for the plan.
#include "tools/pianta_mappa.h"
#include "tools/pianta_pagina.h"
#include "tools/svg.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

namespace {

constexpr double non_numero = std::numeric_limits<double>::quiet_NaN();
constexpr double infinito = std::numeric_limits<double>::infinity();

}  // namespace

TEST(ScrittoreSvg, ElementiConNumeriInteriEDecimali) {
    scrittore_svg svg;
    svg.apri_gruppo_in_riga(traslazione_svg(80, 5.24));
    svg.cerchio(11, 0, 4.5, "fill=\"red\"");
    svg.chiudi_gruppo();
    svg.rettangolo(-3.5, 2.04, 7, 7, "fill=\"#333\"");
    svg.linea(0.06, 1, 2.96, 3, "stroke=\"#555\"");
    punti_svg punti;
    punti.aggiungi(1, 2);
    punti.aggiungi(3.5, -4);
    svg.polilinea(punti, "fill=\"none\"");
    svg.percorso(dati_percorso().sposta(10, 20).traccia_relativa(-8, 24).traccia(1, 2).chiudi(),
                 "fill=\"#333\"");
    // Computed values get one decimal, the drawing's whole constants stay whole.
    EXPECT_EQ(svg.documento(),
              "<g transform=\"translate(80.0,5.2)\"><circle cx=\"11\" cy=\"0\" r=\"4.5\" "
              "fill=\"red\"/></g>\n"
              "<rect x=\"-3.5\" y=\"2.0\" width=\"7\" height=\"7\" fill=\"#333\"/>\n"
              "<line x1=\"0.1\" y1=\"1\" x2=\"3.0\" y2=\"3\" stroke=\"#555\"/>\n"
              "<polyline fill=\"none\" points=\"1.0,2.0 3.5,-4.0\"/>\n"
              "<path d=\"M10.0,20.0 l-8,24 L1.0,2.0 z\" fill=\"#333\"/>\n");
}

TEST(ScrittoreSvg, TestoEscapatoUnaVolta) {
    scrittore_svg svg;
    svg.testo(1, 2, 11, "A & B <C> \"D\"\x01\xC3\xA8", rotazione_svg(-90, 1, 2));
    svg.testo(1, 2, 11, "&amp;");
    EXPECT_EQ(svg.documento(),
              "<text x=\"1.0\" y=\"2.0\" font-size=\"11\" transform=\"rotate(-90 1.0 2.0)\">"
              "A &amp; B &lt;C&gt; &quot;D&quot; \xC3\xA8</text>\n"
              "<text x=\"1.0\" y=\"2.0\" font-size=\"11\">&amp;amp;</text>\n");
}

// Each element, its builders and the attribute helpers refuse NaN and the infinities in
// any of their numbers, and leave the document as it was.
TEST(ScrittoreSvg, RifiutaNumeriNonFinitiSenzaScrivereNulla) {
    using scrivi = std::function<void(scrittore_svg&, double)>;
    const std::vector<std::pair<const char*, scrivi>> casi = {
        {"linea x2", [](scrittore_svg& s, double v) { s.linea(0, 0, v, 0, "stroke=\"#555\""); }},
        {"linea y1", [](scrittore_svg& s, double v) { s.linea(0, v, 0, 0, "stroke=\"#555\""); }},
        {"rettangolo larghezza",
         [](scrittore_svg& s, double v) { s.rettangolo(0, 0, v, 6, "fill=\"#333\""); }},
        {"cerchio cy", [](scrittore_svg& s, double v) { s.cerchio(1, v, 4, "fill=\"red\""); }},
        {"testo x", [](scrittore_svg& s, double v) { s.testo(v, 1, 11, "N"); }},
        {"testo y", [](scrittore_svg& s, double v) { s.testo(1, v, 11, "N"); }},
        {"rotazione",
         [](scrittore_svg& s, double v) { s.testo(1, 1, 11, "N", rotazione_svg(-90, 1, v)); }},
        {"traslazione",
         [](scrittore_svg& s, double v) { s.apri_gruppo_in_riga(traslazione_svg(v, 1)); }},
        {"punti",
         [](scrittore_svg& s, double v) {
             punti_svg p;
             p.aggiungi(1, 1);
             ASSERT_THROW(p.aggiungi(2, v), numero_svg_non_finito);
             EXPECT_EQ(p.testo(), "1.0,1.0");
             p.aggiungi(v, 2);
             s.polilinea(p, "fill=\"none\"");
         }},
        {"percorso",
         [](scrittore_svg& s, double v) {
             dati_percorso d;
             d.sposta(1, 1);
             ASSERT_THROW(d.traccia(v, 2), numero_svg_non_finito);
             EXPECT_EQ(d.testo(), "M1.0,1.0");
             s.percorso(d.traccia(2, v), "fill=\"none\"");
         }},
        {"documento", [](scrittore_svg& s, double v) { s.apri_documento(1200, v, "x", "white"); }},
    };
    for (const auto& [nome, caso] : casi) {
        for (const double v : {non_numero, infinito, -infinito}) {
            scrittore_svg svg;
            svg.testo(1, 2, 11, "prima");
            const std::string prima = svg.documento();
            EXPECT_THROW(caso(svg, v), numero_svg_non_finito) << nome << " " << v;
            EXPECT_EQ(svg.documento(), prima) << nome << " " << v;
        }
    }
}

TEST(GeometriaPianta, PassiTondiEMisureLeggibili) {
    const struct {
        double massimo;
        double passo;
    } passi[] = {
        {465.1, 200}, {1000, 1000}, {999.9, 500}, {4651.2, 2000}, {10, 10},        {9.99, 5},
        {0.3, 0.2},   {25, 20},     {0, 1},       {-5, 1},        {non_numero, 1},
    };
    for (const auto& c : passi) {
        EXPECT_DOUBLE_EQ(passo_tondo(c.massimo), c.passo) << c.massimo;
    }
    const struct {
        double metri;
        const char* testo;
    } misure[] = {{200, "200 m"}, {999, "999 m"}, {1000, "1 km"}, {2500, "2.5 km"}};
    for (const auto& c : misure) {
        EXPECT_EQ(metri_leggibili(c.metri), c.testo);
    }
}

// The scale is the smaller of 860 px over the plan's width and 820 px over its height;
// the scale bar is the longest round distance (1, 2 or 5 times a power of ten) whose bar
// is at most 200 px.
TEST(GeometriaPianta, ScalaEBarraDellaPianta) {
    const struct {
        const char* caso;
        std::vector<punto> piano;
        double scala;
        double sinistra;  // 80 + 110 + (860 - width * scale) / 2
        double cima;      // top 70 + 30 + (room - height * scale) / 2
        double altezza;   // room: the plan's height on the page, at least 160
        double metri_barra;
        double pixel_barra;
    } casi[] = {
        // 860 / 2000 = 0.43; 200 / 0.43 = 465 -> 200 m, 86 px.
        {"verso est", {{0, 0}, {2000, 0}}, 0.43, 190, 100 + (160 - 0.43) / 2, 160, 200, 86},
        // 820 / 4000 = 0.205 < 860 / 1000; 200 / 0.205 = 976 -> 500 m, 102.5 px.
        {"verso nord",
         {{-500, 0}, {500, 4000}},
         0.205,
         190 + (860 - 205.0) / 2,
         100,
         820,
         500,
         102.5},
        // 860 / 50000 = 0.0172; 200 / 0.0172 = 11628 -> 10 km, 172 px.
        {"lunga",
         {{1e6, 2e6}, {1e6 + 50000, 2e6 + 1000}},
         0.0172,
         190,
         100 + (160 - 17.2) / 2,
         160,
         10000,
         172},
        // A plan of one point still gets a finite scale: 1 m both ways, 820 px a metre.
        {"un punto", {{5, 5}, {5, 5}}, 820, 190 + (860 - 820.0) / 2, 100, 820, 0.2, 164},
    };
    for (const auto& c : casi) {
        const inquadratura_mappa q = inquadra_mappa(c.piano, 70);
        EXPECT_NEAR(q.scala, c.scala, 1e-12) << c.caso;
        EXPECT_NEAR(q.sinistra, c.sinistra, 1e-9) << c.caso;
        EXPECT_NEAR(q.cima, c.cima, 1e-9) << c.caso;
        EXPECT_NEAR(q.altezza, c.altezza, 1e-9) << c.caso;
        const barra_scala barra = barra_per(q.scala);
        EXPECT_NEAR(barra.metri, c.metri_barra, 1e-9) << c.caso;
        EXPECT_NEAR(barra.pixel, c.pixel_barra, 1e-9) << c.caso;
        EXPECT_LE(barra.pixel, 200) << c.caso;
    }
}

// North up: the westmost point at the plan's left edge, the northmost at its top.
TEST(GeometriaPianta, NordInAlto) {
    const inquadratura_mappa q = inquadra_mappa({{-500, 0}, {500, 4000}, {0, 2000}}, 70);
    const punto nordovest = q.schermo({-500, 4000});
    EXPECT_NEAR(nordovest.x, 190 + (860 - 205.0) / 2, 1e-9);
    EXPECT_NEAR(nordovest.y, 100, 1e-9);
    const punto centro = q.schermo({0, 2000});
    EXPECT_NEAR(centro.x, nordovest.x + 500 * 0.205, 1e-9);
    EXPECT_NEAR(centro.y, 100 + 2000 * 0.205, 1e-9);
}

// A name of 4 capitals at 11 px is 0.72 * 11 * 4 + 4 = 35.68 wide, its box from 11 above
// its baseline to 2 below; the baseline is 4 below the point, the text 8 from it.
TEST(GeometriaPianta, NomeDiStazioneDoveCeSpazio) {
    const punto p{400, 300};
    occupazione occupati;
    const auto primo = colloca_nome(occupati, p, 4, 11, 24);
    ASSERT_TRUE(primo);
    EXPECT_TRUE(primo->a_destra);
    EXPECT_DOUBLE_EQ(primo->x, 408);
    EXPECT_DOUBLE_EQ(primo->y, 304);
    EXPECT_NEAR(primo->box.basso_dx.x, 443.68, 1e-9);

    // The right is taken now: the same name goes to the left of the point.
    const auto secondo = colloca_nome(occupati, p, 4, 11, 24);
    ASSERT_TRUE(secondo);
    EXPECT_FALSE(secondo->a_destra);
    EXPECT_NEAR(secondo->x, 400 - 8 - 35.68, 1e-9);
    EXPECT_DOUBLE_EQ(secondo->y, 304);

    // Both sides taken: one line (13 px) higher, on the right.
    const auto terzo = colloca_nome(occupati, p, 4, 11, 24);
    ASSERT_TRUE(terzo);
    EXPECT_TRUE(terzo->a_destra);
    EXPECT_DOUBLE_EQ(terzo->y, 304 - 13);
    // The third touches the first along an edge only.
    EXPECT_DOUBLE_EQ(terzo->box.basso_dx.y, primo->box.alto_sx.y);
    const nome_collocato posti[] = {*primo, *secondo, *terzo};
    for (std::size_t i = 0; i < 3; ++i) {
        for (std::size_t j = i + 1; j < 3; ++j) {
            EXPECT_FALSE(posti[i].box.sovrapposto(posti[j].box)) << i << " " << j;
            EXPECT_FALSE(posti[j].box.sovrapposto(posti[i].box)) << i << " " << j;
        }
    }

    // No room within the tries: no place.
    occupazione pieno;
    pieno.occupa({{0, 0}, {1000, 1000}});
    EXPECT_FALSE(colloca_nome(pieno, p, 4, 11, 24));
}
