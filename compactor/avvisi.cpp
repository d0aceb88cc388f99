// Names of the checker's warnings.
#include "compactor/avvisi.h"

std::string_view nome_avviso(avviso a) {
    switch (a) {
        case avviso::campo_sconosciuto: return "campo_sconosciuto";
        case avviso::testo_su_piu_righe: return "testo_su_piu_righe";
        case avviso::treno_senza_righe: return "treno_senza_righe";
        case avviso::byte_di_controllo: return "byte_di_controllo";
        case avviso::righe_non_lette: return "righe_non_lette";
        case avviso::stazioni_fuori_ordine: return "stazioni_fuori_ordine";
        case avviso::orario_all_indietro: return "orario_all_indietro";
        case avviso::velocita_non_multipla_di_5: return "velocita_non_multipla_di_5";
        case avviso::riga_generale_ripetuta: return "riga_generale_ripetuta";
        case avviso::lunghezza_ripetuta: return "lunghezza_ripetuta";
        case avviso::posizioni_fuori_ordine: return "posizioni_fuori_ordine";
        case avviso::curve_sovrapposte: return "curve_sovrapposte";
    }
    return "avviso";
}

bool dice_cosa_fa_la_riga(avviso a) {
    switch (a) {
        case avviso::orario_all_indietro:
        case avviso::velocita_non_multipla_di_5:
        case avviso::riga_generale_ripetuta:
        case avviso::lunghezza_ripetuta:
        case avviso::posizioni_fuori_ordine:
        case avviso::curve_sovrapposte: return true;
        case avviso::campo_sconosciuto:
        case avviso::testo_su_piu_righe:
        case avviso::treno_senza_righe:
        case avviso::byte_di_controllo:
        case avviso::righe_non_lette:
        case avviso::stazioni_fuori_ordine: return false;
    }
    return false;
}
