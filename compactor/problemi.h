// What each problem code left in codice_errore means, in a scenario author's words.
#pragma once

#include <cstdint>
#include <string_view>

struct descrizione_problema {
    int32_t codice;
    bool ha_posizione;  // whether posizione_errore belongs to the code
    std::string_view significato;
};

// nullptr for a code the compactor never sets.
const descrizione_problema* descrivi_problema(int32_t codice);
