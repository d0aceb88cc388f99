// Line phase of the source reading: the line source file into the grid, the plan and the
// line header records. After "[generale]" come the general rows, up to the next section
// header; then every later field is tested against the row keywords, and every keyword it
// contains runs its handler, in the order of the row table. A handler lets the reading go
// on, sends it to the completion (a position beyond the grid) or ends it with a code.
#include "compactor/arrotonda.h"
#include "compactor/errore_lettura.h"
#include "compactor/formato.h"
#include "compactor/lettura_sorgente.h"
#include "compactor/piano.h"
#include "compactor/testo.h"

#include <cstddef>
#include <iterator>
#include <limits>
#include <optional>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

namespace {

// Curvature of a curve row from the first of the digits 1 to 6 in its keyword; 0 when
// there is none.
double curvatura(std::string_view chiave) {
    static constexpr struct {
        std::string_view cifra;
        double k;
    } gradi[] = {{"1", 0.0001}, {"2", 0.0002}, {"3", 0.0004},
                 {"4", 0.001},  {"5", 0.002},  {"6", 0.003}};
    for (const auto& grado : gradi) {
        if (contiene(chiave, grado.cifra)) {
            return grado.k;
        }
    }
    return 0.0;
}

bool inizia_con_trattino(std::string_view campo) {
    const std::size_t primo = campo.find_first_not_of(' ');
    return primo != std::string_view::npos && campo[primo] == '-';
}

class lettura_linea : public lettura_sorgente {
public:
    using lettura_sorgente::lettura_sorgente;

    // True when the train phase follows.
    bool esegui();

private:
    bool cerca_generale();
    esito_riga sezione_generale();
    esito_riga riga_generale();
    esito_riga riga_lunghezza();
    void crea_griglia_e_piano();
    void righe_progressiva();
    void righe_sfondo();
    esito_riga riga_ripetizione();
    void tra_le_sezioni();
    esito_riga righe();
    esito_riga riga_dopo_generale();
    esito_riga riga_pendenza();
    esito_riga riga_curva();
    esito_riga riga_montagna();
    esito_riga riga_indicatori_v_max();
    esito_riga riga_cartello_indicatore();
    void completamento();

    void metti_pendenza();
    // Ends the phase with a code: the file goes and the train phase does not run.
    esito_riga interrompi(problema p, std::optional<int32_t> posizione, const luogo_campo& luogo) {
        c_.elimina_sorgente(file_);
        return problema_al_campo(p, posizione, luogo, esito_riga::interrotta);
    }
    esito_riga oltre_griglia_a(int32_t p, const luogo_campo& luogo) {
        return problema_al_campo(problema::posizione_oltre_la_griglia, p, luogo,
                                 esito_riga::chiusura);
    }

    // A general row given again: the last one wins.
    void ripetuta(std::size_t quale, std::string_view nome);

    // What the reading carries from row to row; a refused row leaves it as it found it.
    struct corsa {
        bool griglia_creata = false;
        std::size_t cella_pendenza = 0;  // the next cell to receive a gradient
        int32_t pendenza_in_vigore = 0;
        cursore_piano piano;
        int32_t prossimo_cartello = 80;  // the next sign slot, from 80 downward
        // Going on after problems: the line of each general row read so far, and the
        // position of the last gradient row, for the warnings.
        std::optional<int> righe_generali[8];
        std::optional<int32_t> ultima_pendenza;
    } stato_;
    // One row; the sign slot goes on to the train phase as the reading leaves it.
    template <typename F>
    esito_riga riga_letta(F&& gestori) {
        const esito_riga e = riga(stato_, std::forward<F>(gestori));
        c_.prossimo_cartello = stato_.prossimo_cartello;
        return e;
    }
};

bool lettura_linea::esegui() {
    if (!cerca_generale()) {
        return false;
    }
    esito_riga e = esito_riga::prosegui;
    try {
        e = sezione_generale();
    } catch (const errore_lettura&) {
        crea_griglia_e_piano();
        throw;
    }
    crea_griglia_e_piano();
    if (e == esito_riga::interrotta) {
        return false;
    }
    if (!stato_.griglia_creata) {
        throw errore_lettura("manca la riga della lunghezza del percorso");
    }
    tra_le_sezioni();
    if (righe() == esito_riga::interrotta) {
        return false;
    }
    completamento();
    avvisa_righe_non_lette();
    return true;
}

// Everything up to the first field that holds "[generale]" is passed over.
bool lettura_linea::cerca_generale() {
    for (;;) {
        c_.riga = leggi_testo();
        if (l_.fine()) {
            c_.elimina_sorgente(file_);
            c_.registra_sul_file(problema::sezione_generale_mancante, file_);
            return false;
        }
        if (contiene_ignora_maiuscole(c_.riga, "[generale]")) {
            return true;
        }
    }
}

// The general rows, up to a section header that is no comment. Their keywords, but for
// the length row's, are tested with exact case.
esito_riga lettura_linea::sezione_generale() {
    while (!l_.fine()) {
        c_.riga = leggi_testo();
        if (l_.fine()) {
            break;
        }
        for (int n = 0; n < 10 && contiene(c_.riga, "-"); ++n) {
            c_.riga = leggi_testo();
        }
        luogo_chiave_ = l_.luogo();
        if (riga_letta([&] { return riga_generale(); }) != esito_riga::prosegui) {
            return esito_riga::interrotta;
        }
        if (contiene(c_.riga, "[") && contiene(c_.riga, "]") && !inizia_con_trattino(c_.riga)) {
            break;
        }
    }
    return esito_riga::prosegui;
}

esito_riga lettura_linea::riga_generale() {
    const std::string& riga = c_.riga;
    if (contiene_ignora_maiuscole(riga, "percorso") &&
        contiene_ignora_maiuscole(riga, "lunghezza")) {
        riconosci();
        ripetuta(0, "lunghezza percorso");
        if (riga_lunghezza() != esito_riga::prosegui) {
            return esito_riga::interrotta;
        }
    }
    const char* const nomi[] = {"progressiva chilometrica tre",
                                "progressiva chilometrica due",
                                "progressiva chilometrica uno",
                                "sfondo uno",
                                "sfondo due",
                                "sfondo tre",
                                "ripetizione segnali"};
    const bool generali[] = {contiene(riga, "tre") && contiene(riga, "progressiva"),
                             contiene(riga, "due") && contiene(riga, "progressiva"),
                             contiene(riga, "uno") && contiene(riga, "progressiva"),
                             contiene(riga, "sfondo") && contiene(riga, "uno"),
                             contiene(riga, "sfondo") && contiene(riga, "due"),
                             contiene(riga, "sfondo") && contiene(riga, "tre"),
                             contiene(riga, "segnali") && contiene(riga, "ripetizione")};
    for (std::size_t i = 0; i < std::size(generali); ++i) {
        if (generali[i]) {
            riconosci();
            ripetuta(i + 1, nomi[i]);
        }
    }
    righe_progressiva();
    righe_sfondo();
    if (generali[6] && riga_ripetizione() != esito_riga::prosegui) {
        return esito_riga::interrotta;
    }
    if (!riconosciuta() && !contiene(riga, "-")) {
        campo_sconosciuto(riga, {"lunghezza percorso", "progressiva chilometrica uno",
                                 "progressiva chilometrica due", "progressiva chilometrica tre",
                                 "sfondo uno", "sfondo due", "sfondo tre",
                                 "ripetizione segnali 4 codici", "ripetizione segnali 9 codici",
                                 "pendenza", "montagna", "indicatori_vmax", "cartello_indicatore"});
    }
    return esito_riga::prosegui;
}

void lettura_linea::ripetuta(std::size_t quale, std::string_view nome) {
    if (!controllo()) {
        return;
    }
    if (const std::optional<int> prima = stato_.righe_generali[quale]) {
        if (quale == 0) {
            avvisa(avviso::lunghezza_ripetuta, luogo_chiave_,
                   "lunghezza del percorso già data alla riga " + std::to_string(*prima) +
                       ": griglia e tracciato vengono rifatti con questa");
        } else {
            avvisa(avviso::riga_generale_ripetuta, luogo_chiave_,
                   "\"" + std::string(nome) + "\" già data alla riga " + std::to_string(*prima) +
                       ": vale l'ultima");
        }
    }
    stato_.righe_generali[quale] = luogo_chiave_.riga;
}

// The route length sizes the grid and the plan; a later length row sizes them anew.
esito_riga lettura_linea::riga_lunghezza() {
    const int32_t lunghezza = c_.voci.scrivi(84).dato2 = l_.leggi_long();
    if (lunghezza > lunghezza_percorso_massima || lunghezza < 0) {
        return interrompi(problema::lunghezza_percorso_fuori_limiti, std::nullopt, l_.luogo());
    }
    c_.lunghezza_estesa = lunghezza + metri_oltre_il_percorso;
    c_.n_celle = static_cast<int32_t>(arrotonda(c_.lunghezza_estesa / 50.0));
    stato_.griglia_creata = true;
    return esito_riga::prosegui;
}

// Nothing in the general section reads the grid or the plan, so they are made once, for
// the last route length, however the section ends: a file of many length rows costs no
// more than its size.
void lettura_linea::crea_griglia_e_piano() {
    c_.celle.clear();
    c_.tracciato.clear();
    if (!stato_.griglia_creata) {
        return;
    }
    c_.celle.crea(static_cast<std::size_t>(c_.n_celle) + 1);
    if (c_.scrivi_linea != 0) {
        c_.tracciato = tabella_piano(static_cast<std::size_t>(c_.lunghezza_estesa) + 1);
    }
}

void lettura_linea::righe_progressiva() {
    // Each stretch keeps the fields of its row, for a value off the 50 m step.
    const auto tratto = [&](std::size_t i) {
        voce& v = c_.voci.scrivi(81 + i);
        v.dato1 = l_.leggi_long();
        c_.righe_progressive.scrivi(i).inizio = l_.luogo();
        v.dato2 = l_.leggi_long();
        c_.righe_progressive.scrivi(i).progressiva = l_.luogo();
        v.dato3 = l_.leggi_long();
    };
    const std::string& riga = c_.riga;
    if (contiene(riga, "tre") && contiene(riga, "progressiva")) {
        tratto(0);
    }
    if (contiene(riga, "due") && contiene(riga, "progressiva")) {
        tratto(1);
    }
    if (contiene(riga, "uno") && contiene(riga, "progressiva")) {
        tratto(2);
    }
}

// The background values are crossed: "due" goes to dato3, "tre" to dato2.
void lettura_linea::righe_sfondo() {
    const std::string& riga = c_.riga;
    if (contiene(riga, "sfondo") && contiene(riga, "uno")) {
        c_.voci.scrivi(85).dato1 = l_.leggi_long();
    }
    if (contiene(riga, "sfondo") && contiene(riga, "due")) {
        c_.voci.scrivi(85).dato3 = l_.leggi_long();
    }
    if (contiene(riga, "sfondo") && contiene(riga, "tre")) {
        c_.voci.scrivi(85).dato2 = l_.leggi_long();
    }
}

// Cab-signal repetition: two positions, and the number of codes from the keyword.
esito_riga lettura_linea::riga_ripetizione() {
    voce& v = c_.voci.scrivi(86);
    v.dato1 = l_.leggi_long();
    const luogo_campo prima = l_.luogo();
    v.dato2 = l_.leggi_long();
    if (v.dato1 % 50 != 0) {
        return interrompi(problema::prima_ripetizione_non_multipla_di_50, std::nullopt, prima);
    }
    if (v.dato2 % 50 != 0) {
        return interrompi(problema::seconda_ripetizione_non_multipla_di_50, std::nullopt,
                          l_.luogo());
    }
    if (contiene(c_.riga, "4")) {
        v.dato3 = 4;
    } else if (contiene(c_.riga, "9")) {
        v.dato3 = 9;
    } else {
        return interrompi(problema::ripetizione_senza_4_o_9_codici, std::nullopt, luogo_chiave_);
    }
    if (v.dato2 == 0) {
        v.dato3 = 0;
    }
    return esito_riga::prosegui;
}

void lettura_linea::tra_le_sezioni() {
    c_.progressive_ordina();
    c_.n_montagne = 0;
    stato_.prossimo_cartello = c_.prossimo_cartello = 80;
    if (!c_.tracciato.empty()) {
        c_.tracciato.imposta(0, {int16_t{0}, int16_t{0}});
        c_.tracciato.imposta(1, {int16_t{0}, int16_t{1}});
    }
}

// Rows, by keyword, to the end of the file or the first position beyond the grid.
esito_riga lettura_linea::righe() {
    while (!l_.fine()) {
        c_.riga = leggi_testo();
        if (l_.fine()) {
            return esito_riga::chiusura;
        }
        for (int n = 0; n < 2 && contiene(c_.riga, "-"); ++n) {
            c_.riga = leggi_testo();
            if (l_.fine()) {
                return esito_riga::chiusura;
            }
        }
        luogo_chiave_ = l_.luogo();
        if (const esito_riga e = riga_letta([&] { return riga_dopo_generale(); });
            e != esito_riga::prosegui) {
            return e;
        }
    }
    return esito_riga::chiusura;
}

esito_riga lettura_linea::riga_dopo_generale() {
    esito_riga e = esito_riga::prosegui;
    if (ha("pendenza")) {
        riconosci();
        e = riga_pendenza();
    }
    if (e == esito_riga::prosegui && ha("curva") && !c_.tracciato.empty()) {
        riconosci();
        e = riga_curva();
    }
    if (e == esito_riga::prosegui && ha("montagna")) {
        riconosci();
        e = riga_montagna();
    }
    if (e == esito_riga::prosegui && ha("indicatori_v")) {
        riconosci();
        e = riga_indicatori_v_max();
    }
    if (e == esito_riga::prosegui && ha("indicat") && ha("cartello")) {
        riconosci();
        e = riga_cartello_indicatore();
    }
    if (!riconosciuta()) {
        campo_sconosciuto(c_.riga, {"pendenza", "curvas", "curvad", "montagna", "indicatori_vmax",
                                    "cartello_indicatore"});
    }
    return e;
}

void lettura_linea::metti_pendenza() {
    if (stato_.cella_pendenza < c_.celle.size()) {
        c_.celle.scrivi(stato_.cella_pendenza).pendenza =
            bassi_8_bit(int64_t{stato_.pendenza_in_vigore} + 100);
    }
    ++stato_.cella_pendenza;
}

// The gradient in force fills the cells up to the one before this row's, at least one.
esito_riga lettura_linea::riga_pendenza() {
    const int32_t p = leggi_posizione();
    const int32_t g = l_.leggi_long();
    if (oltre_griglia(p, 100)) {
        return oltre_griglia_a(p, luogo_posizione_);
    }
    if (controllo()) {
        if (stato_.ultima_pendenza && p < *stato_.ultima_pendenza) {
            avvisa(avviso::posizioni_fuori_ordine, luogo_posizione_,
                   "pendenza a " + std::to_string(p) +
                       " m, prima di quella della riga precedente (" +
                       std::to_string(*stato_.ultima_pendenza) +
                       " m): la sua pendenza vale per una sola cella");
        }
        stato_.ultima_pendenza = p;
    }
    const int64_t c = arrotonda(p / 50.0);
    if (c > 0) {
        do {
            metti_pendenza();
        } while (static_cast<int64_t>(stato_.cella_pendenza) < c);
    }
    stato_.pendenza_in_vigore = g;
    return esito_riga::prosegui;
}

// Straight on up to the curve's start, then turning over its length.
esito_riga lettura_linea::riga_curva() {
    const int32_t s = leggi_posizione();
    const int32_t l = l_.leggi_long();
    if (oltre_griglia(s, 100)) {
        return oltre_griglia_a(s, luogo_posizione_);
    }
    double k = curvatura(c_.riga);
    if (k == 0.0) {
        return interrompi(problema::curva_non_valida, std::nullopt, luogo_chiave_);
    }
    if (contiene_ignora_maiuscole(c_.riga, "s")) {
        k = -k;
    }
    if (int64_t{s} + l > c_.lunghezza_estesa) {
        return interrompi(problema::curva_non_valida, s, luogo_posizione_);
    }
    if (controllo() && int64_t{s} + 1 < stato_.piano.i) {
        avvisa(avviso::curve_sovrapposte, luogo_posizione_,
               "la curva inizia a " + std::to_string(s) +
                   " m, prima della fine della precedente (" + std::to_string(stato_.piano.i - 1) +
                   " m): gira soltanto da lì");
    }
    if (!traccia_curva(c_.tracciato, stato_.piano, s, int64_t{s} + l, k)) {
        return interrompi(problema::curva_non_valida, std::nullopt, luogo_posizione_);
    }
    return esito_riga::prosegui;
}

esito_riga lettura_linea::riga_montagna() {
    int32_t inizio = leggi_posizione();
    int32_t fine = l_.leggi_long();
    int32_t tipo = l_.leggi_long();
    if (oltre_griglia(inizio, 100)) {
        return oltre_griglia_a(inizio, luogo_posizione_);
    }
    if (const std::optional<problema> rifiuto = c_.memo_montagna(inizio, fine, tipo)) {
        return interrompi(*rifiuto, inizio, luogo_chiave_);
    }
    return esito_riga::prosegui;
}

esito_riga lettura_linea::riga_indicatori_v_max() {
    const int32_t p = leggi_posizione();
    int32_t v[8];
    for (int32_t& valore : v) {
        valore = l_.leggi_long();
    }
    if (oltre_griglia(p, 100)) {
        return oltre_griglia_a(p, luogo_posizione_);
    }
    if (const std::optional<problema> rifiuto =
            c_.memo_indicatori_v_max(p, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7])) {
        return interrompi(*rifiuto, p, luogo_posizione_);
    }
    return esito_riga::prosegui;
}

// An indicator sign: its cell, and its text in the next sign slot from 80 downward.
esito_riga lettura_linea::riga_cartello_indicatore() {
    const int32_t p = leggi_posizione();
    c_.riga = leggi_testo();
    if (c_.riga.size() > formato::byte_nome_massimo) {
        throw errore_lettura("testo del cartello oltre 32767 caratteri");
    }
    if (oltre_griglia(p, 100)) {
        return oltre_griglia_a(p, luogo_posizione_);
    }
    if (stato_.prossimo_cartello < 0) {
        return interrompi(problema::troppi_cartelli_indicatori, p, luogo_chiave_);
    }
    const auto indice = static_cast<std::size_t>(arrotonda(p / 50.0 + 1.0));
    if (!libera(c_.celle[indice])) {
        return interrompi(problema::cartello_indicatore_su_cella_occupata, p, luogo_posizione_);
    }
    cella& c = c_.celle.scrivi(indice);
    c.tipo = tipo_cella::cartello_indicatore;
    c.valore1 = static_cast<int16_t>(stato_.prossimo_cartello);
    c_.voci.scrivi(static_cast<std::size_t>(stato_.prossimo_cartello)).nome = c_.riga;
    stato_.prossimo_cartello -= 1;
    return esito_riga::prosegui;
}

// The gradient in force up to the third cell from the end, and the plan straight on up to
// its third point from the end.
void lettura_linea::completamento() {
    c_.elimina_sorgente(file_);
    do {
        metti_pendenza();
    } while (static_cast<int64_t>(stato_.cella_pendenza) < int64_t{c_.n_celle} - 2);
    if (!c_.tracciato.empty()) {
        // No index limit here: the completion may reach the last point but two.
        const int32_t primo = stato_.piano.i;
        estendi_piano(c_.tracciato, stato_.piano, int64_t{c_.lunghezza_estesa} - 2, false, 0.0,
                      std::numeric_limits<int64_t>::max());
        segna_calcolati(c_.tracciato, stato_.piano, primo);
    }
}

}  // namespace

bool compattatore::leggi_linea(modo_lettura modo) {
    voci.scrivi(85).nome = identita().nome_scenario;
    voci.scrivi(86).nome = identita().numero_treno;
    celle.clear();
    tracciato.clear();

    const std::filesystem::path file = nomi_file::sorgente_linea(cartelle().sorgenti, identita());
    if (!cartelle().sistema->file_regolare(file)) {
        registra_sul_file(problema::file_linea_mancante, file);
        return false;
    }
    lettura_linea lettura(*this, file_sorgente::linea, file, leggi_sorgente(file), modo);
    const bool segue_treno = lettura.con_guasti_registrati([&] { return lettura.esegui(); });
    if (!problemi.empty()) {
        primo_problema_linea = problemi.front().codice;
    }
    return segue_treno || (modo == modo_lettura::controllo && !celle.empty());
}
