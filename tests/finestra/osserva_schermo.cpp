// Looks at an X screen for the window tests.
//
//   osserva_schermo esegui IMMAGINE.ppm PROGRAMMA [ARGOMENTI...]
//     Runs the program and, acting as the window manager, prints a line
//       finestra "TITOLO" X Y LARGHEZZA ALTEZZA
//     for every window it maps, then "stato N" with the program's exit status, and saves
//     the screen as it stands after the program ended. The screen is first covered by a
//     window without background, so whatever the program drew stays on the screen after
//     its windows are gone: a run that lasts a few milliseconds can still be looked at.
//   osserva_schermo cattura IMMAGINE.ppm
//     Saves the screen as it stands.
//   osserva_schermo scuri IMMAGINE.ppm X Y LARGHEZZA ALTEZZA
//     Prints how many pixels of the rectangle are dark (text, not the grey background).
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace {

struct immagine {
    int larghezza = 0;
    int altezza = 0;
    std::vector<unsigned char> rgb;
};

int posizione_maschera(unsigned long maschera) {
    int spostamento = 0;
    while (maschera != 0 && (maschera & 1) == 0) {
        maschera >>= 1;
        ++spostamento;
    }
    return spostamento;
}

immagine cattura(Display* display) {
    const Window radice = DefaultRootWindow(display);
    XWindowAttributes attributi;
    XGetWindowAttributes(display, radice, &attributi);
    XImage* x = XGetImage(display, radice, 0, 0, static_cast<unsigned>(attributi.width),
                          static_cast<unsigned>(attributi.height), AllPlanes, ZPixmap);
    if (x == nullptr) {
        std::cerr << "osserva_schermo: XGetImage non riuscita\n";
        std::exit(2);
    }
    immagine risultato{attributi.width, attributi.height, {}};
    risultato.rgb.reserve(static_cast<std::size_t>(attributi.width * attributi.height * 3));
    const unsigned long maschere[3] = {x->red_mask, x->green_mask, x->blue_mask};
    for (int riga = 0; riga < attributi.height; ++riga) {
        for (int colonna = 0; colonna < attributi.width; ++colonna) {
            const unsigned long pixel = XGetPixel(x, colonna, riga);
            for (const unsigned long maschera : maschere) {
                const unsigned long valore = (pixel & maschera) >> posizione_maschera(maschera);
                const unsigned long massimo = maschera >> posizione_maschera(maschera);
                risultato.rgb.push_back(static_cast<unsigned char>(valore * 255 / massimo));
            }
        }
    }
    XDestroyImage(x);
    return risultato;
}

void salva(const immagine& im, const std::string& file) {
    std::ofstream uscita(file, std::ios::binary);
    uscita << "P6\n" << im.larghezza << " " << im.altezza << "\n255\n";
    uscita.write(reinterpret_cast<const char*>(im.rgb.data()),
                 static_cast<std::streamsize>(im.rgb.size()));
}

immagine carica(const std::string& file) {
    std::ifstream ingresso(file, std::ios::binary);
    std::string magia;
    immagine im;
    int massimo = 0;
    ingresso >> magia >> im.larghezza >> im.altezza >> massimo;
    ingresso.get();
    if (magia != "P6" || massimo != 255 || !ingresso) {
        std::cerr << "osserva_schermo: " << file << " non e' un'immagine P6\n";
        std::exit(2);
    }
    im.rgb.resize(static_cast<std::size_t>(im.larghezza * im.altezza * 3));
    ingresso.read(reinterpret_cast<char*>(im.rgb.data()),
                  static_cast<std::streamsize>(im.rgb.size()));
    return im;
}

int conta_scuri(const immagine& im, int x0, int y0, int larghezza, int altezza) {
    int scuri = 0;
    for (int y = std::max(y0, 0); y < std::min(y0 + altezza, im.altezza); ++y) {
        for (int x = std::max(x0, 0); x < std::min(x0 + larghezza, im.larghezza); ++x) {
            const unsigned char* p = &im.rgb[static_cast<std::size_t>((y * im.larghezza + x) * 3)];
            if (299 * p[0] + 587 * p[1] + 114 * p[2] < 100 * 1000) {
                ++scuri;
            }
        }
    }
    return scuri;
}

Display* apri() {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::cerr << "osserva_schermo: nessun display\n";
        std::exit(2);
    }
    return display;
}

int esegui(const std::string& file_immagine, char** programma) {
    Display* display = apri();
    const Window radice = DefaultRootWindow(display);
    XWindowAttributes schermo;
    XGetWindowAttributes(display, radice, &schermo);

    XSetWindowAttributes attributi{};
    attributi.background_pixmap = None;
    attributi.override_redirect = True;
    const Window telo =
        XCreateWindow(display, radice, 0, 0, static_cast<unsigned>(schermo.width),
                      static_cast<unsigned>(schermo.height), 0, CopyFromParent, InputOutput,
                      CopyFromParent, CWBackPixmap | CWOverrideRedirect, &attributi);
    XMapWindow(display, telo);
    XSelectInput(display, radice, SubstructureRedirectMask | SubstructureNotifyMask);
    XSync(display, False);

    std::cout.flush();
    const pid_t figlio = fork();
    if (figlio == 0) {
        close(ConnectionNumber(display));
        execv(programma[0], programma);
        std::perror("execv");
        _exit(127);
    }

    int stato = -1;
    for (;;) {
        while (XPending(display) > 0) {
            XEvent evento;
            XNextEvent(display, &evento);
            if (evento.type == MapRequest) {
                const Window w = evento.xmaprequest.window;
                char* nome = nullptr;
                XFetchName(display, w, &nome);
                Window radice_w;
                int x = 0, y = 0;
                unsigned larghezza = 0, altezza = 0, bordo = 0, profondita = 0;
                XGetGeometry(display, w, &radice_w, &x, &y, &larghezza, &altezza, &bordo,
                             &profondita);
                std::cout << "finestra \"" << (nome != nullptr ? nome : "") << "\" " << x << " "
                          << y << " " << larghezza << " " << altezza << std::endl;
                if (nome != nullptr) {
                    XFree(nome);
                }
                XMapWindow(display, w);
            } else if (evento.type == ConfigureRequest) {
                const XConfigureRequestEvent& r = evento.xconfigurerequest;
                XWindowChanges modifiche{r.x,     r.y,     r.width, r.height, r.border_width,
                                         r.above, r.detail};
                XConfigureWindow(display, r.window, static_cast<unsigned>(r.value_mask),
                                 &modifiche);
            }
        }
        XFlush(display);
        int s = 0;
        if (waitpid(figlio, &s, WNOHANG) == figlio) {
            stato = WIFEXITED(s) ? WEXITSTATUS(s) : 128 + WTERMSIG(s);
            break;
        }
        pollfd attesa{ConnectionNumber(display), POLLIN, 0};
        poll(&attesa, 1, 20);
    }
    XSync(display, False);
    salva(cattura(display), file_immagine);
    std::cout << "stato " << stato << std::endl;
    XCloseDisplay(display);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string modo = argc > 1 ? argv[1] : "";
    if (modo == "esegui" && argc >= 4) {
        return esegui(argv[2], argv + 3);
    }
    if (modo == "cattura" && argc == 3) {
        Display* display = apri();
        salva(cattura(display), argv[2]);
        XCloseDisplay(display);
        return 0;
    }
    if (modo == "scuri" && argc == 7) {
        std::cout << conta_scuri(carica(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]),
                                 std::atoi(argv[5]), std::atoi(argv[6]))
                  << std::endl;
        return 0;
    }
    std::cerr << "uso: osserva_schermo esegui IMMAGINE PROGRAMMA [ARGOMENTI...]\n"
                 "     osserva_schermo cattura IMMAGINE\n"
                 "     osserva_schermo scuri IMMAGINE X Y LARGHEZZA ALTEZZA\n";
    return 64;
}
