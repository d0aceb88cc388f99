// Shows the error box of the one-shot program through Form1::errore, for the window
// tests. Once the box is up it prints the box and its widgets on standard output:
//   riquadro "TITOLO" X Y LARGHEZZA ALTEZZA modale|non-modale icona|senza-icona
//   TIPO "ETICHETTA" X Y LARGHEZZA ALTEZZA [immagine]      (one line per widget)
// and when the box has been closed, "risposta N" with the code stored by errore.
#include "run/form1.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Return_Button.H>
#include <FL/Fl_Window.H>
#include <iostream>

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
        std::cout << tipo(w) << " \"" << (w->label() ? w->label() : "") << "\" " << w->x() << " "
                  << w->y() << " " << w->w() << " " << w->h()
                  << (w->image() != nullptr ? " immagine" : "") << "\n";
    }
    std::cout << std::flush;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string numero = argc > 1 ? argv[1] : "1250";
    Form1 finestra(".", apri_presentazione("orvesa_cusvana"));
    Fl::add_timeout(0.05, descrivi);
    finestra.errore(numero);
    std::cout << "risposta " << finestra.risposta << std::endl;
    return 0;
}
