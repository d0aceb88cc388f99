// Fuzz target: the language server's message reader on arbitrary bytes, as an editor (or
// anything else) could write them to its standard input. Every call must end, return a
// body no longer than the limit and declared by a Content-Length, and the reader must
// reach the end of the input; each body then goes through the JSON parser as the server
// takes it.
#include "tools/lsp/messaggi.h"

#include <nlohmann/json.hpp>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* dati, std::size_t quanti) {
    constexpr std::size_t limite = 4096;
    std::istringstream ingresso(std::string(reinterpret_cast<const char*>(dati), quanti));
    lettore_messaggi lettore(ingresso, limite);
    // Each call reads at least one byte unless it reports the end, so there are at most
    // as many calls as bytes, and one more.
    for (std::size_t chiamate = 0;; ++chiamate) {
        if (chiamate > quanti + 1) {
            std::abort();
        }
        const messaggio_letto m = lettore.leggi();
        if (m.cosa == messaggio_letto::tipo::fine) {
            break;
        }
        if (m.cosa == messaggio_letto::tipo::corpo) {
            if (m.corpo.size() > limite || !m.errore.empty()) {
                std::abort();
            }
            const nlohmann::json j = nlohmann::json::parse(m.corpo, nullptr, false);
            (void)j.is_discarded();
        } else if (m.errore.empty()) {
            std::abort();
        }
        if (m.cosa == messaggio_letto::tipo::troncato && ingresso.rdbuf()->sgetc() != EOF) {
            std::abort();
        }
    }
    return 0;
}
