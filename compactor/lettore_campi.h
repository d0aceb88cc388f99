// The field reader of the two source files. A file is read as a stream of fields, never
// as whole lines:
// - a blank is the space character; blanks before a field are skipped;
// - a text field ends at a comma or a line end (CR LF, a lone CR or a lone LF) and keeps
//   its inner and trailing blanks; one that begins with a double quote runs to the
//   closing quote, and what follows the quote up to the comma or line end is dropped;
// - a number field ends at a blank, comma or line end; the blanks after it, with one
//   comma or line end directly after them, form its separator; an empty number field is
//   0; otherwise it is an optional sign and digits, and must fit its column.
// fine() is true once nothing is left, so a field directly followed by the end of the file
// leaves fine() true right after it is read. Reading with nothing left, a malformed number
// and a value too wide for its column all throw errore_lettura with the field's place.
#pragma once

#include "compactor/errore_lettura.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

class lettore_campi {
public:
    explicit lettore_campi(std::string contenuto);

    bool fine() const { return pos_ == testo_.size(); }

    std::string leggi_testo();
    int32_t leggi_long();
    int16_t leggi_integer();
    uint8_t leggi_byte();

    // Where the field read last began.
    luogo_campo luogo() const { return luogo_; }
    // Whether the field read last stands first on its line (only blanks before it).
    bool primo_della_riga() const { return primo_della_riga_; }
    // Whether the text field read last ran across a line end (an open double quote).
    bool su_piu_righe() const { return su_piu_righe_; }
    // Whether nothing of the current line has been read yet.
    bool a_inizio_riga() const { return pos_ == inizio_riga_; }
    // Goes on after the next line end (or to the end of the file).
    void salta_riga();
    // The text of the field's line without its line end, for diagnostics.
    std::string_view testo_riga(const luogo_campo& luogo) const;
    // Hands over the file's text once the reading is over; nothing can be read after it.
    std::string rilascia_testo() {
        pos_ = 0;
        std::string testo = std::move(testo_);
        testo_.clear();
        return testo;
    }

private:
    int64_t leggi_numero(int64_t minimo, int64_t massimo, const char* colonna);
    void salta_spazi();
    void segna_inizio_campo();
    void consuma_fine_riga();
    bool a_fine_riga() const;
    void avanza(std::size_t fino_a);
    // The same, for bytes known to hold no line end.
    void avanza_nella_riga(std::size_t fino_a);

    std::string testo_;
    std::size_t pos_ = 0;
    int riga_ = 1;
    std::size_t inizio_riga_ = 0;
    bool solo_spazi_in_riga_ = true;  // nothing but blanks read on the current line so far
    luogo_campo luogo_;
    bool primo_della_riga_ = false;
    bool su_piu_righe_ = false;
};
