// Shows the error box of the one-shot program through Form1::errore, for the window
// tests; with "esecuzione TESTO", the box of a run-time failure with that text instead.
// Once the box is up it prints the box and its widgets on standard output:
//   riquadro "TITOLO" X Y LARGHEZZA ALTEZZA modale|non-modale icona|senza-icona
//   TIPO "ETICHETTA" X Y LARGHEZZA ALTEZZA [immagine]      (one line per widget; a line
//                                                          break in a label shown as \n)
// and when the box has been closed, "risposta N" with the code stored by errore (or
// "chiuso" for the failure box).
#include "run/form1.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Return_Button.H>
#include <FL/Fl_Window.H>
#include <iostream>
#include <string>

namespace {

const char* tipo(const Fl_Widget* w) {
    if (dynamic_cast<const Fl_Return_Button*>(w) != nullptr) {
        return "Fl_Return_Button";
    }
    if (dynamic_cast<const Fl_Button*>(w) != nullptr) {
        return "Fl_Button";
    }
    if (dynamic_cast<const Fl_Box*>(w) != nullptr) {
        return "Fl_Box";
    }
    return "altro";
}

void descrivi(void*) {
    Fl_Window* riquadro = Fl::modal();
    if (riquadro == nullptr || !riquadro->shown()) {
        Fl::repeat_timeout(0.05, descrivi);
        return;
    }
    std::cout << "riquadro \"" << (riquadro->label() ? riquadro->label() : "") << "\" "
              << riquadro->x() << " " << riquadro->y() << " " << riquadro->w() << " "
              << riquadro->h() << (riquadro->modal() ? " modale" : " non-modale")
              << (riquadro->icon() != nullptr ? " icona" : " senza-icona") << "\n";
    for (int i = 0; i < riquadro->children(); ++i) {
        const Fl_Widget* w = riquadro->child(i);
        std::string etichetta = w->label() ? w->label() : "";
        for (std::size_t a_capo = etichetta.find('\n'); a_capo != std::string::npos;
             a_capo = etichetta.find('\n', a_capo)) {
            etichetta.replace(a_capo, 1, "\\n");
        }
        std::cout << tipo(w) << " \"" << etichetta << "\" " << w->x() << " " << w->y() << " "
                  << w->w() << " " << w->h() << (w->image() != nullptr ? " immagine" : "") << "\n";
    }
    std::cout << std::flush;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string numero = argc > 1 ? argv[1] : "1250";
    if (numero == "esecuzione" && argc > 2) {
        // The box of a run-time failure, with the text given.
        const std::unique_ptr<presentazione> schermo = apri_presentazione("orvesa_cusvana");
        Fl::add_timeout(0.05, descrivi);
        schermo->mostra_errore_esecuzione(argv[2]);
        std::cout << "chiuso" << std::endl;
        return 0;
    }
    Form1 finestra(".", apri_presentazione("orvesa_cusvana"));
    Fl::add_timeout(0.05, descrivi);
    finestra.errore(numero);
    std::cout << "risposta " << finestra.risposta << std::endl;
    return 0;
}
