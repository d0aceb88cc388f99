// The compactor's driver and the frame of the source reading shared by both phases.
#include "compactor/compattatore.h"

#include "comune/errore_esecuzione.h"

#include <fstream>
#include <sstream>
#include <system_error>

compattatore::compattatore(std::filesystem::path cartella, identita_scenario identita)
    : cartella_(std::move(cartella)), identita_(std::move(identita)) {}

int compattatore::memorizza_percorso(int32_t& j) {
    scrivi_linea = j;
    codice_errore = 0;
    for (voce& v : voci) {
        v = voce{};
    }
    memorizza_dati();
    return concludi_percorso();
}

int compattatore::concludi_percorso() {
    if (celle.empty()) {
        // Without a grid there is nothing to walk or write: the run cannot go on.
        throw errore_esecuzione(
            nomi_file::sorgente_linea(cartella_, identita_),
            "nessuna griglia di celle creata (problema " + std::to_string(codice_errore) + ")");
    }
    cammina_griglia();
    if (const int numero = controlla_intestazione(); numero != 0) {
        return numero;
    }
    scrivi_file_compatti();
    return 0;
}

void compattatore::memorizza_dati() {
    origine.reset();
    try {
        if (leggi_linea()) {
            leggi_treno();
        }
    } catch (const errore_lettura&) {
        codice_errore = 25;
        elimina_sorgente(nomi_file::sorgente_linea(cartella_, identita_));
        elimina_sorgente(nomi_file::sorgente_treno(cartella_, identita_));
    }
}

int compattatore::controlla_intestazione() {
    if (voci[85].intero1 != 0 || celle.at(1).valore1 != 0) {
        return 1250;
    }
    voci[85].intero1 = 610;
    celle[1].valore1 = 5121;
    if (voci[85].dato_finale != 0 || celle[1].valore2 != 0) {
        return 1251;
    }
    return 0;
}

void compattatore::segna_origine(const std::filesystem::path& file, const lettore_campi& lettore,
                                 luogo_campo luogo) {
    origine = origine_problema{file, luogo, std::string(lettore.testo_riga(luogo.riga))};
}

void compattatore::elimina_sorgente(const std::filesystem::path& file) {
    std::error_code ignorato;
    std::filesystem::remove(file, ignorato);
}

std::string compattatore::leggi_file(const std::filesystem::path& file) {
    std::ifstream ingresso(file, std::ios::binary);
    if (!ingresso) {
        throw errore_lettura("impossibile aprire " + file.string());
    }
    std::ostringstream contenuto;
    contenuto << ingresso.rdbuf();
    if (ingresso.bad()) {
        throw errore_lettura("impossibile leggere " + file.string());
    }
    return std::move(contenuto).str();
}
