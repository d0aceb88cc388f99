// The pianta command run on tiny made-up routes written straight into the three compact
// files: where stations and the scale bar fall in the SVG, worked out by hand from the
// page's measures, and the refusal of a plan that cannot be drawn.
//
// The measures: the page is 1200 wide with margins 80 and 40, so 1080 useful. The map
// keeps 110 on either side for names, leaving 860; its scale is the smaller of 860 over
// the plan's width and 820 over its height (each at least 1 m); its room is the plan's
// height on the page, at least 160, and starts 30 below the map's top at 70; the plan is
// centred in it. The scale bar stands 28 below the room, at x 80, and is the longest
// round distance (1, 2 or 5 times a power of ten) at most 200 px long. The profiles run
// from x 80 to 1160 over the cells that carry track values (all but the last three),
// 50 m each.
#include "aiuti.h"
#include "compactor/formato.h"
#include "comune/identita.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <chrono>

#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace {

namespace fs = std::filesystem;

const identita_scenario prova{"Prova", "7"};

struct stazione_prova {
    std::string nome;  // single-byte, as in the files
    int32_t metri;
};

struct percorso_prova {
    std::function<std::pair<double, double>(int)> punto;  // route metre -> plan x, y
    int ultimo_metro;                                     // the plan's last point
    int32_t lunghezza;
    std::size_t celle;
    std::vector<stazione_prova> stazioni;
    // Changes a cell of the flat route at 80 km/h, given its index.
    std::function<void(std::size_t, cella&)> cella_diversa = {};
};

// Writes the three compact files of a route with the given stations, flat and at 80 km/h
// unless `cella_diversa` says otherwise; `ritocca` may change the plan before it is
// written.
void scrivi_compatti(const fs::path& cartella, const percorso_prova& p,
                     const std::function<void(std::vector<punto_piano>&)>& ritocca = {}) {
    std::vector<voce> voci(numero_voci);
    for (std::size_t i = 0; i < p.stazioni.size(); ++i) {
        voci[i + 1].marca = 1;
        voci[i + 1].dato3 = p.stazioni[i].metri;
        voci[i + 1].nome = p.stazioni[i].nome;
    }
    voci[84].dato2 = p.lunghezza;
    std::string sim;
    for (const voce& v : voci) {
        formato::aggiungi_voce(sim, v);
    }
    scrivi_tutto(nomi_file::voci_compatte(cartella, prova), sim);

    std::string dat;
    for (std::size_t i = 0; i < p.celle; ++i) {
        cella c;
        c.pendenza = 100;
        c.velocita_limite = 16;
        if (p.cella_diversa) {
            p.cella_diversa(i, c);
        }
        formato::aggiungi_cella(dat, c);
    }
    scrivi_tutto(nomi_file::celle_compatte(cartella, prova), dat);

    std::vector<punto_piano> piano;
    for (int m = 0; m <= p.ultimo_metro; ++m) {
        const auto [x, y] = p.punto(m);
        piano.push_back({x, y});
    }
    if (ritocca) {
        ritocca(piano);
    }
    std::string linea;
    for (const punto_piano& q : piano) {
        formato::aggiungi_valore(linea, q.x);
    }
    for (const punto_piano& q : piano) {
        formato::aggiungi_valore(linea, q.y);
    }
    scrivi_tutto(nomi_file::linea_compatta(cartella, prova), linea);
}

esito_processo pianta(const fs::path& cartella, const fs::path& svg) {
    return esegui(PERCORSO_COMPATTATORE, {"pianta", cartella.string(), prova.nome_scenario,
                                          prova.numero_treno, svg.string()});
}

// One element of the SVG: its attributes and, for <text>, its content.
struct elemento {
    std::map<std::string, std::string> attributi;
    std::string contenuto;
};

std::vector<elemento> elementi(std::string_view svg, const std::string& tag) {
    std::vector<elemento> trovati;
    const std::string apertura = "<" + tag + " ";
    for (std::size_t pos = svg.find(apertura); pos != std::string_view::npos;
         pos = svg.find(apertura, pos + 1)) {
        const std::size_t fine = svg.find('>', pos);
        const std::string_view testa = svg.substr(pos, fine - pos);
        elemento e;
        // name="value" pairs, each name after a space; values hold no quote.
        for (std::size_t uguale = testa.find("=\""); uguale != std::string_view::npos;
             uguale = testa.find("=\"", uguale + 1)) {
            const std::size_t inizio_nome = testa.rfind(' ', uguale) + 1;
            const std::size_t chiusura = testa.find('"', uguale + 2);
            e.attributi[std::string(testa.substr(inizio_nome, uguale - inizio_nome))] =
                std::string(testa.substr(uguale + 2, chiusura - uguale - 2));
            uguale = chiusura;
        }
        if (tag == "text") {
            e.contenuto = svg.substr(fine + 1, svg.find("</text>", fine) - fine - 1);
        }
        trovati.push_back(std::move(e));
    }
    return trovati;
}

// The map's group (it holds no group inside), and the profiles' group up to its key
// (the key's symbols are the small groups at its end).
std::string_view mappa_di(std::string_view svg) {
    const std::size_t inizio = svg.find("<g id=\"pianta\">");
    return svg.substr(inizio, svg.find("</g>", inizio) - inizio);
}

std::string_view profili_di(std::string_view svg) {
    const std::size_t inizio = svg.find("<g id=\"profili\">");
    return svg.substr(inizio, svg.find("<g transform", inizio) - inizio);
}

// A route going east along the plan's x, 400 m of plan beyond its 2000 m: 2400 m of
// plan and 48 + 3 cells. Scale 860 / 2400.
percorso_prova verso_est(std::vector<stazione_prova> stazioni) {
    return {[](int m) { return std::pair<double, double>(m, 0); }, 2400, 2000, 51,
            std::move(stazioni)};
}

}  // namespace

TEST(PiantaDisegnata, StazioniEBarraDiScalaDoveVengonoAMano) {
    const struct {
        const char* caso;
        percorso_prova percorso;
        // The station's circle on the map.
        const char* cx;
        const char* cy;
        // Its line across both profiles; the dashed end of the route, if any.
        const char* x_profilo;
        const char* x_fine;
        // The scale bar: each half, where the second starts, its top, the label at its end.
        const char* mezza_barra;
        const char* x_seconda_meta;
        const char* y_barra;
        const char* x_scritta;
        const char* scritta;
    } casi[] = {
        // Scale 860 / 2400 = 0.3583; the plan is 0.36 high, centred in a room of 160:
        // top 100 + (160 - 0.36) / 2 = 179.82. Station at 500 m: x 190 + 500 * 0.3583 =
        // 369.17. Profiles: 80 + 500 / 2400 * 1080 = 305, the end 80 + 2000 / 2400 * 1080
        // = 980. Bar: 200 / 0.3583 = 558 m -> 500 m, 179.17 px.
        {"verso est, oltre la fine", verso_est({{"ALFA", 500}}), "369.2", "179.8", "305.0", "980.0",
         "89.6", "169.6", "288.0", "259.2", "500 m"},
        // Going north from (250, -1000) for 3000 m: scale 820 / 3000 = 0.2733 (the width
        // counts as 1 m). Left 190 + (860 - 0.27) / 2 = 619.86; top 100; station at 1200 m
        // is at y 200, 1800 m below the top: 100 + 1800 * 0.2733 = 592. Profiles: 60 cells
        // of 50 m, 80 + 1200 / 3000 * 1080 = 512; no end line. Bar: 731 m -> 500 m,
        // 136.67 px, 28 below the room of 820.
        {"verso nord, origine spostata",
         {[](int m) { return std::pair<double, double>(250, -1000 + m); },
          3000,
          3000,
          63,
          {{"BETA", 1200}}},
         "619.9",
         "592.0",
         "512.0",
         nullptr,
         "68.3",
         "148.3",
         "948.0",
         "216.7",
         "500 m"},
        // 20 km east: scale 0.043; station at 12500 m: 190 + 537.5 = 727.5, top
        // 100 + (160 - 0.043) / 2 = 179.98. Profiles: 80 + 12500 / 20000 * 1080 = 755.
        // Bar: 4651 m -> 2 km, 86 px.
        {"20 km verso est",
         {[](int m) { return std::pair<double, double>(m, 0); },
          20000,
          20000,
          403,
          {{"GAMMA", 12500}}},
         "727.5",
         "180.0",
         "755.0",
         nullptr,
         "43.0",
         "123.0",
         "288.0",
         "166.0",
         "2 km"},
    };
    for (const auto& c : casi) {
        SCOPED_TRACE(c.caso);
        const cartella_temporanea dir;
        scrivi_compatti(dir.percorso(), c.percorso);
        const fs::path file_svg = dir / "p.svg";
        const esito_processo esito = pianta(dir.percorso(), file_svg);
        ASSERT_EQ(esito.stato, 0) << esito.errori;
        const std::string svg = leggi_file_intero(file_svg);

        std::vector<elemento> stazioni;
        for (const elemento& e : elementi(mappa_di(svg), "circle")) {
            if (e.attributi.at("r") == "4.5") {
                stazioni.push_back(e);
            }
        }
        ASSERT_EQ(stazioni.size(), 1u);
        EXPECT_EQ(stazioni[0].attributi.at("cx"), c.cx);
        EXPECT_EQ(stazioni[0].attributi.at("cy"), c.cy);

        std::vector<std::string> x_stazione;
        std::vector<std::string> x_fine;
        for (const elemento& e : elementi(profili_di(svg), "line")) {
            const std::string& tratto = e.attributi.at("stroke");
            if (tratto == "#bbb" || tratto == "#333") {
                EXPECT_EQ(e.attributi.at("x1"), e.attributi.at("x2"));
                (tratto == "#bbb" ? x_stazione : x_fine).push_back(e.attributi.at("x1"));
            }
        }
        // Once in each panel.
        EXPECT_EQ(x_stazione, std::vector<std::string>(2, c.x_profilo));
        EXPECT_EQ(x_fine,
                  c.x_fine ? std::vector<std::string>(2, c.x_fine) : std::vector<std::string>{});

        std::vector<elemento> barra;
        for (const elemento& e : elementi(mappa_di(svg), "rect")) {
            if (e.attributi.at("height") == "6") {
                barra.push_back(e);
            }
        }
        ASSERT_EQ(barra.size(), 2u);
        EXPECT_EQ(barra[0].attributi.at("x"), "80.0");
        EXPECT_EQ(barra[1].attributi.at("x"), c.x_seconda_meta);
        for (const elemento& meta : barra) {
            EXPECT_EQ(meta.attributi.at("width"), c.mezza_barra);
            EXPECT_EQ(meta.attributi.at("y"), c.y_barra);
        }
        bool scritta = false;
        for (const elemento& e : elementi(mappa_di(svg), "text")) {
            // The kilometre marks' labels are smaller.
            if (e.contenuto == c.scritta && e.attributi.at("font-size") == "11") {
                scritta = true;
                EXPECT_EQ(e.attributi.at("x"), c.x_scritta);
            }
        }
        EXPECT_TRUE(scritta) << c.scritta;
    }
}

// 2000 m east, 40 cells with track values. The first 20 climb 20 per mille (gradient
// byte 120), 1 m a cell, to 20 m at 1000 m; the next 20 fall 10 per mille (90), to 10 m.
// The limit is 80 km/h, then 120 from cell 20. A signal in cell 21 stands at 1000 m.
//
// The map: scale 860 / 2000 = 0.43, room 160, 70 + 160 + 100 = 330 high; the profiles
// start 10 lower, at 340, with a strip of 50 + 7.2 * 13 = 143.6 for the names: the
// altitude panel from 483.6 to 703.6, the speed panel from 763.6 to 923.6. On the axis
// 1000 m is at 80 + 1000 / 2000 * 1080 = 620.
TEST(PiantaDisegnata, ProfiliDallePendenzeEDaiLimiti) {
    const cartella_temporanea dir;
    percorso_prova percorso{
        [](int m) { return std::pair<double, double>(m, 0); }, 2000, 2000, 43, {{"ALFA", 500}}};
    percorso.cella_diversa = [](std::size_t i, cella& c) {
        c.pendenza = i < 20 ? 120 : 90;
        c.velocita_limite = i < 20 ? 16 : 24;
        if (i == 21) {
            c.tipo = tipo_cella::segnale;
        }
    };
    scrivi_compatti(dir.percorso(), percorso);
    const fs::path file_svg = dir / "p.svg";
    const esito_processo esito = pianta(dir.percorso(), file_svg);
    ASSERT_EQ(esito.stato, 0) << esito.errori;
    const std::string svg = leggi_file_intero(file_svg);
    const std::string_view profili = profili_di(svg);

    std::string quota;
    std::string velocita;
    for (const elemento& e : elementi(profili, "path")) {
        if (e.attributi.count("stroke") && e.attributi.at("fill") == "none") {
            (e.attributi.at("stroke") == "#2e7d32" ? quota : velocita) = e.attributi.at("d");
        }
    }
    // Heights 0 to 20 on an axis of steps of 5 (a quarter of the range), 11 px a metre:
    // 0 at 703.6, 20 m at 483.6, 10 m at 593.6; 1 m up after the first cell, at x 107.
    EXPECT_TRUE(quota.starts_with("M80.0,703.6 L107.0,692.6 ")) << quota;
    EXPECT_NE(quota.find(" L620.0,483.6 "), std::string::npos) << quota;
    EXPECT_TRUE(quota.ends_with(" L1160.0,593.6")) << quota;
    // Speeds up to 120 on steps of 20 (a quarter of 120, made round), with a step of
    // headroom: 140 at the top. 80 km/h at 923.6 - 80 / 140 * 160 = 832.2, 120 km/h at
    // 786.5; the step up stands at 1000 m.
    EXPECT_TRUE(velocita.starts_with("M80.0,832.2 L107.0,832.2 ")) << velocita;
    EXPECT_NE(velocita.find(" L620.0,832.2 L620.0,786.5 L647.0,786.5"), std::string::npos)
        << velocita;

    // The signal: at 1000 m on the speed panel's top, 7 below it, and on the map at
    // 190 + 1000 * 0.43 = 620, on the line 100 + (160 - 0.43) / 2 = 179.8.
    std::vector<std::string> segnali;
    for (const elemento& e : elementi(profili, "circle")) {
        segnali.push_back(e.attributi.at("cx") + "," + e.attributi.at("cy"));
    }
    EXPECT_EQ(segnali, std::vector<std::string>{"620.0,770.6"});
    segnali.clear();
    for (const elemento& e : elementi(mappa_di(svg), "circle")) {
        if (e.attributi.at("r") == "4") {
            segnali.push_back(e.attributi.at("cx") + "," + e.attributi.at("cy"));
        }
    }
    EXPECT_EQ(segnali, std::vector<std::string>{"620.0,179.8"});
}

// Three stations 10 m apart: 3.6 px on the map, 4.5 px on the profiles' axis.
TEST(PiantaDisegnata, NomiDiStazioniVicineNonSiSovrappongono) {
    const cartella_temporanea dir;
    const std::vector<stazione_prova> stazioni = {
        {"PRIMA STAZIONE", 500}, {"SECONDA", 510}, {"TERZA FERMATA", 520}};
    scrivi_compatti(dir.percorso(), verso_est(stazioni));
    const fs::path file_svg = dir / "p.svg";
    const esito_processo esito = pianta(dir.percorso(), file_svg);
    ASSERT_EQ(esito.stato, 0) << esito.errori;
    const std::string svg = leggi_file_intero(file_svg);

    // On the map a name of n bold capitals at 11 px is taken as 0.72 * 11 * n + 4 wide
    // from its x, from 11 above its baseline to 2 below.
    struct scatola {
        double sx, dx, su, giu;
    };
    std::vector<scatola> scatole;
    for (const stazione_prova& s : stazioni) {
        std::vector<elemento> nomi;
        for (const elemento& e : elementi(mappa_di(svg), "text")) {
            if (e.contenuto == s.nome) {
                nomi.push_back(e);
            }
        }
        ASSERT_EQ(nomi.size(), 1u) << s.nome;
        const double x = std::stod(nomi[0].attributi.at("x"));
        const double y = std::stod(nomi[0].attributi.at("y"));
        scatole.push_back(
            {x, x + 0.72 * 11 * static_cast<double>(s.nome.size()) + 4, y - 11, y + 2});
    }
    for (std::size_t i = 0; i < scatole.size(); ++i) {
        for (std::size_t j = i + 1; j < scatole.size(); ++j) {
            const scatola& a = scatole[i];
            const scatola& b = scatole[j];
            const bool sovrapposte = a.sx < b.dx && b.sx < a.dx && a.su < b.giu && b.su < a.giu;
            EXPECT_FALSE(sovrapposte) << stazioni[i].nome << " / " << stazioni[j].nome;
        }
    }

    // Above the profiles the names stand upright, each at least 13 px right of the one
    // before: the stations at 305, 309.5 and 314 get their names at 305, 318 and 331,
    // written 4 px further right.
    std::vector<std::string> x_nomi;
    for (const elemento& e : elementi(profili_di(svg), "text")) {
        for (const stazione_prova& s : stazioni) {
            if (e.contenuto == s.nome) {
                x_nomi.push_back(e.attributi.at("x"));
            }
        }
    }
    EXPECT_EQ(x_nomi, (std::vector<std::string>{"309.0", "322.0", "335.0"}));
}

// A name from the single-byte files is text in the SVG: markup characters escaped, the
// Windows-1252 letters in UTF-8.
TEST(PiantaDisegnata, NomiConCaratteriDiMarcaturaRestanoTesto) {
    const cartella_temporanea dir;
    scrivi_compatti(dir.percorso(), verso_est({{"CASA & <PONTE> \"\xC8\"", 500}}));
    const fs::path file_svg = dir / "p.svg";
    const esito_processo esito = pianta(dir.percorso(), file_svg);
    ASSERT_EQ(esito.stato, 0) << esito.errori;
    const std::string svg = leggi_file_intero(file_svg);
    const std::string atteso = ">CASA &amp; &lt;PONTE&gt; &quot;\xC3\x88&quot;</text>";
    EXPECT_NE(mappa_di(svg).find(atteso), std::string_view::npos);
    EXPECT_NE(profili_di(svg).find(atteso), std::string_view::npos);
    EXPECT_EQ(svg.find("<PONTE>"), std::string::npos);
}

// A plan point that is not a finite number, or a plan wider than a double can measure,
// cannot be drawn: status 1, the plan's file named, and an older picture left as it was.
TEST(PiantaRifiutata, PianoConNumeriNonFiniti) {
    static constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    static constexpr double inf = std::numeric_limits<double>::infinity();
    const struct {
        const char* caso;
        std::function<void(std::vector<punto_piano>&)> ritocca;
        const char* motivo;
    } casi[] = {
        // Refused as the file is read, with the point and the column.
        {"x NaN al punto 3", [](auto& piano) { piano[3].x = nan; }, "(punto 3, colonna x) è NaN"},
        {"y infinita al punto 0", [](auto& piano) { piano[0].y = inf; },
         "(punto 0, colonna y) è infinito"},
        {"x -infinita all'ultimo punto", [](auto& piano) { piano.back().x = -inf; },
         "colonna x) è infinito"},
        {"piano largo oltre i double",
         [](auto& piano) {
             piano[0].x = -1e308;
             piano[1].x = 1e308;
         },
         "oltre i numeri rappresentabili"},
    };
    for (const auto& c : casi) {
        SCOPED_TRACE(c.caso);
        const cartella_temporanea dir;
        scrivi_compatti(dir.percorso(), verso_est({{"ALFA", 500}}), c.ritocca);
        const fs::path file_svg = dir / "p.svg";
        scrivi_tutto(file_svg, "vecchia pianta");
        const esito_processo esito = pianta(dir.percorso(), file_svg);
        EXPECT_EQ(esito.stato, 1);
        EXPECT_NE(esito.errori.find(nomi_file::linea_compatta(dir.percorso(), prova).string()),
                  std::string::npos)
            << esito.errori;
        EXPECT_NE(esito.errori.find(c.motivo), std::string::npos) << esito.errori;
        EXPECT_EQ(leggi_file_intero(file_svg), "vecchia pianta");
    }
}

// A route length that the plan cannot hold (a file from elsewhere) is drawn within the plan,
// at once: the route ends where the plan starts or ends.
TEST(PiantaRifiutata, LunghezzaDelPercorsoFuoriDalPiano) {
    for (const int32_t lunghezza : {-2000000000, 2000000000}) {
        SCOPED_TRACE(lunghezza);
        const cartella_temporanea dir;
        percorso_prova percorso = verso_est({{"ALFA", 500}});
        percorso.lunghezza = lunghezza;
        scrivi_compatti(dir.percorso(), percorso);
        const auto inizio = std::chrono::steady_clock::now();
        const esito_processo esito = pianta(dir.percorso(), dir / "p.svg");
        EXPECT_EQ(esito.stato, 0) << esito.errori;
        EXPECT_LT(std::chrono::steady_clock::now() - inizio, std::chrono::seconds(5));
        EXPECT_TRUE(fs::exists(dir / "p.svg"));
    }
}

// "-" writes the picture on standard output; a name that holds no regular file (a FIFO
// here, a device node as well) is refused and left as it was.
TEST(PiantaRifiutata, UscitaStandardEFileNonRegolari) {
    const cartella_temporanea dir;
    scrivi_compatti(dir.percorso(), verso_est({{"ALFA", 500}}));
    const fs::path uscita = dir / "uscita.svg";
    const int stato =
        std::system(("\"" + std::string(PERCORSO_COMPATTATORE) + "\" pianta \"" +
                     dir.percorso().string() + "\" Prova 7 - > \"" + uscita.string() + "\"")
                        .c_str());
    EXPECT_EQ(stato, 0);
    EXPECT_TRUE(leggi_file_intero(uscita).starts_with("<?xml") ||
                leggi_file_intero(uscita).starts_with("<svg"))
        << leggi_file_intero(uscita).substr(0, 40);
    EXPECT_FALSE(fs::exists(dir / "-"));

    const fs::path fifo = dir / "p.svg";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    const esito_processo esito = pianta(dir.percorso(), fifo);
    EXPECT_EQ(esito.stato, 1);
    EXPECT_NE(esito.errori.find(fifo.string() + ": non è un file regolare"), std::string::npos)
        << esito.errori;
    EXPECT_TRUE(fs::is_fifo(fifo));

    // A device node as the output, where the test may make one, stays a device node.
    const fs::path nodo = dir / "nodo.svg";
    if (::mknod(nodo.c_str(), S_IFCHR | 0600, ::makedev(1, 3)) == 0) {
        const esito_processo su_nodo = pianta(dir.percorso(), nodo);
        EXPECT_EQ(su_nodo.stato, 1);
        EXPECT_NE(su_nodo.errori.find(nodo.string() + ": non è un file regolare"),
                  std::string::npos)
            << su_nodo.errori;
        EXPECT_TRUE(fs::is_character_file(nodo));
    }
}

// A compact file that is a FIFO is refused at once, not waited on.
TEST(PiantaRifiutata, FileCompattoCheEUnaFifo) {
    const cartella_temporanea dir;
    scrivi_compatti(dir.percorso(), verso_est({{"ALFA", 500}}));
    const fs::path piano = nomi_file::linea_compatta(dir.percorso(), prova);
    fs::remove(piano);
    ASSERT_EQ(::mkfifo(piano.c_str(), 0644), 0);
    const esito_processo esito = pianta(dir.percorso(), dir / "p.svg");
    EXPECT_EQ(esito.stato, 1);
    EXPECT_NE(esito.errori.find(piano.string() + ": è una FIFO, non un file regolare"),
              std::string::npos)
        << esito.errori;
    EXPECT_FALSE(fs::exists(dir / "p.svg"));
}
