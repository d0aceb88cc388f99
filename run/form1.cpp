// The run sequence of the one-shot program.
#include "run/form1.h"

#include "compactor/esecuzione.h"
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

    // The sources go once read; main() holds the folder's lock for the whole run.
    richiesta r;
    r.cartella = cartella_;
    r.identita = identita;
    r.elimina_sorgenti = true;
    r.blocco = blocco_richiesto::gia_preso;
    const esito e = esegui(r);
    if (e.fallimento) {
        throw *e.fallimento;
    }
    if (e.intestazione) {
        errore(std::to_string(e.intestazione->numero));
        return stato_uscita::intestazione;
    }
    std::cerr << testo_dei_problemi(e);
    return e.stato;
}

void Form1::errore(const std::string& a) {
    risposta = schermo_->mostra_messaggio(" Errore n. " + a);
}
