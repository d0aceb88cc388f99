// What a program sets up about its own process before any work, one way per platform
// (implemented beside the file seam of that platform).
#pragma once

// Linux: the standard streams are open (assicura_flussi_standard), a file-size limit makes
// a write fail with an error instead of killing the process, and a standard error or output
// that nobody reads makes writes to it fail quietly instead of ending the run. Windows: the
// console shows the UTF-8 messages as UTF-8.
void prepara_processo();
