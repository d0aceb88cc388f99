// The manual page of compattatore against what it documents: the problem codes and the
// exit statuses of the README's tables, the commands and options of --help. A code or an
// option added in one place and not in the other fails here.

// GCC 12 reports a spurious maybe-uninitialized inside <regex> in the sanitizer build.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#include "aiuti.h"

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

TEST(PaginaManuale, OgniComandoEOpzioneDellAiuto) {
    // Every word of the usage that is a command or an option has its own paragraph or
    // synopsis line in the page, where roff writes "-" as "\-".
    const cartella_temporanea cartella;
    const std::filesystem::path uscita = cartella / "aiuto.txt";
    const std::string comando =
        std::string("\"") + PERCORSO_COMPATTATORE + "\" --help > \"" + uscita.string() + "\"";
    ASSERT_EQ(std::system(comando.c_str()), 0);
    const std::string aiuto = leggi_file_intero(uscita);
    std::set<std::string> parole;
    const std::regex parola(R"(compattatore ([a-z]+)|(--[a-z-]+))");
    for (std::sregex_iterator i(aiuto.begin(), aiuto.end(), parola), fine; i != fine; ++i) {
        parole.insert((*i)[1].matched ? (*i)[1].str() : (*i)[2].str());
    }
    EXPECT_EQ(parole, (std::set<std::string>{"esporta", "compatta", "controlla", "mostra", "pianta",
                                             "decompila", "--help", "--version", "--senza-linea",
                                             "--formato", "--avvisi-come-problemi", "--parziale",
                                             "--sovrascrivi"}));
    for (const std::string& p : parole) {
        std::string in_roff;
        for (const char c : p) {
            in_roff += c == '-' ? std::string("\\-") : std::string(1, c);
        }
        const bool comando_ = p[0] != '-';
        // An option that takes a value ("--formato=json") stands with it.
        const std::string attesa = comando_ ? ".B compattatore " + p + "\n" : ".B " + in_roff;
        const std::size_t trovata = pagina().find(attesa);
        ASSERT_NE(trovata, std::string::npos) << p << ": missing " << attesa;
        if (!comando_) {
            const char dopo = pagina()[trovata + attesa.size()];
            EXPECT_TRUE(dopo == '\n' || dopo == '=') << p;
        }
    }
}
