// What the one-shot program shows a person: the "Attendere" window and the error boxes
// when a display can be opened, otherwise the same texts on standard error.
#pragma once

#include <memory>
#include <string>

class presentazione {
public:
    virtual ~presentazione() = default;
    // Shows "Attendere" and makes sure it is on screen before the work starts.
    virtual void mostra_attendere() = 0;
    // Shows the message with one OK button and waits for it; returns the button code.
    virtual int mostra_messaggio(const std::string& testo) = 0;
    // Shows the run-time failure that ends the run (the file and the reason) in a box with
    // one OK button, and waits for it. The caller has written it to standard error already,
    // so without a window there is nothing more to do.
    virtual void mostra_errore_esecuzione(const std::string& /*testo*/) {}
};

// The window when a display can be opened, the terminal otherwise.
std::unique_ptr<presentazione> apri_presentazione(const std::string& titolo);
std::unique_ptr<presentazione> presentazione_terminale();

// Entry of the window module (run/entrata_finestra.cpp), which the program looks up by
// this name once it has opened the module: apri_presentazione inside the module.
extern "C" presentazione* orvesa_apri_finestra(const char* titolo);
