// Finding the scenarios of a folder by the names of their source files.
#include "tools/scenari.h"

#include "comune/errore_esecuzione.h"
#include "tools/errore_uso.h"
#include "tools/strumento.h"

#include <algorithm>
#include <map>

namespace {

namespace fs = std::filesystem;

constexpr std::string_view fine_linea = "_linea.txt";
constexpr std::string_view fine_treno = "-.txt";

// The scenarios of one folder, given the names of its regular files.
void scenari_della_cartella(const fs::path& cartella, std::vector<std::string> nomi,
                            scenari_trovati& trovati) {
    std::sort(nomi.begin(), nomi.end());
    std::map<std::string, std::vector<std::string>> linee;  // SCENARIO -> its trains
    std::vector<std::string> sorgenti_treno;
    for (const std::string& nome : nomi) {
        if (nome.ends_with(fine_linea)) {
            linee[nome.substr(0, nome.size() - fine_linea.size())];
        } else if (nome.ends_with(fine_treno)) {
            sorgenti_treno.push_back(nome.substr(0, nome.size() - fine_treno.size()));
        }
    }
    for (const std::string& radice : sorgenti_treno) {
        // The longest SCENARIO that the name begins with, followed by "_".
        const std::string* scelto = nullptr;
        for (const auto& [scenario, _] : linee) {
            if (radice.size() > scenario.size() && radice.starts_with(scenario) &&
                radice[scenario.size()] == '_' &&
                (scelto == nullptr || scenario.size() > scelto->size())) {
                scelto = &scenario;
            }
        }
        const fs::path file = cartella / (radice + std::string(fine_treno));
        if (scelto == nullptr) {
            trovati.avvisi.push_back(file.string() +
                                     ": avviso: file del treno senza il file della linea "
                                     "SCENARIO_linea.txt accanto");
            continue;
        }
        linee[*scelto].push_back(radice.substr(scelto->size() + 1));
    }
    for (auto& [scenario, treni] : linee) {
        const fs::path file = cartella / (scenario + std::string(fine_linea));
        if (treni.empty()) {
            trovati.avvisi.push_back(file.string() +
                                     ": avviso: file della linea senza treni accanto");
            continue;
        }
        try {
            controlla_nome("SCENARIO", scenario);
        } catch (const errore_uso& e) {
            trovati.saltati.push_back(file.string() + ": saltato: " + e.what());
            continue;
        }
        scenario_trovato s{cartella, scenario, {}};
        for (const std::string& treno : treni) {
            try {
                controlla_nome("TRENO", treno);
                s.treni.push_back(treno);
            } catch (const errore_uso& e) {
                trovati.saltati.push_back(
                    (cartella / (scenario + "_" + treno + std::string(fine_treno))).string() +
                    ": saltato: " + e.what());
            }
        }
        if (!s.treni.empty()) {
            trovati.scenari.push_back(std::move(s));
        }
    }
}

std::vector<std::string> file_regolari(const fs::path& cartella) {
    std::vector<std::string> nomi;
    std::error_code codice;
    for (fs::directory_iterator i(cartella, codice), fine; !codice && i != fine;
         i.increment(codice)) {
        std::error_code c;
        if (i->is_regular_file(c)) {
            nomi.push_back(i->path().filename().string());
        }
    }
    return nomi;
}

}  // namespace

scenari_trovati trova_scenari(const fs::path& cartella, bool ricorsiva) {
    std::error_code codice;
    if (!fs::is_directory(cartella, codice)) {
        throw errore_esecuzione(cartella, "cartella non trovata");
    }
    std::vector<fs::path> cartelle{cartella};
    if (ricorsiva) {
        const auto opzioni = fs::directory_options::skip_permission_denied;
        for (fs::recursive_directory_iterator i(cartella, opzioni, codice), fine;
             !codice && i != fine; i.increment(codice)) {
            std::error_code c;
            if (i->is_directory(c) && !i->is_symlink(c)) {
                cartelle.push_back(i->path());
            }
        }
        if (codice) {
            throw errore_esecuzione(cartella,
                                    "lettura della cartella non riuscita: " + codice.message());
        }
        std::sort(cartelle.begin() + 1, cartelle.end());
    }
    scenari_trovati trovati;
    for (const fs::path& c : cartelle) {
        scenari_della_cartella(c, file_regolari(c), trovati);
    }
    return trovati;
}
