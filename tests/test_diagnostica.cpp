// The report of a recorded problem: the first line's stable form, the source line and the
// caret under the field, what a read failure could not read, and where a problem stopped
// the train file's reading.
#include "compactor/diagnostica.h"

#include <gtest/gtest.h>

namespace {

const origine_problema riga_del_segnale{
    "/cartella/app/Orvesa_Cusvana_5927-.txt", {40, 13, 0}, "segnale,    4500,   1, 4"};

}  // namespace

TEST(Diagnostica, PrimaRigaConESenzaPosizioneEOrigine) {
    struct caso {
        problema codice;
        std::optional<int32_t> posizione;
        std::optional<origine_problema> origine;
        const char* attesa;
    };
    const caso casi[] = {
        {problema::segnale_su_cella_occupata, 4500, riga_del_segnale,
         "/cartella/app/Orvesa_Cusvana_5927-.txt:40:13: problema 16 a 4500 m: segnale su una "
         "cella gi\xC3\xA0 occupata\n"
         "  segnale,    4500,   1, 4\n"
         "              ^\n"},
        {problema::fermata_nei_primi_100_m, std::nullopt, riga_del_segnale,
         "/cartella/app/Orvesa_Cusvana_5927-.txt:40:13: problema 24: stazione con fermata che "
         "finisce entro i primi 100 m\n"
         "  segnale,    4500,   1, 4\n"
         "              ^\n"},
        {problema::nessuna_cella_libera_lungo_il_rallentamento, 4500, std::nullopt,
         "problema 13 a 4500 m: nessuna cella libera per un abbattimento lungo o dopo un "
         "rallentamento\n"},
        {problema::file_linea_mancante, std::nullopt, std::nullopt,
         "problema 101: file della linea mancante\n"},
    };
    for (const caso& k : casi) {
        compattatore c("/cartella/app", identita_predefinita());
        c.registra(k.codice, k.posizione, k.origine);
        EXPECT_EQ(descrivi_problemi(c), k.attesa) << numero(k.codice);
    }
}

TEST(Diagnostica, CodiceImpostatoAManoDettoDalModello) {
    compattatore c("/cartella/app", identita_predefinita());
    EXPECT_EQ(descrivi_problemi(c), "");
    c.codice_errore = 999;
    c.posizione_errore = 4500;
    EXPECT_EQ(descrivi_problemi(c), "problema 999 a 4500 m: problema sconosciuto\n");
    // A code in force that is not the last one recorded comes from the model alone.
    c.registra(problema::segnale_su_cella_occupata, 4500, riga_del_segnale);
    c.codice_errore = numero(problema::troppe_stazioni);
    EXPECT_EQ(descrivi_problemi(c),
              "problema 10: troppe stazioni: gli spazi dei record sono esauriti\n");
}

TEST(Diagnostica, TabulazioniTesto1252MotivoENotaDellaLetturaFermata) {
    compattatore c("prova", identita_predefinita());
    c.registra(problema::errore_di_lettura, std::nullopt,
               origine_problema{"prova/Orvesa_Cusvana_5927-.txt",
                                {7, 4, 0},
                                "\t\tstazione,  13000, 12, 450, CITT\xC0 \x80"},
               "\"450x\" non \xC3\xA8 un numero intero");
    EXPECT_EQ(descrivi_problemi(c),
              "prova/Orvesa_Cusvana_5927-.txt:7:4: problema 25: errore di lettura: file "
              "illeggibile, troncato o valore non valido\n"
              "  \t\tstazione,  13000, 12, 450, CITT\xC3\x80 \xE2\x82\xAC\n"
              "  \t\t ^\n"
              "  \"450x\" non \xC3\xA8 un numero intero\n");

    compattatore d("prova", identita_predefinita());
    d.registra(
        problema::posizione_oltre_la_griglia, 107901,
        origine_problema{"prova/Orvesa_Cusvana_linea.txt", {12, 12, 0}, "pendenza,  107901 , 4 "});
    d.problemi.back().lettura_fermata = riga_del_segnale;
    EXPECT_EQ(descrivi_problemi(d),
              "prova/Orvesa_Cusvana_linea.txt:12:12: problema 15 a 107901 m: posizione oltre la "
              "fine della griglia (o negativa)\n"
              "  pendenza,  107901 , 4 \n"
              "             ^\n"
              "/cartella/app/Orvesa_Cusvana_5927-.txt:40:13: nota: la lettura del file del treno "
              "si \xC3\xA8 fermata a questa riga\n"
              "  segnale,    4500,   1, 4\n"
              "              ^\n");
}

// A long line shows only the stretch around the field, cut with "...", and the caret still
// stands under the field; a short line stays whole.
TEST(Diagnostica, RigaLungaMostrataAttornoAlCampo) {
    const std::string lunga = std::string(5000, 'a') + ", 12x, " + std::string(5000, 'b');
    struct caso {
        int colonna;
        std::string riga;
        std::string testo_atteso;
        std::size_t colonna_attesa;
    };
    const caso casi[] = {
        {5003, lunga, "..." + std::string(58, 'a') + ", 12x, " + std::string(95, 'b') + "...", 63},
        {3, lunga, std::string(102, 'a') + "...", 2},
        {3, "a, 12x", "a, 12x", 2},
    };
    for (const caso& k : casi) {
        const origine_problema o = origine_problema::della_riga("f.txt", {1, k.colonna, 0}, k.riga);
        EXPECT_EQ(o.testo_riga, k.testo_atteso) << k.colonna;
        EXPECT_EQ(o.colonna_nel_testo(), k.colonna_attesa) << k.colonna;
    }

    compattatore c("prova", identita_predefinita());
    c.registra(problema::errore_di_lettura, std::nullopt,
               origine_problema::della_riga("prova/l.txt", {3, 5003, 0}, lunga));
    const std::string testo = descrivi_problemi(c);
    EXPECT_LT(testo.size(), 400u);
    EXPECT_NE(testo.find("\n  ..." + std::string(58, 'a') + ", 12x"), std::string::npos) << testo;
    EXPECT_NE(testo.find("\n  " + std::string(63, ' ') + "^\n"), std::string::npos) << testo;
}
