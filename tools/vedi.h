// The vedi page: one self-contained HTML file that draws a compacted scenario (plan,
// altitude, gradients, speed limit) for exploring in a browser. Its template, script and
// style come from tools/vedi/, embedded at build time; the data go in as base64 typed
// arrays and escaped JSON.
#pragma once

#include "compactor/controllo.h"
#include "comune/identita.h"
#include "tools/pianta_scenario.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Standard base64 with padding, as the page's atob() reads it.
std::string in_base64(std::string_view byte);

// JSON text made safe inside a <script> element: every '<', '>' and '&' (which can only
// stand inside strings, the text being ASCII) and U+2028/U+2029 written as \uXXXX, so
// that no author's text can close the element or start a comment there.
std::string json_per_script(std::string_view json);

// The plan for the page: every point, in centimetres as 16-bit steps from the first point
// when every step fits ("d16"), else the doubles themselves ("f64").
struct piano_codificato {
    std::string codifica;  // "d16" or "f64"
    double x0 = 0;
    double y0 = 0;
    std::string x;  // base64
    std::string y;  // base64
};
piano_codificato codifica_piano(const std::vector<punto>& piano);

// What the page shows besides the compact files.
struct contesto_pagina {
    bool sorgenti = false;                   // the two sources are in the folder
    std::optional<std::string> avviso;       // the sources are newer than the compact files
    std::vector<segnalazione> segnalazioni;  // the checker's list, when the sources are there
    bool osserva = false;                    // written by vedi --osserva: the page reloads itself
};

// The whole page.
std::string pagina_vedi(const scenario_letto& s, const identita_scenario& identita,
                        const contesto_pagina& contesto);

// With `osserva`, writes the page, then watches the folder as comando_osserva does and,
// after each burst of saves, compacts and writes the page again, until the user stops it.
int comando_vedi(const std::filesystem::path& cartella, const identita_scenario& identita,
                 const std::optional<std::filesystem::path>& file_html, bool osserva = false);
