// Entry point of the one-shot program: no command line; every file goes beside the program.
#include "comune/processo.h"
#include "comune/sistema_file.h"
#include "run/form1.h"

#include <filesystem>
#include <iostream>

int main() {
    prepara_processo();
    try {
        const std::filesystem::path cartella = cartella_applicazione();
        // The whole run, writers and compactor, as the only one in the folder.
        const blocco_cartella blocco(cartella, "orvesa_cusvana");
        Form1 finestra(cartella, apri_presentazione("orvesa_cusvana"));
        return finestra.Form_Load();
    } catch (const std::exception& e) {  // errore_esecuzione and the library's own
        std::cerr << "orvesa_cusvana: " << e.what() << "\n";
    }
    return stato_uscita::errore_esecuzione;
}
