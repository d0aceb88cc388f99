// Entry point of the one-shot program: no command line; every file goes beside the program.
#include "comune/processo.h"
#include "comune/sistema_file.h"
#include "run/form1.h"

#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>

int main() {
    prepara_processo();
    // The window is opened before anything can fail, the folder's lock included, so that
    // a failure is shown where the user looks: a program started by a double click on
    // Windows has no standard error. Form1 takes it over and keeps it until main() ends.
    std::unique_ptr<presentazione> aperta;
    presentazione* schermo = nullptr;
    std::optional<Form1> finestra;
    try {
        aperta = apri_presentazione("orvesa_cusvana");
        schermo = aperta.get();
        const std::filesystem::path cartella = cartella_applicazione();
        // The whole run, writers and compactor, as the only one in the folder.
        const blocco_cartella blocco(cartella, "orvesa_cusvana");
        finestra.emplace(cartella, std::move(aperta));
        return finestra->Form_Load();
    } catch (const std::exception& e) {  // errore_esecuzione and the library's own
        std::cerr << "orvesa_cusvana: " << e.what() << std::endl;
        // The lock has gone with the run by now: a box left open keeps no other run
        // of the folder waiting.
        if (schermo != nullptr) {
            schermo->mostra_errore_esecuzione(e.what());
        }
    }
    return stato_uscita::errore_esecuzione;
}
