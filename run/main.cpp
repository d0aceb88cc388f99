// Entry point of the one-shot program: no command line; every file goes beside the program.
#include "comune/sistema_file.h"
#include "run/form1.h"

#include <csignal>
#include <filesystem>
#include <iostream>

int main() {
    assicura_flussi_standard();
    // A file-size limit must make a write fail with an error, not kill the process; and a
    // standard error that nobody reads must not end the run: writes to it fail quietly.
    std::signal(SIGXFSZ, SIG_IGN);
    std::signal(SIGPIPE, SIG_IGN);
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
