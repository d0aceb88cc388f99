// Writes the seeds that come from the carried scenario into a directory, one folder per
// fuzz target: the carried line and train sources as the writers emit them. They are
// generated at build time so that the committed seeds stay a few small files.
#include "fuzz/separatore.h"
#include "fuzz/verifiche.h"

#include <fstream>
#include <iostream>
#include <string>

namespace {

void scrivi_seme(const std::filesystem::path& cartella, const std::string& nome,
                 const std::string& contenuto) {
    std::filesystem::create_directories(cartella);
    std::ofstream(cartella / nome, std::ios::binary | std::ios::trunc) << contenuto;
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
    return 0;
}
