// The run sequence of the one-shot program.
#include "run/form1.h"

#include "compactor/diagnostica.h"
#include "writers/dati.h"

#include <iostream>

Form1::Form1(std::filesystem::path cartella, std::unique_ptr<presentazione> schermo)
    : cartella_(std::move(cartella)), schermo_(std::move(schermo)) {}

int Form1::Form_Load() {
    const identita_scenario identita = identita_predefinita();
    nome_scenario = identita.nome_scenario;
    numero_treno = identita.numero_treno;
    schermo_->mostra_attendere();

    dati_linea(cartella_, identita);
    dati_treno(cartella_, identita);
    dati_note(cartella_, identita);
    dati_rallentamenti(cartella_, identita);
    dati_scheda(cartella_, identita);

    modello.emplace(cartella_, identita);
    int32_t j = 1;
    if (const int numero = modello->memorizza_percorso(j); numero != 0) {
        errore(std::to_string(numero));
        return stato_uscita::intestazione;
    }
    if (modello->codice_errore != 0) {
        std::cerr << descrivi_problemi(*modello);
        return stato_uscita::problema_registrato;
    }
    return stato_uscita::fatto;
}

void Form1::errore(const std::string& a) {
    risposta = schermo_->mostra_messaggio(" Errore n. " + a);
}
