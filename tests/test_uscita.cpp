// The scenario codes and the three compact files, on a model set up by hand.
#include "aiuti.h"
#include "compactor/compattatore.h"
#include "comune/errore_esecuzione.h"
#include "passi_del_driver.h"

#include <gtest/gtest.h>
#include <set>

namespace {

// Codes of the first 25 characters of "5927" + "orvesa_cusvana" + the filler.
//   5   9   2   7   o    r    v    e    s    a   _   c   u    s    v    a   n    a   b   b
//   d    d    f    f    h
constexpr int codici_5927_orvesa_cusvana[25] = {53, 57, 50,  55,  111, 114, 118, 101, 115,
                                                97, 95, 99,  117, 115, 118, 97,  110, 97,
                                                98, 98, 100, 100, 102, 102, 104};

int32_t codici_gara(compattatore& c, const std::string& treno, const std::string& scenario,
                    int16_t& semplice) {
    c.voci.scrivi(86).nome = treno;
    c.voci.scrivi(85).nome = scenario;
    semplice = c.codice_gara_og();
    return c.codice_gara_st();
}

}  // namespace

TEST(CodiciGara, DalTrenoEDalloScenario) {
    cartella_temporanea cartella;
    compattatore c(cartella.percorso(), identita_predefinita());
    int32_t pesato_atteso = 0;
    int32_t semplice_atteso = 0;
    for (int i = 1; i <= 25; ++i) {
        pesato_atteso += codici_5927_orvesa_cusvana[i - 1] * i;
        semplice_atteso += codici_5927_orvesa_cusvana[i - 1];
    }
    ASSERT_EQ(pesato_atteso, 33233);
    ASSERT_EQ(semplice_atteso, 2423);

    int16_t semplice = 0;
    EXPECT_EQ(codici_gara(c, "5927", "Orvesa_Cusvana", semplice), 33233);
    EXPECT_EQ(semplice, 2423);
    EXPECT_EQ(c.riga, "5927orvesa_cusvanabbddffhhllnnpprrttvvzzaacc");
}

TEST(CodiciGara, CasiLimite) {
    struct caso {
        const char* treno;
        const char* scenario;
        int32_t pesato;
        int16_t semplice;
    };
    const caso casi[] = {
        {"5927", "ORVESA_CUSVANA", 33233, 2423},  // case does not count
        {"5927", "orvesa_cusvana", 33233, 2423},
        // Exchanged: the same characters, weighted at other positions.
        {"Orvesa_Cusvana", "5927", 30227, 2423},
        // 25 characters or more: the filler no longer counts, nor what lies past 25.
        {"1234567890", "abcdefghijklmno", 31285, 2085},
        {"1234567890", "ABCDEFGHIJKLMNOPQRSTUVWXYZ", 31285, 2085},
        // No identity: the first 25 characters of the filler alone.
        {"", "", 35758, 2701},
        // Windows-1252 capitals: A grave (0xC0) counts as a grave (0xE0), here in place of
        // the "a" (97) at position 16.
        {"5927", "ORVESA_CUSV\xC0NA", 33233 + (0xE0 - 97) * 16, 2423 + 0xE0 - 97},
        {"5927", "orvesa_cusv\xE0na", 33233 + (0xE0 - 97) * 16, 2423 + 0xE0 - 97},
    };
    cartella_temporanea cartella;
    compattatore c(cartella.percorso(), identita_predefinita());
    for (const caso& k : casi) {
        SCOPED_TRACE(std::string(k.treno) + " + " + k.scenario);
        int16_t semplice = 0;
        EXPECT_EQ(codici_gara(c, k.treno, k.scenario, semplice), k.pesato);
        EXPECT_EQ(semplice, k.semplice);
    }
    // The largest weighted code needs more than 16 bits.
    int16_t semplice = 0;
    EXPECT_EQ(codici_gara(c, std::string(25, '\xFF'), "", semplice), 255 * 325);
    EXPECT_EQ(semplice, 255 * 25);
}

namespace {

// A small model as the readers leave it: 8 cells, two plan points, the identity in
// records 85 and 86, every reserved header slot still 0.
void prepara_modello(compattatore& c) {
    c.n_celle = 7;
    c.celle.crea(8);
    c.celle.scrivi(3).tipo = tipo_cella::segnale;
    c.celle.scrivi(3).valore1 = -2;
    c.lunghezza_estesa = 1;
    c.tracciato = {{int16_t{1}, 0.5}, {}};
    c.scrivi_linea = 1;
    c.voci.scrivi(85).nome = "Orvesa_Cusvana";
    c.voci.scrivi(86).nome = "5927";
}

// The plan of prepara_modello: column 0 (Integer 1, empty), then column 1 (Double 0.5, empty).
std::string piano_atteso() {
    return std::string("\x02\x00\x01\x00\x00\x00\x05\x00", 8) + le64_double(0.5) +
           std::string(2, '\0');
}

// Relative names of the files in a directory, temporary ones included.
std::set<std::string> nomi_in(const std::filesystem::path& cartella) {
    std::set<std::string> nomi;
    for (const auto& voce_cartella : std::filesystem::directory_iterator(cartella)) {
        nomi.insert(voce_cartella.path().filename().string());
    }
    return nomi;
}

}  // namespace

TEST(FileCompatti, IntestazioneLiberaScriveITreFileSostituendoQuelliVecchi) {
    cartella_temporanea cartella;
    // Older, longer files: the new ones must end where their content ends.
    for (const char* nome :
         {"Orvesa_Cusvana_linea.dat", "Orvesa_Cusvana_5927.sim", "Orvesa_Cusvana_5927.dat"}) {
        scrivi_tutto(cartella / nome, std::string(5000, 'x'));
    }
    compattatore c(cartella.percorso(), identita_predefinita());
    prepara_modello(c);

    ASSERT_EQ(passi_del_driver::concludi_percorso(c), 0);
    EXPECT_EQ(c.voci[85].intero1, 610);
    EXPECT_EQ(c.celle[1].valore1, 5121);
    EXPECT_EQ(c.voci[85].dato_finale, 33233);
    EXPECT_EQ(c.celle[1].valore2, 2423);

    EXPECT_EQ(leggi_file_intero(cartella / "Orvesa_Cusvana_linea.dat"), piano_atteso());

    // 85 empty records of 34 bytes, then record 85 with its 14-character name (48 bytes)
    // and record 86 with "5927" (38 bytes).
    const std::string voci = leggi_file_intero(cartella / "Orvesa_Cusvana_5927.sim");
    ASSERT_EQ(voci.size(), 85u * 34 + 48 + 38);
    EXPECT_EQ(voci.substr(0, 85 * 34), std::string(85 * 34, '\0'));
    const std::size_t voce85 = 85 * 34;
    EXPECT_EQ(voci.substr(voce85 + 14, 16), le16(14) + "Orvesa_Cusvana");
    EXPECT_EQ(voci.substr(voce85 + 30, 2), le16(610));
    EXPECT_EQ(voci.substr(voce85 + 44, 4), le32(33233));
    EXPECT_EQ(voci.substr(voce85 + 48 + 14, 6), le16(4) + "5927");

    // 15 bytes for each of the cells 0 to n_celle; cell 1 holds 5121 and the plain code.
    const std::string celle = leggi_file_intero(cartella / "Orvesa_Cusvana_5927.dat");
    ASSERT_EQ(celle.size(), 15u * (7 + 1));
    EXPECT_EQ(celle.substr(15, 5), std::string("\0", 1) + le16(5121) + le16(2423));
    EXPECT_EQ(celle.substr(45, 3), std::string("\x01", 1) + le16(-2));

    EXPECT_EQ(nomi_in(cartella.percorso()),
              (std::set<std::string>{"Orvesa_Cusvana_linea.dat", "Orvesa_Cusvana_5927.sim",
                                     "Orvesa_Cusvana_5927.dat"}));
}

TEST(FileCompatti, IntestazioneOccupataNonScriveNulla) {
    struct caso {
        const char* descrizione;
        void (*occupa)(compattatore&);
        int numero;
    };
    const caso casi[] = {
        {"voci(85).intero1", [](compattatore& c) { c.voci.scrivi(85).intero1 = 1; }, 1250},
        {"valore1 della cella 1", [](compattatore& c) { c.celle.scrivi(1).valore1 = 180; }, 1250},
        {"voci(85).dato_finale", [](compattatore& c) { c.voci.scrivi(85).dato_finale = -1; }, 1251},
        {"valore2 della cella 1", [](compattatore& c) { c.celle.scrivi(1).valore2 = 7; }, 1251},
    };
    for (const caso& k : casi) {
        SCOPED_TRACE(k.descrizione);
        cartella_temporanea cartella;
        compattatore c(cartella.percorso(), identita_predefinita());
        prepara_modello(c);
        k.occupa(c);
        EXPECT_EQ(passi_del_driver::concludi_percorso(c), k.numero);
        EXPECT_TRUE(std::filesystem::is_empty(cartella.percorso()));
        if (k.numero == 1251) {  // the fixed values went in before the second check
            EXPECT_EQ(c.voci[85].intero1, 610);
            EXPECT_EQ(c.celle[1].valore1, 5121);
        }
    }
}

TEST(FileCompatti, SenzaScriviLineaRestaIlVecchioPiano) {
    cartella_temporanea cartella;
    scrivi_tutto(cartella / "Orvesa_Cusvana_linea.dat", "piano di prima");
    compattatore c(cartella.percorso(), identita_predefinita());
    prepara_modello(c);
    c.scrivi_linea = 0;

    ASSERT_EQ(passi_del_driver::concludi_percorso(c), 0);
    EXPECT_EQ(leggi_file_intero(cartella / "Orvesa_Cusvana_linea.dat"), "piano di prima");
    EXPECT_EQ(leggi_file_intero(cartella / "Orvesa_Cusvana_5927.sim").size(), 85u * 34 + 48 + 38);
    EXPECT_EQ(leggi_file_intero(cartella / "Orvesa_Cusvana_5927.dat").size(), 15u * 8);
}

TEST(FileCompatti, UnaCartellaAlPostoDelFileFermaLaScritturaLi) {
    cartella_temporanea cartella;
    std::filesystem::create_directory(cartella / "Orvesa_Cusvana_5927.sim");
    scrivi_tutto(cartella / "Orvesa_Cusvana_5927.dat", "griglia di prima");
    compattatore c(cartella.percorso(), identita_predefinita());
    prepara_modello(c);

    try {
        passi_del_driver::concludi_percorso(c);
        FAIL() << "attesa errore_esecuzione";
    } catch (const errore_esecuzione& e) {
        EXPECT_EQ(e.file(), cartella / "Orvesa_Cusvana_5927.sim");
        EXPECT_NE(std::string(e.what()).find("Orvesa_Cusvana_5927.sim"), std::string::npos);
    }
    // Written before it: complete. After it: untouched. No temporary file left.
    EXPECT_EQ(leggi_file_intero(cartella / "Orvesa_Cusvana_linea.dat"), piano_atteso());
    EXPECT_EQ(leggi_file_intero(cartella / "Orvesa_Cusvana_5927.dat"), "griglia di prima");
    EXPECT_TRUE(std::filesystem::is_empty(cartella / "Orvesa_Cusvana_5927.sim"));
    EXPECT_EQ(nomi_in(cartella.percorso()),
              (std::set<std::string>{"Orvesa_Cusvana_linea.dat", "Orvesa_Cusvana_5927.sim",
                                     "Orvesa_Cusvana_5927.dat"}));
}
