// A small SVG writer: the elements the pianta command draws with, appended to one text.
// Every number and every piece of text goes out through here, so the number format, the
// refusal of numbers that are not finite and the XML escaping stand in one place.
#pragma once

#include <cmath>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <string_view>

// A coordinate or a size as it is written: a computed value with one decimal, or a whole
// number from the drawing's constants, written as it stands ("4", not "4.0"). Both
// conversions are implicit so that calls read as plain numbers; a literal's type picks
// the form, so 4 and 4.0 are written differently.
class misura_svg {
public:
    misura_svg(double valore);
    misura_svg(int valore) : testo_(std::to_string(valore)) {}

    const std::string& testo() const { return testo_; }

private:
    std::string testo_;
};

// Thrown for a number that is NaN or infinite: the drawing computed a position it must
// not, and a picture with it would be broken rather than merely wrong.
class numero_svg_non_finito : public std::logic_error {
public:
    using std::logic_error::logic_error;
};

// One decimal, the precision of every computed coordinate of the picture.
inline std::string numero_svg(double valore) {
    if (!std::isfinite(valore)) {
        throw numero_svg_non_finito("numero non finito nel disegno SVG (" +
                                    std::string(std::isnan(valore) ? "nan" : "infinito") + ")");
    }
    char testo[32];
    std::snprintf(testo, sizeof testo, "%.1f", valore);
    return testo;
}

inline misura_svg::misura_svg(double valore) : testo_(numero_svg(valore)) {}

// UTF-8 text made safe for element content and for double-quoted attribute values.
inline std::string testo_xml(std::string_view utf8) {
    std::string uscita;
    uscita.reserve(utf8.size());
    for (const char c : utf8) {
        switch (c) {
            case '&': uscita += "&amp;"; break;
            case '<': uscita += "&lt;"; break;
            case '>': uscita += "&gt;"; break;
            case '"': uscita += "&quot;"; break;
            default:
                // Control bytes are not allowed in XML text.
                uscita += static_cast<unsigned char>(c) < 0x20 ? ' ' : c;
        }
    }
    return uscita;
}

// Attribute values with numbers in them, formatted like the coordinates.
inline std::string traslazione_svg(double x, double y) {
    return "transform=\"translate(" + numero_svg(x) + "," + numero_svg(y) + ")\"";
}

inline std::string rotazione_svg(int gradi, double x, double y) {
    return "transform=\"rotate(" + std::to_string(gradi) + " " + numero_svg(x) + " " +
           numero_svg(y) + ")\"";
}

// The data of a <path>: commands separated by spaces, "M80.0,300.0 L90.0,310.0 z".
class dati_percorso {
public:
    dati_percorso& sposta(double x, double y) { return comando("M", x, y); }
    dati_percorso& traccia(double x, double y) { return comando("L", x, y); }
    // A step by whole units from the last point, for small fixed shapes.
    dati_percorso& traccia_relativa(int dx, int dy) {
        separa();
        testo_ += "l" + std::to_string(dx) + "," + std::to_string(dy);
        return *this;
    }
    dati_percorso& chiudi() {
        separa();
        testo_ += "z";
        return *this;
    }
    const std::string& testo() const { return testo_; }

private:
    dati_percorso& comando(const char* lettera, double x, double y) {
        const std::string punto = lettera + numero_svg(x) + "," + numero_svg(y);
        separa();
        testo_ += punto;
        return *this;
    }
    void separa() {
        if (!testo_.empty()) {
            testo_ += ' ';
        }
    }

    std::string testo_;
};

// The points of a <polyline>: "x,y x,y".
class punti_svg {
public:
    void aggiungi(double x, double y) {
        const std::string punto = numero_svg(x) + "," + numero_svg(y);
        if (!testo_.empty()) {
            testo_ += ' ';
        }
        testo_ += punto;
    }
    const std::string& testo() const { return testo_; }

private:
    std::string testo_;
};

// Appends elements to a document. `stile` is the rest of an element's attributes, written
// after its geometry: constant names and values, or values built with the helpers above.
// An element with a number that is not finite is refused whole: nothing of it is written.
class scrittore_svg {
public:
    void apri_documento(double larghezza, double altezza, std::string_view caratteri,
                        std::string_view sfondo) {
        const std::string l = numero_svg(larghezza);
        const std::string a = numero_svg(altezza);
        testo_ += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
        testo_ += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + l + "\" height=\"" + a +
                  "\" viewBox=\"0 0 " + l + " " + a + "\" font-family=\"" + testo_xml(caratteri) +
                  "\">\n";
        testo_ += "<rect width=\"100%\" height=\"100%\" fill=\"" + testo_xml(sfondo) + "\"/>\n";
    }
    void chiudi_documento() { testo_ += "</svg>\n"; }

    void apri_gruppo(std::string_view stile) { testo_ += "<g " + std::string(stile) + ">\n"; }
    // A group written on one line with its elements, for the small symbols of a key.
    void apri_gruppo_in_riga(std::string_view stile) {
        testo_ += "<g " + std::string(stile) + ">";
        in_riga_ = true;
    }
    void chiudi_gruppo() {
        in_riga_ = false;
        testo_ += "</g>\n";
    }

    void linea(misura_svg x1, misura_svg y1, misura_svg x2, misura_svg y2, std::string_view stile) {
        elemento("<line x1=\"" + x1.testo() + "\" y1=\"" + y1.testo() + "\" x2=\"" + x2.testo() +
                     "\" y2=\"" + y2.testo() + "\"",
                 stile);
    }
    void polilinea(const punti_svg& punti, std::string_view stile) {
        elemento("<polyline " + std::string(stile) + " points=\"" + punti.testo() + "\"", {});
    }
    void percorso(const dati_percorso& dati, std::string_view stile) {
        elemento("<path d=\"" + dati.testo() + "\"", stile);
    }
    void rettangolo(misura_svg x, misura_svg y, misura_svg larghezza, misura_svg altezza,
                    std::string_view stile) {
        elemento("<rect x=\"" + x.testo() + "\" y=\"" + y.testo() + "\" width=\"" +
                     larghezza.testo() + "\" height=\"" + altezza.testo() + "\"",
                 stile);
    }
    void cerchio(misura_svg cx, misura_svg cy, misura_svg raggio, std::string_view stile) {
        elemento("<circle cx=\"" + cx.testo() + "\" cy=\"" + cy.testo() + "\" r=\"" +
                     raggio.testo() + "\"",
                 stile);
    }
    // `contenuto` is UTF-8 and is escaped here.
    void testo(double x, double y, int dimensione, std::string_view contenuto,
               std::string_view stile = {}) {
        testo_ += "<text x=\"" + numero_svg(x) + "\" y=\"" + numero_svg(y) + "\" font-size=\"" +
                  std::to_string(dimensione) + "\"" + (stile.empty() ? "" : " ") +
                  std::string(stile) + ">" + testo_xml(contenuto) + "</text>";
        a_capo();
    }

    const std::string& documento() const { return testo_; }

private:
    void elemento(const std::string& inizio, std::string_view stile) {
        testo_ += inizio;
        if (!stile.empty()) {
            testo_ += ' ';
            testo_ += stile;
        }
        testo_ += "/>";
        a_capo();
    }
    void a_capo() {
        if (!in_riga_) {
            testo_ += '\n';
        }
    }

    std::string testo_;
    bool in_riga_ = false;
};
