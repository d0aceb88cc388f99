// The window mode: the "Attendere" window Form1 and the error boxes, drawn with FLTK on an
// X display that the program opens itself. A display that cannot be opened, or that
// fails later, sends the texts to the terminal instead; it never ends the process.
#include "run/presentazione.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Return_Button.H>
#include <FL/Fl_Window.H>
#include <FL/fl_draw.H>
#include <FL/x.H>  // fl_open_display(Display*)
#include <X11/Xlib.h>
#include <algorithm>
#include <chrono>
#include <csignal>

namespace {

// Set once the connection to the display is broken; from then on Xlib calls do nothing
// and everything goes to the terminal.
bool display_perso = false;

int errore_io(Display*) {
    display_perso = true;
    return 0;
}
// Xlib ends the process after an I/O error unless this handler returns.
void dopo_errore_io(Display*, void*) {
    display_perso = true;
}
// A failed request spoils at most the picture; the run goes on.
int errore_richiesta(Display*, XErrorEvent*) {
    return 0;
}

// Form1 remembers that it has been drawn, which is what showing it waits for.
class finestra_form1 : public Fl_Window {
public:
    finestra_form1() : Fl_Window(280, 179, "Form1") {}
    bool disegnata = false;

protected:
    void draw() override {
        Fl_Window::draw();
        disegnata = true;
    }
};

// Waits until the window has been drawn once. A display that never shows it (a window
// manager that keeps it hidden) must not hold the run up for ever.
bool attendi_disegno(finestra_form1& finestra) {
    const auto limite = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!finestra.disegnata && !display_perso && std::chrono::steady_clock::now() < limite) {
        Fl::wait(0.1);
    }
    return finestra.disegnata && !display_perso;
}

// The text in lines no wider than `massima` pixels in the current font, each broken at
// a blank or after a "/": a deep path is folded too, where a blank alone would leave it
// running off the screen.
std::string a_capo(const std::string& testo, int massima) {
    std::string risultato;
    std::string riga;
    std::size_t inizio = 0;
    while (inizio < testo.size()) {
        std::size_t fine = testo.find_first_of(" /", inizio);
        fine = fine == std::string::npos ? testo.size() : fine + 1;
        const std::string pezzo = testo.substr(inizio, fine - inizio);
        if (!riga.empty() && fl_width((riga + pezzo).c_str()) > massima) {
            while (!riga.empty() && riga.back() == ' ') {
                riga.pop_back();
            }
            risultato += riga + "\n";
            riga.clear();
        }
        riga += pezzo;
        inizio = fine;
    }
    return risultato + riga;
}

// In a label "@" starts a symbol's name; doubled, it stands for itself (a path may hold
// one).
std::string per_etichetta(const std::string& testo) {
    std::string risultato;
    for (const char c : testo) {
        risultato += c;
        if (c == '@') {
            risultato += '@';
        }
    }
    return risultato;
}

class finestra : public presentazione {
public:
    explicit finestra(std::string titolo) : titolo_(std::move(titolo)) {}

    void mostra_attendere() override {
        form1_ = std::make_unique<finestra_form1>();
        auto* label1 = new Fl_Box(64, 64, 177, 53, "Attendere");  // owned by the window
        label1->labelfont(FL_HELVETICA_BOLD);
        label1->labelsize(32);  // 24 pt at 96 dpi
        // Not clipped: in this font the word runs a few pixels past the label's right edge.
        label1->align(FL_ALIGN_INSIDE | FL_ALIGN_TOP_LEFT);
        form1_->end();
        form1_->callback([](Fl_Widget*, void*) {});  // closing it does nothing: it stays
        form1_->show();
        const bool disegnata = attendi_disegno(*form1_);
        Fl::flush();
        if (!disegnata || display_perso) {
            terminale_->mostra_attendere();
        }
    }

    int mostra_messaggio(const std::string& testo) override {
        if (!riquadro(testo)) {
            return terminale_->mostra_messaggio(testo);
        }
        return 1;  // the code of the OK button
    }

    // Standard error has the text already: a display that has gone adds nothing to it.
    void mostra_errore_esecuzione(const std::string& testo) override { riquadro(testo); }

private:
    // The box with the text and one OK button, modal, in the middle of the screen, until
    // it is closed; false when the display is gone (before or while it waits).
    bool riquadro(const std::string& testo) {
        if (display_perso) {
            return false;
        }
        fl_font(FL_HELVETICA, 14);
        const std::string etichetta = per_etichetta(a_capo(testo, std::max(200, Fl::w() - 80)));
        int larghezza_testo = 0;
        int altezza_testo = 0;
        fl_measure(etichetta.c_str(), larghezza_testo, altezza_testo);
        const int larghezza = std::max(larghezza_testo + 40, 240);
        const int altezza_scritta = std::max(altezza_testo, 36);
        const int altezza = altezza_scritta + 64;

        Fl_Window riquadro(larghezza, altezza);
        riquadro.copy_label(titolo_.c_str());
        Fl_Box scritta(20, 14, larghezza - 40, altezza_scritta);
        scritta.copy_label(etichetta.c_str());
        scritta.labelfont(FL_HELVETICA);
        scritta.labelsize(14);
        scritta.align(FL_ALIGN_INSIDE | FL_ALIGN_LEFT);
        Fl_Return_Button ok((larghezza - 80) / 2, altezza - 38, 80, 26, "OK");
        ok.callback([](Fl_Widget* pulsante, void*) { pulsante->window()->hide(); });
        riquadro.end();
        riquadro.set_modal();
        riquadro.position((Fl::w() - larghezza) / 2, std::max(0, (Fl::h() - altezza) / 2));
        riquadro.show();
        // Closing the box in any other way (Escape, the window manager) counts as OK too.
        while (riquadro.shown() && !display_perso) {
            Fl::wait(1.0);
        }
        return !display_perso;
    }

    std::string titolo_;
    std::unique_ptr<finestra_form1> form1_;
    std::unique_ptr<presentazione> terminale_ = presentazione_terminale();
};

}  // namespace

std::unique_ptr<presentazione> apri_presentazione(const std::string& titolo) {
    // FLTK's own opening ends the process when there is no display: open it here.
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        return presentazione_terminale();
    }
    // Writing to a display that has gone away must fail, not kill the process.
    std::signal(SIGPIPE, SIG_IGN);
    XSetErrorHandler(errore_richiesta);
    XSetIOErrorHandler(errore_io);
    XSetIOErrorExitHandler(display, dopo_errore_io, nullptr);
    fl_open_display(display);
    return std::make_unique<finestra>(titolo);
}
