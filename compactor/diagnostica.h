// The report of a recorded problem, for standard error:
//   FILE:LINE:COL: problema N a P m: MEANING (which cells)
//     the source line
//     ^ under the field
// " a P m" is left out when the problem has no position. A problem about a whole file
// says "FILE: problema N: ..." with no line after it, and one with neither file nor row
// (a model set up by hand) keeps only "problema N ...". A read failure adds what could
// not be read; a problem that later stopped the train file's reading adds a note with
// that row.
#pragma once

#include "compactor/compattatore.h"
#include "compactor/testo.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

// Every problem the run recorded, in order, so the one in force (codice_errore) comes
// last; empty when there is none.
std::string descrivi_problemi(const compattatore& c);
// The same from a run's code in force, its position and its recorded problems.
std::string descrivi_problemi(int32_t codice_errore, int32_t posizione_errore,
                              const std::vector<problema_registrato>& problemi);
// A text of the report, and the file it is about (empty for none).
struct voce_descritta {
    std::string testo;
    std::filesystem::path file;
};
// The same, an entry for each recorded problem, in order (the one in force last), and
// after it the note of the train row where it stopped the reading, when it did; a code set
// without being recorded is one entry that names no file.
std::vector<voce_descritta> problemi_descritti(int32_t codice_errore, int32_t posizione_errore,
                                               const std::vector<problema_registrato>& problemi);
// The message of a recorded problem: the code's meaning, and which cells for the walk's.
std::string messaggio(const problema_registrato& p);
// One recorded problem, in the form above.
std::string descrivi(const problema_registrato& p);
// The same without the note of the row where it stopped the train file's reading.
std::string descrivi_senza_nota(const problema_registrato& p);
// That note: "FILE:LINE:COL: nota: ...", the line and the caret.
std::string nota(const origine_problema& lettura_fermata);
// A failed header check: "FILE:LINE:COL: problema 1250: ...", the line and the caret, on
// the row whose write made it fail; "problema 1250: ..." alone when no row did.
std::string descrivi(const intestazione_fallita& f);
// One warning of the checker: "FILE:LINE:COL: avviso: TEXT", the line and the caret; or
// "FILE: avviso: TEXT" for a warning about a whole file.
std::string descrivi(const avviso_registrato& a);
// The same from its parts: the file's path as shown (senza_controlli), the field (whose own
// path is not used) when it has one, and the text.
std::string descrivi_avviso(std::string_view file, const origine_problema* origine,
                            std::string_view testo);
