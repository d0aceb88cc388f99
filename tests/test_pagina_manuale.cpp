// The manual page of compattatore against what it documents: the problem codes and the
// exit statuses of the README's tables, the commands and options of --help. A code or an
// option added in one place and not in the other fails here.

// GCC 12 reports a spurious maybe-uninitialized inside <regex> in the sanitizer build.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#include "aiuti.h"
#include "tools/riga_di_comando.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <regex>
#include <set>
#include <sstream>
#include <string>

namespace {

const std::filesystem::path sorgenti = PERCORSO_SORGENTI;

// The text from the line `inizio` to the next line that starts with `fine`.
std::string sezione(const std::string& testo, const std::string& inizio, const std::string& fine) {
    const std::size_t da = testo.find("\n" + inizio + "\n");
    if (da == std::string::npos) {
        return {};
    }
    const std::size_t a = testo.find("\n" + fine, da + inizio.size() + 2);
    return testo.substr(da, a == std::string::npos ? std::string::npos : a - da);
}

// The numbers in the first column of a Markdown table: "| 12 | ... |".
std::set<int> prima_colonna(const std::string& tabella) {
    std::set<int> numeri;
    const std::regex riga(R"(\n\| *([0-9]+) *\|)");
    for (std::sregex_iterator i(tabella.begin(), tabella.end(), riga), fine; i != fine; ++i) {
        numeri.insert(std::stoi((*i)[1]));
    }
    return numeri;
}

// The numbers of the tagged paragraphs of a manual section: ".TP" then ".B 12".
std::set<int> paragrafi(const std::string& sezione_pagina) {
    std::set<int> numeri;
    const std::regex voce(R"(\n\.TP\n\.B ([0-9]+)\n)");
    for (std::sregex_iterator i(sezione_pagina.begin(), sezione_pagina.end(), voce), fine;
         i != fine; ++i) {
        numeri.insert(std::stoi((*i)[1]));
    }
    return numeri;
}

const std::string& pagina() {
    static const std::string testo = leggi_file_intero(sorgenti / "pacchetti/compattatore.1.in");
    return testo;
}
const std::string& readme() {
    static const std::string testo = leggi_file_intero(sorgenti / "README.md");
    return testo;
}

}  // namespace

TEST(PaginaManuale, CodiciDeiProblemiQuelliDelReadme) {
    const std::set<int> nel_readme = prima_colonna(sezione(readme(), "## Problem codes", "## "));
    const std::set<int> nella_pagina = paragrafi(sezione(pagina(), ".SH PROBLEM CODES", ".SH "));
    ASSERT_GT(nel_readme.size(), 20u) << "the README's table of problem codes was not found";
    EXPECT_EQ(nella_pagina, nel_readme);
}

TEST(PaginaManuale, StatiDUscitaQuelliDelReadme) {
    const std::set<int> nel_readme = prima_colonna(sezione(readme(), "## Exit statuses", "## "));
    const std::set<int> nella_pagina = paragrafi(sezione(pagina(), ".SH EXIT STATUS", ".SH "));
    ASSERT_EQ(nel_readme, (std::set<int>{0, 1, 2, 3, 64}));
    EXPECT_EQ(nella_pagina, nel_readme);
}

TEST(PaginaManuale, OgniComandoEOpzioneDelleDefinizioni) {
    // Every command of the command line's definitions has its synopsis line, with each of
    // its options and arguments, and its paragraph; every option its paragraph, where roff
    // writes "-" as "\-". A command of the page that is no longer defined fails too.
    const auto in_roff = [](const std::string& parola) {
        std::string r;
        for (const char c : parola) {
            r += c == '-' ? std::string("\\-") : std::string(1, c);
        }
        return r;
    };
    const std::string sinossi = sezione(pagina(), ".SH SYNOPSIS", ".SH ");
    const std::string comandi_ = sezione(pagina(), ".SH COMMANDS", ".SH ");
    const std::string opzioni = sezione(pagina(), ".SH OPTIONS", ".SH ");
    std::set<std::string> definiti;
    for (const comando& c : comandi()) {
        definiti.insert(c.nome);
        const std::size_t da = sinossi.find("\n.B compattatore " + c.nome + "\n");
        ASSERT_NE(da, std::string::npos) << c.nome << ": no synopsis line";
        const std::string riga = sinossi.substr(da, sinossi.find("\n.br", da) - da);
        for (const argomento& a : c.argomenti) {
            EXPECT_NE(riga.find(a.nome), std::string::npos) << c.nome << " " << a.nome;
        }
        for (const opzione& o : c.opzioni) {
            EXPECT_NE(riga.find(in_roff(o.nome)), std::string::npos) << c.nome << " " << o.nome;
            const std::size_t paragrafo = opzioni.find("\n.TP\n.B " + in_roff(o.nome));
            ASSERT_NE(paragrafo, std::string::npos) << o.nome << ": no paragraph in OPTIONS";
            const char dopo = opzioni[paragrafo + 8 + in_roff(o.nome).size()];
            EXPECT_TRUE(dopo == '\n' || dopo == '=') << o.nome;
        }
        EXPECT_NE(comandi_.find("\n.TP\n.BI " + c.nome + " "), std::string::npos)
            << c.nome << ": no paragraph in COMMANDS";
    }
    std::set<std::string> nella_pagina;
    const std::regex riga(R"(\n\.B compattatore ([a-z]+)\n)");
    for (std::sregex_iterator i(sinossi.begin(), sinossi.end(), riga), fine; i != fine; ++i) {
        nella_pagina.insert((*i)[1]);
    }
    EXPECT_EQ(nella_pagina, definiti);
    for (const char* o : {"\\-\\-help", "\\-\\-version"}) {
        EXPECT_NE(opzioni.find(std::string("\n.TP\n.B ") + o + "\n"), std::string::npos) << o;
    }
}
