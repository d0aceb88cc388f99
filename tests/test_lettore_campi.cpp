// The field reader: the awkward row forms of the carried source files, the number rules,
// the end-of-file rule and the place of each field.
#include "compactor/lettore_campi.h"

#include "compactor/errore_lettura.h"

#include <gtest/gtest.h>

#include <tuple>

#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace {

// A text means "read a text field, expect this"; a number means "read a 32-bit field".
using atteso = std::variant<std::string, int32_t>;

struct caso_righe {
    const char* nome;
    std::string testo;
    std::vector<atteso> campi;
};

}  // namespace

TEST(LettoreCampi, FormeDelleRigheDeiFileSorgente) {
    using namespace std::string_literals;
    const std::vector<caso_righe> casi = {
        {"blank before the comma and a trailing blank",
         "curvas5,  700 , 700 \r\nx",
         {"curvas5"s, 700, 700, "x"s}},
        {"no blank before the comma", "curvad6,  11450,  150\r\nx", {"curvad6"s, 11450, 150, "x"s}},
        {"blanks before the second comma",
         "ripetizione segnali 4 codici,    0    ,0\r\nx",
         {"ripetizione segnali 4 codici"s, 0, 0, "x"s}},
        {"numbers separated by blanks only",
         "orologio,    17              27            30 \r\nx",
         {"orologio"s, 17, 27, 30, "x"s}},
        {"three empty values read as 0",
         "indicatori_vmax,  10050,  90,  95,  100,  2,  ,  ,  ,  0\r\nx",
         {"indicatori_vmax"s, 10050, 90, 95, 100, 2, 0, 0, 0, 0, "x"s}},
        {"a comment row without a comma is one field",
         "- Altitudine iniziale Orvesa = 36 m.\r\npendenza,  48500 ,-15 \r\nx",
         {"- Altitudine iniziale Orvesa = 36 m."s, "pendenza"s, 48500, -15, "x"s}},
        {"a text keeps inner and trailing blanks",
         "cartello_indicatore,  4550,   ( GALLERIA  )( 170 m.  )  \r\nx",
         {"cartello_indicatore"s, 4550, "( GALLERIA  )( 170 m.  )  "s, "x"s}},
        {"a quoted text runs to its quote; the rest up to the comma is dropped",
         "\"uno, due\" resto,5\r\nx",
         {"uno, due"s, 5, "x"s}},
        {"a lone CR and a lone LF end lines", "a\rb\nc\r\n7", {"a"s, "b"s, "c"s, 7}},
        {"an empty text field between commas", "a,,b\r\n", {"a"s, ""s, "b"s}},
        {"a tab is an ordinary character of a text", "a\tb,\tc\r\n", {"a\tb"s, "\tc"s}},
        {"signs",
         "+5, -0 ,-2147483648,2147483647\r\n",
         {5, 0, int32_t{-2147483647 - 1}, 2147483647}},
    };
    for (const caso_righe& caso : casi) {
        SCOPED_TRACE(caso.nome);
        lettore_campi lettore(caso.testo);
        for (const atteso& campo : caso.campi) {
            ASSERT_FALSE(lettore.fine());
            if (const auto* testo = std::get_if<std::string>(&campo)) {
                EXPECT_EQ(lettore.leggi_testo(), *testo);
            } else {
                EXPECT_EQ(lettore.leggi_long(), std::get<int32_t>(campo));
            }
        }
        EXPECT_TRUE(lettore.fine());
    }
}

TEST(LettoreCampi, NumeriMalformatiOTroppoLarghiSonoErroriDiLettura) {
    struct caso {
        const char* testo;
        char colonna;  // 'L' 32 bit, 'I' 16 bit, 'B' 8 bit
    };
    const caso rifiutati[] = {
        {"1.5,", 'L'},        {"12a,", 'L'},         {"+,", 'L'},
        {"-,", 'L'},          {"\t5,", 'L'},         {"\"5\",", 'L'},
        {"2147483648,", 'L'}, {"-2147483649,", 'L'}, {"99999999999999999999999,", 'L'},
        {"32768,", 'I'},      {"-32769,", 'I'},      {"256,", 'B'},
        {"-1,", 'B'},
    };
    for (const caso& c : rifiutati) {
        SCOPED_TRACE(c.testo);
        lettore_campi lettore(c.testo);
        switch (c.colonna) {
            case 'L': EXPECT_THROW(lettore.leggi_long(), errore_lettura); break;
            case 'I': EXPECT_THROW(lettore.leggi_integer(), errore_lettura); break;
            default: EXPECT_THROW(lettore.leggi_byte(), errore_lettura); break;
        }
    }
    lettore_campi ai_limiti("32767,-32768,255,0");
    EXPECT_EQ(ai_limiti.leggi_integer(), 32767);
    EXPECT_EQ(ai_limiti.leggi_integer(), -32768);
    EXPECT_EQ(ai_limiti.leggi_byte(), 255);
    EXPECT_EQ(ai_limiti.leggi_byte(), 0);
}

TEST(LettoreCampi, UnCampoSeguitoDallaFineDelFileLasciaFineVera) {
    for (const char* testo : {"[fine]\r\n", "[fine]", "[fine]\n"}) {
        SCOPED_TRACE(testo);
        lettore_campi lettore(testo);
        EXPECT_FALSE(lettore.fine());
        EXPECT_EQ(lettore.leggi_testo(), "[fine]");
        EXPECT_TRUE(lettore.fine());
        EXPECT_THROW(lettore.leggi_testo(), errore_lettura);
        EXPECT_THROW(lettore.leggi_long(), errore_lettura);
    }
    // Blanks after the last number belong to its separator.
    lettore_campi numero("pendenza, 5   ");
    numero.leggi_testo();
    EXPECT_EQ(numero.leggi_long(), 5);
    EXPECT_TRUE(numero.fine());
    // A number ends at a blank, so its separator takes only blanks, not the next value.
    lettore_campi riga_in_piu("7\r\n\r\n");
    EXPECT_EQ(riga_in_piu.leggi_long(), 7);
    EXPECT_FALSE(riga_in_piu.fine());
    EXPECT_EQ(riga_in_piu.leggi_testo(), "");
    EXPECT_TRUE(riga_in_piu.fine());

    lettore_campi vuoto("");
    EXPECT_TRUE(vuoto.fine());
    EXPECT_THROW(vuoto.leggi_testo(), errore_lettura);
}

TEST(LettoreCampi, RigaColonnaETestoDellaRigaDiOgniCampo) {
    lettore_campi lettore("ab,  cd\r\n  7 , x\rlone\ny");
    const auto dove = [&lettore] {
        const luogo_campo l = lettore.luogo();
        return std::tuple(l.riga, l.colonna, std::string(lettore.testo_riga(l)));
    };
    lettore.leggi_testo();
    EXPECT_EQ(dove(), std::tuple(1, 1, "ab,  cd"));
    lettore.leggi_testo();
    EXPECT_EQ(dove(), std::tuple(1, 6, "ab,  cd"));
    lettore.leggi_long();
    EXPECT_EQ(dove(), std::tuple(2, 3, "  7 , x"));
    lettore.leggi_testo();
    EXPECT_EQ(dove(), std::tuple(2, 7, "  7 , x"));
    lettore.leggi_testo();
    EXPECT_EQ(dove(), std::tuple(3, 1, "lone"));
    lettore.leggi_testo();
    EXPECT_EQ(dove(), std::tuple(4, 1, "y"));
    // Reading past the end fails at the last field read.
    try {
        lettore.leggi_testo();
        ADD_FAILURE() << "read past the end";
    } catch (const errore_lettura& e) {
        ASSERT_TRUE(e.luogo.has_value());
        EXPECT_EQ(e.luogo->riga, 4);
    }
}

TEST(LettoreCampi, UnNumeroMalformatoPortaIlSuoCampo) {
    lettore_campi lettore("10, 2x,\r\n");
    lettore.leggi_long();
    try {
        lettore.leggi_long();
        ADD_FAILURE() << "\"2x\" read as a number";
    } catch (const errore_lettura& e) {
        ASSERT_TRUE(e.luogo.has_value());
        EXPECT_EQ(e.luogo->colonna, 5);
    }
}
