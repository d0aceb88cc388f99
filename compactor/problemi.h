// The problem codes that the readers, the stores and the walk leave in codice_errore:
// one named value per code, and one table with what each means to a scenario author.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

enum class problema : int32_t {
    lunghezza_percorso_fuori_limiti = 1,
    progressiva_non_multipla_di_50 = 2,
    prima_ripetizione_non_multipla_di_50 = 3,
    seconda_ripetizione_non_multipla_di_50 = 4,
    ripetizione_senza_4_o_9_codici = 5,
    cartello_indicatore_su_cella_occupata = 6,
    abbattimento_su_cella_occupata = 7,
    stazione_non_multipla_di_50 = 8,
    lunghezza_stazione_non_multipla_di_100 = 9,
    troppe_stazioni = 10,
    segnale_prima_dell_avviso_senza_cella_libera = 11,
    nessuna_cella_libera_prima_del_rallentamento = 12,
    nessuna_cella_libera_lungo_il_rallentamento = 13,
    rallentamento_senza_cella_di_fine = 14,
    posizione_oltre_la_griglia = 15,
    segnale_su_cella_occupata = 16,
    avviso_rallentamento_occupato = 17,
    inizio_rallentamento_occupato = 18,
    fine_rallentamento_occupata = 19,
    celle_prima_dell_avviso_occupate = 20,
    cartello_v_max_su_cella_occupata = 21,
    stazioni_troppo_vicine = 22,
    fermata_nei_primi_100_m = 24,
    errore_di_lettura = 25,
    file_linea_mancante = 101,
    sezione_generale_mancante = 102,
    curva_non_valida = 103,
    troppi_cartelli_indicatori = 104,
    troppe_montagne = 105,
};

// The number a problem has in codice_errore.
constexpr int32_t numero(problema p) {
    return static_cast<int32_t>(p);
}

// What gives rise to a problem: a row of a source file (its field can be shown), a source
// file as a whole, or the grid walk after both files have been read.
enum class causa_problema { riga, file, cammino };

struct descrizione_problema {
    problema codice;
    std::string_view nome;         // the name above, for tools that read our output
    std::string_view significato;  // the text the programs print
    bool ha_posizione;             // whether a position in metres can belong to the code
    causa_problema causa;
};

// Every code, in increasing order.
std::span<const descrizione_problema> tabella_problemi();

// nullptr for a number that is no problem code.
const descrizione_problema* descrivi_problema(int32_t codice);
