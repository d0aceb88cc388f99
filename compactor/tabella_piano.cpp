#include "compactor/tabella_piano.h"

#include "comune/memoria.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <iterator>
#include <stdexcept>
#include <string>

namespace {

tabella_piano::tipo_valore tipo_di(const valore_piano& v) {
    if (std::holds_alternative<double>(v)) {
        return tabella_piano::tipo_valore::doppio;
    }
    if (std::holds_alternative<int16_t>(v)) {
        return tabella_piano::tipo_valore::integer;
    }
    return tabella_piano::tipo_valore::vuoto;
}

bool inizia_prima(const tabella_piano::tratto& t, std::size_t k) {
    return t.inizio < k;
}

}  // namespace

void rilascio_valori::operator()(double* valori) const noexcept {
    rendi_blocco(valori, byte);
}

std::unique_ptr<double[], rilascio_valori> tabella_piano::prendi_valori(std::size_t punti) {
    if (punti == 0) {
        return nullptr;
    }
    const std::size_t byte = 2 * punti * sizeof(double);
    return {static_cast<double*>(prendi_blocco(byte)), rilascio_valori{byte}};
}

tabella_piano::tabella_piano(std::size_t punti) : valori_(prendi_valori(punti)), punti_(punti) {
    if (punti > 0) {
        tratti_.push_back({0, tipo_valore::vuoto});
    }
}

tabella_piano::tabella_piano(std::initializer_list<punto_piano> punti)
    : tabella_piano(punti.size()) {
    std::size_t i = 0;
    for (const punto_piano& p : punti) {
        imposta(i++, p);
    }
}

tabella_piano::tabella_piano(const tabella_piano& altra)
    : valori_(prendi_valori(altra.punti_)), punti_(altra.punti_), tratti_(altra.tratti_) {
    if (punti_ > 0) {
        std::memcpy(valori_.get(), altra.valori_.get(), numero_valori() * sizeof(double));
    }
}

tabella_piano& tabella_piano::operator=(const tabella_piano& altra) {
    if (this != &altra) {
        *this = tabella_piano(altra);
    }
    return *this;
}

void tabella_piano::clear() {
    valori_.reset();
    punti_ = 0;
    tratti_.clear();
}

punto_piano tabella_piano::at(std::size_t punto) const {
    if (punto >= punti_) {
        throw std::out_of_range("punto " + std::to_string(punto) + " oltre il piano di " +
                                std::to_string(punti_) + " punti");
    }
    return (*this)[punto];
}

tabella_piano::tipo_valore tabella_piano::tipo(std::size_t k) const {
    assert(k < numero_valori());
    const auto dopo =
        std::upper_bound(tratti_.begin(), tratti_.end(), k,
                         [](std::size_t indice, const tratto& t) { return indice < t.inizio; });
    return std::prev(dopo)->tipo;
}

valore_piano tabella_piano::valore(std::size_t k) const {
    switch (tipo(k)) {
        case tipo_valore::doppio: return valori_[k];
        case tipo_valore::integer: return static_cast<int16_t>(valori_[k]);
        case tipo_valore::vuoto: break;
    }
    return std::monostate{};
}

void tabella_piano::imposta_valore(std::size_t k, const valore_piano& v) {
    segna(k, k, tipo_di(v));
    valori_[k] = numero_piano(v).value_or(0.0);
}

void tabella_piano::imposta(std::size_t punto, const punto_piano& p) {
    assert(punto < punti_);
    imposta_valore(punto, p.x);
    imposta_valore(punti_ + punto, p.y);
}

void tabella_piano::segna_doppi(std::size_t da, std::size_t a) {
    assert(da <= a && a < punti_);
    segna(da, a, tipo_valore::doppio);
    segna(punti_ + da, punti_ + a, tipo_valore::doppio);
}

// The runs stay as few as can be: neighbours always differ in type.
void tabella_piano::segna(std::size_t da, std::size_t a, tipo_valore t) {
    const std::size_t n = numero_valori();
    assert(da <= a && a < n);
    const tipo_valore dopo = a + 1 < n ? tipo(a + 1) : t;
    // The runs that start inside da..a+1 give way to at most two new ones.
    const auto primo = std::lower_bound(tratti_.begin(), tratti_.end(), da, inizia_prima);
    const auto oltre = std::lower_bound(primo, tratti_.end(), a + 2, inizia_prima);
    tratto nuovi[2];
    std::size_t quanti = 0;
    if (primo == tratti_.begin() || std::prev(primo)->tipo != t) {
        nuovi[quanti++] = {da, t};
    }
    if (a + 1 < n && dopo != t) {
        nuovi[quanti++] = {a + 1, dopo};
    }
    // The new runs take the places of the old ones first: in the plan's computation one run
    // replaces one, each stretch moving the start of the empty values past its end.
    const auto al_posto = std::min(oltre - primo, static_cast<std::ptrdiff_t>(quanti));
    std::copy_n(nuovi, al_posto, primo);
    if (oltre - primo > al_posto) {
        tratti_.erase(primo + al_posto, oltre);
    } else {
        tratti_.insert(primo + al_posto, nuovi + al_posto, nuovi + quanti);
    }
}
