// File names of a scenario: plain concatenation of the identity and a fixed ending.
#include "comune/identita.h"

identita_scenario identita_predefinita() {
    return {"Orvesa_Cusvana", "5927"};
}

namespace nomi_file {
namespace {
std::filesystem::path del_treno(const std::filesystem::path& cartella, const identita_scenario& id,
                                const std::string& finale) {
    return cartella / (id.nome_scenario + "_" + id.numero_treno + finale);
}
}  // namespace

std::filesystem::path sorgente_linea(const std::filesystem::path& cartella,
                                     const identita_scenario& id) {
    return cartella / (id.nome_scenario + "_linea.txt");
}
std::filesystem::path sorgente_treno(const std::filesystem::path& cartella,
                                     const identita_scenario& id) {
    return del_treno(cartella, id, "-.txt");
}
std::filesystem::path note(const std::filesystem::path& cartella, const identita_scenario& id) {
    return del_treno(cartella, id, "_note.txt");
}
std::filesystem::path rallentamenti(const std::filesystem::path& cartella,
                                    const identita_scenario& id) {
    return del_treno(cartella, id, "_rallentamenti.txt");
}
std::filesystem::path scheda(const std::filesystem::path& cartella, const identita_scenario& id) {
    return del_treno(cartella, id, "_scheda_treno.txt");
}
std::filesystem::path linea_compatta(const std::filesystem::path& cartella,
                                     const identita_scenario& id) {
    return cartella / (id.nome_scenario + "_linea.dat");
}
std::filesystem::path voci_compatte(const std::filesystem::path& cartella,
                                    const identita_scenario& id) {
    return del_treno(cartella, id, ".sim");
}
std::filesystem::path celle_compatte(const std::filesystem::path& cartella,
                                     const identita_scenario& id) {
    return del_treno(cartella, id, ".dat");
}
}  // namespace nomi_file
