// The command line of compattatore against its definitions: every command's help (which
// writes nothing, and whose examples run), the one-line message of each kind of misuse,
// and the bash completion's tables.
#include "esegui_in_cartella.h"
#include "tools/riga_di_comando.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <regex>
#include <set>
#include <sstream>

namespace {

namespace fs = std::filesystem;

std::vector<std::string> parole(const std::string& riga) {
    std::istringstream flusso(riga);
    std::vector<std::string> tutte;
    for (std::string p; flusso >> p;) {
        tutte.push_back(p);
    }
    return tutte;
}

bool vuota(const fs::path& cartella) {
    return fs::is_empty(cartella);
}

}  // namespace

TEST(RigaDiComando, AiutoDiOgniComandoNonScriveNullaEIlSuoEsempioGira) {
    const cartella_temporanea vuota_;
    for (const comando& c : comandi()) {
        for (const std::vector<std::string>& riga :
             {std::vector<std::string>{c.nome, "--help"},
              {"help", c.nome},
              {c.nome, "-h"},
              // --help wins over the rest of the line, which is not run.
              {c.nome, "--help", "prova", "Orvesa_Cusvana", "5927", "x.svg"}}) {
            const esito_comando esito = esegui_in_cartella(vuota_.percorso(), riga);
            EXPECT_EQ(esito.stato, 0) << c.nome;
            EXPECT_EQ(esito.uscita, aiuto_comando(c)) << c.nome;
            EXPECT_EQ(esito.errori, "") << c.nome;
        }
        EXPECT_NE(aiuto_comando(c).find("Esempi"), std::string::npos) << c.nome;
        EXPECT_FALSE(c.esempi.empty()) << c.nome;
    }
    for (const std::vector<std::string>& riga : {std::vector<std::string>{"--help"}, {"help"}}) {
        const esito_comando esito = esegui_in_cartella(vuota_.percorso(), riga);
        EXPECT_EQ(esito.stato, 0);
        EXPECT_EQ(esito.uscita, aiuto_generale());
        for (const comando& c : comandi()) {
            EXPECT_NE(esito.uscita.find("\n  " + c.nome + " "), std::string::npos) << c.nome;
        }
    }
    EXPECT_TRUE(vuota(vuota_.percorso()));

    // The examples, each in a folder where the carried scenario was exported and compacted.
    for (const comando& c : comandi()) {
        for (const std::string& esempio : c.esempi) {
            const cartella_temporanea qui;
            ASSERT_EQ(esegui_in_cartella(qui.percorso(), {"esporta", "prova"}).stato, 0);
            ASSERT_EQ(
                esegui_in_cartella(qui.percorso(), {"compatta", "prova", "Orvesa_Cusvana", "5927"})
                    .stato,
                0);
            std::vector<std::string> riga = parole(esempio);
            ASSERT_EQ(riga.front(), "compattatore") << esempio;
            riga.erase(riga.begin());
            // osserva, and vedi --osserva, go on until Ctrl-C.
            const bool osserva = riga[0] == "osserva" ||
                                 std::find(riga.begin(), riga.end(), "--osserva") != riga.end();
            const esito_comando esito =
                esegui_in_cartella(qui.percorso(), riga, osserva ? 500 : -1);
            // lsp reads its standard input, which is empty here: the end of input without
            // shutdown ends it with status 1.
            EXPECT_EQ(esito.stato, riga[0] == "lsp" ? 1 : 0) << esempio << "\n" << esito.errori;
        }
    }
}

TEST(RigaDiComando, OgniUsoErratoDettoInUnaRigaCon64) {
    const cartella_temporanea dir;
    struct caso {
        std::vector<std::string> riga;
        std::string errore;
    };
    const std::string aiuto_compatta = " (aiuto: compattatore help compatta)\n";
    const std::vector<caso> casi = {
        {{}, "compattatore: manca il comando (aiuto: compattatore --help)\n"},
        {{"boh"}, "compattatore: comando sconosciuto: boh (aiuto: compattatore --help)\n"},
        {{"--boh"}, "compattatore: opzione sconosciuta: --boh (aiuto: compattatore --help)\n"},
        {{"help", "boh"},
         "compattatore help: comando sconosciuto: boh (aiuto: compattatore help help)\n"},
        {{"compatta", "--nessuna", "d", "S", "T"},
         "compattatore compatta: opzione sconosciuta: --nessuna" + aiuto_compatta},
        {{"compatta", "d", "S", "T", "-x"},
         "compattatore compatta: opzione sconosciuta: -x" + aiuto_compatta},
        {{"compatta", "d", "S", "T", "X"},
         "compattatore compatta: argomento in più: X" + aiuto_compatta},
        {{"compatta", "d", "S"}, "compattatore compatta: manca l'argomento TRENO" + aiuto_compatta},
        {{"esporta"},
         "compattatore esporta: manca l'argomento DIR (aiuto: compattatore help esporta)\n"},
        {{"mostra", "a", "b"},
         "compattatore mostra: argomento in più: b (aiuto: compattatore help mostra)\n"},
        {{"compatta", "--senza-linea=forse", "d", "S", "T"},
         "compattatore compatta: l'opzione --senza-linea non vuole un valore" + aiuto_compatta},
        {{"controlla", "d", "S", "T", "--formato"},
         "compattatore controlla: l'opzione --formato vuole un valore: --formato=testo|json "
         "(aiuto: compattatore help controlla)\n"},
        {{"controlla", "--formato=xml", "d", "S", "T"},
         "compattatore controlla: l'opzione --formato vuole testo|json, non \"xml\" (aiuto: "
         "compattatore help controlla)\n"},
        {{"compatta", "d", "../x", "T"},
         "compattatore compatta: SCENARIO \"../x\" non può contenere '/', '\\' o '..': nominerebbe "
         "un file fuori dalla cartella DIR" +
             aiuto_compatta},
        {{"compatta", "d", "S", ""}, "compattatore compatta: TRENO è vuoto" + aiuto_compatta},
        {{"compatta", "--lavori=0", "d", "S", "T"},
         "compattatore compatta: l'opzione --lavori vuole un numero intero da 1 in su, non \"0\"" +
             aiuto_compatta},
        {{"vedi", "d", "S"},
         "compattatore vedi: manca l'argomento TRENO (o FILE.html non finisce in .html) (aiuto: "
         "compattatore help vedi)\n"},
        {{"vedi", "d", "S", "T", "p.html", "x"},
         "compattatore vedi: argomento in più: x (aiuto: compattatore help vedi)\n"},
        {{"controlla", "--lavori=2x", "d"},
         "compattatore controlla: l'opzione --lavori vuole un numero intero da 1 in su, non "
         "\"2x\" (aiuto: compattatore help controlla)\n"},
    };
    for (const caso& c : casi) {
        const esito_comando esito = esegui_in_cartella(dir.percorso(), c.riga);
        std::string riga;
        for (const std::string& a : c.riga) {
            riga += " [" + a + "]";
        }
        EXPECT_EQ(esito.stato, 64) << riga;
        EXPECT_EQ(esito.errori, c.errore) << riga;
        EXPECT_EQ(esito.uscita, "") << riga;
    }
    EXPECT_TRUE(vuota(dir.percorso()));
}

namespace {

// The lines "    NAME) echo 'WORDS' ;;" of a function of the completion script.
std::map<std::string, std::string> tabella_completamento(const std::string& script,
                                                         const std::string& funzione) {
    std::map<std::string, std::string> tabella;
    const std::size_t inizio = script.find(funzione + "() {");
    const std::size_t fine = script.find("\n}", inizio);
    const std::string corpo = script.substr(inizio, fine - inizio);
    const std::regex voce(R"(\n +([a-z]+)\) echo '([^']*)' ;;)");
    for (std::sregex_iterator i(corpo.begin(), corpo.end(), voce), f; i != f; ++i) {
        tabella[(*i)[1]] = (*i)[2];
    }
    return tabella;
}

std::string nome_tipo(tipo_argomento t) {
    switch (t) {
        case tipo_argomento::cartella: return "cartella";
        case tipo_argomento::scenario: return "scenario";
        case tipo_argomento::treno: return "treno";
        case tipo_argomento::file_compatto: return "file_compatto";
        case tipo_argomento::file_svg: return "file_svg";
        case tipo_argomento::file_html: return "file_html";
        case tipo_argomento::file: return "file";
        case tipo_argomento::comando: return "comando";
    }
    return "";
}

}  // namespace

TEST(RigaDiComando, IlCompletamentoSegueLeDefinizioni) {
    const std::string script =
        leggi_file_intero(fs::path(PERCORSO_SORGENTI) / "pacchetti/compattatore.bash");
    std::string nomi;
    std::map<std::string, std::string> opzioni;
    std::map<std::string, std::string> argomenti;
    for (const comando& c : comandi()) {
        nomi += (nomi.empty() ? "" : " ") + c.nome;
        std::string o;
        for (const opzione& op : c.opzioni) {
            if (op.scelte.empty()) {
                o += op.nome + (op.valore.empty() ? " " : "= ");
            }
            for (const std::string& s : op.scelte) {
                o += op.nome + "=" + s + " ";
            }
        }
        opzioni[c.nome] = o + "--help";
        std::string a;
        for (const argomento& arg : c.argomenti) {
            a += (a.empty() ? "" : " ") + nome_tipo(arg.tipo) + (arg.facoltativo ? "?" : "");
        }
        argomenti[c.nome] = a;
    }
    EXPECT_NE(script.find("\n_compattatore_comandi='" + nomi + "'\n"), std::string::npos) << nomi;
    EXPECT_EQ(tabella_completamento(script, "_compattatore_opzioni"), opzioni);
    EXPECT_EQ(tabella_completamento(script, "_compattatore_argomenti"), argomenti);
}

TEST(RigaDiComando, IlCompletamentoPropone) {
    const fs::path bash = cerca_programma("bash");
    if (bash.empty()) {
        GTEST_SKIP() << "bash not found";
    }
    const cartella_temporanea qui;
    ASSERT_EQ(esegui_in_cartella(qui.percorso(), {"esporta", "prova"}).stato, 0);
    const fs::path script = fs::path(PERCORSO_SORGENTI) / "pacchetti/compattatore.bash";
    struct caso {
        std::string parole;  // the words typed, the last one being completed
        std::string attese;  // the proposals, one per line
    };
    const std::vector<caso> casi = {
        {"compattatore con", "controlla\n"},
        {"compattatore controlla --f", "--formato=testo\n--formato=json\n"},
        {"compattatore compatta pro", "prova\n"},
        {"compattatore compatta prova ", "Orvesa_Cusvana\n"},
        {"compattatore controlla --formato=json prova Orvesa_Cusvana ", "5927\n"},
        {"compattatore help pi", "pianta\n"},
    };
    for (const caso& c : casi) {
        std::string parole_ = c.parole;
        int ultima = 0;
        for (char ch : c.parole) {
            ultima += ch == ' ';
        }
        const fs::path uscita = qui / "proposte";
        const std::string comando =
            "cd '" + qui.percorso().string() + "' && '" + bash.string() +
            "' -c 'shopt -s extglob; source \"" + script.string() + "\"; COMP_WORDS=(" + c.parole +
            (c.parole.ends_with(" ") ? "\"\"" : "") + "); COMP_CWORD=" + std::to_string(ultima) +
            "; _compattatore; printf \"%s\\n\" \"${COMPREPLY[@]}\"' > '" + uscita.string() + "'";
        ASSERT_EQ(std::system(comando.c_str()), 0) << c.parole;
        EXPECT_EQ(leggi_file_intero(uscita), c.attese) << c.parole;
    }
}
