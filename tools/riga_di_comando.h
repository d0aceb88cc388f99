// The commands of compattatore as data: one definition per command gives its help, the
// errors of its command line, and what the manual page and the bash completion must show.
#pragma once

#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

// What an argument names, for the help and for the completion.
enum class tipo_argomento {
    cartella,
    scenario,
    treno,
    file_compatto,
    file_svg,
    file_html,
    file,
    comando
};

struct argomento {
    std::string nome;  // "DIR", "SCENARIO", "FILE.svg"
    std::string descrizione;
    tipo_argomento tipo;
    // The optional arguments of a command go together, all of them or none, by group:
    // "DIR [SCENARIO TRENO] [FILE.html]" has two groups.
    bool facoltativo = false;
    int gruppo = 0;
};

struct opzione {
    std::string nome;    // "--formato"
    std::string valore;  // empty for a flag; else what it takes, "testo|json" or "N"
    std::string descrizione;
    std::vector<std::string> scelte = {};  // the values allowed, when they are a list
    int minimo = 1;                        // the least value of a count ("N")
};

// A command line as the definitions read it: the arguments in order (the optional ones
// absent when not given) and the options given, with their values ("" for a flag).
struct parametri {
    std::vector<std::string> argomenti;
    std::map<std::string, std::string> opzioni;
    bool ha(const std::string& nome) const { return opzioni.contains(nome); }
    std::optional<std::string> valore(const std::string& nome) const;
    // A whole number of at least `minimo`, or errore_uso naming the option.
    std::optional<int> numero(const std::string& nome, int minimo = 1) const;
};

struct comando {
    std::string nome;
    std::string riassunto;    // one line, for the list of commands
    std::string descrizione;  // the paragraph of its --help
    std::vector<argomento> argomenti;
    std::vector<opzione> opzioni;
    std::vector<std::string> esempi;  // whole command lines that run in a folder made by
                                      // "compattatore esporta prova"
    int (*esegui)(const parametri&);
};

// Every command, in the order of the help.
const std::vector<comando>& comandi();

// The help of one command, and of the program as a whole.
std::string aiuto_comando(const comando& c);
std::string aiuto_generale();

// Reads the command line (without the program's name) and runs the command it names.
// --help and every misuse run nothing: the help goes to `uscita`; a misuse is one line
// on `errori` and status 64.
int esegui_riga_di_comando(const std::vector<std::string>& argomenti, std::ostream& uscita,
                           std::ostream& errori);
