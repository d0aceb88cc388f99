// The report of a recorded problem, for standard error:
//   FILE:LINE:COL: problema N a P m: MEANING
// then the source line and a caret under the field. " a P m" is left out when the code
// has no position, and "FILE:LINE:COL: " when no source row caused it.
#pragma once

#include "compactor/compattatore.h"

#include <string>

std::string descrivi_esito(const compattatore& c);
