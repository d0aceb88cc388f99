// The five text writers: each emits one constant table under its file name.
#include "writers/dati.h"

#include "scenario_text/testi_scenario.h"
#include "writers/scrivi_righe.h"

void dati_linea(const std::filesystem::path& cartella, const identita_scenario& id) {
    scrivi_righe(nomi_file::sorgente_linea(cartella, id), righe_linea());
}
void dati_treno(const std::filesystem::path& cartella, const identita_scenario& id) {
    scrivi_righe(nomi_file::sorgente_treno(cartella, id), righe_treno());
}
void dati_note(const std::filesystem::path& cartella, const identita_scenario& id) {
    scrivi_righe(nomi_file::note(cartella, id), righe_note());
}
void dati_rallentamenti(const std::filesystem::path& cartella, const identita_scenario& id) {
    scrivi_righe(nomi_file::rallentamenti(cartella, id), righe_rallentamenti());
}
void dati_scheda(const std::filesystem::path& cartella, const identita_scenario& id) {
    scrivi_righe(nomi_file::scheda(cartella, id), righe_scheda());
}

void scrivi_testi_scenario(const std::filesystem::path& cartella, const identita_scenario& id) {
    dati_linea(cartella, id);
    dati_treno(cartella, id);
    dati_note(cartella, id);
    dati_rallentamenti(cartella, id);
    dati_scheda(cartella, id);
}
