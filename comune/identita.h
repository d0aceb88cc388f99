// The scenario identity and every file name formed from it. All files of a run lie in
// one directory (the application directory of the one-shot program).
#pragma once

#include <filesystem>
#include <string>

struct identita_scenario {
    std::string nome_scenario;  // "Orvesa_Cusvana"
    std::string numero_treno;   // "5927", held as text
};

// The identity that the one-shot program carries.
identita_scenario identita_predefinita();

namespace nomi_file {
std::filesystem::path sorgente_linea(const std::filesystem::path& cartella,
                                     const identita_scenario& id);
std::filesystem::path sorgente_treno(const std::filesystem::path& cartella,
                                     const identita_scenario& id);
std::filesystem::path note(const std::filesystem::path& cartella, const identita_scenario& id);
std::filesystem::path rallentamenti(const std::filesystem::path& cartella,
                                    const identita_scenario& id);
std::filesystem::path scheda(const std::filesystem::path& cartella, const identita_scenario& id);
std::filesystem::path linea_compatta(const std::filesystem::path& cartella,
                                     const identita_scenario& id);
std::filesystem::path voci_compatte(const std::filesystem::path& cartella,
                                    const identita_scenario& id);
std::filesystem::path celle_compatte(const std::filesystem::path& cartella,
                                     const identita_scenario& id);
}  // namespace nomi_file
