// What a program sets up about its own process before any work, one way per platform
// (processo_posix.cpp, processo_windows.cpp).
#pragma once

// Linux: the standard streams are open (assicura_flussi_standard), a file-size limit makes
// a write fail with an error instead of killing the process, and a standard error or output
// that nobody reads makes writes to it fail quietly instead of ending the run. Windows: the
// console shows the UTF-8 messages as UTF-8. Both: SIGTERM, SIGINT and SIGHUP (Ctrl-C,
// Ctrl-Break and the console's close on Windows) first remove the run's own temporary
// files and lock files (rimuovi_registrati), then end the process as they would have.
void prepara_processo();

// Makes sure that the standard streams 0, 1 and 2 are open, on the null device when they
// were closed, so that no file the program opens takes their number and receives what is
// written to them. Part of prepara_processo(); nothing to do on Windows, where a program of
// the GUI subsystem has no standard streams to guard and a console program gets its own
// from the system.
void assicura_flussi_standard();
