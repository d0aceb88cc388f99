// Fuzz target: the field reader on arbitrary bytes. The first two bytes choose a cycle of
// eight reads (text, Long, Integer, Byte); the rest is the file. Every read is compared
// with a small independent model of the field rules: the value or the failure, and the
// line and column where the field begins.
#include "compactor/errore_lettura.h"
#include "compactor/lettore_campi.h"
#include "fuzz/verifiche.h"

#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

namespace {

enum class lettura { testo, long_, integer, byte };

// The field rules, written out plainly: a blank is ' '; a line end is CR LF, CR or LF.
class modello_campi {
public:
    explicit modello_campi(std::string_view t) : t_(t) {}

    bool fine() const { return pos_ == t_.size(); }

    // nullopt when the read must fail.
    std::optional<std::string> testo() {
        if (fine()) {
            return std::nullopt;
        }
        salta_spazi();
        inizio_ = pos_;
        std::string campo;
        std::size_t p = pos_;
        if (p < t_.size() && t_[p] == '"') {
            const std::size_t chiusura = t_.find('"', p + 1);
            const std::size_t fine_testo =
                chiusura == std::string_view::npos ? t_.size() : chiusura;
            campo = std::string(t_.substr(p + 1, fine_testo - p - 1));
            p = chiusura == std::string_view::npos ? t_.size() : chiusura + 1;
            p = std::min(t_.find_first_of(",\r\n", p), t_.size());
        } else {
            const std::size_t q = std::min(t_.find_first_of(",\r\n", p), t_.size());
            campo = std::string(t_.substr(p, q - p));
            p = q;
        }
        pos_ = p;
        if (pos_ < t_.size()) {
            if (t_[pos_] == ',') {
                ++pos_;
            } else {
                salta_fine_riga();
            }
        }
        return campo;
    }

    std::optional<int64_t> numero(int64_t minimo, int64_t massimo) {
        if (fine()) {
            return std::nullopt;
        }
        salta_spazi();
        inizio_ = pos_;
        const std::size_t q = std::min(t_.find_first_of(" ,\r\n", pos_), t_.size());
        const std::string_view cifre = t_.substr(pos_, q - pos_);
        pos_ = q;
        salta_spazi();
        if (pos_ < t_.size()) {
            if (t_[pos_] == ',') {
                ++pos_;
            } else if (t_[pos_] == '\r' || t_[pos_] == '\n') {
                salta_fine_riga();
            }
        }
        if (cifre.empty()) {
            return 0;
        }
        std::string_view resto = cifre;
        bool negativo = false;
        if (resto[0] == '+' || resto[0] == '-') {
            negativo = resto[0] == '-';
            resto.remove_prefix(1);
        }
        if (resto.empty() || resto.find_first_not_of("0123456789") != std::string_view::npos) {
            return std::nullopt;
        }
        resto.remove_prefix(std::min(resto.find_first_not_of('0'), resto.size()));
        if (resto.size() > 12) {
            return std::nullopt;
        }
        int64_t valore = 0;
        for (char c : resto) {
            valore = valore * 10 + (c - '0');
        }
        if (negativo) {
            valore = -valore;
        }
        if (valore < minimo || valore > massimo) {
            return std::nullopt;
        }
        return valore;
    }

    // Line and column of the field read last, counted from 1.
    luogo_campo luogo() {
        while (contato_ < inizio_) {
            const char c = t_[contato_++];
            if (c == '\n' || (c == '\r' && (contato_ == t_.size() || t_[contato_] != '\n'))) {
                ++riga_;
                inizio_riga_ = contato_;
            }
        }
        return {riga_, static_cast<int>(inizio_ - inizio_riga_) + 1, inizio_riga_};
    }

private:
    void salta_spazi() {
        while (pos_ < t_.size() && t_[pos_] == ' ') {
            ++pos_;
        }
    }
    void salta_fine_riga() {
        pos_ += (t_[pos_] == '\r' && pos_ + 1 < t_.size() && t_[pos_ + 1] == '\n') ? 2 : 1;
    }

    std::string_view t_;
    std::size_t pos_ = 0;
    std::size_t inizio_ = 0;
    std::size_t contato_ = 0;
    int riga_ = 1;
    std::size_t inizio_riga_ = 0;
};

std::string mostra(const std::optional<int64_t>& v) {
    return v ? std::to_string(*v) : std::string("errore_lettura");
}

void confronta_luogo(lettore_campi& lettore, modello_campi& modello, int passo) {
    const luogo_campo atteso = modello.luogo();
    const luogo_campo trovato = lettore.luogo();
    if (atteso.riga != trovato.riga || atteso.colonna != trovato.colonna ||
        atteso.inizio_riga != trovato.inizio_riga) {
        violazione("lettura " + std::to_string(passo) + ": campo a " +
                   std::to_string(trovato.riga) + ":" + std::to_string(trovato.colonna) +
                   " invece di " + std::to_string(atteso.riga) + ":" +
                   std::to_string(atteso.colonna));
    }
    // The line of the field must reach its column (diagnostics put a caret there).
    const std::string_view riga = lettore.testo_riga(trovato);
    if (static_cast<std::size_t>(trovato.colonna) > riga.size() + 1) {
        violazione("la riga " + std::to_string(trovato.riga) + " è più corta della colonna " +
                   std::to_string(trovato.colonna));
    }
}

template <typename T>
std::optional<int64_t> leggi_numero(lettore_campi& lettore, T (lettore_campi::*leggi)()) {
    try {
        return static_cast<int64_t>((lettore.*leggi)());
    } catch (const errore_lettura&) {
        return std::nullopt;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* dati, size_t dimensione) {
    if (dimensione < 2) {
        return 0;
    }
    const unsigned ciclo = dati[0] | (static_cast<unsigned>(dati[1]) << 8);
    const std::string_view testo(reinterpret_cast<const char*>(dati) + 2, dimensione - 2);
    lettore_campi lettore{std::string(testo)};
    modello_campi modello(testo);

    // Every read consumes at least one byte, so the file ends after at most size + 1 reads.
    for (int passo = 0;; ++passo) {
        if (passo > static_cast<int>(testo.size()) + 1) {
            violazione("il lettore non avanza");
        }
        if (lettore.fine() != modello.fine()) {
            violazione("fine() = " + std::to_string(lettore.fine()) + " alla lettura " +
                       std::to_string(passo));
        }
        const auto tipo = static_cast<lettura>((ciclo >> (2 * (passo % 8))) & 3);
        if (tipo == lettura::testo) {
            const std::optional<std::string> atteso = modello.testo();
            std::optional<std::string> trovato;
            try {
                trovato = lettore.leggi_testo();
            } catch (const errore_lettura&) {
            }
            if (atteso != trovato) {
                violazione("lettura " + std::to_string(passo) + " (testo): \"" +
                           trovato.value_or("errore_lettura") + "\" invece di \"" +
                           atteso.value_or("errore_lettura") + "\"");
            }
            if (!atteso) {
                return 0;
            }
        } else {
            std::optional<int64_t> atteso;
            std::optional<int64_t> trovato;
            if (tipo == lettura::long_) {
                atteso = modello.numero(std::numeric_limits<int32_t>::min(),
                                        std::numeric_limits<int32_t>::max());
                trovato = leggi_numero(lettore, &lettore_campi::leggi_long);
            } else if (tipo == lettura::integer) {
                atteso = modello.numero(std::numeric_limits<int16_t>::min(),
                                        std::numeric_limits<int16_t>::max());
                trovato = leggi_numero(lettore, &lettore_campi::leggi_integer);
            } else {
                atteso = modello.numero(0, 255);
                trovato = leggi_numero(lettore, &lettore_campi::leggi_byte);
            }
            if (atteso != trovato) {
                violazione("lettura " + std::to_string(passo) + " (numero): " + mostra(trovato) +
                           " invece di " + mostra(atteso));
            }
            if (!atteso) {
                return 0;  // after a failure the position is no longer defined
            }
        }
        confronta_luogo(lettore, modello, passo);
    }
}
