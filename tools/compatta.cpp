// The commands that write scenario files: esporta (the five texts) and compatta (the
// compact files from an author's sources, which are never changed).
#include "compactor/compattatore.h"
#include "compactor/diagnostica.h"
#include "comune/errore_esecuzione.h"
#include "comune/sistema_file.h"
#include "tools/strumento.h"
#include "writers/dati.h"

#include <cstdio>
#include <iostream>

void controlla_nome(std::string_view ruolo, const std::string& nome) {
    const std::string chi = std::string(ruolo) + " \"" + nome + "\"";
    if (nome.empty()) {
        throw errore_uso(std::string(ruolo) + " è vuoto");
    }
    for (const char c : nome) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte > 0x7E) {
            char esadecimale[8];
            std::snprintf(esadecimale, sizeof esadecimale, "0x%02X", byte);
            throw errore_uso(std::string(ruolo) + " contiene il byte " + esadecimale +
                             ": i file dello scenario hanno un byte per carattere, e sono "
                             "ammessi solo i caratteri ASCII stampabili");
        }
    }
    if (nome.front() == '-') {
        throw errore_uso(chi + " non può iniziare con '-'");
    }
    if (nome.find_first_of("/\\") != std::string::npos || nome.find("..") != std::string::npos) {
        throw errore_uso(chi +
                         " non può contenere '/', '\\' o '..': nominerebbe un file fuori "
                         "dalla cartella DIR");
    }
}

int comando_esporta(const std::filesystem::path& cartella) {
    std::error_code codice;
    std::filesystem::create_directories(cartella, codice);
    if (codice) {
        throw errore_esecuzione(cartella,
                                "creazione della cartella non riuscita: " + codice.message());
    }
    const identita_scenario identita = identita_predefinita();
    const blocco_cartella blocco(cartella, "compattatore");
    scrivi_testi_scenario(cartella, identita);
    for (const auto& file :
         {nomi_file::sorgente_linea(cartella, identita),
          nomi_file::sorgente_treno(cartella, identita), nomi_file::note(cartella, identita),
          nomi_file::rallentamenti(cartella, identita), nomi_file::scheda(cartella, identita)}) {
        std::cout << file.string() << "\n";
    }
    return stato_uscita::fatto;
}

int comando_compatta(const std::filesystem::path& cartella, const identita_scenario& identita,
                     bool senza_linea) {
    return compatta_scenario(cartella, identita, senza_linea, std::cout, std::cerr);
}

int compatta_scenario(const std::filesystem::path& cartella, const identita_scenario& identita,
                      bool senza_linea, std::ostream& uscita, std::ostream& errori) {
    std::error_code codice;
    if (!std::filesystem::is_directory(cartella, codice)) {
        throw errore_esecuzione(cartella, "cartella non trovata");
    }
    const blocco_cartella blocco(cartella, "compattatore");
    // The author's sources are read where they are and kept.
    compattatore c({cartella, cartella, false}, identita);
    int32_t j = senza_linea ? 0 : 1;
    int numero = 0;
    try {
        numero = c.memorizza_percorso(j);
    } catch (const errore_esecuzione&) {
        // What the readers recorded before the run could not go on tells the author why.
        errori << descrivi_problemi(c);
        throw;
    }
    if (numero != 0) {
        // Every problem recorded before the header check failed, then the check itself.
        errori << descrivi_problemi(c) << " Errore n. " << numero << "\n";
        return stato_uscita::intestazione;
    }
    if (j != 0) {
        uscita << nomi_file::linea_compatta(cartella, identita).string() << "\n";
    }
    uscita << nomi_file::voci_compatte(cartella, identita).string() << "\n"
              << nomi_file::celle_compatte(cartella, identita).string() << "\n";

    if (c.codice_errore != 0) {
        errori << descrivi_problemi(c);
        return stato_uscita::problema_registrato;
    }
    return stato_uscita::fatto;
}
