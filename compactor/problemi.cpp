// The table of problem codes.
#include "compactor/problemi.h"

#include <array>

namespace {

using enum causa_problema;
#define VOCE(nome) problema::nome, #nome

constexpr std::array<descrizione_problema, 29> problemi{{
    {VOCE(lunghezza_percorso_fuori_limiti), "lunghezza del percorso fuori da 0 - 1000000 m", false,
     riga},
    {VOCE(progressiva_non_multipla_di_50), "progressiva chilometrica non multipla di 50 m", false,
     file},
    {VOCE(prima_ripetizione_non_multipla_di_50),
     "prima posizione di ripetizione segnali non multipla di 50 m", false, riga},
    {VOCE(seconda_ripetizione_non_multipla_di_50),
     "seconda posizione di ripetizione segnali non multipla di 50 m", false, riga},
    {VOCE(ripetizione_senza_4_o_9_codici), "la riga di ripetizione segnali non indica 4 o 9 codici",
     false, riga},
    {VOCE(cartello_indicatore_su_cella_occupata), "cartello indicatore su una cella già occupata",
     true, riga},
    {VOCE(abbattimento_su_cella_occupata), "abbattimento su una cella già occupata", true, riga},
    {VOCE(stazione_non_multipla_di_50), "posizione della stazione non multipla di 50 m", true,
     riga},
    {VOCE(lunghezza_stazione_non_multipla_di_100), "lunghezza della stazione non multipla di 100 m",
     true, riga},
    {VOCE(troppe_stazioni), "troppe stazioni: gli spazi dei record sono esauriti", false, riga},
    {VOCE(segnale_prima_dell_avviso_senza_cella_libera),
     "segnale prima di un avviso di rallentamento senza cella libera davanti", true, cammino},
    {VOCE(nessuna_cella_libera_prima_del_rallentamento),
     "nessuna cella libera per un abbattimento prima dell'inizio di un rallentamento", true,
     cammino},
    {VOCE(nessuna_cella_libera_lungo_il_rallentamento),
     "nessuna cella libera per un abbattimento lungo o dopo un rallentamento", true, cammino},
    {VOCE(rallentamento_senza_cella_di_fine),
     "rallentamento lento senza cella di fine prima del termine della griglia", true, cammino},
    {VOCE(posizione_oltre_la_griglia), "posizione oltre la fine della griglia (o negativa)", true,
     riga},
    {VOCE(segnale_su_cella_occupata), "segnale su una cella già occupata", true, riga},
    {VOCE(avviso_rallentamento_occupato), "cella di avviso del rallentamento già occupata", true,
     riga},
    {VOCE(inizio_rallentamento_occupato), "cella di inizio del rallentamento già occupata", true,
     riga},
    {VOCE(fine_rallentamento_occupata), "cella di fine del rallentamento già occupata", true, riga},
    {VOCE(celle_prima_dell_avviso_occupate),
     "celle prima dell'avviso del rallentamento già occupate", true, riga},
    {VOCE(cartello_v_max_su_cella_occupata),
     "cartello di velocità massima su una cella già occupata", true, riga},
    {VOCE(stazioni_troppo_vicine), "stazione a meno di 350 m dalla fine della precedente", true,
     riga},
    {VOCE(fermata_nei_primi_100_m), "stazione con fermata che finisce entro i primi 100 m", false,
     riga},
    {VOCE(errore_di_lettura), "errore di lettura: file illeggibile, troncato o valore non valido",
     false, riga},
    {VOCE(file_linea_mancante), "file della linea mancante", false, file},
    {VOCE(sezione_generale_mancante), "sezione [generale] non trovata nel file della linea", false,
     file},
    {VOCE(curva_non_valida), "curva senza grado 1-6 o oltre la fine del tracciato", true, riga},
    {VOCE(troppi_cartelli_indicatori), "troppi cartelli indicatori (più di 81)", true, riga},
    {VOCE(troppe_montagne), "troppe montagne (più di 80)", true, riga},
}};

#undef VOCE

}  // namespace

std::span<const descrizione_problema> tabella_problemi() {
    return problemi;
}

const descrizione_problema* descrivi_problema(int32_t codice) {
    for (const descrizione_problema& p : problemi) {
        if (numero(p.codice) == codice) {
            return &p;
        }
    }
    return nullptr;
}
