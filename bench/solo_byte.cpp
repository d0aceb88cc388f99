// The floor of the whole process: a program that writes, beside itself, the same bytes as
// a run of orvesa_cusvana (the five texts, then the three compact files), through the
// same replace helper, deletes the two source files as a run does, and does nothing else.
// The bytes are those of a carried run, built into the program.
#include "comune/identita.h"
#include "comune/sistema_file.h"

#include <exception>
#include <filesystem>
#include <iostream>
#include <string_view>

// The eight files' bytes, in the order of a run (bench/byte.S).
extern "C" const char byte_0_inizio[], byte_0_fine[], byte_1_inizio[], byte_1_fine[],
    byte_2_inizio[], byte_2_fine[], byte_3_inizio[], byte_3_fine[], byte_4_inizio[], byte_4_fine[],
    byte_5_inizio[], byte_5_fine[], byte_6_inizio[], byte_6_fine[], byte_7_inizio[], byte_7_fine[];

namespace {
std::string_view tra(const char* inizio, const char* fine) {
    return {inizio, static_cast<std::size_t>(fine - inizio)};
}
}  // namespace

int main() {
    try {
        const std::filesystem::path cartella =
            cartella_applicazione();
        const identita_scenario id = identita_predefinita();
        sostituisci_file(nomi_file::sorgente_linea(cartella, id), tra(byte_0_inizio, byte_0_fine));
        sostituisci_file(nomi_file::sorgente_treno(cartella, id), tra(byte_1_inizio, byte_1_fine));
        sostituisci_file(nomi_file::note(cartella, id), tra(byte_2_inizio, byte_2_fine));
        sostituisci_file(nomi_file::rallentamenti(cartella, id), tra(byte_3_inizio, byte_3_fine));
        sostituisci_file(nomi_file::scheda(cartella, id), tra(byte_4_inizio, byte_4_fine));
        std::filesystem::remove(nomi_file::sorgente_linea(cartella, id));
        std::filesystem::remove(nomi_file::sorgente_treno(cartella, id));
        sostituisci_file(nomi_file::linea_compatta(cartella, id), tra(byte_5_inizio, byte_5_fine));
        sostituisci_file(nomi_file::voci_compatte(cartella, id), tra(byte_6_inizio, byte_6_fine));
        sostituisci_file(nomi_file::celle_compatte(cartella, id), tra(byte_7_inizio, byte_7_fine));
        return 0;
    } catch (const std::exception& e) {
        std::cerr << "solo_byte: " << e.what() << "\n";
        return 1;
    }
}
