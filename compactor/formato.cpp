// Encoding and decoding of the compact files' records.
#include "compactor/formato.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <stdexcept>
#include <type_traits>

namespace formato {
namespace {

template <typename T>
void aggiungi(std::string& uscita, T valore) {
    static_assert(std::is_integral_v<T> || std::is_floating_point_v<T>);
    char byte[sizeof(T)];
    metti_le(byte, valore);
    uscita.append(byte, sizeof(T));
}

template <typename T>
bool leggi(std::string_view dati, std::size_t& pos, T& valore) {
    if (pos > dati.size() || dati.size() - pos < sizeof(T)) {
        return false;
    }
    valore = prendi_le<T>(dati.data() + pos);
    pos += sizeof(T);
    return true;
}

}  // namespace

void aggiungi_cella(std::string& uscita, const cella& c) {
    char byte[byte_cella];
    codifica_cella(byte, c);
    uscita.append(byte, byte_cella);
}

void aggiungi_voce(std::string& uscita, const voce& v) {
    if (v.nome.size() > byte_nome_massimo) {
        throw std::length_error("nome di " + std::to_string(v.nome.size()) +
                                " byte: il formato ne ammette al massimo 32767");
    }
    aggiungi(uscita, v.marca);
    aggiungi(uscita, v.dato1);
    aggiungi(uscita, v.dato2);
    aggiungi(uscita, v.dato3);
    aggiungi(uscita, v.segno);
    aggiungi(uscita, static_cast<int16_t>(v.nome.size()));
    uscita += v.nome;
    aggiungi(uscita, v.intero1);
    aggiungi(uscita, v.intero2);
    aggiungi(uscita, v.intero3);
    aggiungi(uscita, v.intero4);
    aggiungi(uscita, v.intero5);
    aggiungi(uscita, v.flag1);
    aggiungi(uscita, v.flag2);
    aggiungi(uscita, v.flag3);
    aggiungi(uscita, v.flag4);
    aggiungi(uscita, v.dato_finale);
}

void aggiungi_valore(std::string& uscita, const valore_piano& v) {
    char byte[byte_valore_massimo];
    uscita.append(byte, codifica_valore(byte, v));
}

std::optional<cella> leggi_cella(std::string_view dati, std::size_t& pos) {
    cella c;
    std::size_t p = pos;
    if (leggi(dati, p, c.tipo) && leggi(dati, p, c.valore1) && leggi(dati, p, c.valore2) &&
        leggi(dati, p, c.valore3) && leggi(dati, p, c.valore4) && leggi(dati, p, c.tempo) &&
        leggi(dati, p, c.codice) && leggi(dati, p, c.montagna) &&
        leggi(dati, p, c.velocita_limite) && leggi(dati, p, c.pendenza) &&
        leggi(dati, p, c.aderenza)) {
        pos = p;
        return c;
    }
    return std::nullopt;
}

std::optional<voce> leggi_voce(std::string_view dati, std::size_t& pos) {
    voce v;
    std::size_t p = pos;
    int16_t lunghezza = 0;
    if (!(leggi(dati, p, v.marca) && leggi(dati, p, v.dato1) && leggi(dati, p, v.dato2) &&
          leggi(dati, p, v.dato3) && leggi(dati, p, v.segno) && leggi(dati, p, lunghezza))) {
        return std::nullopt;
    }
    if (lunghezza < 0 || dati.size() - p < static_cast<std::size_t>(lunghezza)) {
        return std::nullopt;
    }
    v.nome.assign(dati.substr(p, static_cast<std::size_t>(lunghezza)));
    p += static_cast<std::size_t>(lunghezza);
    if (leggi(dati, p, v.intero1) && leggi(dati, p, v.intero2) && leggi(dati, p, v.intero3) &&
        leggi(dati, p, v.intero4) && leggi(dati, p, v.intero5) && leggi(dati, p, v.flag1) &&
        leggi(dati, p, v.flag2) && leggi(dati, p, v.flag3) && leggi(dati, p, v.flag4) &&
        leggi(dati, p, v.dato_finale)) {
        pos = p;
        return v;
    }
    return std::nullopt;
}

std::optional<valore_piano> leggi_valore(std::string_view dati, std::size_t& pos) {
    std::size_t p = pos;
    uint16_t codice = 0;
    if (!leggi(dati, p, codice)) {
        return std::nullopt;
    }
    valore_piano valore;
    if (codice == codice_integer) {
        int16_t intero = 0;
        if (!leggi(dati, p, intero)) {
            return std::nullopt;
        }
        valore = intero;
    } else if (codice == codice_double) {
        double doppio = 0;
        if (!leggi(dati, p, doppio)) {
            return std::nullopt;
        }
        valore = doppio;
    } else if (codice != codice_vuoto) {
        return std::nullopt;
    }
    pos = p;
    return valore;
}

}  // namespace formato
