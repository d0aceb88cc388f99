// Train phase of the source reading: the train source file into the grid and the records.
// Rows are recognised by keyword wherever they stand after "[generale]"; every keyword the
// field contains runs its handler, in the order of the row table below. A handler either
// lets the reading go on, sends it to the closing steps, or ends it at once with a code.
#include "compactor/arrotonda.h"
#include "compactor/errore_lettura.h"
#include "compactor/formato.h"
#include "compactor/griglia.h"
#include "compactor/lettura_sorgente.h"
#include "compactor/testo.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

class lettura_treno : public lettura_sorgente {
public:
    using lettura_sorgente::lettura_sorgente;

    // The whole reading; throws errore_lettura.
    void esegui();

private:
    esito_riga righe();
    esito_riga riga_del_treno();
    esito_riga riga_velocita();
    esito_riga riga_aderenza();
    esito_riga riga_segnale();
    esito_riga riga_rallentamento();
    esito_riga riga_abbattimento();
    esito_riga riga_stazione();
    // The station row's parts: its columns into the record, its extent by kind, its cells.
    esito_riga campi_stazione(voce& stazione, int32_t p);
    static void estensione_stazione(voce& stazione, int32_t p, int32_t lunghezza);
    esito_riga celle_stazione(const voce& stazione);
    void avviso_orario(int32_t orario, const luogo_campo& luogo);
    void chiusura();

    // After a signal or slowdown row has been stored: a refusal of the store ends the
    // reading there; so does a code left earlier (the line phase's 15), which keeps its own
    // row and learns where the train file's reading stopped.
    esito_riga dopo_la_memoria(std::optional<problema> rifiuto, int32_t posizione,
                               const luogo_campo& luogo);
    // The cells a stored row placed, for the walk's problems to name.
    void segna_cella_della_riga(int64_t c, const luogo_campo& luogo);
    void scrivi_velocita();
    void scrivi_aderenza();
    // Warnings of the checker: a general row given again, a row before the previous one.
    void ripetuta(std::size_t quale, std::string_view nome);
    void fuori_ordine(std::optional<int32_t>& ultima, int32_t p, const char* riga);

    // What the reading carries from row to row; a refused row leaves it as it found it.
    struct corsa {
        int32_t indice_velocita = 0;  // the next cell to receive the speed in force
        int32_t indice_aderenza = 0;
        // The speed in force last, with the field that set it; going on after problems,
        // also those it replaced before any cell was written with them.
        std::vector<std::pair<int32_t, luogo_campo>> velocita{{0, {}}};
        int32_t aderenza_in_vigore = 0;
        int32_t k = 1;  // the next station slot
        // Going on after problems, for the warnings: the line of each general row read so
        // far, the position of the last speed, adhesion and station rows, and the last
        // station's departure time.
        std::optional<int> righe_generali[4];
        std::optional<int32_t> ultima_velocita;
        std::optional<int32_t> ultima_aderenza;
        std::optional<int32_t> ultima_stazione;
        std::optional<int32_t> ultimo_orario;
        luogo_campo luogo_orario;  // the station row's hours field
    } stato_;
};

void lettura_treno::esegui() {
    bool generale = false;
    while (!l_.fine() && !generale) {
        c_.riga = leggi_testo();
        generale = contiene_ignora_maiuscole(c_.riga, "[generale]");
    }
    if (!generale && controllo()) {
        avvisa_file(avviso::treno_senza_righe,
                    l_.luogo().riga == 0 ? "il file del treno è vuoto: non dà alcun treno"
                                         : "nessuna sezione [generale] nel file del treno: non "
                                           "dà alcun treno");
    }
    if (righe() == esito_riga::chiusura) {
        chiusura();
        avvisa_righe_non_lette();
    }
}

esito_riga lettura_treno::righe() {
    while (true) {
        if (l_.fine()) {
            return esito_riga::chiusura;
        }
        c_.riga = leggi_testo();
        luogo_chiave_ = l_.luogo();
        if (l_.fine()) {
            return esito_riga::chiusura;  // the file's last field is never a row
        }
        for (int volte = 0; volte < 2 && contiene(c_.riga, "-"); ++volte) {
            c_.riga = leggi_testo();
            luogo_chiave_ = l_.luogo();
            if (l_.fine()) {
                return esito_riga::chiusura;
            }
        }
        if (const esito_riga e = riga(stato_, [&] { return riga_del_treno(); });
            e != esito_riga::prosegui) {
            return e;
        }
    }
}

// Every handler whose keyword the field contains, in the order of the row table.
esito_riga lettura_treno::riga_del_treno() {
    esito_riga e = esito_riga::prosegui;
    if (ha("frenata") && ha("massa")) {
        riconosci();
        ripetuta(0, "percentuale massa frenata");
        c_.voci.scrivi(84).dato1 = l_.leggi_long();
    }
    if (ha("vetture")) {
        riconosci();
        ripetuta(1, "numero vetture");
        c_.voci.scrivi(84).dato3 = l_.leggi_long();
    }
    if (ha("velocit")) {
        riconosci();
        e = riga_velocita();
    }
    if (e == esito_riga::prosegui && ha("aderenza")) {
        riconosci();
        e = riga_aderenza();
    }
    if (e == esito_riga::prosegui && ha("orologio")) {
        riconosci();
        ripetuta(2, "orologio");
        voce& v = c_.voci.scrivi(86);
        v.intero3 = l_.leggi_integer();
        v.intero4 = l_.leggi_integer();
        v.intero5 = l_.leggi_integer();
    }
    if (e == esito_riga::prosegui && ha("sabbia")) {
        riconosci();
        ripetuta(3, "sabbia");
        c_.voci.scrivi(86).intero1 = l_.leggi_integer();
    }
    if (e == esito_riga::prosegui && ha("segnale")) {
        riconosci();
        e = riga_segnale();
    }
    if (e == esito_riga::prosegui && ha("rallentamento")) {
        riconosci();
        e = riga_rallentamento();
    }
    if (e == esito_riga::prosegui && ha("abbattimento")) {
        riconosci();
        e = riga_abbattimento();
    }
    if (e == esito_riga::prosegui && ha("stazione")) {
        riconosci();
        e = riga_stazione();
    }
    if (!riconosciuta()) {
        campo_sconosciuto(c_.riga, {"velocita", "aderenza", "segnale", "rallentamento",
                                    "abbattimento", "stazione", "orologio", "sabbia",
                                    "numero vetture", "percentuale massa frenata"});
    }
    return e;
}

void lettura_treno::ripetuta(std::size_t quale, std::string_view nome) {
    if (!controllo()) {
        return;
    }
    if (const std::optional<int> prima = stato_.righe_generali[quale]) {
        avvisa(avviso::riga_generale_ripetuta, luogo_chiave_,
               "\"" + std::string(nome) + "\" già data alla riga " + std::to_string(*prima) +
                   ": vale l'ultima");
    }
    stato_.righe_generali[quale] = luogo_chiave_.riga;
}

void lettura_treno::fuori_ordine(std::optional<int32_t>& ultima, int32_t p, const char* riga) {
    if (!controllo()) {
        return;
    }
    if (ultima && p < *ultima) {
        avvisa(avviso::posizioni_fuori_ordine, luogo_posizione_,
               std::string(riga) + " a " + std::to_string(p) +
                   " m, prima di quella della riga precedente (" + std::to_string(*ultima) +
                   " m): il suo valore vale per una sola cella");
    }
    ultima = p;
}

// The speed in force, in units of 5 km/h; one that does not fit the cell is a read failure
// of the row that set it. The compactor stops there; going on, that row counts as never
// read, and the speed it replaced is in force again.
void lettura_treno::scrivi_velocita() {
    const auto in_unita = [&] {
        const int32_t velocita = stato_.velocita.back().first;
        return al_campo(stato_.velocita.back().second,
                        [&] { return come_byte(arrotonda(velocita / 5.0)); });
    };
    uint8_t valore = 0;
    for (;;) {
        try {
            valore = in_unita();
            break;
        } catch (const errore_lettura& e) {
            if (!controllo()) {
                throw;
            }
            registra_guasto(e);
            stato_.velocita.pop_back();
            if (stato_.velocita.empty()) {
                stato_.velocita.push_back({0, {}});
            }
        }
    }
    stato_.velocita.erase(stato_.velocita.begin(), stato_.velocita.end() - 1);
    if (cella* c = cella_da_scrivere(c_, stato_.indice_velocita)) {
        c->velocita_limite = valore;
    }
    ++stato_.indice_velocita;
}

void lettura_treno::scrivi_aderenza() {
    if (cella* c = cella_da_scrivere(c_, stato_.indice_aderenza)) {
        c->aderenza = bassi_8_bit(stato_.aderenza_in_vigore);
    }
    ++stato_.indice_aderenza;
}

// Each speed row ends the run of the one before it, up to the cell before its own.
esito_riga lettura_treno::riga_velocita() {
    const int32_t p = leggi_posizione();
    const int32_t velocita = l_.leggi_long();
    const luogo_campo luogo_valore = l_.luogo();
    if (oltre_griglia(p, 100)) {
        return problema_al_campo(problema::posizione_oltre_la_griglia, p, luogo_posizione_,
                                 esito_riga::chiusura);
    }
    fuori_ordine(stato_.ultima_velocita, p, "velocità");
    if (controllo() && velocita % 5 != 0) {
        avvisa(avviso::velocita_non_multipla_di_5, luogo_valore,
               "velocità di " + std::to_string(velocita) +
                   " km/h, non multipla di 5: la griglia la tiene arrotondata a " +
                   std::to_string(arrotonda(velocita / 5.0) * 5) + " km/h");
    }
    const int64_t n = arrotonda(p / 50.0);
    if (n > 0) {
        do {
            if (stato_.indice_velocita >= c_.n_celle) {
                break;
            }
            scrivi_velocita();
        } while (stato_.indice_velocita < n);
    }
    // Going on after problems, a speed that fits a cell leaves no earlier one to fall back
    // on: they go, so that a row's copy of the state stays small however many speed rows
    // share one position.
    const int64_t unita = arrotonda(velocita / 5.0);
    if (!controllo() || (unita >= 0 && unita <= 255)) {
        stato_.velocita.clear();
    }
    stato_.velocita.emplace_back(velocita, luogo_valore);
    return esito_riga::prosegui;
}

// As the speed rows, but the value is kept as its low 8 bits and nothing stops the run at
// the grid's end (cells past it are simply not there).
esito_riga lettura_treno::riga_aderenza() {
    const int32_t p = leggi_posizione();
    const int32_t aderenza = l_.leggi_long();
    if (oltre_griglia(p, 100)) {
        return problema_al_campo(problema::posizione_oltre_la_griglia, p, luogo_posizione_,
                                 esito_riga::chiusura);
    }
    fuori_ordine(stato_.ultima_aderenza, p, "aderenza");
    const int64_t n = arrotonda(p / 50.0);
    if (n > 0) {
        do {
            scrivi_aderenza();
        } while (stato_.indice_aderenza < n);
    }
    stato_.aderenza_in_vigore = aderenza;
    return esito_riga::prosegui;
}

esito_riga lettura_treno::riga_segnale() {
    const int32_t posizione = leggi_posizione();
    const luogo_campo luogo = luogo_posizione_;
    int32_t valori[10];
    for (int32_t& v : valori) {
        v = l_.leggi_long();
    }
    auto& [sx, s1, s2, s3, rapp, dx, d1, d2, d3, tempo] = valori;
    if (oltre_griglia(posizione, 100)) {
        return problema_al_campo(problema::posizione_oltre_la_griglia, posizione, luogo,
                                 esito_riga::chiusura);
    }
    const std::optional<problema> rifiuto =
        c_.memo_segnale(posizione, sx, s1, s2, s3, rapp, dx, d1, d2, d3, tempo);
    if (!rifiuto) {
        segna_cella_della_riga(arrotonda(posizione / 50.0 + 1.0), luogo);
    }
    return dopo_la_memoria(rifiuto, posizione, luogo);
}

esito_riga lettura_treno::riga_rallentamento() {
    const int32_t x = leggi_posizione();
    const luogo_campo luogo = luogo_posizione_;
    int32_t v = l_.leggi_long();
    int32_t l = l_.leggi_long();
    const luogo_campo luogo_lunghezza = l_.luogo();
    int32_t f_tt = l_.leggi_long();
    const int32_t f_ta = l_.leggi_long();
    int32_t d_v = l_.leggi_long();
    if (oltre_griglia(x, 100)) {
        return problema_al_campo(problema::posizione_oltre_la_griglia, x, luogo,
                                 esito_riga::chiusura);
    }
    // x + l may leave the 32-bit range.
    const std::optional<problema> rifiuto =
        al_campo(luogo_lunghezza, [&] { return c_.memo_rallentamento(x, v, l, f_tt, f_ta, d_v); });
    if (!rifiuto || rifiuto == problema::celle_prima_dell_avviso_occupate) {
        // Start and advance cells are written before the four cells are tested.
        segna_cella_della_riga(arrotonda(x / 50.0 + 1.0), luogo);
        if (x > 1500) {
            segna_cella_della_riga(arrotonda((int64_t{x} - 1200) / 50.0 + 1.0), luogo);
        }
    }
    return dopo_la_memoria(rifiuto, x, luogo);
}

void lettura_treno::segna_cella_della_riga(int64_t c, const luogo_campo& luogo) {
    if (nella_griglia(c_, c)) {
        c_.celle.segna_riga(static_cast<int32_t>(c), luogo);
    }
}

esito_riga lettura_treno::riga_abbattimento() {
    const int32_t p = leggi_posizione();
    const int32_t valore = l_.leggi_long();
    if (oltre_griglia(p, 100)) {
        return problema_al_campo(problema::posizione_oltre_la_griglia, p, luogo_posizione_,
                                 esito_riga::chiusura);
    }
    const int64_t indice = arrotonda(p / 50.0);
    const cella* c = cella_in_griglia(c_, indice);
    if (c == nullptr) {
        return esito_riga::prosegui;
    }
    if (!libera(*c)) {
        return problema_al_campo(problema::abbattimento_su_cella_occupata, p, luogo_posizione_,
                                 esito_riga::interrotta);
    }
    cella& punto = c_.celle.scrivi(static_cast<std::size_t>(indice));
    if (valore > 0) {
        punto.tipo = tipo_cella::abbattimento_con_valore;
        punto.valore1 = bassi_16_bit(valore);
    } else {
        punto.tipo = tipo_cella::abbattimento_senza_valore;
    }
    return esito_riga::prosegui;
}

// A station into the next slot: its columns, its extent, its stop and approach cells, then
// the spacing from the previous station and the slots left.
esito_riga lettura_treno::riga_stazione() {
    // A slot that holds a sign text is never given to a station.
    if (stato_.k > std::min(c_.prossimo_cartello, 80)) {
        return problema_al_campo(problema::troppe_stazioni, std::nullopt, luogo_chiave_,
                                 esito_riga::interrotta);
    }
    voce& stazione = c_.voci.scrivi(static_cast<std::size_t>(stato_.k));
    const int32_t p = leggi_posizione();
    stazione.dato3 = p;
    if (oltre_griglia(p, 800)) {
        return problema_al_campo(problema::posizione_oltre_la_griglia, p, luogo_posizione_,
                                 esito_riga::chiusura);
    }
    if (p % 50 != 0) {
        return fuori_passo(problema::stazione_non_multipla_di_50, p, luogo_posizione_, p, 50,
                           esito_riga::interrotta);
    }
    if (controllo()) {
        // Before the spacing test, which such a station fails: this says why.
        if (stato_.ultima_stazione && p < *stato_.ultima_stazione) {
            avvisa(avviso::stazioni_fuori_ordine, luogo_posizione_,
                   "stazione a " + std::to_string(p) + " m, prima della precedente (" +
                       std::to_string(*stato_.ultima_stazione) +
                       " m): le stazioni vanno in ordine di percorso");
        }
        stato_.ultima_stazione = p;
    }
    if (const esito_riga e = campi_stazione(stazione, p); e != esito_riga::prosegui) {
        return e;
    }
    if (const esito_riga e = celle_stazione(stazione); e != esito_riga::prosegui) {
        return e;
    }
    if (stato_.k > 1) {
        const bool troppo_vicina = al_campo(luogo_posizione_, [&] {
            return come_long(int64_t{stazione.dato1} - 350) <
                   c_.voci[static_cast<std::size_t>(stato_.k - 1)].dato2;
        });
        if (troppo_vicina) {
            return problema_al_campo(problema::stazioni_troppo_vicine, p, luogo_posizione_,
                                     esito_riga::interrotta);
        }
    }
    if (controllo()) {
        avviso_orario(stazione.dato_finale, stato_.luogo_orario);
    }
    ++stato_.k;
    if (stato_.k >= c_.prossimo_cartello) {
        return problema_al_campo(problema::troppe_stazioni, std::nullopt, luogo_posizione_,
                                 esito_riga::interrotta);
    }
    return esito_riga::prosegui;
}

// Columns 2 to 17 into the station's record, then its extent.
esito_riga lettura_treno::campi_stazione(voce& stazione, int32_t p) {
    stazione.marca = l_.leggi_byte();
    const int32_t lunghezza = l_.leggi_long();
    const luogo_campo luogo_lunghezza = l_.luogo();
    if (lunghezza % 100 != 0) {
        return fuori_passo(problema::lunghezza_stazione_non_multipla_di_100, p, luogo_lunghezza,
                           lunghezza, 100, esito_riga::interrotta);
    }
    stazione.segno = l_.leggi_byte();
    stazione.flag4 = l_.leggi_byte();
    stazione.flag3 = l_.leggi_byte();
    stazione.intero1 = l_.leggi_integer();
    stazione.intero2 = l_.leggi_integer();
    stazione.flag1 = l_.leggi_byte();
    stazione.intero3 = l_.leggi_integer();
    stazione.intero4 = l_.leggi_integer();
    stazione.intero5 = l_.leggi_integer();
    stazione.flag2 = l_.leggi_byte();
    const int32_t ore = l_.leggi_long();
    stato_.luogo_orario = l_.luogo();
    const int32_t minuti = l_.leggi_long();
    const int32_t secondi = l_.leggi_long();
    // A name too long for its 2-byte length is refused before it reaches the record:
    // the compact files are still written after a read failure.
    std::string nome = leggi_testo();
    if (nome.size() > formato::byte_nome_massimo) {
        throw errore_lettura("nome della stazione oltre 32767 caratteri");
    }
    stazione.nome = std::move(nome);
    // The whole row is read before the departure time is computed, each step in 32 bits
    // as the time is held.
    stazione.dato_finale = al_campo(stato_.luogo_orario, [&] {
        const int32_t ore_in_minuti = come_long(int64_t{ore} * 60);
        const int32_t minuti_totali = come_long(int64_t{ore_in_minuti} + minuti);
        const int32_t secondi_totali = come_long(int64_t{minuti_totali} * 60);
        return come_long(int64_t{secondi_totali} + secondi);
    });
    al_campo(luogo_lunghezza, [&] { estensione_stazione(stazione, p, lunghezza); });
    if (lunghezza < 600) {
        stazione.flag4 = 0;
    }
    if (stato_.k == 1) {
        stazione.flag3 = 0;
        stazione.flag4 = 0;
    }
    return esito_riga::prosegui;
}

// Where the station begins and ends, by kind; the multiples required of position and
// length keep the halves exact.
void lettura_treno::estensione_stazione(voce& stazione, int32_t p, int32_t lunghezza) {
    const uint8_t tipo = stazione.marca;
    if (tipo == 5 || tipo == 6) {
        stazione.dato1 = come_long(int64_t{p} - lunghezza);
        stazione.dato2 = come_long(int64_t{p} + 150);
        stazione.flag3 = 0;
    } else if (tipo == 7 || tipo == 8) {
        stazione.dato1 = come_long(int64_t{p} - lunghezza);
        stazione.dato2 = come_long(int64_t{p} + lunghezza);
        stazione.flag3 = 0;
    } else {
        const int64_t meta = lunghezza / 2;
        stazione.dato1 = come_long(int64_t{p} - meta);
        stazione.dato2 = come_long(int64_t{p} + meta + (stazione.flag3 != 0 ? 50 : 0));
    }
}

// The approach cells and the stop cell of a station that has them, before its end.
esito_riga lettura_treno::celle_stazione(const voce& stazione) {
    const uint8_t tipo = stazione.marca;
    const int64_t ultima_cella = arrotonda(stazione.dato2 / 50.0);
    if (tipo < 25 && tipo != 5 && tipo != 6) {
        for (int j = 1; j <= 4; ++j) {
            const int64_t c = ultima_cella - j - 1;
            if (c > 1) {
                if (cella* avvicinamento = cella_da_scrivere(c_, c)) {
                    avvicinamento->codice = static_cast<uint8_t>(80 + j);
                }
            }
        }
    }
    if (tipo < 25) {
        const int64_t c = ultima_cella - 1;
        if (c <= 1) {
            return problema_al_campo(problema::fermata_nei_primi_100_m, std::nullopt,
                                     luogo_posizione_, esito_riga::interrotta);
        }
        if (cella* fermata = cella_da_scrivere(c_, c)) {
            fermata->tipo = tipo_cella::fermata;
            fermata->valore1 = static_cast<int16_t>(stato_.k);
        }
    }
    return esito_riga::prosegui;
}

// End of the file or a position beyond the grid: the speed and adhesion runs reach the
// grid's last track cell, then the chainage records are checked; a value off the 50 m
// step names the line file's row that gave it.
void lettura_treno::chiusura() {
    do {
        scrivi_velocita();
    } while (stato_.indice_velocita < c_.n_celle - 2);
    do {
        scrivi_aderenza();
    } while (stato_.indice_aderenza < c_.n_celle - 2);
    for (std::size_t i = 0; i < 3; ++i) {
        const voce& v = c_.voci[81 + i];
        if (v.dato1 % 50 != 0 || v.dato2 % 50 != 0) {
            const campi_progressiva& riga = c_.righe_progressive[i];
            const std::optional<luogo_campo>& campo =
                v.dato1 % 50 != 0 ? riga.inizio : riga.progressiva;
            if (campo) {
                c_.registra(problema::progressiva_non_multipla_di_50, std::nullopt,
                            c_.origine_di({file_sorgente::linea, *campo}));
            } else {
                c_.registra_sul_file(problema::progressiva_non_multipla_di_50,
                                     nomi_file::sorgente_linea(c_.cartelle().sorgenti,
                                                               c_.identita()));
            }
            return;
        }
    }
}

esito_riga lettura_treno::dopo_la_memoria(std::optional<problema> rifiuto, int32_t posizione,
                                          const luogo_campo& luogo) {
    if (rifiuto) {
        return problema_al_campo(*rifiuto, posizione, luogo, esito_riga::interrotta);
    }
    if (controllo()) {
        // After a position beyond the line's grid the compactor stops here.
        if (c_.primo_problema_linea == problema::posizione_oltre_la_griglia) {
            for (problema_registrato& p : c_.problemi) {
                if (p.codice == problema::posizione_oltre_la_griglia && !p.lettura_fermata) {
                    p.lettura_fermata = origine(luogo);
                    segna_fermata(luogo);
                }
                break;
            }
        }
        return esito_riga::prosegui;
    }
    if (c_.codice_errore <= 0) {
        return esito_riga::prosegui;
    }
    // A code left earlier (the line phase's 15) ends the reading here: it keeps its own
    // row and learns where the train file's reading stopped.
    c_.posizione_errore = posizione;
    if (!c_.problemi.empty() && numero(c_.problemi.back().codice) == c_.codice_errore) {
        c_.problemi.back().lettura_fermata = origine(luogo);
    }
    return esito_riga::interrotta;
}
void lettura_treno::avviso_orario(int32_t orario, const luogo_campo& luogo) {
    if (orario == 0) {
        return;  // no stop, no timetable
    }
    if (stato_.ultimo_orario && orario < *stato_.ultimo_orario) {
        const auto ora = [](int32_t secondi) {
            char testo[16];
            std::snprintf(testo, sizeof testo, "%02d:%02d:%02d", secondi / 3600, secondi / 60 % 60,
                          secondi % 60);
            return std::string(testo);
        };
        avvisa(avviso::orario_all_indietro, luogo,
               "partenza alle " + ora(orario) + ", prima di quella della stazione precedente (" +
                   ora(*stato_.ultimo_orario) + ")");
    }
    stato_.ultimo_orario = orario;
}

}  // namespace

void compattatore::leggi_treno(modo_lettura modo) {
    const std::filesystem::path file = nomi_file::sorgente_treno(cartelle().sorgenti, identita());
    // The source file is transient: it goes whatever the outcome of the reading.
    struct eliminazione {
        const compattatore& c;
        const std::filesystem::path& file;
        ~eliminazione() { c.elimina_sorgente(file); }
    } alla_fine{*this, file};

    if (modo == modo_lettura::controllo && primo_problema_linea &&
        primo_problema_linea != problema::posizione_oltre_la_griglia) {
        avvisa(avviso::righe_non_lette, file_sorgente::treno, std::nullopt,
               "il compattatore non legge questo file: si ferma prima, al problema " +
                   std::to_string(numero(*primo_problema_linea)) + " del file della linea");
    }
    lettura_treno lettura(*this, file_sorgente::treno, file, leggi_sorgente(file), modo);
    lettura.con_guasti_registrati([&] { lettura.esegui(); });
}
