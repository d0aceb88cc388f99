// The carried scenario end to end: the model after the driver, and the files of a real run
// of the program. Expected values come from the carried rows themselves.
#include "compactor/compattatore.h"
#include "compactor/formato.h"
#include "passi_del_driver.h"
#include "writers/dati.h"

#include "aiuti.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

namespace {

TEST(CorsaPortata, ModelloDopoIlPercorso) {
    cartella_temporanea cartella;
    const identita_scenario id = identita_predefinita();
    dati_linea(cartella.percorso(), id);
    dati_treno(cartella.percorso(), id);
    compattatore c(cartella.percorso(), id);
    int32_t j = 1;
    ASSERT_EQ(passi_del_driver::memorizza_percorso(c, j), 0);

    EXPECT_EQ(c.codice_errore, 0);
    EXPECT_FALSE(origine_di(c).has_value());
    EXPECT_FALSE(std::filesystem::exists(nomi_file::sorgente_linea(cartella.percorso(), id)));
    EXPECT_FALSE(std::filesystem::exists(nomi_file::sorgente_treno(cartella.percorso(), id)));
    ASSERT_EQ(c.celle.size(), 2161u);
    EXPECT_EQ(c.tracciato.size(), 108001u);

    // General rows of the train file.
    EXPECT_EQ(c.voci[84].dato1, 120);
    EXPECT_EQ(c.voci[84].dato3, 3);
    EXPECT_EQ(c.voci[86].intero1, 300);
    EXPECT_EQ(c.voci[86].intero3, 17);
    EXPECT_EQ(c.voci[86].intero4, 27);
    EXPECT_EQ(c.voci[86].intero5, 30);

    // 29 stations fill slots 1 to 29, just below the 49 sign texts (80 down to 32).
    EXPECT_EQ(c.prossimo_cartello, 31);
    EXPECT_EQ(c.voci[1].nome, "ORVESA");
    EXPECT_EQ(c.voci[1].dato1, -350);
    EXPECT_EQ(c.voci[1].dato2, 350);
    EXPECT_EQ(c.voci[1].dato_finale, 62880);
    EXPECT_EQ(c.celle[6].tipo, tipo_cella::fermata);
    EXPECT_EQ(c.voci[29].nome, "CUSVANA S.M.N.");
    EXPECT_TRUE(c.voci[30].nome.empty());
    EXPECT_EQ(c.voci[30].dato3, 0);

    // The two quoted signals; with no slowdowns the walk places no point.
    EXPECT_EQ(c.celle[91].tipo, tipo_cella::segnale);
    EXPECT_EQ(c.celle[91].valore1, 40);
    EXPECT_EQ(c.celle[91].valore4, 3);
    EXPECT_EQ(c.celle[89].codice, 31);
    EXPECT_EQ(c.celle[1974].tipo, tipo_cella::segnale);
    EXPECT_EQ(c.celle[1974].valore1, 32);
    EXPECT_EQ(c.celle[1974].valore2, 41);
    EXPECT_EQ(c.celle[1974].valore4, 8);
    EXPECT_EQ(c.celle[1966].codice, 84);
    for (const cella& x : c.celle) {
        ASSERT_NE(x.tipo, tipo_cella::abbattimento_con_valore);
    }

    // Speed and adhesion runs: 30 km/h up to 800 m, 90 from there; the last three cells 0.
    EXPECT_EQ(c.celle[15].velocita_limite, 6);
    EXPECT_EQ(c.celle[16].velocita_limite, 18);
    EXPECT_EQ(c.celle[2157].velocita_limite, 12);  // 60 km/h from 98400 m
    EXPECT_EQ(c.celle[2158].velocita_limite, 0);
    EXPECT_EQ(c.celle[90].aderenza, 100);
    EXPECT_EQ(c.celle[91].aderenza, 90);  // 90 % from 4550 m (cell 91)
    EXPECT_EQ(c.celle[2157].aderenza, 85);
    EXPECT_EQ(c.celle[2158].aderenza, 0);
    // The plan file holds the model's plan value by value, in file order, each encoded on
    // its own.
    std::string atteso;
    for (std::size_t k = 0; k < c.tracciato.numero_valori(); ++k) {
        formato::aggiungi_valore(atteso, c.tracciato.valore(k));
    }
    const std::string piano = leggi_file_intero(nomi_file::linea_compatta(cartella.percorso(), id));
    ASSERT_EQ(piano.size(), atteso.size());
    const auto diversi = std::mismatch(piano.begin(), piano.end(), atteso.begin());
    EXPECT_TRUE(diversi.first == piano.end())
        << "primo byte diverso a " << (diversi.first - piano.begin());
}

TEST(CorsaPortata, FileDelProgramma) {
    cartella_temporanea cartella;
    const auto programma = cartella / "orvesa_cusvana";
    std::filesystem::copy_file(PERCORSO_ORVESA_CUSVANA, programma);
    const identita_scenario id = identita_predefinita();

    const esito_processo esito = esegui(programma, {});
    ASSERT_EQ(esito.stato, 0) << esito.errori;
    EXPECT_EQ(esito.errori, "Attendere\n");
    EXPECT_FALSE(std::filesystem::exists(nomi_file::sorgente_linea(cartella.percorso(), id)));
    EXPECT_FALSE(std::filesystem::exists(nomi_file::sorgente_treno(cartella.percorso(), id)));

    const std::string celle = leggi_file_intero(nomi_file::celle_compatte(cartella.percorso(), id));
    ASSERT_EQ(celle.size(), 15u * 2161);
    // Cell 91: the signal of 4500 m, 110 km/h (from 2050 m), adhesion 90 % (from 4550 m).
    EXPECT_EQ(celle.substr(15 * 91, 15).substr(0, 11),
              std::string("\x01\x28\x00\x00\x00\x00\x00\x03\x00\x00\x00", 11));
    EXPECT_EQ(celle[15 * 91 + 12], 22);
    EXPECT_EQ(celle[15 * 91 + 14], 90);

    const std::string voci = leggi_file_intero(nomi_file::voci_compatte(cartella.percorso(), id));
    std::size_t pos = 0;
    std::vector<voce> lette;
    while (pos < voci.size()) {
        const auto v = formato::leggi_voce(voci, pos);
        ASSERT_TRUE(v.has_value()) << "record " << lette.size();
        lette.push_back(*v);
    }
    ASSERT_EQ(lette.size(), 87u);
    EXPECT_EQ(lette[1].nome, "ORVESA");
    EXPECT_EQ(lette[1].dato_finale, 62880);
    EXPECT_EQ(lette[29].nome, "CUSVANA S.M.N.");

    const std::string piano = leggi_file_intero(nomi_file::linea_compatta(cartella.percorso(), id));
    pos = 0;
    std::size_t valori = 0;
    while (pos < piano.size()) {
        ASSERT_TRUE(formato::leggi_valore(piano, pos).has_value()) << "valore " << valori;
        ++valori;
    }
    EXPECT_EQ(valori, 2u * 108001);
}

}  // namespace
