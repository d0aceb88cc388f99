// The report of a recorded problem, for standard error:
//   FILE:LINE:COL: problema N a P m: MEANING
//     the source line
//     ^ under the field
// " a P m" is left out when the code has no position, and "FILE:LINE:COL: " with the two
// lines after it when no source row caused the problem (the grid walk's codes).
#pragma once

#include "compactor/compattatore.h"

#include <filesystem>
#include <string>
#include <string_view>

// Empty when no problem was recorded.
std::string descrivi_esito(const compattatore& c);
// The same, naming the source file as lying in `cartella_sorgenti`: for a compaction
// run on copies of the author's files, the report names the author's file.
std::string descrivi_esito(const compattatore& c, const std::filesystem::path& cartella_sorgenti);

// Windows-1252 text as UTF-8, for a terminal or an SVG file; a byte the code page leaves
// undefined becomes U+FFFD.
std::string testo_utf8(std::string_view testo_1252);
