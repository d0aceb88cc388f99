// What a program sets up about its own process before any work, one way per platform
// (implemented beside the file seam of that platform).
#pragma once

// Linux: a file-size limit makes a write fail with an error instead of killing the
// process. Windows: the console shows the UTF-8 messages as UTF-8.
void prepara_processo();
