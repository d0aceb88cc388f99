// The problem table: codes, names and messages as the README documents them, and a few
// properties the diagnostics rely on.
#include "compactor/problemi.h"

#include "comune/sistema_file.h"

#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <string>

TEST(Problemi, LaTabellaDelReadmeEQuellaDelCompattatore) {
    // Rows "| CODE | `name` | message | meaning |" of the README's table.
    const std::regex riga_tabella(R"(^\| (\d+) \| `(\w+)` \| ([^|]+) \| [^|]+ \|$)");
    std::istringstream readme(leggi_file_intero(PERCORSO_README));
    std::vector<std::tuple<int32_t, std::string, std::string>> documentati;
    for (std::string riga; std::getline(readme, riga);) {
        std::smatch m;
        if (std::regex_match(riga, m, riga_tabella)) {
            documentati.emplace_back(std::stoi(m[1]), m[2], m[3]);
        }
    }
    const auto tabella = tabella_problemi();
    ASSERT_EQ(documentati.size(), tabella.size());
    for (std::size_t i = 0; i < tabella.size(); ++i) {
        const auto& [codice, nome, messaggio] = documentati[i];
        EXPECT_EQ(codice, numero(tabella[i].codice));
        EXPECT_EQ(nome, tabella[i].nome);
        EXPECT_EQ(messaggio, tabella[i].significato);
    }
}

TEST(Problemi, OgniCodiceUnaVoltaEInOrdine) {
    const auto tabella = tabella_problemi();
    for (std::size_t i = 1; i < tabella.size(); ++i) {
        EXPECT_LT(numero(tabella[i - 1].codice), numero(tabella[i].codice));
    }
    for (const descrizione_problema& p : tabella) {
        EXPECT_EQ(descrivi_problema(numero(p.codice)), &p);
        // The walk's codes always say where, in metres: there is no row to show.
        if (p.causa == causa_problema::cammino) {
            EXPECT_TRUE(p.ha_posizione) << p.nome;
        }
    }
    EXPECT_EQ(descrivi_problema(23), nullptr);
    EXPECT_EQ(descrivi_problema(0), nullptr);
}
