// The problem table: codes, names and messages as the README documents them, and a few
// properties the diagnostics rely on.
#include "compactor/problemi.h"

#include "comune/sistema_file.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <tuple>
#include <vector>

TEST(Problemi, LaTabellaDelReadmeEQuellaDelCompattatore) {
    // Rows "| CODE | `name` | message | meaning |" of the README's table.
    std::istringstream readme(leggi_file_intero(PERCORSO_README));
    std::vector<std::tuple<int32_t, std::string, std::string>> documentati;
    for (std::string riga; std::getline(readme, riga);) {
        std::vector<std::string> celle;
        for (std::size_t inizio = 2, fine;
             riga.starts_with("| ") && (fine = riga.find(" | ", inizio)) != std::string::npos;
             inizio = fine + 3) {
            celle.push_back(riga.substr(inizio, fine - inizio));
        }
        if (celle.size() == 3 && !celle[0].empty() &&
            celle[0].find_first_not_of("0123456789") == std::string::npos && celle[1].size() > 2 &&
            celle[1].front() == '`' && celle[1].back() == '`') {
            documentati.emplace_back(std::stoi(celle[0]), celle[1].substr(1, celle[1].size() - 2),
                                     celle[2]);
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
    }
    // The walk's codes always say where, in metres.
    for (const problema p : {problema::segnale_prima_dell_avviso_senza_cella_libera,
                             problema::nessuna_cella_libera_prima_del_rallentamento,
                             problema::nessuna_cella_libera_lungo_il_rallentamento,
                             problema::rallentamento_senza_cella_di_fine}) {
        EXPECT_TRUE(descrivi_problema(numero(p))->ha_posizione) << numero(p);
    }
    EXPECT_EQ(descrivi_problema(23), nullptr);
    EXPECT_EQ(descrivi_problema(0), nullptr);
}
