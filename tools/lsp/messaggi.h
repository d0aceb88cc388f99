// The framing of the editor's messages: headers up to an empty line, Content-Length, then
// exactly that many bytes of JSON. The reader never trusts what it reads: a bad header, a
// length beyond the limit or a body cut short comes back as a value, and the reader
// carries on from the next header it can read.
#pragma once

#include <cstddef>
#include <iosfwd>
#include <string>
#include <string_view>

// What one call of lettore_messaggi::leggi() found.
struct messaggio_letto {
    enum class tipo {
        corpo,                // a whole body in `corpo`
        intestazione_errata,  // headers with no usable Content-Length; `errore` says why
        troppo_lungo,         // a Content-Length beyond the limit: the body was skipped
        troncato,             // the input ended inside a body or a header
        fine,                 // the input ended between messages
    };
    tipo cosa = tipo::fine;
    std::string corpo;
    std::string errore;
};

class lettore_messaggi {
public:
    // 64 MiB: far beyond any source file, small enough to hold in memory.
    static constexpr std::size_t limite_predefinito = std::size_t{64} << 20;
    // A header line longer than this is cut when kept (the rest is read and dropped).
    static constexpr std::size_t limite_riga = 4096;

    explicit lettore_messaggi(std::istream& ingresso, std::size_t limite = limite_predefinito);
    messaggio_letto leggi();
    // Whether bytes of a further message are already waiting, without blocking.
    bool altro_in_attesa() const;

private:
    // One header line without its line end; false at the end of input before any byte.
    bool leggi_riga(std::string& riga, bool& troncata);

    std::istream& ingresso_;
    std::size_t limite_;
};

// A header value of Content-Length: the decimal digits alone, with blanks around them;
// -1 when it is not that (or does not fit).
long long valore_lunghezza(std::string_view valore);

// One message as the editor expects it.
void scrivi_messaggio(std::ostream& uscita, std::string_view corpo);
