// The names a command line may give for a scenario or a train.
#include "tools/errore_uso.h"

#include <cstdio>

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
