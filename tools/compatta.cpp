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

namespace {

// A folder only this process can use, removed with its content on every way out.
class cartella_privata {
public:
    cartella_privata() : percorso_(crea_cartella_privata("compattatore-")) {}
    ~cartella_privata() {
        std::error_code ignorato;
        std::filesystem::remove_all(percorso_, ignorato);
    }
    cartella_privata(const cartella_privata&) = delete;
    cartella_privata& operator=(const cartella_privata&) = delete;

    const std::filesystem::path& percorso() const { return percorso_; }

private:
    std::filesystem::path percorso_;
};

// Copies a source file of the author's folder into the work folder; a missing one is
// left missing, so that the compactor meets it as the one-shot program would.
void copia_sorgente(const std::filesystem::path& sorgente, const std::filesystem::path& copia) {
    std::error_code codice;
    const auto stato = std::filesystem::status(sorgente, codice);
    if (!std::filesystem::exists(stato)) {
        std::cerr << "compattatore: " << sorgente.string() << ": file sorgente mancante\n";
        return;
    }
    if (!std::filesystem::is_regular_file(stato)) {
        throw errore_esecuzione(sorgente, "non è un file regolare");
    }
    sostituisci_file(copia, leggi_file_intero(sorgente));
}

// A failure that names a copy of a source file is reported on the author's file.
errore_esecuzione sul_file_dell_autore(const errore_esecuzione& e,
                                       const std::filesystem::path& lavoro,
                                       const std::filesystem::path& cartella) {
    if (e.file().parent_path() != lavoro) {
        return e;
    }
    const std::string prefisso = e.file().string() + ": ";
    std::string motivo = e.what();
    if (motivo.starts_with(prefisso)) {
        motivo.erase(0, prefisso.size());
    }
    return errore_esecuzione(cartella / e.file().filename(), motivo);
}

}  // namespace

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
    std::error_code codice;
    if (!std::filesystem::is_directory(cartella, codice)) {
        throw errore_esecuzione(cartella, "cartella non trovata");
    }
    const cartella_privata lavoro;
    copia_sorgente(nomi_file::sorgente_linea(cartella, identita),
                   nomi_file::sorgente_linea(lavoro.percorso(), identita));
    copia_sorgente(nomi_file::sorgente_treno(cartella, identita),
                   nomi_file::sorgente_treno(lavoro.percorso(), identita));

    compattatore c(lavoro.percorso(), identita);
    int32_t j = senza_linea ? 0 : 1;
    int numero = 0;
    try {
        numero = c.memorizza_percorso(j);
    } catch (const errore_esecuzione& e) {
        // What the readers recorded before the run could not go on tells the author why.
        std::cerr << descrivi_esito(c, cartella);
        throw sul_file_dell_autore(e, lavoro.percorso(), cartella);
    }
    if (numero != 0) {
        std::cerr << " Errore n. " << numero << "\n";
        return stato_uscita::intestazione;
    }

    std::vector<std::filesystem::path> compatti;
    if (j != 0) {
        compatti.push_back(nomi_file::linea_compatta(cartella, identita));
    }
    compatti.push_back(nomi_file::voci_compatte(cartella, identita));
    compatti.push_back(nomi_file::celle_compatte(cartella, identita));
    for (const std::filesystem::path& file : compatti) {
        sostituisci_file(file, leggi_file_intero(lavoro.percorso() / file.filename()));
        std::cout << file.string() << "\n";
    }

    if (c.codice_errore != 0) {
        std::cerr << descrivi_esito(c, cartella);
        return stato_uscita::problema_registrato;
    }
    return stato_uscita::fatto;
}
