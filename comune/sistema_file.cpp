// The parts of the file seam that the standard library covers on every platform.
#include "comune/sistema_file.h"
#include "comune/errore_esecuzione.h"

#include <algorithm>
#include <cstring>

std::string leggi_file_intero(const std::filesystem::path& file) {
    // The same checked read, with no size to refuse: a FIFO or a device given as a
    // source is refused at once instead of being read for ever.
    return leggi_file_regolare(file, [](std::uintmax_t) {});
}

void file_sostitutivo::scrivi(const void* dati, std::size_t quanti) {
    const char* byte = static_cast<const char*>(dati);
    while (quanti > 0) {
        if (in_buffer_ == sizeof buffer_) {
            svuota_buffer();
        }
        const std::size_t parte = std::min(quanti, sizeof buffer_ - in_buffer_);
        std::memcpy(buffer_ + in_buffer_, byte, parte);
        in_buffer_ += parte;
        byte += parte;
        quanti -= parte;
    }
}

void sostituisci_file(const std::filesystem::path& destinazione, std::string_view contenuto) {
    file_sostitutivo file(destinazione);
    file.scrivi(contenuto);
    file.conferma();
}

bool nome_temporaneo(std::string_view nome) {
    constexpr std::size_t lettere = 6;
    const std::size_t segno = nome.rfind(segno_temporaneo);
    if (!nome.starts_with('.') || segno == std::string_view::npos || segno < 2 ||
        nome.size() != segno + segno_temporaneo.size() + lettere) {
        return false;
    }
    return std::all_of(nome.end() - lettere, nome.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    });
}

void rimuovi_temporanei_abbandonati(const std::filesystem::path& cartella) {
    // Leftovers that cannot be listed or removed stay: they harm no output file.
    std::error_code codice;
    std::filesystem::directory_iterator elenco(cartella.empty() ? "." : cartella, codice);
    for (; !codice && elenco != std::filesystem::directory_iterator(); elenco.increment(codice)) {
        const std::filesystem::path& voce = elenco->path();
        std::error_code ignorato;
        if (nome_temporaneo(voce.filename().string()) &&
            std::filesystem::is_regular_file(std::filesystem::symlink_status(voce, ignorato))) {
            std::filesystem::remove(voce, ignorato);
        }
    }
}
