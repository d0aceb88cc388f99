// The rows an author writes, for completion and hover: each keyword with the section it
// belongs to, a one-line meaning and its columns, as the readers take them.
#pragma once

#include <span>
#include <string_view>

struct parola_riga {
    std::string_view parola;   // as written at the start of the row
    std::string_view sezione;  // "[curve]"
    bool linea;                // a row of the line file (else of the train file)
    std::string_view significato;
    std::string_view colonne;  // after the keyword, comma-separated
};

std::span<const parola_riga> parole_righe();
// The sections of a line file or of a train file, in their order.
std::span<const std::string_view> sezioni(bool linea);
// The row whose keyword begins `riga` (blanks before it allowed), or null.
const parola_riga* parola_della_riga(std::string_view riga, bool linea);
