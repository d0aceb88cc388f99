// Entry point of compattatore: reads the command line and runs one command.
#include "comune/processo.h"
#include "comune/stato_uscita.h"
#include "tools/riga_di_comando.h"

#include <algorithm>
#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    prepara_processo();
    const std::vector<std::string> argomenti(argv + std::min(argc, 1), argv + argc);
    try {
        return esegui_riga_di_comando(argomenti, std::cout, std::cerr);
    } catch (const std::exception& e) {  // errore_esecuzione and the library's own
        std::cerr << "compattatore: " << e.what() << "\n";
    }
    return stato_uscita::errore_esecuzione;
}
