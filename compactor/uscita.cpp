// The scenario codes and the writing of the three compact files.
#include "compactor/compattatore.h"

#include "compactor/formato.h"
#include "compactor/testo.h"
#include "comune/sostituisci_file.h"

#include <vector>

namespace {

constexpr std::string_view riempitivo = "bbddffhhllnnpprrttvvzzaacc";
constexpr int caratteri_contati = 25;

std::string stringa_di_lavoro(const std::string& numero_treno, const std::string& nome_scenario) {
    std::string lavoro = numero_treno + nome_scenario;
    for (char& c : lavoro) {
        c = minuscola(c);
    }
    lavoro += riempitivo;
    return lavoro;
}
}  // namespace

int32_t compattatore::codice_gara_st() {
    riga = stringa_di_lavoro(voci[86].nome, voci[85].nome);
    int32_t somma = 0;
    for (int i = 1; i <= caratteri_contati; ++i) {
        somma += static_cast<unsigned char>(riga[static_cast<std::size_t>(i - 1)]) * i;
    }
    return somma;
}

int16_t compattatore::codice_gara_og() {
    riga = stringa_di_lavoro(voci[86].nome, voci[85].nome);
    int32_t somma = 0;
    for (int i = 1; i <= caratteri_contati; ++i) {
        somma += static_cast<unsigned char>(riga[static_cast<std::size_t>(i - 1)]);
    }
    return static_cast<int16_t>(somma);  // at most 25 x 255
}

void compattatore::scrivi_file_compatti() {
    voci[85].dato_finale = codice_gara_st();
    celle.at(1).valore2 = codice_gara_og();

    if (scrivi_linea != 0) {
        // Column 0 of every point, then column 1, encoded block by block.
        file_sostitutivo linea(nomi_file::linea_compatta(cartella_, identita_));
        constexpr std::size_t dimensione_blocco = 1 << 16;
        std::vector<char> blocco(dimensione_blocco);
        std::size_t pieno = 0;
        auto scrivi_colonna = [&](auto colonna) {
            for (const punto_piano& punto : tracciato) {
                if (dimensione_blocco - pieno < formato::byte_valore_massimo) {
                    linea.scrivi(blocco.data(), pieno);
                    pieno = 0;
                }
                pieno += formato::codifica_valore(blocco.data() + pieno, punto.*colonna);
            }
        };
        scrivi_colonna(&punto_piano::x);
        scrivi_colonna(&punto_piano::y);
        linea.scrivi(blocco.data(), pieno);
        linea.conferma();
    }

    std::string generali;
    for (const voce& v : voci) {
        formato::aggiungi_voce(generali, v);
    }
    sostituisci_file(nomi_file::voci_compatte(cartella_, identita_), generali);

    std::string griglia;
    griglia.reserve(celle.size() * formato::byte_cella);
    for (const cella& c : celle) {
        formato::aggiungi_cella(griglia, c);
    }
    sostituisci_file(nomi_file::celle_compatte(cartella_, identita_), griglia);
}
