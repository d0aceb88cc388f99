// The framing of the editor's messages, read byte by byte for the headers and in one
// piece for the body.
#include "tools/lsp/messaggi.h"

#include "compactor/testo.h"

#include <algorithm>
#include <cctype>
#include <istream>
#include <limits>
#include <ostream>
#include <streambuf>

namespace {

bool uguale_senza_maiuscole(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

std::size_t trova_senza_maiuscole(std::string_view testo, std::string_view cercato) {
    if (testo.size() < cercato.size()) {
        return std::string_view::npos;
    }
    for (std::size_t i = 0; i + cercato.size() <= testo.size(); ++i) {
        if (uguale_senza_maiuscole(testo.substr(i, cercato.size()), cercato)) {
            return i;
        }
    }
    return std::string_view::npos;
}

constexpr std::string_view nome_lunghezza = "Content-Length";

}  // namespace

long long valore_lunghezza(std::string_view valore) {
    valore = senza_blanchi(valore);
    if (valore.empty() || valore.size() > 18) {
        return -1;
    }
    long long n = 0;
    for (const char c : valore) {
        if (c < '0' || c > '9') {
            return -1;
        }
        n = n * 10 + (c - '0');
    }
    return n;
}

lettore_messaggi::lettore_messaggi(std::istream& ingresso, std::size_t limite)
    : ingresso_(ingresso), limite_(limite) {}

bool lettore_messaggi::altro_in_attesa() const {
    return ingresso_.rdbuf() != nullptr && ingresso_.rdbuf()->in_avail() > 0;
}

bool lettore_messaggi::leggi_riga(std::string& riga, bool& troncata) {
    riga.clear();
    troncata = false;
    std::streambuf* sb = ingresso_.rdbuf();
    bool letto = false;
    for (;;) {
        const int c = sb->sbumpc();
        if (c == std::char_traits<char>::eof()) {
            troncata = letto;
            return letto;
        }
        letto = true;
        if (c == '\n') {
            break;
        }
        if (riga.size() < limite_riga) {
            riga.push_back(static_cast<char>(c));
        }
    }
    if (!riga.empty() && riga.back() == '\r') {
        riga.pop_back();
    }
    return true;
}

messaggio_letto lettore_messaggi::leggi() {
    messaggio_letto m;
    long long lunghezza = -1;
    std::string errore;
    std::string riga;
    bool troncata = false;
    bool alcuna_riga = false;
    for (;;) {
        if (!leggi_riga(riga, troncata)) {
            // End of input: between messages only when no header had begun.
            m.cosa = alcuna_riga ? messaggio_letto::tipo::troncato : messaggio_letto::tipo::fine;
            m.errore = alcuna_riga ? "l'ingresso finisce dentro le intestazioni" : "";
            return m;
        }
        if (troncata) {
            m.cosa = messaggio_letto::tipo::troncato;
            m.errore = "l'ingresso finisce dentro le intestazioni";
            return m;
        }
        if (riga.empty()) {
            if (!alcuna_riga) {
                continue;  // blank lines between messages
            }
            break;
        }
        alcuna_riga = true;
        std::string_view r = riga;
        const std::size_t due_punti = r.find(':');
        std::string_view nome = due_punti == std::string_view::npos ? r : r.substr(0, due_punti);
        if (due_punti == std::string_view::npos || nome.empty() ||
            nome.find_first_of(" \t") != std::string_view::npos ||
            (!uguale_senza_maiuscole(nome, nome_lunghezza) &&
             trova_senza_maiuscole(r, std::string(nome_lunghezza) + ":") !=
                 std::string_view::npos)) {
            // Not a header: the rest of a body whose length was wrong, or noise. A
            // Content-Length glued to its end is still found.
            const std::size_t dove = trova_senza_maiuscole(r, std::string(nome_lunghezza) + ":");
            if (dove == std::string_view::npos) {
                errore = "riga di intestazione non valida";
                continue;
            }
            r = r.substr(dove);
            nome = r.substr(0, nome_lunghezza.size());
        }
        if (uguale_senza_maiuscole(nome, nome_lunghezza)) {
            const long long n = valore_lunghezza(r.substr(nome.size() + 1));
            if (n < 0) {
                errore = "Content-Length non valido";
            } else {
                lunghezza = n;
            }
        }
        // Content-Type and any other header are left as they are.
    }
    if (lunghezza < 0) {
        m.cosa = messaggio_letto::tipo::intestazione_errata;
        m.errore = errore.empty() ? "manca Content-Length" : errore;
        return m;
    }
    std::streambuf* sb = ingresso_.rdbuf();
    if (static_cast<unsigned long long>(lunghezza) > limite_) {
        // Skipped in pieces, so that the next message is read where it begins.
        char scarto[1 << 14];
        unsigned long long resto = static_cast<unsigned long long>(lunghezza);
        while (resto > 0) {
            const std::streamsize letti = sb->sgetn(
                scarto,
                static_cast<std::streamsize>(std::min<unsigned long long>(resto, sizeof scarto)));
            if (letti <= 0) {
                m.cosa = messaggio_letto::tipo::troncato;
                m.errore = "l'ingresso finisce dentro un messaggio troppo lungo";
                return m;
            }
            resto -= static_cast<unsigned long long>(letti);
        }
        m.cosa = messaggio_letto::tipo::troppo_lungo;
        m.errore = "Content-Length " + std::to_string(lunghezza) + " oltre il limite di " +
                   std::to_string(limite_) + " byte";
        return m;
    }
    m.corpo.resize(static_cast<std::size_t>(lunghezza));
    std::size_t letti = 0;
    while (letti < m.corpo.size()) {
        const std::streamsize n =
            sb->sgetn(m.corpo.data() + letti, static_cast<std::streamsize>(m.corpo.size() - letti));
        if (n <= 0) {
            m.cosa = messaggio_letto::tipo::troncato;
            m.errore = "l'ingresso finisce dopo " + std::to_string(letti) + " dei " +
                       std::to_string(lunghezza) + " byte del messaggio";
            m.corpo.clear();
            return m;
        }
        letti += static_cast<std::size_t>(n);
    }
    m.cosa = messaggio_letto::tipo::corpo;
    return m;
}

void scrivi_messaggio(std::ostream& uscita, std::string_view corpo) {
    uscita << "Content-Length: " << corpo.size() << "\r\n\r\n" << corpo;
    uscita.flush();
}
