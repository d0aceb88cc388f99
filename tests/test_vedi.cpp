// The vedi page's data: base64 as the page's atob() reads it, JSON that no author's text
// can lift out of its <script> element, and the plan's encoding, read back as the page
// reads it; and the command run whole. What the page shows is tested in a browser
// (tests/vedi/prova_pagina.py).
#include "tools/vedi.h"

#include "esegui_in_cartella.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::string da_base64(const std::string& testo) {
    const std::string alfabeto = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string byte;
    uint32_t accumulo = 0;
    int bit = 0;
    for (const char c : testo) {
        if (c == '=') {
            break;
        }
        accumulo = accumulo << 6 | static_cast<uint32_t>(alfabeto.find(c));
        bit += 6;
        if (bit >= 8) {
            bit -= 8;
            byte += static_cast<char>(accumulo >> bit & 0xFF);
        }
    }
    return byte;
}

// The page's reading of the plan: the steps summed in centimetres, or the doubles.
std::vector<punto> decodifica(const piano_codificato& p, std::size_t n) {
    const std::string bx = da_base64(p.x);
    const std::string by = da_base64(p.y);
    std::vector<punto> punti;
    double qx = 0;
    double qy = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (p.codifica == "d16") {
            int16_t sx = 0;
            int16_t sy = 0;
            std::memcpy(&sx, bx.data() + 2 * i, 2);
            std::memcpy(&sy, by.data() + 2 * i, 2);
            qx += sx;
            qy += sy;
            punti.push_back({p.x0 + qx / 100, p.y0 + qy / 100});
        } else {
            double x = 0;
            double y = 0;
            std::memcpy(&x, bx.data() + 8 * i, 8);
            std::memcpy(&y, by.data() + 8 * i, 8);
            punti.push_back({x, y});
        }
    }
    return punti;
}

}  // namespace

TEST(PaginaVedi, Base64ComeLoLeggeAtob) {
    // The test vectors of RFC 4648, and every byte value once.
    const std::pair<std::string, std::string> casi[] = {{"", ""},
                                                        {"f", "Zg=="},
                                                        {"fo", "Zm8="},
                                                        {"foo", "Zm9v"},
                                                        {"foob", "Zm9vYg=="},
                                                        {"fooba", "Zm9vYmE="},
                                                        {"foobar", "Zm9vYmFy"}};
    for (const auto& [testo, atteso] : casi) {
        EXPECT_EQ(in_base64(testo), atteso) << testo;
    }
    std::string tutti;
    for (int b = 0; b < 256; ++b) {
        tutti += static_cast<char>(b);
    }
    EXPECT_EQ(da_base64(in_base64(tutti)), tutti);
}

TEST(PaginaVedi, IlTestoNonChiudeLoScript) {
    EXPECT_EQ(json_per_script(R"({"nome":"A</script><b>B&C<!--"})"),
              R"({"nome":"A\u003c/script\u003e\u003cb\u003eB\u0026C\u003c!--"})");
    EXPECT_EQ(json_per_script("\"a\xE2\x80\xA8"
                              "b\xE2\x80\xA9\xE2\x82\xAC\""),
              "\"a\\u2028b\\u2029\xE2\x82\xAC\"");
}

TEST(PaginaVedi, LaPaginaIntera) {
    // A station named to break out of the data, in Windows-1252: the page carries it as
    // escaped text, and only its own two script elements close.
    scenario_letto s;
    s.voci.resize(87);
    s.voci[1] =
        voce{2, -350, 350, 0, 1, "A</SCRIPT><b>\xC8</script>", 4, 1, 2, 1, 1, 0, 1, 0, 0, 62880};
    s.celle.resize(10);
    s.celle[3].tipo = 1;
    for (int i = 0; i < 500; ++i) {
        s.piano.push_back({i * 1.0, 0.5 * i});
    }
    s.lunghezza = 350;
    s.stazioni = {1};
    const std::string pagina = pagina_vedi(s, {"Orvesa_Cusvana", "5927"}, {});
    std::size_t chiusure = 0;
    for (std::size_t p = 0; (p = pagina.find("</script", p)) != std::string::npos; ++p) {
        ++chiusure;
    }
    EXPECT_EQ(chiusure, 2u);
    EXPECT_EQ(pagina.find("</SCRIPT"), std::string::npos);
    EXPECT_EQ(pagina.find("<b>"), std::string::npos);
    // È as \u00c8: the JSON is ASCII, decoded from Windows-1252.
    EXPECT_NE(pagina.find(R"(A\u003c/SCRIPT\u003e\u003cb\u003e\u00c8\u003c/script\u003e)"),
              std::string::npos);
    EXPECT_EQ(pagina.find("@DATI@"), std::string::npos);
    EXPECT_EQ(pagina.find("/*@CODICE@*/"), std::string::npos);
}

TEST(PaginaVedi, IlPianoRilettoComeLoLeggeLaPagina) {
    struct caso {
        const char* nome;
        std::vector<punto> piano;
        const char* codifica;
        double tolleranza;
    };
    std::vector<punto> curva;
    for (int i = 0; i <= 20000; ++i) {
        const double a = i / 3000.0;
        curva.push_back({512345.678 + 3000 * std::sin(a), -98765.4321 + 3000 * std::cos(a)});
    }
    std::vector<punto> salto = {{0, 0}, {1, 0}, {400, 0}, {401, 0.25}};
    const caso casi[] = {
        {"a curve of 20 km, a metre a point", curva, "d16", 0.005 + 1e-9},
        {"a step of 399 m does not fit 16 bits of centimetres", salto, "f64", 0},
    };
    for (const caso& c : casi) {
        const piano_codificato p = codifica_piano(c.piano);
        EXPECT_EQ(p.codifica, c.codifica) << c.nome;
        const std::vector<punto> letti = decodifica(p, c.piano.size());
        for (std::size_t i = 0; i < c.piano.size(); ++i) {
            ASSERT_LE(std::fabs(letti[i].x - c.piano[i].x), c.tolleranza) << c.nome << " " << i;
            ASSERT_LE(std::fabs(letti[i].y - c.piano[i].y), c.tolleranza) << c.nome << " " << i;
        }
    }
}

// The command on the carried scenario: the page's default name, standard output, a folder
// with two scenarios, a destination that is no regular file, missing compact files.
TEST(VediStrumento, DoveScriveECosaRifiuta) {
    namespace fs = std::filesystem;
    const cartella_temporanea qui;
    ASSERT_EQ(esegui_in_cartella(qui.percorso(), {"esporta", "prova"}).stato, 0);
    ASSERT_EQ(
        esegui_in_cartella(qui.percorso(), {"compatta", "prova", "Orvesa_Cusvana", "5927"}).stato,
        0);
    const fs::path prova = qui / "prova";

    esito_comando esito = esegui_in_cartella(qui.percorso(), {"vedi", "prova"});
    EXPECT_EQ(esito.stato, 0) << esito.errori;
    EXPECT_EQ(esito.uscita, (fs::path("prova") / "Orvesa_Cusvana_5927.html").string() + "\n");
    const std::string pagina = leggi_file_intero(prova / "Orvesa_Cusvana_5927.html");
    EXPECT_TRUE(pagina.starts_with("<!DOCTYPE html>"));
    // No problem in the carried sources: an empty list, and the sources are there.
    EXPECT_NE(pagina.find(R"("sorgenti":true,"avviso":null,"segnalazioni":[])"), std::string::npos);

    esito = esegui_in_cartella(qui.percorso(), {"vedi", "prova", "Orvesa_Cusvana", "5927", "-"});
    EXPECT_EQ(esito.stato, 0) << esito.errori;
    EXPECT_EQ(esito.uscita, pagina);
    EXPECT_FALSE(fs::exists(prova / "-"));
    EXPECT_FALSE(fs::exists(qui / "-"));

    const fs::path fifo = prova / "fifo.html";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    esito = esegui_in_cartella(qui.percorso(), {"vedi", "prova", fifo.string()});
    EXPECT_EQ(esito.stato, 1);
    EXPECT_NE(esito.errori.find("non è un file regolare"), std::string::npos) << esito.errori;
    EXPECT_TRUE(fs::is_fifo(fifo));

    fs::copy_file(prova / "Orvesa_Cusvana_5927-.txt", prova / "Orvesa_Cusvana_6000-.txt");
    esito = esegui_in_cartella(qui.percorso(), {"vedi", "prova", "p.html"});
    EXPECT_EQ(esito.stato, 64);
    EXPECT_NE(esito.errori.find("2 scenari in prova (Orvesa_Cusvana 5927, Orvesa_Cusvana 6000)"),
              std::string::npos)
        << esito.errori;
    EXPECT_FALSE(fs::exists(qui / "p.html"));

    // Sources of a train never compacted: no compact files to draw, status 1, nothing written.
    esito = esegui_in_cartella(qui.percorso(), {"vedi", "prova", "Orvesa_Cusvana", "6000"});
    EXPECT_EQ(esito.stato, 1);
    EXPECT_NE(esito.errori.find("Orvesa_Cusvana_6000.sim"), std::string::npos) << esito.errori;
    EXPECT_FALSE(fs::exists(prova / "Orvesa_Cusvana_6000.html"));
}
