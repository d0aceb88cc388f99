// Reading the three compact files back, refusing any file whose size does not fit its
// layout rather than misreading it.
#include "compactor/formato.h"
#include "comune/errore_esecuzione.h"
#include "comune/sistema_file.h"
#include "tools/strumento.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

std::vector<cella> leggi_celle(const std::filesystem::path& file) {
    const std::string dati = leggi_file_intero(file);
    if (dati.empty() || dati.size() % formato::byte_cella != 0) {
        throw errore_esecuzione(file, "dimensione di " + std::to_string(dati.size()) +
                                          " byte: non è un multiplo di 15 byte (una cella); "
                                          "file troncato o di altro tipo");
    }
    std::vector<cella> celle;
    celle.reserve(dati.size() / formato::byte_cella);
    std::size_t pos = 0;
    while (pos < dati.size()) {
        celle.push_back(*formato::leggi_cella(dati, pos));
    }
    return celle;
}

std::vector<voce> leggi_voci(const std::filesystem::path& file) {
    const std::string dati = leggi_file_intero(file);
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

std::vector<punto_piano> leggi_piano(const std::filesystem::path& file) {
    const std::string dati = leggi_file_intero(file);
    std::vector<valore_piano> valori;
    std::size_t pos = 0;
    while (pos < dati.size()) {
        auto v = formato::leggi_valore(dati, pos);
        if (!v) {
            throw errore_esecuzione(file, "dimensione di " + std::to_string(dati.size()) +
                                              " byte: il valore " + std::to_string(valori.size()) +
                                              " (al byte " + std::to_string(pos) +
                                              ") è troncato o ha un codice di tipo sconosciuto");
        }
        valori.push_back(*v);
    }
    if (valori.empty() || valori.size() % 2 != 0) {
        throw errore_esecuzione(file, "dimensione di " + std::to_string(dati.size()) +
                                          " byte: " + std::to_string(valori.size()) +
                                          " valori, ma servono una x e una y per ogni punto");
    }
    const std::size_t punti = valori.size() / 2;
    std::vector<punto_piano> piano(punti);
    for (std::size_t i = 0; i < punti; ++i) {
        piano[i] = {valori[i], valori[punti + i]};
    }
    return piano;
}

std::vector<int> indici_stazioni(const std::vector<voce>& voci) {
    std::vector<int> indici;
    for (int i = 1; i < static_cast<int>(voci.size()) && i <= 80; ++i) {
        const voce& v = voci[static_cast<std::size_t>(i)];
        const bool numeri = v.marca != 0 || v.dato1 != 0 || v.dato2 != 0 || v.dato3 != 0 ||
                            v.segno != 0 || v.intero1 != 0 || v.intero2 != 0 || v.intero3 != 0 ||
                            v.intero4 != 0 || v.intero5 != 0 || v.flag1 != 0 || v.flag2 != 0 ||
                            v.flag3 != 0 || v.flag4 != 0 || v.dato_finale != 0;
        if (!numeri) {
            break;
        }
        indici.push_back(i);
    }
    return indici;
}
