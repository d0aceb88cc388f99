// The engine's one entry: the same scenario from the disk or from memory gives the same
// bytes and the same outcome; the lock, a missing folder and the checker's list as values.
#include "compactor/esecuzione.h"
#include "comune/stato_uscita.h"
#include "writers/dati.h"

#include "aiuti.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

richiesta della_cartella(const fs::path& cartella) {
    richiesta r;
    r.cartella = cartella;
    r.identita = identita_predefinita();
    return r;
}

// The carried sources with a signal on a taken cell (problem 16 at 800 m).
void scrivi_sorgenti_con_problema(const fs::path& cartella) {
    scrivi_testi_scenario(cartella, identita_predefinita());
    const fs::path treno = nomi_file::sorgente_treno(cartella, identita_predefinita());
    std::string testo = leggi_file_intero(treno);
    testo.replace(testo.find("segnale,    5250,"), 17, "segnale,     800,");
    scrivi_tutto(treno, testo);
}

}  // namespace

TEST(Entrata, DalDiscoODallaMemoriaGliStessiByteEGliStessiProblemi) {
    const cartella_temporanea disco;
    scrivi_sorgenti_con_problema(disco.percorso());
    const fs::path linea = nomi_file::sorgente_linea(disco.percorso(), identita_predefinita());
    const fs::path treno = nomi_file::sorgente_treno(disco.percorso(), identita_predefinita());

    richiesta in_memoria = della_cartella(disco.percorso());
    in_memoria.testi = sorgenti_in_memoria{leggi_file_intero(linea), leggi_file_intero(treno)};
    in_memoria.uscita = uscita_compatta::in_memoria;
    const esito m = esegui(in_memoria);
    // Nothing was written.
    EXPECT_EQ(nomi_ordinati(disco.percorso()).size(), 5u);

    const esito d = esegui(della_cartella(disco.percorso()));
    for (const esito* e : {&m, &d}) {
        EXPECT_EQ(e->stato, stato_uscita::problema_registrato);
        EXPECT_EQ(e->codice_errore, 16);
        ASSERT_EQ(e->problemi.size(), 1u);
        EXPECT_EQ(e->problemi[0].file, treno);
        ASSERT_TRUE(e->problemi[0].origine.has_value());
        EXPECT_EQ(e->problemi[0].origine->luogo.riga, 78);
        EXPECT_FALSE(e->fallimento || e->intestazione);
    }
    EXPECT_EQ(testo_dei_problemi(m), testo_dei_problemi(d));
    ASSERT_EQ(m.file.size(), 3u);
    ASSERT_EQ(d.file.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(m.file[i].percorso, d.file[i].percorso);
        EXPECT_TRUE(d.file[i].byte.empty());
        EXPECT_TRUE(m.file[i].byte == leggi_file_intero(d.file[i].percorso)) << d.file[i].percorso;
    }
}

// Without the plan nothing is written for it; with the plan built but its file left to
// another train, the plan file is not written either, and the other two files are those of
// a run that writes it.
TEST(Entrata, IlPianoCostruitoEIlSuoFileSonoDueScelte) {
    const cartella_temporanea cartella;
    scrivi_testi_scenario(cartella.percorso(), identita_predefinita());
    richiesta r = della_cartella(cartella.percorso());
    r.uscita = uscita_compatta::in_memoria;
    const esito intero = esegui(r);
    r.scrivi_file_linea = false;
    const esito senza_file = esegui(r);
    r.costruisci_piano = false;
    const esito senza_piano = esegui(r);
    EXPECT_EQ(intero.file.size(), 3u);
    ASSERT_EQ(senza_file.file.size(), 2u);
    EXPECT_EQ(senza_piano.file.size(), 2u);
    EXPECT_TRUE(senza_file.file[0].byte == intero.file[1].byte);
    EXPECT_TRUE(senza_file.file[1].byte == intero.file[2].byte);
    for (const esito* e : {&intero, &senza_file, &senza_piano}) {
        EXPECT_EQ(e->stato, stato_uscita::fatto);
    }
}

TEST(Entrata, BloccoCartellaMancanteEControllo) {
    const cartella_temporanea cartella;
    scrivi_sorgenti_con_problema(cartella.percorso());

    // Another run holds the lock: told, nothing read or written.
    {
        const blocco_cartella altro(cartella.percorso(), "prova");
        richiesta r = della_cartella(cartella.percorso());
        r.blocco = blocco_richiesto::non_attendere;
        const esito e = esegui(r);
        EXPECT_TRUE(e.occupata);
        EXPECT_TRUE(e.file.empty());
        EXPECT_FALSE(fs::exists(nomi_file::voci_compatte(cartella.percorso(), r.identita)));
    }

    const esito mancante = esegui(della_cartella(cartella / "nessuna"));
    EXPECT_EQ(mancante.stato, stato_uscita::errore_esecuzione);
    ASSERT_TRUE(mancante.fallimento.has_value());
    EXPECT_EQ(mancante.fallimento->file(), cartella / "nessuna");

    richiesta r = della_cartella(cartella.percorso());
    r.modo = modo_lettura::controllo;
    const esito controllo = esegui(r);
    EXPECT_EQ(controllo.stato, stato_uscita::problema_registrato);
    ASSERT_NE(controllo.controllo, nullptr);
    ASSERT_EQ(controllo.controllo->problemi(), 1u);
    EXPECT_EQ((*controllo.controllo)[0].codice, 16);
    EXPECT_TRUE(controllo.file.empty());
    EXPECT_EQ(nomi_ordinati(cartella.percorso()).size(), 5u);
}

// A misspelt keyword and a station off its step carry their replacements as values.
TEST(Entrata, SostituzioniComeValori) {
    const cartella_temporanea cartella;
    richiesta r = della_cartella(cartella.percorso());
    r.modo = modo_lettura::controllo;
    r.testi = sorgenti_in_memoria{
        "[generale]\r\nlunghezza percorso, 10000\r\n[pendenze]\r\npendensa, 4500, 12\r\n[fine]\r\n",
        "[generale]\r\nstazione, 1025, 12, 450, 1,0,0, 1,1,0, 1,1,1, 30, 17,30,0, A\r\n[fine]\r\n"};
    const esito e = esegui(r);
    ASSERT_NE(e.controllo, nullptr);
    std::vector<std::pair<std::string, std::string>> sostituzioni;
    for (const segnalazione& s : e.controllo->tutte()) {
        sostituzioni.emplace_back(s.nome, s.sostituzione);
    }
    EXPECT_EQ(sostituzioni, (std::vector<std::pair<std::string, std::string>>{
                                {"campo_sconosciuto", "pendenza"},
                                {"stazione_non_multipla_di_50", "1050"}}));
}
