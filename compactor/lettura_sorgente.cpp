// The reading frame shared by the line and train phases.
#include "compactor/lettura_sorgente.h"

#include "compactor/griglia.h"
#include "compactor/testo.h"

#include <algorithm>
#include <numeric>

namespace {

// Edit distance between two short texts, letter case ignored.
std::size_t distanza(std::string_view a, std::string_view b) {
    std::vector<std::size_t> riga(b.size() + 1);
    std::iota(riga.begin(), riga.end(), std::size_t{0});
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonale = riga[0];
        riga[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t sopra = riga[j];
            const bool uguali = minuscola(a[i - 1]) == minuscola(b[j - 1]);
            riga[j] = std::min({riga[j] + 1, riga[j - 1] + 1, diagonale + (uguali ? 0 : 1)});
            diagonale = sopra;
        }
    }
    return riga[b.size()];
}

std::string_view senza_spazi(std::string_view campo) {
    const std::size_t inizio = campo.find_first_not_of(' ');
    if (inizio == std::string_view::npos) {
        return {};
    }
    return campo.substr(inizio, campo.find_last_not_of(' ') - inizio + 1);
}

}  // namespace

esito_riga lettura_sorgente::problema_al_campo(problema p, std::optional<int32_t> posizione,
                                               const luogo_campo& luogo, esito_riga dopo) {
    c_.registra(p, posizione, origine(luogo));
    segna_fermata(luogo);
    return dopo;
}

esito_riga lettura_sorgente::fuori_passo(problema p, int32_t posizione, const luogo_campo& luogo,
                                         int32_t valore, int32_t passo, esito_riga dopo) {
    problema_registrato& r = c_.registra(p, posizione, origine(luogo));
    if (valore >= 0) {
        r.sostituzione = std::to_string((int64_t{valore} + passo / 2) / passo * passo);
    }
    segna_fermata(luogo);
    return dopo;
}

void lettura_sorgente::registra_guasto(const errore_lettura& e) {
    // Before the first field there is no place to show.
    const luogo_campo luogo = e.luogo.value_or(l_.luogo());
    if (luogo.riga > 0) {
        problema_registrato& p =
            c_.registra(problema::errore_di_lettura, std::nullopt, origine(luogo), e.what());
        // A row that ran out of fields on its own line fails on a later one.
        if (luogo_chiave_.riga > 0 && luogo_chiave_.riga < luogo.riga) {
            p.riga_della_chiave = luogo_chiave_.riga;
        }
        segna_fermata(luogo);
    } else {
        c_.registra_sul_file(problema::errore_di_lettura, file_, e.what());
    }
}

void lettura_sorgente::avvisa(avviso tipo, const luogo_campo& luogo, std::string testo) {
    c_.avvisa(tipo, quale_, luogo, testo);
}

void lettura_sorgente::avvisa_file(avviso tipo, std::string testo) {
    c_.avvisa(tipo, quale_, std::nullopt, testo);
}

std::string lettura_sorgente::leggi_testo() {
    std::string campo = l_.leggi_testo();
    if (!controllo()) {
        return campo;
    }
    if (l_.su_piu_righe()) {
        avvisa(avviso::testo_su_piu_righe, l_.luogo(),
               "testo tra virgolette su più righe: le righe che contiene non vengono lette");
    }
    const auto controllo_byte = std::find_if(campo.begin(), campo.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return (u < 0x20 && c != '\t' && c != '\r' && c != '\n') || u == 0x7F;
    });
    if (controllo_byte != campo.end()) {
        avvisa(avviso::byte_di_controllo, l_.luogo(),
               "il campo contiene il byte di controllo " +
                   std::to_string(static_cast<unsigned char>(*controllo_byte)) +
                   ", che non è testo");
    }
    return campo;
}

void lettura_sorgente::campo_sconosciuto(const std::string& campo,
                                         std::initializer_list<std::string_view> parole) {
    const std::string_view nudo = senza_spazi(campo);
    if (!controllo() || nudo.empty() || !l_.primo_della_riga() ||
        (nudo.find('[') != std::string_view::npos && nudo.find(']') != std::string_view::npos)) {
        return;
    }
    std::string testo = "\"" + testo_utf8(nudo.substr(0, 40)) +
                        (nudo.size() > 40 ? "...\"" : "\"") +
                        " non è una parola chiave: il campo viene saltato";
    std::string_view vicina;
    std::size_t migliore = 3;  // at most two edits away
    if (nudo.size() <= 40) {
        for (const std::string_view parola : parole) {
            const std::size_t d = distanza(nudo, parola);
            if (d < migliore) {
                migliore = d;
                vicina = parola;
            }
        }
    }
    if (migliore == 0) {
        // The keyword of a row that is read only after the general section.
        testo +=
            ": la sezione [generale] finisce solo alla prima intestazione tra parentesi "
            "quadre, e questa riga le sta ancora dentro";
    } else if (!vicina.empty()) {
        testo += "; forse \"";
        const std::pair<std::size_t, std::size_t> sostituzione{testo.size(), vicina.size()};
        testo += std::string(vicina) + "\"?";
        c_.avvisa(avviso::campo_sconosciuto, quale_, l_.luogo(), testo, sostituzione);
        return;
    }
    avvisa(avviso::campo_sconosciuto, l_.luogo(), std::move(testo));
}

void lettura_sorgente::segna_fermata(const luogo_campo& luogo) {
    if (controllo() && !fermata_) {
        fermata_ = luogo;
        righe_alla_fermata_ = righe_;
    }
}

void lettura_sorgente::avvisa_righe_non_lette() {
    if (!fermata_ || righe_ <= righe_alla_fermata_) {
        return;
    }
    const int n = righe_ - righe_alla_fermata_;
    avvisa(
        avviso::righe_non_lette, *fermata_,
        "il compattatore smette di leggere questo file qui: " + std::to_string(n) +
            (n == 1 ? " riga successiva non viene letta" : " righe successive non vengono lette"));
}
