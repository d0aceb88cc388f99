// Line phase of the source reading: the line source file into the grid, the plan and the
// line header records. After "[generale]" come the general rows, up to the next section
// header; then every later field is tested against the row keywords, and every keyword it
// contains runs its handler, in the order of the row table. A handler lets the reading go
// on, sends it to the completion (a position beyond the grid) or ends it with a code.
#include "compactor/arrotonda.h"
#include "compactor/curva.h"
#include "compactor/formato.h"
#include "compactor/lettura_sorgente.h"
#include "compactor/rettilineo.h"
#include "compactor/testo.h"

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <limits>
#include <optional>
#include <string_view>
#include <system_error>
#include <vector>

namespace {

constexpr int32_t ultimo_punto_ammesso = 1000000;

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

// The plan is extended point by point from the last two points, kept here so that the
// loops never read the plan back.
struct cursore_piano {
    int32_t i = 2;              // next point to compute
    double x2 = 0.0, y2 = 0.0;  // point i - 2
    double x1 = 0.0, y1 = 1.0;  // point i - 1
};

// Points cursore.i..ultimo of the plan from the two before them, along a curve
// (compactor/curva.h) or straight on step by step, x = x1 + (x1 - x2), rounded as the
// scalar operation would in each lane. The last two points live in local variables: held
// in the cursor, every step would go through memory, since the compiler must assume that
// the plan's stores may overwrite it.
template <bool curva>
void calcola_punti(tabella_piano& piano, cursore_piano& cursore, int32_t ultimo, double k) {
    coppia p2 = {cursore.x2, cursore.y2};
    coppia p1 = {cursore.x1, cursore.y1};
    const auto metti = [&piano](int64_t i, coppia p) {
        piano.metti_doppi(static_cast<std::size_t>(i), p[0], p[1]);
    };
    if constexpr (curva) {
        punti_in_curva(p1, p2, cursore.i, ultimo, k, metti);
    } else {
        for (int32_t i = cursore.i; i <= ultimo; ++i) {
            const coppia p = p1 + (p1 - p2);
            metti(i, p);
            p2 = p1;
            p1 = p;
        }
    }
    cursore = {ultimo + 1, p2[0], p2[1], p1[0], p1[1]};
}

// A straight stretch up to point `ultimo`: where both coordinates stay in their binades,
// in closed form (compactor/rettilineo.h), each point on its own; elsewhere (near a power
// of two, near 0) step by step.
void calcola_rettilineo(tabella_piano& piano, cursore_piano& cursore, int32_t ultimo) {
    constexpr int64_t passi_a_mano = 64;  // before looking for a closed form again
    while (cursore.i <= ultimo) {
        const int64_t esatti =
            std::min({passi_esatti(cursore.x1, cursore.x2), passi_esatti(cursore.y1, cursore.y2),
                      int64_t{ultimo} - cursore.i + 1});
        if (esatti < 4) {
            calcola_punti<false>(
                piano, cursore,
                static_cast<int32_t>(std::min<int64_t>(ultimo, cursore.i + passi_a_mano - 1)), 0.0);
            continue;
        }
        const coppia a = {cursore.x1, cursore.y1};
        const coppia passo = a - coppia{cursore.x2, cursore.y2};
        const auto punto = [&](int64_t j) {
            const auto volte = static_cast<double>(j);
            return a + coppia{volte, volte} * passo;
        };
        // Two points at a time, x with x and y with y, each value a + j (a - b) as above:
        // the two x values and the two y values go to the plan in one write each.
        const coppia ax = {a[0], a[0]};
        const coppia ay = {a[1], a[1]};
        const coppia passo_x = {passo[0], passo[0]};
        const coppia passo_y = {passo[1], passo[1]};
        coppia volte = {1.0, 2.0};  // j and j + 1, whole numbers far below 2^53: exact
        const auto primo = static_cast<std::size_t>(cursore.i);
        int64_t j = 1;
        for (; j < esatti; j += 2, volte += 2.0) {
            const coppia x = ax + volte * passo_x;
            const coppia y = ay + volte * passo_y;
            piano.metti_due_doppi(primo + static_cast<std::size_t>(j - 1),
                                  reinterpret_cast<const double(&)[2]>(x),
                                  reinterpret_cast<const double(&)[2]>(y));
        }
        if (j == esatti) {
            const coppia p = punto(j);
            piano.metti_doppi(primo + static_cast<std::size_t>(j - 1), p[0], p[1]);
        }
        const coppia penultimo = punto(esatti - 1);
        const coppia ultimo_punto = punto(esatti);
        cursore = {static_cast<int32_t>(cursore.i + esatti), penultimo[0], penultimo[1],
                   ultimo_punto[0], ultimo_punto[1]};
    }
}

// Extends the plan up to point `fine`, straight on or along a curve. Stops after the first
// point whose successor would pass `limite`, returning false. The caller marks the new
// points as Doubles (segna_calcolati), once for all it extends in a row.
bool estendi_piano(tabella_piano& piano, cursore_piano& cursore, int64_t fine, bool curva, double k,
                   int64_t limite) {
    const int32_t primo = cursore.i;
    if (primo > fine) {
        return true;
    }
    const auto ultimo = static_cast<int32_t>(std::min(fine, std::max<int64_t>(primo, limite)));
    if (curva) {
        calcola_punti<true>(piano, cursore, ultimo, k);
    } else {
        calcola_rettilineo(piano, cursore, ultimo);
    }
    return cursore.i <= limite;
}

// The points computed since point `primo` hold Doubles.
void segna_calcolati(tabella_piano& piano, const cursore_piano& cursore, int32_t primo) {
    if (cursore.i > primo) {
        piano.segna_doppi(static_cast<std::size_t>(primo), static_cast<std::size_t>(cursore.i - 1));
    }
}

// Straight up to point `inizio`, then turning up to point `fine`; false as soon as the
// next point passes the index limit.
bool traccia_curva(tabella_piano& piano, cursore_piano& cursore, int64_t inizio, int64_t fine,
                   double k) {
    const int32_t primo = cursore.i;
    const bool entro = estendi_piano(piano, cursore, inizio, false, 0.0, ultimo_punto_ammesso) &&
                       estendi_piano(piano, cursore, fine, true, k, ultimo_punto_ammesso);
    segna_calcolati(piano, cursore, primo);
    return entro;
}

class lettura_linea : public lettura_sorgente {
public:
    using lettura_sorgente::lettura_sorgente;

    // True when the train phase follows.
    bool esegui();

private:
    bool cerca_generale();
    esito sezione_generale();
    esito riga_generale();
    esito riga_lunghezza();
    void crea_griglia_e_piano();
    void righe_progressiva();
    void righe_sfondo();
    esito riga_ripetizione();
    void tra_le_sezioni();
    esito righe();
    esito riga_dopo_generale();
    esito riga_pendenza();
    esito riga_curva();
    esito riga_montagna();
    esito riga_indicatori_v_max();
    esito riga_cartello_indicatore();
    void completamento();

    void metti_pendenza();
    // Ends the phase with a code: the file goes and the train phase does not run.
    esito interrompi(problema p, std::optional<int32_t> posizione, const luogo_campo& luogo) {
        c_.elimina_sorgente(file_);
        return problema_al_campo(p, posizione, luogo, esito::interrotta);
    }
    esito oltre_griglia_a(int32_t p, const luogo_campo& luogo) {
        return problema_al_campo(problema::posizione_oltre_la_griglia, p, luogo, esito::chiusura);
    }

    // A general row given again: the last one wins.
    void ripetuta(std::size_t quale, std::string_view nome);

    bool griglia_creata_ = false;
    std::optional<int> righe_generali_[8];  // the line of each general row read so far
    std::optional<int32_t> ultima_pendenza_;
    std::size_t cella_pendenza_ = 0;  // the next cell to receive a gradient
    int32_t pendenza_in_vigore_ = 0;
    cursore_piano piano_;
};

bool lettura_linea::esegui() {
    if (!cerca_generale()) {
        return false;
    }
    esito e = esito::prosegui;
    try {
        e = sezione_generale();
    } catch (const errore_lettura&) {
        crea_griglia_e_piano();
        throw;
    }
    crea_griglia_e_piano();
    if (e == esito::interrotta) {
        return false;
    }
    if (!griglia_creata_) {
        throw errore_lettura("manca la riga della lunghezza del percorso");
    }
    tra_le_sezioni();
    if (righe() == esito::interrotta) {
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
esito lettura_linea::sezione_generale() {
    while (!l_.fine()) {
        c_.riga = leggi_testo();
        if (l_.fine()) {
            break;
        }
        for (int n = 0; n < 10 && contiene(c_.riga, "-"); ++n) {
            c_.riga = leggi_testo();
        }
        luogo_chiave_ = l_.luogo();
        if (riga([&] { return riga_generale(); }) != esito::prosegui) {
            return esito::interrotta;
        }
        if (contiene(c_.riga, "[") && contiene(c_.riga, "]") && !inizia_con_trattino(c_.riga)) {
            break;
        }
    }
    return esito::prosegui;
}

esito lettura_linea::riga_generale() {
    const std::string& riga = c_.riga;
    if (contiene_ignora_maiuscole(riga, "percorso") &&
        contiene_ignora_maiuscole(riga, "lunghezza")) {
        riconosci();
        ripetuta(0, "lunghezza percorso");
        if (riga_lunghezza() != esito::prosegui) {
            return esito::interrotta;
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
    if (generali[6] && riga_ripetizione() != esito::prosegui) {
        return esito::interrotta;
    }
    if (!riconosciuta() && !contiene(riga, "-")) {
        campo_sconosciuto(riga, {"lunghezza percorso", "progressiva chilometrica uno",
                                 "progressiva chilometrica due", "progressiva chilometrica tre",
                                 "sfondo uno", "sfondo due", "sfondo tre",
                                 "ripetizione segnali 4 codici", "ripetizione segnali 9 codici",
                                 "pendenza", "montagna", "indicatori_vmax", "cartello_indicatore"});
    }
    return esito::prosegui;
}

void lettura_linea::ripetuta(std::size_t quale, std::string_view nome) {
    if (!controllo()) {
        return;
    }
    if (const std::optional<int> prima = righe_generali_[quale]) {
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
    righe_generali_[quale] = luogo_chiave_.riga;
}

// The route length sizes the grid and the plan; a later length row sizes them anew.
esito lettura_linea::riga_lunghezza() {
    c_.voci[84].dato2 = l_.leggi_long();
    const int32_t lunghezza = c_.voci[84].dato2;
    if (lunghezza > lunghezza_percorso_massima || lunghezza < 0) {
        return interrompi(problema::lunghezza_percorso_fuori_limiti, std::nullopt, l_.luogo());
    }
    c_.lunghezza_estesa = lunghezza + metri_oltre_il_percorso;
    c_.n_celle = static_cast<int32_t>(arrotonda(c_.lunghezza_estesa / 50.0));
    griglia_creata_ = true;
    return esito::prosegui;
}

// Nothing in the general section reads the grid or the plan, so they are made once, for
// the last route length, however the section ends: a file of many length rows costs no
// more than its size.
void lettura_linea::crea_griglia_e_piano() {
    c_.celle.clear();
    c_.tracciato.clear();
    if (!griglia_creata_) {
        return;
    }
    c_.celle.assign(static_cast<std::size_t>(c_.n_celle) + 1, cella{});
    if (c_.scrivi_linea != 0) {
        c_.tracciato = tabella_piano(static_cast<std::size_t>(c_.lunghezza_estesa) + 1);
    }
}

void lettura_linea::righe_progressiva() {
    const auto tratto = [&](voce& v) {
        v.dato1 = l_.leggi_long();
        v.dato2 = l_.leggi_long();
        v.dato3 = l_.leggi_long();
    };
    const std::string& riga = c_.riga;
    if (contiene(riga, "tre") && contiene(riga, "progressiva")) {
        tratto(c_.voci[81]);
    }
    if (contiene(riga, "due") && contiene(riga, "progressiva")) {
        tratto(c_.voci[82]);
    }
    if (contiene(riga, "uno") && contiene(riga, "progressiva")) {
        tratto(c_.voci[83]);
    }
}

// The background values are crossed: "due" goes to dato3, "tre" to dato2.
void lettura_linea::righe_sfondo() {
    const std::string& riga = c_.riga;
    if (contiene(riga, "sfondo") && contiene(riga, "uno")) {
        c_.voci[85].dato1 = l_.leggi_long();
    }
    if (contiene(riga, "sfondo") && contiene(riga, "due")) {
        c_.voci[85].dato3 = l_.leggi_long();
    }
    if (contiene(riga, "sfondo") && contiene(riga, "tre")) {
        c_.voci[85].dato2 = l_.leggi_long();
    }
}

// Cab-signal repetition: two positions, and the number of codes from the keyword.
esito lettura_linea::riga_ripetizione() {
    voce& v = c_.voci[86];
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
    return esito::prosegui;
}

void lettura_linea::tra_le_sezioni() {
    c_.progressive_ordina();
    c_.n_montagne = 0;
    c_.prossimo_cartello = 80;
    if (!c_.tracciato.empty()) {
        c_.tracciato.imposta(0, {int16_t{0}, int16_t{0}});
        c_.tracciato.imposta(1, {int16_t{0}, int16_t{1}});
    }
}

// Rows, by keyword, to the end of the file or the first position beyond the grid.
esito lettura_linea::righe() {
    while (!l_.fine()) {
        c_.riga = leggi_testo();
        if (l_.fine()) {
            return esito::chiusura;
        }
        for (int n = 0; n < 2 && contiene(c_.riga, "-"); ++n) {
            c_.riga = leggi_testo();
            if (l_.fine()) {
                return esito::chiusura;
            }
        }
        luogo_chiave_ = l_.luogo();
        if (const esito e = riga([&] { return riga_dopo_generale(); }); e != esito::prosegui) {
            return e;
        }
    }
    return esito::chiusura;
}

esito lettura_linea::riga_dopo_generale() {
    esito e = esito::prosegui;
    if (ha("pendenza")) {
        riconosci();
        e = riga_pendenza();
    }
    if (e == esito::prosegui && ha("curva") && !c_.tracciato.empty()) {
        riconosci();
        e = riga_curva();
    }
    if (e == esito::prosegui && ha("montagna")) {
        riconosci();
        e = riga_montagna();
    }
    if (e == esito::prosegui && ha("indicatori_v")) {
        riconosci();
        e = riga_indicatori_v_max();
    }
    if (e == esito::prosegui && ha("indicat") && ha("cartello")) {
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
    if (cella_pendenza_ < c_.celle.size()) {
        c_.celle[cella_pendenza_].pendenza = bassi_8_bit(int64_t{pendenza_in_vigore_} + 100);
    }
    ++cella_pendenza_;
}

// The gradient in force fills the cells up to the one before this row's, at least one.
esito lettura_linea::riga_pendenza() {
    const int32_t p = leggi_posizione();
    const int32_t g = l_.leggi_long();
    if (oltre_griglia(p, 100)) {
        return oltre_griglia_a(p, luogo_posizione_);
    }
    if (controllo()) {
        if (ultima_pendenza_ && p < *ultima_pendenza_) {
            avvisa(avviso::posizioni_fuori_ordine, luogo_posizione_,
                   "pendenza a " + std::to_string(p) +
                       " m, prima di quella della riga precedente (" +
                       std::to_string(*ultima_pendenza_) +
                       " m): la sua pendenza vale per una sola cella");
        }
        ultima_pendenza_ = p;
    }
    const int64_t c = arrotonda(p / 50.0);
    if (c > 0) {
        do {
            metti_pendenza();
        } while (static_cast<int64_t>(cella_pendenza_) < c);
    }
    pendenza_in_vigore_ = g;
    return esito::prosegui;
}

// Straight on up to the curve's start, then turning over its length.
esito lettura_linea::riga_curva() {
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
    if (controllo() && int64_t{s} + 1 < piano_.i) {
        avvisa(avviso::curve_sovrapposte, luogo_posizione_,
               "la curva inizia a " + std::to_string(s) +
                   " m, prima della fine della precedente (" + std::to_string(piano_.i - 1) +
                   " m): gira soltanto da lì");
    }
    if (!traccia_curva(c_.tracciato, piano_, s, int64_t{s} + l, k)) {
        return interrompi(problema::curva_non_valida, std::nullopt, luogo_posizione_);
    }
    return esito::prosegui;
}

esito lettura_linea::riga_montagna() {
    int32_t inizio = leggi_posizione();
    int32_t fine = l_.leggi_long();
    int32_t tipo = l_.leggi_long();
    if (oltre_griglia(inizio, 100)) {
        return oltre_griglia_a(inizio, luogo_posizione_);
    }
    const int32_t prima = prima_della_memoria();
    c_.memo_montagna(inizio, fine, tipo);
    if (rifiutata_dalla_memoria(prima)) {
        return interrompi(static_cast<problema>(c_.codice_errore), inizio, luogo_chiave_);
    }
    return esito::prosegui;
}

esito lettura_linea::riga_indicatori_v_max() {
    const int32_t p = leggi_posizione();
    int32_t v[8];
    for (int32_t& valore : v) {
        valore = l_.leggi_long();
    }
    if (oltre_griglia(p, 100)) {
        return oltre_griglia_a(p, luogo_posizione_);
    }
    const int64_t cella_cartello = arrotonda(p / 50.0 + 1.0);
    ricorda_celle(cella_cartello, cella_cartello);
    const int32_t prima = prima_della_memoria();
    c_.memo_indicatori_v_max(p, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7]);
    if (rifiutata_dalla_memoria(prima)) {
        return interrompi(static_cast<problema>(c_.codice_errore), p, luogo_posizione_);
    }
    return esito::prosegui;
}

// An indicator sign: its cell, and its text in the next sign slot from 80 downward.
esito lettura_linea::riga_cartello_indicatore() {
    const int32_t p = leggi_posizione();
    c_.riga = leggi_testo();
    if (c_.riga.size() > formato::byte_nome_massimo) {
        throw errore_lettura("testo del cartello oltre 32767 caratteri");
    }
    if (oltre_griglia(p, 100)) {
        return oltre_griglia_a(p, luogo_posizione_);
    }
    if (c_.prossimo_cartello < 0) {
        return interrompi(problema::troppi_cartelli_indicatori, p, luogo_chiave_);
    }
    cella& c = c_.celle[static_cast<std::size_t>(arrotonda(p / 50.0 + 1.0))];
    if (!libera(c)) {
        return interrompi(problema::cartello_indicatore_su_cella_occupata, p, luogo_posizione_);
    }
    c.tipo = tipo_cella::cartello_indicatore;
    c.valore1 = static_cast<int16_t>(c_.prossimo_cartello);
    c_.voci[static_cast<std::size_t>(c_.prossimo_cartello)].nome = c_.riga;
    c_.prossimo_cartello -= 1;
    return esito::prosegui;
}

// The gradient in force up to the third cell from the end, and the plan straight on up to
// its third point from the end.
void lettura_linea::completamento() {
    c_.elimina_sorgente(file_);
    do {
        metti_pendenza();
    } while (static_cast<int64_t>(cella_pendenza_) < int64_t{c_.n_celle} - 2);
    if (!c_.tracciato.empty()) {
        // No index limit here: the completion may reach the last point but two.
        const int32_t primo = piano_.i;
        estendi_piano(c_.tracciato, piano_, int64_t{c_.lunghezza_estesa} - 2, false, 0.0,
                      std::numeric_limits<int64_t>::max());
        segna_calcolati(c_.tracciato, piano_, primo);
    }
}

}  // namespace

bool compattatore::leggi_linea() {
    voci[85].nome = identita().nome_scenario;
    voci[86].nome = identita().numero_treno;
    celle.clear();
    tracciato.clear();

    const std::filesystem::path file = nomi_file::sorgente_linea(cartelle().sorgenti, identita());
    if (!cartelle().sistema->file_regolare(file)) {
        registra_sul_file(problema::file_linea_mancante, file);
        return false;
    }
    lettura_linea lettura(*this, file, leggi_sorgente(file));
    const bool segue_treno = lettura.con_guasti_registrati([&] { return lettura.esegui(); });
    if (!problemi.empty()) {
        primo_problema_linea = problemi.front().codice;
    }
    return segue_treno || (continua_dopo_problemi && !celle.empty());
}
