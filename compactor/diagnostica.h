// The report of a recorded problem, for standard error:
//   FILE:LINE:COL: problema N a P m: MEANING
//     the source line
//     ^ under the field
// " a P m" is left out when the problem has no position, and "FILE:LINE:COL: " with the
// two lines after it when no source row caused it (the grid walk's codes). A read failure
// adds what could not be read; a problem that later stopped the train file's reading adds
// a note with that row.
#pragma once

#include "compactor/compattatore.h"
#include "compactor/testo.h"

#include <filesystem>
#include <string>
#include <string_view>

// The problem that codice_errore holds; empty when there is none.
std::string descrivi_esito(const compattatore& c);
// One recorded problem, in the form above.
std::string descrivi(const problema_registrato& p);
// One warning of the checker: "FILE:LINE:COL: avviso: TEXT", the line and the caret; or
// "FILE: avviso: TEXT" for a warning about a whole file.
std::string descrivi(const avviso_registrato& a);
