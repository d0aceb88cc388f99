// Exit statuses of both programs.
#pragma once

namespace stato_uscita {
constexpr int fatto = 0;                // every file written, no problem recorded
constexpr int errore_esecuzione = 1;    // a file-system failure, named on standard error
constexpr int intestazione = 2;         // a header check failed; no compact file written
constexpr int problema_registrato = 3;  // compact files written, a source problem recorded
constexpr int uso_errato = 64;          // compattatore only: wrong command line
}  // namespace stato_uscita
