// Field-by-field reading of a source file held in memory.
#include "compactor/lettore_campi.h"

#include "compactor/testo.h"

#include <limits>

lettore_campi::lettore_campi(std::string contenuto) : testo_(std::move(contenuto)) {}

void lettore_campi::avanza(std::size_t fino_a) {
    // Keeps the line count while consuming bytes; CR LF counts as one line end.
    while (pos_ < fino_a) {
        const char c = testo_[pos_++];
        if (c == '\n' || (c == '\r' && (pos_ >= testo_.size() || testo_[pos_] != '\n'))) {
            ++riga_;
            inizio_riga_ = pos_;
            solo_spazi_in_riga_ = true;
        } else if (c != ' ') {
            solo_spazi_in_riga_ = false;
        }
    }
}

void lettore_campi::avanza_nella_riga(std::size_t fino_a) {
    if (fino_a > pos_) {
        solo_spazi_in_riga_ = solo_spazi_in_riga_ && testo_.find_first_not_of(' ', pos_) >= fino_a;
        pos_ = fino_a;
    }
}

void lettore_campi::salta_spazi() {
    std::size_t p = pos_;
    while (p < testo_.size() && testo_[p] == ' ') {
        ++p;
    }
    pos_ = p;  // blanks only: the line and what stands before the next field stay as they are
}

bool lettore_campi::a_fine_riga() const {
    return pos_ < testo_.size() && (testo_[pos_] == '\r' || testo_[pos_] == '\n');
}

void lettore_campi::consuma_fine_riga() {
    if (pos_ < testo_.size() && testo_[pos_] == '\r' && pos_ + 1 < testo_.size() &&
        testo_[pos_ + 1] == '\n') {
        avanza(pos_ + 2);
    } else {
        avanza(pos_ + 1);
    }
}

void lettore_campi::segna_inizio_campo() {
    luogo_ = {riga_, static_cast<int>(pos_ - inizio_riga_) + 1, inizio_riga_};
    primo_della_riga_ = solo_spazi_in_riga_;
    su_piu_righe_ = false;
}

void lettore_campi::salta_riga() {
    const std::size_t fine_riga = testo_.find_first_of("\r\n", pos_);
    if (fine_riga == std::string::npos) {
        avanza(testo_.size());
        return;
    }
    avanza(fine_riga);
    consuma_fine_riga();
}

std::string lettore_campi::leggi_testo() {
    if (fine()) {
        throw errore_lettura("lettura oltre la fine del file", luogo_);
    }
    salta_spazi();
    segna_inizio_campo();
    std::string campo;
    std::size_t p = pos_;
    if (p < testo_.size() && testo_[p] == '"') {
        const std::size_t chiusura = testo_.find('"', p + 1);
        const std::size_t fine_testo = chiusura == std::string::npos ? testo_.size() : chiusura;
        campo = testo_.substr(p + 1, fine_testo - p - 1);
        su_piu_righe_ = campo.find_first_of("\r\n") != std::string::npos;
        p = fine_testo == testo_.size() ? fine_testo : fine_testo + 1;
        while (p < testo_.size() && testo_[p] != ',' && testo_[p] != '\r' && testo_[p] != '\n') {
            ++p;
        }
        avanza(p);
    } else {
        while (p < testo_.size() && testo_[p] != ',' && testo_[p] != '\r' && testo_[p] != '\n') {
            ++p;
        }
        campo = testo_.substr(pos_, p - pos_);
        avanza_nella_riga(p);
    }
    if (pos_ < testo_.size()) {
        if (testo_[pos_] == ',') {
            avanza_nella_riga(pos_ + 1);
        } else {
            consuma_fine_riga();
        }
    }
    return campo;
}

int64_t lettore_campi::leggi_numero(int64_t minimo, int64_t massimo, const char* colonna) {
    if (fine()) {
        throw errore_lettura("lettura oltre la fine del file", luogo_);
    }
    salta_spazi();
    segna_inizio_campo();
    std::size_t p = pos_;
    while (p < testo_.size() && testo_[p] != ' ' && testo_[p] != ',' && testo_[p] != '\r' &&
           testo_[p] != '\n') {
        ++p;
    }
    const std::string_view cifre(testo_.data() + pos_, p - pos_);
    avanza_nella_riga(p);
    salta_spazi();
    if (pos_ < testo_.size()) {
        if (testo_[pos_] == ',') {
            avanza_nella_riga(pos_ + 1);
        } else if (a_fine_riga()) {
            consuma_fine_riga();
        }
    }

    if (cifre.empty()) {
        return 0;
    }
    std::size_t i = 0;
    bool negativo = false;
    if (cifre[0] == '+' || cifre[0] == '-') {
        negativo = cifre[0] == '-';
        i = 1;
    }
    if (i == cifre.size()) {
        throw errore_lettura("\"" + testo_utf8(cifre) + "\" non è un numero intero", luogo_);
    }
    int64_t valore = 0;
    for (; i < cifre.size(); ++i) {
        if (cifre[i] < '0' || cifre[i] > '9') {
            throw errore_lettura("\"" + testo_utf8(cifre) + "\" non è un numero intero", luogo_);
        }
        valore = valore * 10 + (cifre[i] - '0');
        if (valore > (int64_t{1} << 40)) {
            break;  // far beyond every column; the range test below refuses it
        }
    }
    if (negativo) {
        valore = -valore;
    }
    if (valore < minimo || valore > massimo) {
        throw errore_lettura("\"" + testo_utf8(cifre) + "\" non sta in un campo " + colonna,
                             luogo_);
    }
    return valore;
}

int32_t lettore_campi::leggi_long() {
    return static_cast<int32_t>(leggi_numero(std::numeric_limits<int32_t>::min(),
                                             std::numeric_limits<int32_t>::max(), "a 32 bit"));
}

int16_t lettore_campi::leggi_integer() {
    return static_cast<int16_t>(leggi_numero(std::numeric_limits<int16_t>::min(),
                                             std::numeric_limits<int16_t>::max(), "a 16 bit"));
}

uint8_t lettore_campi::leggi_byte() {
    return static_cast<uint8_t>(leggi_numero(0, 255, "a 8 bit"));
}

std::string_view lettore_campi::testo_riga(const luogo_campo& luogo) const {
    if (luogo.inizio_riga > testo_.size()) {
        return {};
    }
    const std::size_t fine_riga = testo_.find_first_of("\r\n", luogo.inizio_riga);
    return std::string_view(testo_).substr(
        luogo.inizio_riga,
        (fine_riga == std::string::npos ? testo_.size() : fine_riga) - luogo.inizio_riga);
}
