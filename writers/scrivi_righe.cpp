// Emission of a line table as a text file.
#include "writers/scrivi_righe.h"

#include "comune/sistema_file.h"
#include "scenario_text/testi_scenario.h"

#include <string>

void scrivi_righe(const std::filesystem::path& percorso, std::span<const std::string_view> righe) {
    std::string contenuto;
    for (std::string_view riga : righe) {
        if (riga == marcatore_fine) {
            break;
        }
        contenuto += riga;
        contenuto += "\r\n";
    }
    sostituisci_file(percorso, contenuto);
}
