// The command line of compattatore on CLI11: each command's definition (comandi()) is
// turned into a CLI11 subcommand, the help is written in Italian from the definitions by a
// formatter, and CLI11's findings become one-line Italian messages with status 64.
#include "tools/riga_di_comando.h"

#include "comune/stato_uscita.h"
#include "tools/errore_uso.h"
#include "tools/decompila.h"
#include "tools/lsp/server.h"
#include "tools/libreria.h"
#include "tools/osserva.h"
#include "tools/scenari.h"
#include "tools/strumento.h"
#include "tools/vedi.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <iostream>
#include <memory>
#include <sstream>
#include <thread>

std::optional<std::string> parametri::valore(const std::string& nome) const {
    const auto trovata = opzioni.find(nome);
    if (trovata == opzioni.end()) {
        return std::nullopt;
    }
    return trovata->second;
}

std::optional<int> parametri::numero(const std::string& nome, int minimo) const {
    const std::optional<std::string> testo = valore(nome);
    if (!testo) {
        return std::nullopt;
    }
    int n = 0;
    const char* fine = testo->data() + testo->size();
    const auto [dove, errore] = std::from_chars(testo->data(), fine, n);
    if (errore != std::errc() || dove != fine || n < minimo) {
        throw errore_uso("l'opzione " + nome + " vuole un numero intero da " +
                         std::to_string(minimo) + " in su, non \"" + *testo + "\"");
    }
    return n;
}

namespace {

constexpr std::string_view versione = "compattatore " VERSIONE_PROGRAMMI;

identita_scenario identita_da(const parametri& p, std::size_t primo) {
    controlla_nome("SCENARIO", p.argomenti[primo]);
    controlla_nome("TRENO", p.argomenti[primo + 1]);
    return {p.argomenti[primo], p.argomenti[primo + 1]};
}

int esegui_esporta(const parametri& p) {
    return comando_esporta(p.argomenti[0]);
}

// Library mode when no SCENARIO TRENO is given.
opzioni_libreria opzioni_di_libreria(const parametri& p) {
    opzioni_libreria opzioni;
    opzioni.senza_linea = p.ha("--senza-linea");
    opzioni.lavori =
        p.numero("--lavori")
            .value_or(static_cast<int>(std::max(1u, std::thread::hardware_concurrency())));
    opzioni.avanzamento = errori_su_terminale();
    return opzioni;
}

int esegui_compatta(const parametri& p) {
    if (p.argomenti.size() == 1) {
        return esegui_libreria(p.argomenti[0], opzioni_di_libreria(p), std::cout, std::cerr);
    }
    return comando_compatta(p.argomenti[0], identita_da(p, 1), p.ha("--senza-linea"));
}

std::size_t limite_di(const parametri& p) {
    return static_cast<std::size_t>(
        p.numero("--limite", 0).value_or(static_cast<int>(limite_segnalazioni_predefinito)));
}

opzioni_controllo opzioni_di_controlla(const parametri& p) {
    opzioni_controllo opzioni;
    opzioni.formato =
        p.valore("--formato") == "json" ? formato_controllo::json : formato_controllo::testo;
    opzioni.avvisi_come_problemi = p.ha("--avvisi-come-problemi");
    opzioni.senza_linea = p.ha("--senza-linea");
    opzioni.limite = limite_di(p);
    return opzioni;
}

int esegui_controlla(const parametri& p) {
    if (p.argomenti.size() == 1) {
        opzioni_libreria opzioni = opzioni_di_libreria(p);
        opzioni.controlla = true;
        opzioni.controllo = opzioni_di_controlla(p);
        return esegui_libreria(p.argomenti[0], opzioni, std::cout, std::cerr);
    }
    return comando_controlla(p.argomenti[0], identita_da(p, 1), opzioni_di_controlla(p));
}

int esegui_mostra(const parametri& p) {
    return comando_mostra(p.argomenti[0]);
}

// The one scenario of DIR, when no SCENARIO TRENO is given; several, or none, are a
// misuse that names what is there.
identita_scenario unico_scenario(const std::filesystem::path& cartella) {
    const scenari_trovati trovati = trova_scenari(cartella, false);
    std::vector<identita_scenario> coppie;
    for (const scenario_trovato& s : trovati.scenari) {
        for (const std::string& t : s.treni) {
            coppie.push_back({s.nome, t});
        }
    }
    if (coppie.size() == 1) {
        return coppie[0];
    }
    if (coppie.empty()) {
        throw errore_uso("nessuno scenario in " + cartella.string() +
                         ": nessun SCENARIO_linea.txt con un SCENARIO_TRENO-.txt accanto");
    }
    std::string elenco;
    for (const identita_scenario& c : coppie) {
        elenco += (elenco.empty() ? "" : ", ") + c.nome_scenario + " " + c.numero_treno;
    }
    throw errore_uso(std::to_string(coppie.size()) + " scenari in " + cartella.string() + " (" +
                     elenco + "): scegline uno con SCENARIO TRENO");
}

int esegui_pianta(const parametri& p) {
    if (p.argomenti.size() == 2) {
        return comando_pianta(p.argomenti[0], unico_scenario(p.argomenti[0]), p.argomenti[1]);
    }
    return comando_pianta(p.argomenti[0], identita_da(p, 1), p.argomenti[3]);
}

// DIR, DIR FILE.html, DIR SCENARIO TRENO or DIR SCENARIO TRENO FILE.html. Two arguments
// are DIR FILE.html only when the second names a page (or is "-"): "vedi DIR SCENARIO"
// with TRENO forgotten would otherwise write a file named after the scenario.
int esegui_vedi(const parametri& p) {
    const std::filesystem::path cartella = p.argomenti[0];
    const std::size_t n = p.argomenti.size();
    if (n == 2) {
        std::string estensione = std::filesystem::path(p.argomenti[1]).extension().string();
        std::transform(estensione.begin(), estensione.end(), estensione.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (p.argomenti[1] != "-" && estensione != ".html" && estensione != ".htm") {
            throw errore_uso("manca l'argomento TRENO (o FILE.html non finisce in .html)");
        }
    }
    const identita_scenario identita = n >= 3 ? identita_da(p, 1) : unico_scenario(cartella);
    std::optional<std::filesystem::path> file_html;
    if (n == 2 || n == 4) {
        file_html = p.argomenti[n - 1];
    }
    return comando_vedi(cartella, identita, file_html, p.ha("--osserva"));
}

int esegui_osserva(const parametri& p) {
    std::optional<identita_scenario> coppia;
    if (p.argomenti.size() == 3) {
        coppia = identita_da(p, 1);
    }
    return comando_osserva(p.argomenti[0], coppia, std::cout, std::cerr);
}

int esegui_lsp(const parametri& p) {
    return comando_lsp(limite_di(p));
}

int esegui_decompila(const parametri& p) {
    opzioni_decompila opzioni;
    opzioni.senza_linea = p.ha("--senza-linea");
    opzioni.parziale = p.ha("--parziale");
    opzioni.sovrascrivi = p.ha("--sovrascrivi");
    const std::filesystem::path cartella = p.argomenti[0];
    return comando_decompila(cartella, identita_da(p, 1),
                             p.argomenti.size() == 4 ? std::filesystem::path(p.argomenti[3]) : cartella,
                             opzioni);
}

int esegui_aiuto(const parametri&);

const argomento dir_scenario{"DIR", "la cartella dello scenario", tipo_argomento::cartella};
const argomento scenario{"SCENARIO", "il nome dello scenario (SCENARIO_linea.txt)",
                         tipo_argomento::scenario, true};
const argomento treno{"TRENO", "il numero del treno (SCENARIO_TRENO-.txt)", tipo_argomento::treno,
                      true};
const argomento dir_libreria{"DIR",
                             "la cartella dello scenario; senza SCENARIO TRENO, ogni "
                             "scenario nella cartella e nelle sue sottocartelle",
                             tipo_argomento::cartella};
const opzione lavori{"--lavori", "N",
                     "senza SCENARIO TRENO: quanti scenari alla volta (il predefinito: "
                     "tanti quanti i processori); l'uscita è la stessa, nello stesso ordine"};
const opzione limite{"--limite",
                     "N",
                     "quante segnalazioni mostrare per file (il predefinito: 1000); le altre "
                     "sono contate in una riga, i problemi di compatta mostrati sempre; 0 le "
                     "mostra tutte",
                     {},
                     0};
const opzione senza_linea{"--senza-linea", "",
                          "non scrive il piano del percorso SCENARIO_linea.dat: uno più "
                          "vecchio resta com'è"};

}  // namespace

const std::vector<comando>& comandi() {
    static const std::vector<comando> tutti = {
        {"esporta",
         "scrive i cinque testi dello scenario Orvesa_Cusvana, treno 5927",
         "Scrive in DIR (creata se serve) i cinque testi dello scenario Orvesa_Cusvana, treno "
         "5927, byte per byte come li scrive orvesa_cusvana, e ne stampa i nomi.",
         {{"DIR", "la cartella dove scrivere", tipo_argomento::cartella}},
         {},
         {"compattatore esporta prova"},
         esegui_esporta},
        {"compatta",
         "compatta le sorgenti di uno scenario nei tre file compatti",
         "Compatta DIR/SCENARIO_linea.txt e DIR/SCENARIO_TRENO-.txt nei file "
         "DIR/SCENARIO_linea.dat, DIR/SCENARIO_TRENO.sim e DIR/SCENARIO_TRENO.dat, ciascuno "
         "sostituito per intero, e ne stampa i nomi; i problemi dei dati vanno sullo standard "
         "error. I file sorgente restano come sono. Senza SCENARIO TRENO compatta ogni "
         "scenario trovato in DIR e sotto (ogni SCENARIO_linea.txt con ogni "
         "SCENARIO_TRENO-.txt accanto), un problema di un file della linea detto una volta "
         "per scenario, e chiude con un riassunto; lo stato d'uscita è il peggiore.",
         {dir_libreria, scenario, treno},
         {senza_linea, lavori},
         {"compattatore compatta prova Orvesa_Cusvana 5927", "compattatore compatta prova",
          "compattatore compatta --lavori=2 ."},
         esegui_compatta},
        {"controlla",
         "elenca ogni problema e ogni riga sospetta delle sorgenti, senza scrivere nulla",
         "Legge le stesse sorgenti di compatta e non scrive nulla: elenca, nell'ordine dei "
         "file, ogni problema e ogni avviso (una riga che il compattatore accetta ma che "
         "quasi mai è voluta), poi una riga che li conta. Senza SCENARIO TRENO controlla "
         "ogni scenario trovato in DIR e sotto, come compatta; in JSON ogni oggetto ha "
         "anche le chiavi scenario e treno.",
         {dir_libreria, scenario, treno},
         {{"--formato",
           "testo|json",
           "testo per chi legge (il predefinito), json: un oggetto JSON per riga e nessun "
           "riassunto",
           {"testo", "json"}},
          {"--avvisi-come-problemi", "", "anche un avviso dà lo stato d'uscita 3"},
          limite,
          senza_linea,
          lavori},
         {"compattatore controlla prova Orvesa_Cusvana 5927",
          "compattatore controlla --formato=json prova"},
         esegui_controlla},
        {"mostra",
         "mostra un file compatto come una tabella",
         "Decodifica un file .sim, .dat o _linea.dat (scelto dalla fine del nome) in una "
         "tabella leggibile.",
         {{"FILE", "il file compatto", tipo_argomento::file_compatto}},
         {},
         {"compattatore mostra prova/Orvesa_Cusvana_5927.sim"},
         esegui_mostra},
        {"pianta",
         "disegna il percorso, il profilo altimetrico e la velocità massima in SVG",
         "Disegna dai tre file compatti di DIR la pianta del percorso, il profilo "
         "altimetrico e la velocità massima in un file SVG (- per lo standard output). Senza "
         "SCENARIO TRENO, quello di DIR, se ce n'è uno solo.",
         {dir_scenario,
          scenario,
          treno,
          {"FILE.svg", "il disegno da scrivere, - per lo standard output",
           tipo_argomento::file_svg}},
         {},
         {"compattatore pianta prova Orvesa_Cusvana 5927 prova/pianta.svg",
          "compattatore pianta prova prova/pianta.svg"},
         esegui_pianta},
        {"vedi",
         "scrive una pagina HTML per esplorare il percorso nel browser",
         "Scrive dai tre file compatti di DIR una pagina HTML che contiene tutto (stile, "
         "codice e dati), da aprire in un browser: la pianta del percorso, la quota con le "
         "pendenze e la velocità massima con segnali, stazioni e rallentamenti, su un solo "
         "asse dei chilometri, con zoom fino alla singola cella da 50 m; puntando una cella, "
         "una stazione o un segnale se ne leggono i campi. Con le sorgenti accanto, i "
         "problemi e gli avvisi di controlla stanno sul percorso e in un elenco. Il file è "
         "DIR/SCENARIO_TRENO.html se non è dato (- per lo standard output). Senza SCENARIO "
         "TRENO, quello di DIR, se ce n'è uno solo.",
         {dir_scenario,
          scenario,
          treno,
          {"FILE.html", "la pagina da scrivere (DIR/SCENARIO_TRENO.html), - per lo standard output",
           tipo_argomento::file_html, true, 1}},
         {{"--osserva", "",
           "riscrive la pagina a ogni salvataggio di una sorgente, compattando prima come "
           "osserva; la pagina aperta mostra la nuova entro 2 s con la stessa vista"}},
         {"compattatore vedi prova",
          "compattatore vedi prova Orvesa_Cusvana 5927 prova/percorso.html",
          "compattatore vedi --osserva prova"},
         esegui_vedi},
        {"osserva",
         "compatta di nuovo a ogni salvataggio di una sorgente",
         "Osserva DIR e, a ogni salvataggio di una sorgente (scritta sul posto o sostituita "
         "con un nuovo file), compatta di nuovo lo scenario come compatta, dopo 200 ms senza "
         "altri salvataggi: una riga con l'ora, i nomi dei file compatti e i problemi. Senza "
         "SCENARIO TRENO, ogni scenario di DIR. Una sorgente che cambia mentre viene letta "
         "non dà file compatti: viene riletta al salvataggio successivo. Ctrl-C termina con "
         "stato 0.",
         {dir_scenario, scenario, treno},
         {},
         {"compattatore osserva prova", "compattatore osserva prova Orvesa_Cusvana 5927"},
         esegui_osserva},
        {"decompila",
         "riscrive le due sorgenti dai tre file compatti",
         "Legge DIR/SCENARIO_linea.dat, DIR/SCENARIO_TRENO.sim e DIR/SCENARIO_TRENO.dat e "
         "scrive in USCITA (DIR se manca; creata se serve) SCENARIO_linea.txt e "
         "SCENARIO_TRENO-.txt, una riga per ciò che l'autore intendeva, che compattate "
         "ridanno gli stessi file byte per byte. Scrive entrambe le sorgenti o nessuna; una "
         "sorgente che c'è già non viene sostituita senza --sovrascrivi. Ciò che nessuna "
         "sorgente può dare è rifiutato (stato 1) nominando il file, il record o la cella.",
         {{"DIR", "la cartella dei file compatti", tipo_argomento::cartella},
          {"SCENARIO", "il nome dello scenario (SCENARIO_linea.dat)", tipo_argomento::scenario},
          {"TRENO", "il numero del treno (SCENARIO_TRENO.sim)", tipo_argomento::treno},
          {"USCITA", "la cartella dove scrivere le sorgenti", tipo_argomento::cartella, true}},
         {{"--senza-linea", "",
           "senza SCENARIO_linea.dat: la sorgente della linea senza curve, per compatta "
           "--senza-linea"},
          {"--parziale", "",
           "scrive anche sorgenti che ridanno file diversi, elencando i record e le celle "
           "diversi (stato 3)"},
          {"--sovrascrivi", "", "sostituisce le sorgenti che ci sono già in USCITA"}},
         {"compattatore decompila prova Orvesa_Cusvana 5927 sorgenti"},
         esegui_decompila},
        {"lsp",
         "il server dei linguaggi: i problemi di controlla nell'editor",
         "Parla con un editor sullo standard input e sullo standard output (Language "
         "Server Protocol 3.17, JSON-RPC 2.0 con Content-Length): l'elenco di controlla "
         "sotto i campi mentre si scrive, per SCENARIO_linea.txt e ogni SCENARIO_TRENO-.txt "
         "della stessa cartella; su una riga, cosa diventa; le parole chiave della sezione; "
         "le sezioni e le stazioni; le correzioni che il controllo conosce; a richiesta, "
         "compatta al salvataggio. Il testo dell'editor (UTF-8) torna in Windows-1252. Il "
         "registro va sullo standard error. Termina con stato 0 dopo shutdown ed exit, 1 "
         "altrimenti.",
         {},
         {limite},
         {"compattatore lsp", "compattatore lsp --limite=0"},
         esegui_lsp},
        {"help",
         "mostra l'aiuto di un comando",
         "Mostra l'aiuto di COMANDO, come COMANDO --help, o quello generale.",
         {{"COMANDO", "il comando di cui mostrare l'aiuto", tipo_argomento::comando, true}},
         {},
         {"compattatore help compatta"},
         esegui_aiuto},
    };
    return tutti;
}

namespace {

const comando* cerca_comando(const std::string& nome) {
    for (const comando& c : comandi()) {
        if (c.nome == nome) {
            return &c;
        }
    }
    return nullptr;
}

// "DIR [SCENARIO TRENO] FILE.svg": the optional arguments in one pair of brackets.
std::string forma_argomenti(const comando& c) {
    std::string forma;
    bool in_parentesi = false;
    int gruppo = 0;
    for (const argomento& a : c.argomenti) {
        if (a.facoltativo && in_parentesi && a.gruppo != gruppo) {
            forma += "]";
            in_parentesi = false;
        }
        if (a.facoltativo && !in_parentesi) {
            forma += " [";
            in_parentesi = true;
            gruppo = a.gruppo;
        } else {
            if (!a.facoltativo && in_parentesi) {
                forma += "]";
                in_parentesi = false;
            }
            forma += " ";
        }
        forma += a.nome;
    }
    return in_parentesi ? forma + "]" : forma;
}

std::string forma_opzione(const opzione& o) {
    return o.valore.empty() ? o.nome : o.nome + "=" + o.valore;
}

// Words put on lines of at most 90 columns, every line after the first indented.
std::string a_capo(const std::string& testo, std::size_t rientro) {
    std::string risultato;
    std::size_t usate = rientro;
    std::istringstream parole(testo);
    std::string parola;
    bool prima = true;
    while (parole >> parola) {
        if (!prima && usate + 1 + parola.size() > 90) {
            risultato += "\n" + std::string(rientro, ' ');
            usate = rientro;
            prima = true;
        }
        risultato += (prima ? "" : " ") + parola;
        usate += parola.size() + (prima ? 0 : 1);
        prima = false;
    }
    return risultato;
}

// Lines "  NAME  text" with the texts in one column.
void colonna(std::ostringstream& testo,
             const std::vector<std::pair<std::string, std::string>>& voci) {
    std::size_t larghezza = 0;
    for (const auto& [nome, _] : voci) {
        larghezza = std::max(larghezza, nome.size());
    }
    const std::size_t rientro = 2 + larghezza + 2;
    for (const auto& [nome, descrizione] : voci) {
        testo << "  " << nome << std::string(larghezza + 2 - nome.size(), ' ')
              << a_capo(descrizione, rientro) << "\n";
    }
}

const opzione opzione_aiuto{"--help", "", "mostra questo aiuto"};

}  // namespace

std::string aiuto_comando(const comando& c) {
    std::ostringstream testo;
    testo << "Uso: compattatore " << c.nome << (c.opzioni.empty() ? "" : " [OPZIONI]")
          << forma_argomenti(c) << "\n\n"
          << a_capo(c.descrizione, 0) << "\n";
    std::vector<std::pair<std::string, std::string>> voci;
    for (const argomento& a : c.argomenti) {
        voci.emplace_back(a.nome, a.descrizione);
    }
    if (!voci.empty()) {
        testo << "\nArgomenti:\n";
        colonna(testo, voci);
    }
    voci.clear();
    for (const opzione& o : c.opzioni) {
        voci.emplace_back(forma_opzione(o), o.descrizione);
    }
    voci.emplace_back("-h, --help", opzione_aiuto.descrizione);
    testo << "\nOpzioni:\n";
    colonna(testo, voci);
    testo << (c.esempi.size() == 1 ? "\nEsempio:\n" : "\nEsempi:\n");
    for (const std::string& e : c.esempi) {
        testo << "  " << e << "\n";
    }
    return testo.str();
}

std::string aiuto_generale() {
    std::ostringstream testo;
    testo << "Uso: compattatore COMANDO [OPZIONI] ARGOMENTI\n"
             "     compattatore help COMANDO | --help | --version\n"
             "\nComandi:\n";
    std::vector<std::pair<std::string, std::string>> voci;
    for (const comando& c : comandi()) {
        voci.emplace_back(c.nome, c.riassunto);
    }
    colonna(testo, voci);
    testo << "\nL'aiuto di ogni comando: compattatore help COMANDO (o compattatore COMANDO "
             "--help).\n"
             "\n"
             "SCENARIO e TRENO: solo caratteri ASCII stampabili, senza '/', '\\' e '..', non "
             "vuoti\ne non inizianti con '-'.\n"
             "\n"
             "Stato d'uscita: 0 fatto; 1 errore di esecuzione; 2 controllo d'intestazione "
             "fallito\n(nessun file compatto scritto); 3 file compatti scritti ma problema nei "
             "dati\nsorgente (controlla: almeno un problema); 64 riga di comando errata.\n";
    return testo.str();
}

namespace {

// The help of CLI11 replaced by the one written from the definitions.
class formato_italiano : public CLI::FormatterBase {
public:
    std::string make_help(const CLI::App* app, std::string, CLI::AppFormatMode) const override {
        const comando* c = cerca_comando(app->get_name());
        return c ? aiuto_comando(*c) : aiuto_generale();
    }
};

// Where the help command writes: the stream given to esegui_riga_di_comando (the commands
// themselves take only their parameters).
std::ostream* uscita_aiuto = nullptr;

int esegui_aiuto(const parametri& p) {
    if (p.argomenti.empty()) {
        *uscita_aiuto << aiuto_generale();
        return stato_uscita::fatto;
    }
    const comando* c = cerca_comando(p.argomenti[0]);
    if (!c) {
        throw errore_uso("comando sconosciuto: " + p.argomenti[0]);
    }
    *uscita_aiuto << aiuto_comando(*c);
    return stato_uscita::fatto;
}

// What CLI11 gathered for one subcommand.
struct raccolta {
    std::vector<std::string> argomenti;
    std::map<std::string, std::string> valori;
    std::map<std::string, bool> bandiere;
};

// The arguments given, placed on the definition's: the optional ones of a group all or
// none. The command tells the groups given apart by the count.
std::vector<std::string> colloca(const comando& c, const std::vector<std::string>& dati) {
    const std::size_t tutti = c.argomenti.size();
    if (dati.size() > tutti) {
        throw errore_uso("argomento in più: " + dati[tutti]);
    }
    std::map<int, std::size_t> gruppi;
    std::size_t obbligatori = 0;
    for (const argomento& a : c.argomenti) {
        if (a.facoltativo) {
            ++gruppi[a.gruppo];
        } else {
            ++obbligatori;
        }
    }
    std::vector<std::size_t> conti = {obbligatori};
    for (const auto& [_, quanti] : gruppi) {
        const std::vector<std::size_t> prima = conti;
        for (const std::size_t n : prima) {
            conti.push_back(n + quanti);
        }
    }
    if (std::find(conti.begin(), conti.end(), dati.size()) != conti.end()) {
        return dati;
    }
    throw errore_uso("manca l'argomento " + c.argomenti[dati.size()].nome);
}

// CLI11's own findings (an option without its value, a flag given one) said in Italian,
// with the option of the command that the message names.
std::string in_italiano(const CLI::ParseError& e, const comando* c) {
    const std::string messaggio = e.what();
    if (c) {
        for (const opzione& o : c->opzioni) {
            if (messaggio.find(o.nome) != std::string::npos) {
                return o.valore.empty()
                           ? "l'opzione " + o.nome + " non vuole un valore"
                           : "l'opzione " + o.nome + " vuole un valore: " + forma_opzione(o);
            }
        }
    }
    return "riga di comando non valida";
}

}  // namespace

int esegui_riga_di_comando(const std::vector<std::string>& riga, std::ostream& uscita,
                           std::ostream& errori) {
    CLI::App app("", "compattatore");
    app.formatter(std::make_shared<formato_italiano>());
    app.set_help_flag("-h,--help", opzione_aiuto.descrizione);
    app.set_version_flag("--version", std::string(versione), "mostra la versione");
    app.allow_extras();
    app.require_subcommand(0, 1);
    std::map<const CLI::App*, std::pair<const comando*, std::unique_ptr<raccolta>>> sotto;
    for (const comando& c : comandi()) {
        CLI::App* s = app.add_subcommand(c.nome, c.riassunto);
        s->allow_extras();
        auto r = std::make_unique<raccolta>();
        for (const opzione& o : c.opzioni) {
            if (o.valore.empty()) {
                s->add_flag(o.nome, r->bandiere[o.nome], o.descrizione);
            } else {
                s->add_option(o.nome, r->valori[o.nome], o.descrizione)
                    ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
            }
        }
        s->add_option("argomenti", r->argomenti)->expected(0, -1)->allow_extra_args();
        sotto[s] = {&c, std::move(r)};
    }
    uscita_aiuto = &uscita;

    // The command named, for the messages: the first word that names one.
    const comando* scelto = nullptr;
    for (const std::string& parola : riga) {
        if ((scelto = cerca_comando(parola)) != nullptr) {
            break;
        }
    }
    try {
        std::vector<std::string> al_contrario(riga.rbegin(), riga.rend());
        try {
            app.parse(al_contrario);
        } catch (const CLI::CallForHelp&) {
            uscita << app.help();
            return stato_uscita::fatto;
        } catch (const CLI::CallForVersion&) {
            uscita << versione << "\n";
            return stato_uscita::fatto;
        } catch (const CLI::ParseError& e) {
            throw errore_uso(in_italiano(e, scelto));
        }
        const std::vector<CLI::App*> scelti = app.get_subcommands();
        if (scelti.empty()) {
            const std::vector<std::string> resto = app.remaining();
            if (resto.empty()) {
                throw errore_uso("manca il comando");
            }
            throw errore_uso(
                (resto[0].starts_with("-") ? "opzione sconosciuta: " : "comando sconosciuto: ") +
                resto[0]);
        }
        auto& [c, r] = sotto.at(scelti[0]);
        const std::vector<std::string> resto = scelti[0]->remaining();
        if (!resto.empty()) {
            throw errore_uso(
                (resto[0].starts_with("-") ? "opzione sconosciuta: " : "argomento in più: ") +
                resto[0]);
        }
        parametri p;
        p.argomenti = colloca(*c, r->argomenti);
        for (const opzione& o : c->opzioni) {
            if (o.valore.empty()) {
                if (r->bandiere[o.nome]) {
                    p.opzioni[o.nome] = "";
                }
            } else if (scelti[0]->count(o.nome) > 0) {
                const std::string& v = r->valori[o.nome];
                if (!o.scelte.empty() &&
                    std::find(o.scelte.begin(), o.scelte.end(), v) == o.scelte.end()) {
                    throw errore_uso("l'opzione " + o.nome + " vuole " + o.valore + ", non \"" + v +
                                     "\"");
                }
                p.opzioni[o.nome] = v;
                if (o.valore == "N") {
                    // A count: refused here, whether it is used or not.
                    p.numero(o.nome, o.minimo);
                }
            }
        }
        return c->esegui(p);
    } catch (const errore_uso& e) {
        errori << "compattatore" << (scelto ? " " + scelto->nome : std::string()) << ": "
               << e.what() << " (aiuto: compattatore "
               << (scelto ? "help " + scelto->nome : std::string("--help")) << ")\n";
        return stato_uscita::uso_errato;
    }
}
