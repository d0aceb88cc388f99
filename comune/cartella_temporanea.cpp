// Scratch directories with names no other process picks.
#include "comune/cartella_temporanea.h"

#include "comune/errore_esecuzione.h"

#include <random>

cartella_temporanea::cartella_temporanea() {
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    std::random_device casuale;
    for (int tentativo = 0; tentativo < 100; ++tentativo) {
        const std::filesystem::path candidata =
            base / ("compattatore-prova-" + std::to_string(casuale()));
        std::error_code codice;
        // create_directory says false, without an error, when the name is taken.
        if (std::filesystem::create_directory(candidata, codice)) {
            percorso_ = candidata;
            return;
        }
        if (codice) {
            throw errore_esecuzione(candidata, "creazione non riuscita: " + codice.message());
        }
    }
    throw errore_esecuzione(base, "nessun nome libero per una cartella temporanea");
}

cartella_temporanea::~cartella_temporanea() {
    std::error_code ignorato;
    // A test may have taken the permissions away; they come back so that all can go.
    std::filesystem::permissions(percorso_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignorato);
    std::filesystem::remove_all(percorso_, ignorato);
}
