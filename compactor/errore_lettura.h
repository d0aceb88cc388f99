// A source file that cannot be read as its rows say, and the place of the field where that
// shows.
#pragma once

#include "compactor/luogo_campo.h"

#include <optional>
#include <stdexcept>
#include <string>

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
