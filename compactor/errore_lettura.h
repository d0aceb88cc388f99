// A source file that cannot be read as its rows say, and the place of the field where that
// shows.
#pragma once

#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>

// Where a field begins in its file: line and column counted from 1, and the offset of
// its line, so that the line's text can be shown without reading the file again.
struct luogo_campo {
    int riga = 0;
    int colonna = 0;
    std::size_t inizio_riga = 0;
};

// A source file that cannot be read as its rows say: the file ends inside a row, a field
// is no whole number, or a value does not fit its column or its cell field. The field it
// belongs to travels with it when known.
class errore_lettura : public std::runtime_error {
public:
    explicit errore_lettura(const std::string& motivo,
                            std::optional<luogo_campo> luogo = std::nullopt)
        : std::runtime_error(motivo), luogo(luogo) {}

    std::optional<luogo_campo> luogo;
};
