// The table of problem codes.
#include "compactor/problemi.h"

#include <array>

namespace {

constexpr std::array<descrizione_problema, 29> problemi{{
    {1, false, "lunghezza del percorso fuori da 0 - 1000000 m"},
    {2, false, "progressiva chilometrica non multipla di 50 m"},
    {3, false, "prima posizione di ripetizione segnali non multipla di 50 m"},
    {4, false, "seconda posizione di ripetizione segnali non multipla di 50 m"},
    {5, false, "la riga di ripetizione segnali non indica 4 o 9 codici"},
    {6, true, "cartello indicatore su una cella già occupata"},
    {7, true, "abbattimento su una cella già occupata"},
    {8, true, "posizione della stazione non multipla di 50 m"},
    {9, true, "lunghezza della stazione non multipla di 100 m"},
    {10, false, "troppe stazioni: gli spazi dei record sono esauriti"},
    {11, true, "segnale prima di un avviso di rallentamento senza cella libera davanti"},
    {12, true, "nessuna cella libera per un abbattimento prima dell'inizio di un rallentamento"},
    {13, true, "nessuna cella libera per un abbattimento lungo o dopo un rallentamento"},
    {14, true, "rallentamento lento senza cella di fine prima del termine della griglia"},
    {15, true, "posizione oltre la fine della griglia (o negativa)"},
    {16, true, "segnale su una cella già occupata"},
    {17, true, "cella di avviso del rallentamento già occupata"},
    {18, true, "cella di inizio del rallentamento già occupata"},
    {19, true, "cella di fine del rallentamento già occupata"},
    {20, true, "celle prima dell'avviso del rallentamento già occupate"},
    {21, true, "cartello di velocità massima su una cella già occupata"},
    {22, true, "stazione a meno di 350 m dalla fine della precedente"},
    {24, false, "stazione con fermata che finisce entro i primi 100 m"},
    {25, false, "errore di lettura: file illeggibile, troncato o valore non valido"},
    {101, false, "file della linea mancante"},
    {102, false, "sezione [generale] non trovata nel file della linea"},
    {103, false, "curva senza grado 1-6 o oltre la fine del tracciato"},
    {104, true, "troppi cartelli indicatori (più di 81)"},
    {105, true, "troppe montagne (più di 80)"},
}};

}  // namespace

const descrizione_problema* descrivi_problema(int32_t codice) {
    for (const descrizione_problema& p : problemi) {
        if (p.codice == codice) {
            return &p;
        }
    }
    return nullptr;
}
