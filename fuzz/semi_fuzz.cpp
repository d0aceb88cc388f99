// Writes the seeds that come from the carried scenario into a directory, one folder per
// fuzz target: the carried line and train sources as the writers emit them. They are
// generated at build time so that the committed seeds stay a few small files.
#include "compactor/compattatore.h"
#include "compactor/formato.h"
#include "comune/sistema_file.h"
#include "fuzz/separatore.h"
#include "fuzz/verifiche.h"
#include "tests/passi_del_driver.h"

#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace {

void scrivi_seme(const std::filesystem::path& cartella, const std::string& nome,
                 const std::string& contenuto) {
    std::filesystem::create_directories(cartella);
    std::ofstream(cartella / nome, std::ios::binary | std::ios::trunc) << contenuto;
}

// The carried scenario compacted, cut down to a start a fuzzer can work on: the general
// records whole, the first 60 cells and the first 3000 points of the plan.
std::string compatti_portati() {
    const identita_scenario identita = identita_predefinita();
    const std::filesystem::path cartella = cartella_fuzz() / "compatti";
    std::filesystem::create_directories(cartella);
    scrivi_file(nomi_file::sorgente_linea(cartella, identita), sorgente_linea_portata());
    scrivi_file(nomi_file::sorgente_treno(cartella, identita), sorgente_treno_portata());
    compattatore c(cartella, identita);
    int32_t j = 1;
    if (passi_del_driver::memorizza_percorso(c, j) != 0) {
        violazione("lo scenario portato non si compatta");
    }
    const std::string voci = leggi_file_intero(nomi_file::voci_compatte(cartella, identita));
    const std::string celle = leggi_file_intero(nomi_file::celle_compatte(cartella, identita));
    const std::string piano = leggi_file_intero(nomi_file::linea_compatta(cartella, identita));
    std::filesystem::remove_all(cartella);

    std::vector<valore_piano> valori;
    for (std::size_t pos = 0; pos < piano.size();) {
        valori.push_back(*formato::leggi_valore(piano, pos));
    }
    constexpr std::size_t punti = 3000;
    std::string piano_corto;
    for (const std::size_t colonna : {std::size_t{0}, valori.size() / 2}) {
        for (std::size_t i = 0; i < punti; ++i) {
            formato::aggiungi_valore(piano_corto, valori[colonna + i]);
        }
    }
    const std::string separatore(separatore_fuzz);
    return voci + separatore + celle.substr(0, 60 * formato::byte_cella) + separatore + piano_corto;
}

// The whole compact files of a short route with one row of most kinds, for decompila.
std::string compatti_piccoli() {
    const identita_scenario identita = identita_predefinita();
    const std::filesystem::path cartella = cartella_fuzz() / "piccoli";
    std::filesystem::create_directories(cartella);
    scrivi_file(nomi_file::sorgente_linea(cartella, identita),
                "[generale]\r\nlunghezza percorso, 1500\r\nprogressiva chilometrica uno, 0, "
                "1000, 1\r\nsfondo uno, 1\r\ncurvas5, 100, 200\r\ncurvad1, 400, 50\r\n"
                "pendenza, 200, -3\r\nmontagna, 300, 700, 12\r\n"
                "indicatori_vmax, 800, 85, 90, 90, 0, , , , 0\r\n"
                "cartello_indicatore, 1000, (Galleria)( 150 m. )\r\n[fine]\r\n");
    scrivi_file(nomi_file::sorgente_treno(cartella, identita),
                "[generale]\r\nnumero vetture, 3\r\naderenza, 0, 90\r\nvelocita, 0, 60\r\n"
                "stazione, 500, 4, 200, 1, 0, 0, 1,1,0, 1,1,1, 30, 17,0,0, A\r\n"
                "rallentamento, 2000, 60, 300, 1, 1, 0\r\n"
                "segnale, 4000, 2, 3, 4, 0, 0, 2, 2, 1, 0, 50\r\nabbattimento, 5000, 7\r\n"
                "[fine]\r\n");
    compattatore c(cartella, identita);
    int32_t j = 1;
    if (passi_del_driver::memorizza_percorso(c, j) != 0) {
        violazione("lo scenario piccolo non si compatta");
    }
    const std::string separatore(separatore_fuzz);
    std::string compatti =
        leggi_file_intero(nomi_file::voci_compatte(cartella, identita)) + separatore +
        leggi_file_intero(nomi_file::celle_compatte(cartella, identita)) + separatore +
        leggi_file_intero(nomi_file::linea_compatta(cartella, identita));
    std::filesystem::remove_all(cartella);
    return compatti;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "uso: semi_fuzz CARTELLA\n";
        return 64;
    }
    const std::filesystem::path radice = argv[1];
    const std::string& linea = sorgente_linea_portata();
    const std::string& treno = sorgente_treno_portata();

    // Field reader: two bytes choose the cycle of reads (2 bits each, 0 = text, 1 = Long).
    const std::string solo_testo("\x00\x00", 2);
    const std::string testo_e_long("\x54\x55", 2);
    scrivi_seme(radice / "lettore_campi", "linea_testo", solo_testo + linea);
    scrivi_seme(radice / "lettore_campi", "linea_numeri", testo_e_long + linea);
    scrivi_seme(radice / "lettore_campi", "treno_numeri", testo_e_long + treno);
    scrivi_seme(radice / "fase_linea", "linea_portata", linea);
    scrivi_seme(radice / "fase_treno", "treno_portato", treno);
    scrivi_seme(radice / "percorso", "coppia_portata",
                linea + std::string(separatore_fuzz) + treno);
    scrivi_seme(radice / "file_compatti", "portati_accorciati", compatti_portati());
    scrivi_seme(radice / "decompila", "portati_accorciati", compatti_portati());
    scrivi_seme(radice / "decompila", "piccolo_intero", compatti_piccoli());
    // The language server's messages: the carried train file opened, as an editor sends it.
    std::string testo_json;
    for (const char c : treno) {
        const auto u = static_cast<unsigned char>(c);
        testo_json += c == '"' || c == '\\' ? std::string("\\") + c
                      : u < 0x20            ? std::string("\\u00") + "0123456789abcdef"[u >> 4] +
                                       "0123456789abcdef"[u & 0xF]
                      : u >= 0x80 ? std::string("?")
                                  : std::string(1, c);
    }
    const std::string apertura =
        R"({"jsonrpc":"2.0","method":"textDocument/didOpen","params":{"textDocument":{"uri":)"
        R"("file:///s/Orvesa_Cusvana_5927-.txt","languageId":"orvesa","version":1,"text":")" +
        testo_json + "\"}}}";
    scrivi_seme(radice / "lsp_messaggi", "apertura",
                "Content-Length: " + std::to_string(apertura.size()) + "\r\n\r\n" + apertura);
    return 0;
}
