// Byte layouts of the compact files, built by hand from the field widths.
#include "compactor/formato.h"

#include "aiuti.h"

#include <gtest/gtest.h>

TEST(Formato, VoceSenzaNomeE34ByteConNome48) {
    std::string vuota;
    formato::aggiungi_voce(vuota, voce{});
    EXPECT_EQ(vuota, std::string(34, '\0'));

    voce v;
    v.marca = 2;
    v.dato1 = -350;
    v.dato2 = 350;
    v.dato3 = 0x01020304;
    v.segno = 1;
    v.nome = "Orvesa_Cusvana";
    v.intero1 = 610;
    v.intero2 = -2;
    v.intero3 = 17;
    v.intero4 = 27;
    v.intero5 = 30;
    v.flag1 = 1;
    v.flag2 = 2;
    v.flag3 = 3;
    v.flag4 = 255;
    v.dato_finale = 62880;
    std::string scritta;
    formato::aggiungi_voce(scritta, v);

    const std::string attesa = std::string("\x02") + le32(-350) + le32(350) + le32(0x01020304) +
                               "\x01" + le16(14) + "Orvesa_Cusvana" + le16(610) + le16(-2) +
                               le16(17) + le16(27) + le16(30) + "\x01\x02\x03\xFF" + le32(62880);
    EXPECT_EQ(le32(-350), "\xA2\xFE\xFF\xFF");
    ASSERT_EQ(scritta.size(), 48u);
    EXPECT_EQ(scritta, attesa);

    std::size_t pos = 0;
    const auto riletta = formato::leggi_voce(scritta, pos);
    ASSERT_TRUE(riletta.has_value());
    EXPECT_EQ(pos, 48u);
    EXPECT_EQ(riletta->nome, "Orvesa_Cusvana");
    EXPECT_EQ(riletta->dato1, -350);
    EXPECT_EQ(riletta->dato_finale, 62880);
}

TEST(Formato, CellaVuotaE15ByteZeroEOrdineDeiCampi) {
    std::string vuota;
    formato::aggiungi_cella(vuota, cella{});
    EXPECT_EQ(vuota, std::string(15, '\0'));

    cella c;
    c.tipo = 1;
    c.valore1 = 40;
    c.valore2 = -1;
    c.valore3 = 0x0102;
    c.valore4 = 3;
    c.tempo = 101;
    c.codice = 31;
    c.montagna = 2;
    c.velocita_limite = 18;
    c.pendenza = 74;
    c.aderenza = 44;
    std::string scritta;
    formato::aggiungi_cella(scritta, c);
    EXPECT_EQ(scritta,
              std::string("\x01\x28\x00\xFF\xFF\x02\x01\x03\x00\x65\x1F\x02\x12\x4A\x2C", 15));
}

TEST(Formato, ValoriDelPianoConCodiceDiTipo) {
    std::string scritti;
    formato::aggiungi_valore(scritti, valore_piano{});
    formato::aggiungi_valore(scritti, valore_piano{int16_t{1}});
    formato::aggiungi_valore(scritti, valore_piano{-0.5});
    EXPECT_EQ(scritti, std::string("\x00\x00", 2) + std::string("\x02\x00\x01\x00", 4) + "\x05" +
                           std::string("\x00", 1) + le64_double(-0.5));
    EXPECT_EQ(le64_double(-0.5), std::string("\x00\x00\x00\x00\x00\x00\xE0\xBF", 8));

    std::size_t pos = 0;
    EXPECT_TRUE(std::holds_alternative<std::monostate>(*formato::leggi_valore(scritti, pos)));
    EXPECT_EQ(std::get<int16_t>(*formato::leggi_valore(scritti, pos)), 1);
    EXPECT_EQ(std::get<double>(*formato::leggi_valore(scritti, pos)), -0.5);
    EXPECT_EQ(pos, scritti.size());
    EXPECT_FALSE(formato::leggi_valore(scritti, pos).has_value());
}

TEST(Formato, DecodificaRifiutaByteTroncatiOCodiciSconosciuti) {
    std::string voce_scritta;
    voce v;
    v.nome = "ABC";
    formato::aggiungi_voce(voce_scritta, v);
    for (std::size_t taglio = 0; taglio < voce_scritta.size(); ++taglio) {
        std::size_t pos = 0;
        EXPECT_FALSE(formato::leggi_voce(std::string_view(voce_scritta).substr(0, taglio), pos));
        EXPECT_EQ(pos, 0u);
    }
    std::size_t pos = 0;
    EXPECT_FALSE(formato::leggi_cella(std::string(14, '\0'), pos));
    EXPECT_FALSE(formato::leggi_valore(std::string("\x03\x00\x00\x00", 4), pos));
}
