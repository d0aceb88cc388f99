// Entry point of compattatore: reads the command line and runs one command.
#include "comune/errore_esecuzione.h"
#include "comune/processo.h"
#include "tools/decompila.h"
#include "tools/strumento.h"

#include <algorithm>
#include <iostream>
#include <string>
#include <vector>

namespace {

// VERSIONE_PROGRAMMI: the version of project() in the top CMakeLists.txt.
constexpr std::string_view versione = "compattatore " VERSIONE_PROGRAMMI;

constexpr std::string_view sinossi =
    "Uso: compattatore esporta DIR\n"
    "     compattatore compatta [--senza-linea] DIR SCENARIO TRENO\n"
    "     compattatore controlla [--formato=testo|json] [--avvisi-come-problemi] DIR SCENARIO "
    "TRENO\n"
    "     compattatore mostra FILE\n"
    "     compattatore pianta DIR SCENARIO TRENO FILE.svg\n"
    "     compattatore decompila [--senza-linea] [--parziale] [--sovrascrivi] DIR SCENARIO "
    "TRENO [USCITA]\n"
    "     compattatore --help | --version\n";

constexpr std::string_view dettagli =
    "\n"
    "  esporta   scrive in DIR i cinque testi dello scenario Orvesa_Cusvana, treno 5927,\n"
    "            come li scrive orvesa_cusvana\n"
    "  compatta  compatta DIR/SCENARIO_linea.txt e DIR/SCENARIO_TRENO-.txt nei file\n"
    "            DIR/SCENARIO_linea.dat, DIR/SCENARIO_TRENO.sim e DIR/SCENARIO_TRENO.dat;\n"
    "            i file sorgente restano come sono; con --senza-linea SCENARIO_linea.dat\n"
    "            non viene scritto\n"
    "  controlla elenca ogni problema e ogni riga sospetta (avviso) dei due file sorgente di\n"
    "            DIR, nell'ordine dei file, senza scrivere nulla; --formato=json scrive un\n"
    "            oggetto JSON per riga; --avvisi-come-problemi conta gli avvisi come problemi\n"
    "  mostra    decodifica un file .sim, .dat o _linea.dat in una tabella leggibile\n"
    "  pianta    disegna dai tre file compatti di DIR la pianta del percorso, il profilo\n"
    "            altimetrico e la velocit\xC3\xA0 massima in un file SVG\n"
    "  decompila riscrive dai tre file compatti di DIR le due sorgenti, in USCITA (DIR se\n"
    "            manca), che compattate li ridanno byte per byte\n"
    "\n"
    "SCENARIO e TRENO: solo caratteri ASCII stampabili, senza '/', '\\' e '..', non vuoti\n"
    "e non inizianti con '-'.\n"
    "\n"
    "Stato d'uscita: 0 fatto; 1 errore di esecuzione; 2 controllo d'intestazione fallito\n"
    "(nessun file compatto scritto); 3 file compatti scritti ma problema nei dati\n"
    "sorgente (controlla: almeno un problema); 64 riga di comando errata.\n";

identita_scenario identita_da(const std::string& scenario, const std::string& treno) {
    controlla_nome("SCENARIO", scenario);
    controlla_nome("TRENO", treno);
    return {scenario, treno};
}

void chiedi_argomenti(const std::vector<std::string>& argomenti, std::size_t quanti,
                      const std::string& comando) {
    if (argomenti.size() != quanti) {
        throw errore_uso("il comando " + comando + " vuole " + std::to_string(quanti) +
                         (quanti == 1 ? " argomento" : " argomenti") + ", ne ha " +
                         std::to_string(argomenti.size()));
    }
}

int esegui_decompila(const std::vector<std::string>& argomenti) {
    opzioni_decompila opzioni;
    std::vector<std::string> posizionali;
    for (const std::string& a : argomenti) {
        if (a == "--senza-linea" || a == "--parziale" || a == "--sovrascrivi") {
            (a == "--senza-linea" ? opzioni.senza_linea
             : a == "--parziale"  ? opzioni.parziale
                                  : opzioni.sovrascrivi) = true;
        } else if (a.starts_with("--")) {
            throw errore_uso("opzione sconosciuta: " + a);
        } else {
            posizionali.push_back(a);
        }
    }
    if (posizionali.size() != 4) {
        chiedi_argomenti(posizionali, 3, "decompila");
    }
    return comando_decompila(posizionali[0], identita_da(posizionali[1], posizionali[2]),
                             posizionali.size() == 4 ? posizionali[3] : posizionali[0], opzioni);
}

int esegui(const std::string& comando, std::vector<std::string> argomenti) {
    if (comando == "esporta") {
        chiedi_argomenti(argomenti, 1, comando);
        return comando_esporta(argomenti[0]);
    }
    if (comando == "compatta") {
        bool senza_linea = false;
        std::vector<std::string> posizionali;
        for (const std::string& a : argomenti) {
            if (a == "--senza-linea") {
                senza_linea = true;
            } else if (a.starts_with("--")) {
                throw errore_uso("opzione sconosciuta: " + a);
            } else {
                posizionali.push_back(a);
            }
        }
        chiedi_argomenti(posizionali, 3, comando);
        return comando_compatta(posizionali[0], identita_da(posizionali[1], posizionali[2]),
                                senza_linea);
    }
    if (comando == "controlla") {
        opzioni_controllo opzioni;
        std::vector<std::string> posizionali;
        for (const std::string& a : argomenti) {
            if (a == "--formato=testo") {
                opzioni.formato = formato_controllo::testo;
            } else if (a == "--formato=json") {
                opzioni.formato = formato_controllo::json;
            } else if (a == "--avvisi-come-problemi") {
                opzioni.avvisi_come_problemi = true;
            } else if (a.starts_with("--")) {
                throw errore_uso("opzione sconosciuta: " + a);
            } else {
                posizionali.push_back(a);
            }
        }
        chiedi_argomenti(posizionali, 3, comando);
        return comando_controlla(posizionali[0], identita_da(posizionali[1], posizionali[2]),
                                 opzioni);
    }
    if (comando == "mostra") {
        chiedi_argomenti(argomenti, 1, comando);
        return comando_mostra(argomenti[0]);
    }
    if (comando == "pianta") {
        chiedi_argomenti(argomenti, 4, comando);
        return comando_pianta(argomenti[0], identita_da(argomenti[1], argomenti[2]), argomenti[3]);
    }
    if (comando == "decompila") {
        return esegui_decompila(argomenti);
    }
    throw errore_uso("comando sconosciuto: " + comando);
}

}  // namespace

int main(int argc, char** argv) {
    prepara_processo();
    const std::vector<std::string> argomenti(argv + std::min(argc, 1), argv + argc);
    if (argomenti.size() == 1 && argomenti[0] == "--help") {
        std::cout << sinossi << dettagli;
        return stato_uscita::fatto;
    }
    if (argomenti.size() == 1 && argomenti[0] == "--version") {
        std::cout << versione << "\n";
        return stato_uscita::fatto;
    }
    try {
        if (argomenti.empty()) {
            throw errore_uso("manca il comando");
        }
        return esegui(argomenti[0], {argomenti.begin() + 1, argomenti.end()});
    } catch (const errore_uso& e) {
        std::cerr << "compattatore: " << e.what() << "\n"
                  << sinossi << "Dettagli: compattatore --help\n";
        return stato_uscita::uso_errato;
    } catch (const std::exception& e) {  // errore_esecuzione and the library's own
        std::cerr << "compattatore: " << e.what() << "\n";
    }
    return stato_uscita::errore_esecuzione;
}
