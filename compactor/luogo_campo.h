// Where a field of a source file begins.
#pragma once

#include <cstddef>
#include <cstdint>

// Line and column counted from 1, and the offset of the line, so that the line's text can
// be shown without reading the file again.
struct luogo_campo {
    int riga = 0;
    int colonna = 0;
    std::size_t inizio_riga = 0;
};

// The source file a field stands in.
enum class file_sorgente : uint8_t { nessuno, linea, treno };

// A field of one of the two source files: where a row that wrote the model stands.
struct luogo_sorgente {
    file_sorgente file = file_sorgente::nessuno;
    luogo_campo luogo;
};
