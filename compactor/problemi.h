// The problem codes that the readers, the stores and the walk leave in codice_errore:
// one list of the codes, from which come the named values and the table of what each
// means to a scenario author.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

// Every code, in increasing order, as X(name, number, whether a position in metres can
// belong to it, the text the programs print), each under a line saying what it means.
// clang-format off
#define PROBLEMI(X)                                                                                \
    /* 1: route length outside 0 to 1000000 m. */                                                  \
    X(lunghezza_percorso_fuori_limiti, 1, false, "lunghezza del percorso fuori da 0 - 1000000 m")  \
    /* 2: a kilometric chainage (start or value) is not a multiple of 50 m. */                     \
    X(progressiva_non_multipla_di_50, 2, false, "progressiva chilometrica non multipla di 50 m")   \
    /* 3: first cab-signal repetition position not a multiple of 50 m. */                          \
    X(prima_ripetizione_non_multipla_di_50, 3, false,                                              \
      "prima posizione di ripetizione segnali non multipla di 50 m")                               \
    /* 4: second cab-signal repetition position not a multiple of 50 m. */                         \
    X(seconda_ripetizione_non_multipla_di_50, 4, false,                                            \
      "seconda posizione di ripetizione segnali non multipla di 50 m")                             \
    /* 5: the cab-signal repetition row names neither 4 nor 9 codes. */                            \
    X(ripetizione_senza_4_o_9_codici, 5, false,                                                    \
      "la riga di ripetizione segnali non indica 4 o 9 codici")                                    \
    /* 6: an indicator sign on a cell that already holds an object. */                             \
    X(cartello_indicatore_su_cella_occupata, 6, true,                                              \
      "cartello indicatore su una cella già occupata")                                             \
    /* 7: an "abbattimento" row on a cell that already holds an object. */                         \
    X(abbattimento_su_cella_occupata, 7, true, "abbattimento su una cella già occupata")           \
    /* 8: a station position that is not a multiple of 50 m. */                                    \
    X(stazione_non_multipla_di_50, 8, true, "posizione della stazione non multipla di 50 m")       \
    /* 9: a station length that is not a multiple of 100 m. */                                     \
    X(lunghezza_stazione_non_multipla_di_100, 9, true,                                             \
      "lunghezza della stazione non multipla di 100 m")                                            \
    /* 10: too many stations: the station records have reached the sign texts. */                  \
    X(troppe_stazioni, 10, false, "troppe stazioni: gli spazi dei record sono esauriti")           \
    /* 11: a signal before a slowdown's advance cell has no free cell in front of it. */           \
    X(segnale_prima_dell_avviso_senza_cella_libera, 11, true,                                      \
      "segnale prima di un avviso di rallentamento senza cella libera davanti")                    \
    /* 12: no free cell for a point before a slowdown's start. */                                  \
    X(nessuna_cella_libera_prima_del_rallentamento, 12, true,                                      \
      "nessuna cella libera per un abbattimento prima dell'inizio di un rallentamento")            \
    /* 13: no free cell for a point along a slow slowdown or before the signal after it. */        \
    X(nessuna_cella_libera_lungo_il_rallentamento, 13, true,                                       \
      "nessuna cella libera per un abbattimento lungo o dopo un rallentamento")                    \
    /* 14: a slow slowdown has no end cell before the end of the grid. */                          \
    X(rallentamento_senza_cella_di_fine, 14, true,                                                 \
      "rallentamento lento senza cella di fine prima del termine della griglia")                   \
    /* 15: a position beyond the end of the grid, or negative. */                                  \
    X(posizione_oltre_la_griglia, 15, true, "posizione oltre la fine della griglia (o negativa)")  \
    /* 16: a signal on a cell that already holds an object. */                                     \
    X(segnale_su_cella_occupata, 16, true, "segnale su una cella già occupata")                    \
    /* 17: a slowdown's advance cell is taken. */                                                  \
    X(avviso_rallentamento_occupato, 17, true, "cella di avviso del rallentamento già occupata")   \
    /* 18: a slowdown's start cell is taken. */                                                    \
    X(inizio_rallentamento_occupato, 18, true, "cella di inizio del rallentamento già occupata")   \
    /* 19: a slowdown's end cell is taken. */                                                      \
    X(fine_rallentamento_occupata, 19, true, "cella di fine del rallentamento già occupata")       \
    /* 20: one of the four cells before a slowdown's advance cell is taken. */                     \
    X(celle_prima_dell_avviso_occupate, 20, true,                                                  \
      "celle prima dell'avviso del rallentamento già occupate")                                    \
    /* 21: a maximum-speed sign on a cell that already holds an object. */                         \
    X(cartello_v_max_su_cella_occupata, 21, true,                                                  \
      "cartello di velocità massima su una cella già occupata")                                    \
    /* 22: a station begins less than 350 m after the end of the previous one. */                  \
    X(stazioni_troppo_vicine, 22, true, "stazione a meno di 350 m dalla fine della precedente")    \
    /* 24: a stopping station ends within the first 100 m. */                                      \
    X(fermata_nei_primi_100_m, 24, false, "stazione con fermata che finisce entro i primi 100 m")  \
    /* 25: read failure: a source file cannot be read, ends inside a row, or holds a value         \
       that is not a whole number or does not fit its column. */                                   \
    X(errore_di_lettura, 25, false,                                                                \
      "errore di lettura: file illeggibile, troncato o valore non valido")                         \
    /* 101: the line source file is missing. */                                                    \
    X(file_linea_mancante, 101, false, "file della linea mancante")                                \
    /* 102: the line source file has no "[generale]" section. */                                   \
    X(sezione_generale_mancante, 102, false,                                                       \
      "sezione [generale] non trovata nel file della linea")                                       \
    /* 103: a curve keyword without a digit 1 to 6, a curve beyond the end of the plan (with       \
       the curve's start as position), or a plan past point 1000000. */                            \
    X(curva_non_valida, 103, true, "curva senza grado 1-6 o oltre la fine del tracciato")          \
    /* 104: more than 81 indicator signs. */                                                       \
    X(troppi_cartelli_indicatori, 104, true, "troppi cartelli indicatori (più di 81)")             \
    /* 105: more than 80 mountain rows. */                                                         \
    X(troppe_montagne, 105, true, "troppe montagne (più di 80)")
// clang-format on

enum class problema : int32_t {
#define PROBLEMA_VALORE(nome, numero, posizione, significato) nome = numero,
    PROBLEMI(PROBLEMA_VALORE)
#undef PROBLEMA_VALORE
};

// The number a problem has in codice_errore.
constexpr int32_t numero(problema p) {
    return static_cast<int32_t>(p);
}

struct descrizione_problema {
    problema codice;
    std::string_view nome;         // the name above, for tools that read our output
    std::string_view significato;  // the text the programs print
    bool ha_posizione;             // whether a position in metres can belong to the code
};

// Every code, in increasing order.
std::span<const descrizione_problema> tabella_problemi();

// nullptr for a number that is no problem code.
const descrizione_problema* descrivi_problema(int32_t codice);
