// The report of a recorded problem: the first line's stable form, the source line and the
// caret under the field.
#include "compactor/diagnostica.h"

#include <gtest/gtest.h>

namespace {

compattatore con_problema(int32_t codice, int32_t posizione) {
    compattatore c("/cartella/app", identita_predefinita());
    c.codice_errore = codice;
    c.posizione_errore = posizione;
    return c;
}

}  // namespace

TEST(Diagnostica, PrimaRigaConESenzaPosizioneEOrigine) {
    struct caso {
        int32_t codice;
        bool con_origine;
        const char* attesa;
    };
    const caso casi[] = {
        {16, true,
         "/cartella/app/Orvesa_Cusvana_5927-.txt:40:13: problema 16 a 4500 m: segnale su una "
         "cella gi\xC3\xA0 occupata\n"
         "  segnale,    4500,   1, 4\n"
         "              ^\n"},
        {24, true,
         "/cartella/app/Orvesa_Cusvana_5927-.txt:40:13: problema 24: stazione con fermata che "
         "finisce entro i primi 100 m\n"
         "  segnale,    4500,   1, 4\n"
         "              ^\n"},
        // The walk's codes come from no row, even when a reader remembered one before.
        {13, true,
         "problema 13 a 4500 m: nessuna cella libera per un abbattimento lungo o dopo un "
         "rallentamento\n"},
        {101, false, "problema 101: file della linea mancante\n"},
        {999, false, "problema 999 a 4500 m: problema sconosciuto\n"},
    };
    for (const caso& k : casi) {
        compattatore c = con_problema(k.codice, 4500);
        if (k.con_origine) {
            c.origine = origine_problema{
                "/cartella/app/Orvesa_Cusvana_5927-.txt", {40, 13}, "segnale,    4500,   1, 4"};
        }
        EXPECT_EQ(descrivi_esito(c), k.attesa) << k.codice;
    }
    EXPECT_EQ(descrivi_esito(con_problema(0, 4500)), "");
}

TEST(Diagnostica, FileDellAutoreTabulazioniETesto1252) {
    compattatore c = con_problema(9, 13000);
    c.origine = origine_problema{"/lavoro/copia/Orvesa_Cusvana_5927-.txt",
                                 {7, 4},
                                 "\t\tstazione,  13000, 12, 450, CITT\xC0 \x80"};
    EXPECT_EQ(descrivi_esito(c, "prova"),
              "prova/Orvesa_Cusvana_5927-.txt:7:4: problema 9 a 13000 m: lunghezza della "
              "stazione non multipla di 100 m\n"
              "  \t\tstazione,  13000, 12, 450, CITT\xC3\x80 \xE2\x82\xAC\n"
              "  \t\t ^\n");
}
