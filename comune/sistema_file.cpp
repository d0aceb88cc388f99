// The parts of the file seam that the standard library covers on every platform.
#include "comune/sistema_file.h"
#include "comune/errore_esecuzione.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

std::string leggi_file_intero(const std::filesystem::path& file) {
    std::error_code codice;
    if (std::filesystem::is_directory(file, codice)) {
        throw errore_esecuzione(file, "è una cartella, non un file");
    }
    std::ifstream ingresso(file, std::ios::binary);
    if (!ingresso) {
        throw errore_esecuzione(file,
                                std::string("apertura non riuscita: ") + std::strerror(errno));
    }
    std::ostringstream contenuto;
    contenuto << ingresso.rdbuf();
    if (ingresso.bad()) {
        throw errore_esecuzione(file, "lettura non riuscita");
    }
    return std::move(contenuto).str();
}
