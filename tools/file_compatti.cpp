// Reading the three compact files back. They may come from anywhere, so they are read
// as untrusted input: only regular files, a size that cannot fit the layout refused before
// anything is read, and values that are not numbers refused rather than shown or drawn.
#include "tools/file_compatti.h"

#include "compactor/formato.h"
#include "comune/errore_esecuzione.h"
#include "comune/sistema_file.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

namespace {

// No compact file of a route longer than the compactor accepts can exist.
constexpr std::uintmax_t punti_massimi = lunghezza_percorso_massima + metri_oltre_il_percorso + 1;
constexpr std::uintmax_t celle_massime =
    (lunghezza_percorso_massima + metri_oltre_il_percorso) / 50 + 1;

std::string dimensione(std::uintmax_t byte) {
    return "dimensione di " + std::to_string(byte) + " byte";
}

// Refuses, before reading, a file larger than `massimo` bytes.
auto al_massimo(const std::filesystem::path& file, std::uintmax_t massimo, const char* perche) {
    return [&file, massimo, perche](std::uintmax_t byte) {
        if (byte > massimo) {
            throw errore_esecuzione(file, dimensione(byte) + ": più di " + std::to_string(massimo) +
                                              " byte, " + perche);
        }
    };
}

}  // namespace

std::vector<cella> leggi_celle(const std::filesystem::path& file) {
    const std::string dati = leggi_file_regolare(file, [&file](std::uintmax_t byte) {
        if (byte == 0 || byte % formato::byte_cella != 0) {
            throw errore_esecuzione(file, dimensione(byte) +
                                              ": non è un multiplo di 15 byte (una cella); "
                                              "file troncato o di altro tipo");
        }
        al_massimo(file, celle_massime * formato::byte_cella,
                   "le celle del percorso più lungo (1000000 m)")(byte);
    });
    std::vector<cella> celle;
    celle.reserve(dati.size() / formato::byte_cella);
    std::size_t pos = 0;
    while (pos < dati.size()) {
        celle.push_back(*formato::leggi_cella(dati, pos));
    }
    return celle;
}

std::vector<voce> leggi_voci(const std::filesystem::path& file) {
    const std::string dati = leggi_file_regolare(
        file,
        al_massimo(file, numero_voci * (formato::byte_voce_senza_nome + formato::byte_nome_massimo),
                   "87 record con il nome più lungo"));
    std::vector<voce> voci;
    std::size_t pos = 0;
    for (int indice = 0; indice < numero_voci; ++indice) {
        auto v = formato::leggi_voce(dati, pos);
        if (!v) {
            throw errore_esecuzione(
                file, "dimensione di " + std::to_string(dati.size()) + " byte: il record " +
                          std::to_string(indice) + " (al byte " + std::to_string(pos) +
                          ") è troncato o ha una lunghezza del nome non valida; servono " +
                          std::to_string(numero_voci) + " record");
        }
        voci.push_back(std::move(*v));
    }
    if (pos != dati.size()) {
        throw errore_esecuzione(file, "dimensione di " + std::to_string(dati.size()) + " byte: " +
                                          std::to_string(dati.size() - pos) + " byte oltre gli " +
                                          std::to_string(numero_voci) + " record");
    }
    return voci;
}

tabella_piano leggi_piano(const std::filesystem::path& file) {
    const std::string dati =
        leggi_file_regolare(file, al_massimo(file, 2 * punti_massimi * formato::byte_valore_massimo,
                                             "la pianta del percorso più lungo (1000000 m)"));
    // Once to count and check the values, once to keep them.
    std::size_t numero_valori = 0;
    for (std::size_t pos = 0; pos < dati.size(); ++numero_valori) {
        if (!formato::leggi_valore(dati, pos)) {
            throw errore_esecuzione(file, "dimensione di " + std::to_string(dati.size()) +
                                              " byte: il valore " + std::to_string(numero_valori) +
                                              " (al byte " + std::to_string(pos) +
                                              ") è troncato o ha un codice di tipo sconosciuto");
        }
    }
    if (numero_valori == 0 || numero_valori % 2 != 0) {
        throw errore_esecuzione(file, "dimensione di " + std::to_string(dati.size()) +
                                          " byte: " + std::to_string(numero_valori) +
                                          " valori, ma servono una x e una y per ogni punto");
    }
    const std::size_t punti = numero_valori / 2;
    tabella_piano piano(punti);
    std::size_t pos = 0;
    for (std::size_t i = 0; i < numero_valori; ++i) {
        const valore_piano v = *formato::leggi_valore(dati, pos);
        // A NaN or an infinity is no position: a table would show a word, a drawing nothing.
        const auto numero = numero_piano(v);
        if (numero && !std::isfinite(*numero)) {
            throw errore_esecuzione(file, "il valore " + std::to_string(i) + " (punto " +
                                              std::to_string(i % punti) + ", colonna " +
                                              (i < punti ? "x" : "y") + ") è " +
                                              (std::isnan(*numero) ? "NaN" : "infinito") +
                                              ", non una posizione in metri");
        }
        piano.imposta_valore(i, v);
    }
    return piano;
}
