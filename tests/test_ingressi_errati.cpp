// Bad source files and what each must get: the problem code and its position, which source
// files are left, or the run-time failure that ends the run. Small fixtures, read by the
// real readers in a temporary directory.
#include "aiuti.h"
#include "compactor/compattatore.h"
#include "compactor/formato.h"
#include "comune/errore_esecuzione.h"
#include "passi_del_driver.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const identita_scenario identita = identita_predefinita();

std::string crlf(std::string_view testo) {
    std::string risultato;
    for (char c : testo) {
        if (c == '\n') {
            risultato += '\r';
        }
        risultato += c;
    }
    return risultato;
}

// A route of 2000 m: n_celle = 180, positions up to 8900 m pass the bound test.
const std::string linea_minima = crlf(
    "[generale]\n"
    "lunghezza percorso,    2000\n"
    "[curve]\n");
const std::string fine = crlf("[fine]\n");
const std::string treno_minimo = crlf(
    "[generale]\n"
    "numero vetture,    3\n"
    "[fine]\n");

// Bytes that look like nothing: no bracket, so no section header can appear in them.
std::string spazzatura(std::size_t quanti) {
    std::string s;
    uint32_t stato = 12345;
    for (std::size_t i = 0; i < quanti; ++i) {
        stato = stato * 1103515245u + 12345u;
        char c = static_cast<char>(stato >> 24);
        s += (c == '[' || c == ']') ? '\0' : c;
    }
    return s;
}

struct caso_ingresso {
    std::string nome;
    std::optional<std::string> linea;  // nullopt: no line source file
    std::optional<std::string> treno;  // nullopt: no train source file
    std::optional<problema> codice;    // nullopt: nothing recorded
    int32_t posizione;
    bool resta_treno;  // the train source file is still there afterwards
};

std::ostream& operator<<(std::ostream& o, const caso_ingresso& c) {
    return o << c.nome;
}

std::vector<caso_ingresso> casi() {
    const std::string megabyte(1 << 20, 'x');
    std::string dieci_mega = linea_minima;
    while (dieci_mega.size() < 10u << 20) {
        dieci_mega += "pendenza,  850 , 4 \r\n";
    }
    dieci_mega += fine;
    const std::string stazione_prima = "stazione,       0,  2,  700,  1, 0, 0,  4,1,0,  2,1,1, 1,";
    return {
        // The line reader reads a field before its end-of-file test: in an empty file that
        // read is already past the end. The train reader stops its search at the end of the
        // file, and an empty one, like any without "[generale]", has no rows to record.
        {"linea_vuota", "", treno_minimo, problema::errore_di_lettura, 0, false},
        {"treno_vuoto", linea_minima + fine, "", std::nullopt, 0, false},
        {"linea_senza_generale", crlf("lunghezza percorso, 2000\n[fine]\n"), treno_minimo,
         problema::sezione_generale_mancante, 0, true},
        {"generale_ultimo_campo", crlf("lunghezza percorso, 2000\n") + "[generale]", treno_minimo,
         problema::sezione_generale_mancante, 0, true},
        // The train file without "[generale]" has no rows: nothing to record.
        {"treno_senza_generale", linea_minima + fine, crlf("numero vetture, 3\n[fine]\n"),
         std::nullopt, 0, false},
        {"linea_senza_lunghezza", crlf("[generale]\nsfondo uno, 1\n[curve]\n[fine]\n"),
         treno_minimo, problema::errore_di_lettura, 0, false},
        {"linea_finisce_in_una_riga", linea_minima + crlf("montagna,  400 , 750\n"), treno_minimo,
         problema::errore_di_lettura, 0, false},
        {"treno_finisce_in_una_riga", linea_minima + fine,
         crlf("[generale]\nsegnale,    4500,   1, 4\n"), problema::errore_di_lettura, 0, false},
        {"generale_finisce_in_una_riga",
         crlf("[generale]\nlunghezza percorso, 2000\nprogressiva chilometrica uno,    0,    100"),
         treno_minimo, problema::errore_di_lettura, 0, false},
        {"troppo_grande_per_32_bit", crlf("[generale]\nlunghezza percorso, 2147483648\n") + fine,
         treno_minimo, problema::errore_di_lettura, 0, false},
        {"troppo_grande_per_16_bit", linea_minima + fine,
         crlf("[generale]\nsabbia, 32768\n") + fine, problema::errore_di_lettura, 0, false},
        {"troppo_grande_per_8_bit", linea_minima + fine,
         crlf("[generale]\nstazione,  0, 256, 700, 1, 0, 0, 4,1,0, 2,1,1, 1, 17,28,0, A\n") + fine,
         problema::errore_di_lettura, 0, false},
        {"lunghezza_oltre_il_limite",
         crlf("[generale]\nlunghezza percorso, 1000001\n[curve]\n") + fine, treno_minimo,
         problema::lunghezza_percorso_fuori_limiti, 0, true},
        {"lunghezza_negativa", crlf("[generale]\nlunghezza percorso, -50\n[curve]\n") + fine,
         treno_minimo, problema::lunghezza_percorso_fuori_limiti, 0, true},
        {"pendenza_a_posizione_negativa", linea_minima + crlf("pendenza, -100, 4\n") + fine,
         treno_minimo, problema::posizione_oltre_la_griglia, -100, false},
        {"curva_a_posizione_negativa", linea_minima + crlf("curvad4, -1, 100\n") + fine,
         treno_minimo, problema::posizione_oltre_la_griglia, -1, false},
        {"segnale_a_posizione_negativa", linea_minima + fine,
         crlf("[generale]\nsegnale, -50, 1, 4, 0, 0, 0, 0, 0, 0, 0, 0\n") + fine,
         problema::posizione_oltre_la_griglia, -50, false},
        {"stazione_a_posizione_negativa", linea_minima + fine,
         crlf("[generale]\nstazione, -50, 27, 100, 1, 0, 0, 4,1,0, 2,1,1, 0, 0,0,0, A\n") + fine,
         problema::posizione_oltre_la_griglia, -50, false},
        {"abbattimento_a_posizione_negativa", linea_minima + fine,
         crlf("[generale]\nabbattimento, -1, 0\n") + fine, problema::posizione_oltre_la_griglia, -1,
         false},
        {"valore_con_lettere", crlf("[generale]\nlunghezza percorso, 2000m\n[curve]\n") + fine,
         treno_minimo, problema::errore_di_lettura, 0, false},
        {"valore_con_decimali", linea_minima + crlf("pendenza, 850, 4.5\n") + fine, treno_minimo,
         problema::errore_di_lettura, 0, false},
        {"valore_con_la_o_per_lo_zero", linea_minima + fine,
         crlf("[generale]\nvelocita, 800, 9O\n") + fine, problema::errore_di_lettura, 0, false},
        {"solo_segno", linea_minima + crlf("pendenza, 850, -\n") + fine, treno_minimo,
         problema::errore_di_lettura, 0, false},
        {"spazzatura_binaria", spazzatura(1 << 16), treno_minimo,
         problema::sezione_generale_mancante, 0, true},
        {"nul_dopo_generale", crlf("[generale]\n") + std::string(1000, '\0'), treno_minimo,
         problema::errore_di_lettura, 0, false},
        {"nul_in_un_numero",
         crlf("[generale]\nlunghezza percorso, 20") + std::string(2, '\0') + crlf("\n[curve]\n") +
             fine,
         treno_minimo, problema::errore_di_lettura, 0, false},
        {"riga_di_commento_di_un_megabyte", linea_minima + "- " + megabyte + "\r\n" + fine,
         treno_minimo, std::nullopt, 0, false},
        // A name is written with a 2-byte length: a longer one cannot be stored.
        {"cartello_di_un_megabyte",
         linea_minima + "cartello_indicatore,  1450, " + megabyte + "\r\n" + fine, treno_minimo,
         problema::errore_di_lettura, 0, false},
        {"stazione_di_un_megabyte", linea_minima + fine,
         crlf("[generale]\n") + stazione_prima + " 17,28,0, " + megabyte + "\r\n" + fine,
         problema::errore_di_lettura, 0, false},
        {"file_di_dieci_megabyte", dieci_mega, treno_minimo, std::nullopt, 0, false},
        {"linea_mancante", std::nullopt, treno_minimo, problema::file_linea_mancante, 0, true},
        {"treno_mancante", linea_minima + fine, std::nullopt, problema::errore_di_lettura, 0,
         false},
    };
}

class IngressiErrati : public ::testing::TestWithParam<caso_ingresso> {};

TEST_P(IngressiErrati, CodicePosizioneEFileRimasti) {
    const caso_ingresso& caso = GetParam();
    cartella_temporanea cartella;
    const fs::path linea = nomi_file::sorgente_linea(cartella.percorso(), identita);
    const fs::path treno = nomi_file::sorgente_treno(cartella.percorso(), identita);
    if (caso.linea) {
        scrivi_tutto(linea, *caso.linea);
    }
    if (caso.treno) {
        scrivi_tutto(treno, *caso.treno);
    }

    compattatore c(cartella.percorso(), identita);
    c.scrivi_linea = 1;
    passi_del_driver::memorizza_dati(c);

    EXPECT_EQ(c.codice_errore, caso.codice ? numero(*caso.codice) : 0);
    EXPECT_EQ(c.posizione_errore, caso.posizione);
    EXPECT_FALSE(fs::exists(linea));
    EXPECT_EQ(fs::exists(treno), caso.resta_treno);
    if (!c.celle.empty()) {
        EXPECT_EQ(c.celle.size(), static_cast<std::size_t>(c.n_celle) + 1);
    }
    for (const voce& v : c.voci) {
        EXPECT_LE(v.nome.size(), 32767u);
    }
}

INSTANTIATE_TEST_SUITE_P(Tabella, IngressiErrati, ::testing::ValuesIn(casi()),
                         [](const auto& info) { return info.param.nome; });

// The longest name that its 2-byte length can hold is kept whole.
TEST(IngressiErrati, NomeDi32767CaratteriAccettato) {
    cartella_temporanea cartella;
    scrivi_tutto(
        nomi_file::sorgente_linea(cartella.percorso(), identita),
        linea_minima + "cartello_indicatore,  1450, " + std::string(32767, 'A') + "\r\n" + fine);
    scrivi_tutto(nomi_file::sorgente_treno(cartella.percorso(), identita), treno_minimo);
    compattatore c(cartella.percorso(), identita);
    passi_del_driver::memorizza_dati(c);
    EXPECT_EQ(c.codice_errore, 0);
    EXPECT_EQ(c.voci[80].nome.size(), 32767u);
}

// A read failure still lets the compact files be written: a station name too long for its
// 2-byte length must not reach the record, or the ".sim" file could not be read back.
TEST(IngressiErrati, NomeTroppoLungoNonGuastaIlFileDeiRecord) {
    cartella_temporanea cartella;
    scrivi_tutto(nomi_file::sorgente_linea(cartella.percorso(), identita), linea_minima + fine);
    scrivi_tutto(
        nomi_file::sorgente_treno(cartella.percorso(), identita),
        crlf("[generale]\nstazione,  0,  2,  700,  1, 0, 0,  4,1,0,  2,1,1, 1, 17,28,0, ") +
            std::string(40000, 'N') + "\r\n" + fine);
    compattatore c(cartella.percorso(), identita);
    int32_t j = 0;
    ASSERT_EQ(passi_del_driver::memorizza_percorso(c, j), 0);
    EXPECT_EQ(c.codice_errore, numero(problema::errore_di_lettura));
    EXPECT_EQ(c.voci[1].nome, "");

    const std::string generali =
        leggi_file_intero(nomi_file::voci_compatte(cartella.percorso(), identita));
    std::size_t pos = 0;
    for (int i = 0; i < numero_voci; ++i) {
        ASSERT_TRUE(formato::leggi_voce(generali, pos).has_value()) << "record " << i;
    }
    EXPECT_EQ(pos, generali.size());
}

// A grid that was never built ends the driver with a run-time failure naming the source.
TEST(IngressiErrati, SenzaGrigliaLaCorsaFinisceConUnErrore) {
    cartella_temporanea cartella;
    scrivi_tutto(nomi_file::sorgente_treno(cartella.percorso(), identita), treno_minimo);
    compattatore c(cartella.percorso(), identita);
    int32_t j = 1;
    try {
        passi_del_driver::memorizza_percorso(c, j);
        FAIL() << "nessun errore";
    } catch (const errore_esecuzione& e) {
        EXPECT_EQ(e.file(), nomi_file::sorgente_linea(cartella.percorso(), identita));
        EXPECT_NE(std::string(e.what()).find("101"), std::string::npos) << e.what();
    }
    EXPECT_EQ(c.codice_errore, numero(problema::file_linea_mancante));
    EXPECT_FALSE(fs::exists(nomi_file::linea_compatta(cartella.percorso(), identita)));
    EXPECT_FALSE(fs::exists(nomi_file::voci_compatte(cartella.percorso(), identita)));
}

// The same files with CR LF, CR alone and LF alone read alike, problem line included.
TEST(IngressiErrati, FineRigaCrLfCrELfLeggonoUguale) {
    const std::string linea = crlf(
        "[generale]\n"
        "lunghezza percorso,    2000\n"
        "progressiva chilometrica uno,    0,    2000,    1\n"
        "sfondo uno,    1\n"
        "ripetizione segnali 4 codici,    0    ,0\n"
        "[curve]\n"
        "curvas5,  700 , 700 \n"
        "[pendenze]\n"
        "- pendenze\n"
        "pendenza,  850 , 4 \n"
        "pendenza,  1200 , -26 \n"
        "[montagne]\n"
        "montagna,  400 , 750 , 12 \n"
        "[cartelli]\n"
        "indicatori_vmax,  800,  85,  90,  90,  0,  ,  ,  ,  0\n"
        "[indicazioni]\n"
        "cartello_indicatore,  1450, ( GALLERIA )( 170 m.  )\n"
        "[fine]\n");
    const std::string treno = crlf(
        "[generale]\n"
        "orologio,    17              27            30 \n"
        "velocita,     0,    30\n"
        "velocita,     800,    90\n"
        "stazione,       0,  2,  700,  1, 0, 0,  4,1,0,  2,1,1,    1,  17,28, 0, ORVESA\n"
        "segnale,    1000,   1, 4, 0,  0, 0,    0,  0,0,0, 0\n"
        "abbattimento,  9000, 0\n"
        "[fine]\n");

    struct risultato {
        int32_t codice, posizione, riga;
        std::string celle, voci, piano;
    };
    const auto leggi_con = [&](const std::string& fine_riga) {
        const auto converti = [&](const std::string& testo) {
            std::string s;
            for (std::size_t i = 0; i < testo.size(); ++i) {
                if (testo.compare(i, 2, "\r\n") == 0) {
                    s += fine_riga;
                    ++i;
                } else {
                    s += testo[i];
                }
            }
            return s;
        };
        cartella_temporanea cartella;
        scrivi_tutto(nomi_file::sorgente_linea(cartella.percorso(), identita), converti(linea));
        scrivi_tutto(nomi_file::sorgente_treno(cartella.percorso(), identita), converti(treno));
        compattatore c(cartella.percorso(), identita);
        c.scrivi_linea = 1;
        passi_del_driver::memorizza_dati(c);
        risultato r{c.codice_errore,
                    c.posizione_errore,
                    origine_di(c) ? origine_di(c)->luogo.riga : 0,
                    {},
                    {},
                    {}};
        for (const cella& x : c.celle) {
            formato::aggiungi_cella(r.celle, x);
        }
        for (const voce& v : c.voci) {
            formato::aggiungi_voce(r.voci, v);
        }
        for (std::size_t i = 0; i < c.tracciato.size(); ++i) {
            const punto_piano p = c.tracciato[i];
            formato::aggiungi_valore(r.piano, p.x);
            formato::aggiungi_valore(r.piano, p.y);
        }
        return r;
    };

    const risultato con_crlf = leggi_con("\r\n");
    // The "abbattimento" at 9000 m, on the seventh line, fails the bound test.
    EXPECT_EQ(con_crlf.codice, numero(problema::posizione_oltre_la_griglia));
    EXPECT_EQ(con_crlf.posizione, 9000);
    EXPECT_EQ(con_crlf.riga, 7);
    EXPECT_EQ(con_crlf.celle.size(), 181u * formato::byte_cella);
    for (const char* fine_riga : {"\r", "\n"}) {
        const risultato r = leggi_con(fine_riga);
        EXPECT_EQ(r.codice, con_crlf.codice);
        EXPECT_EQ(r.posizione, con_crlf.posizione);
        EXPECT_EQ(r.riga, con_crlf.riga);
        EXPECT_EQ(r.celle, con_crlf.celle);
        EXPECT_EQ(r.voci, con_crlf.voci);
        EXPECT_EQ(r.piano, con_crlf.piano);
    }
}

}  // namespace
