// The scenario codes and the writing of the three compact files.
#include "compactor/compattatore.h"

#include "compactor/formato.h"
#include "compactor/testo.h"
#include "comune/errore_esecuzione.h"
#include "comune/sistema_file.h"

#include <algorithm>
#include <stdexcept>

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
        // Column 0 of every point, then column 1, encoded straight into the write buffer.
        file_sostitutivo linea(nomi_file::linea_compatta(cartelle().uscita, identita()));
        const punto_piano* const punti = tracciato.data();
        const std::size_t n = tracciato.size();
        auto scrivi_colonna = [&](auto colonna) {
            std::size_t i = 0;
            while (i < n) {
                // As many values as surely fit go straight into the buffer, counted in
                // local variables; the one that straddles its end goes through scrivi(),
                // which sends the full buffer out.
                const std::size_t quanti =
                    std::min(n - i, linea.libero() / formato::byte_valore_massimo);
                if (quanti == 0) {
                    char valore[formato::byte_valore_massimo];
                    linea.scrivi(valore, formato::codifica_valore(valore, punti[i].*colonna));
                    ++i;
                    continue;
                }
                char* const coda = linea.coda();
                std::size_t pieno = 0;
                for (const std::size_t fine = i + quanti; i < fine; ++i) {
                    pieno += formato::codifica_valore(coda + pieno, punti[i].*colonna);
                }
                linea.aggiunti(pieno);
            }
        };
        scrivi_colonna(&punto_piano::x);
        scrivi_colonna(&punto_piano::y);
        linea.conferma();
    }

    const std::filesystem::path file_voci = nomi_file::voci_compatte(cartelle().uscita, identita());
    std::string generali;
    try {
        for (const voce& v : voci) {
            formato::aggiungi_voce(generali, v);
        }
    } catch (const std::length_error& e) {
        throw errore_esecuzione(file_voci, e.what());
    }
    sostituisci_file(file_voci, generali);

    std::string griglia;
    griglia.reserve(celle.size() * formato::byte_cella);
    for (const cella& c : celle) {
        formato::aggiungi_cella(griglia, c);
    }
    sostituisci_file(nomi_file::celle_compatte(cartelle().uscita, identita()), griglia);
}
