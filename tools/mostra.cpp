// The mostra command: one compact file decoded into a table an author can read.
#include "compactor/modello.h"
#include "compactor/tabella_piano.h"
#include "compactor/testo.h"
#include "comune/errore_esecuzione.h"
#include "comune/stato_uscita.h"
#include "tools/errore_uso.h"
#include "tools/file_compatti.h"
#include "tools/strumento.h"

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <limits>
#include <variant>

// The object a cell holds, by its tipo, as mostra and the vedi page name it.
const char* nome_oggetto(uint8_t tipo) {
    switch (tipo) {
        case tipo_cella::libera: return "";
        case tipo_cella::segnale: return "segnale";
        case tipo_cella::fine_rallentamento: return "fine rallentamento";
        case tipo_cella::inizio_rallentamento: return "inizio rallentamento";
        case tipo_cella::avviso_rallentamento: return "avviso rallentamento";
        case tipo_cella::prima_dell_avviso: return "prima dell'avviso";
        case tipo_cella::indicatore_v_max: return "cartello velocità massima";
        case tipo_cella::fermata: return "fermata di stazione";
        case tipo_cella::marcatore_galleria: return "marcatore di galleria";
        case tipo_cella::abbattimento_con_valore: return "abbattimento con valore";
        case tipo_cella::abbattimento_senza_valore: return "abbattimento senza valore";
        case tipo_cella::cartello_indicatore: return "cartello indicatore";
        default: return "tipo sconosciuto";
    }
}

namespace {

std::string formatta(const char* modello, auto... valori) {
    char testo[256];
    std::snprintf(testo, sizeof testo, modello, valori...);
    return testo;
}

bool vuota(const cella& c) {
    return c.tipo == 0 && c.valore1 == 0 && c.valore2 == 0 && c.valore3 == 0 && c.valore4 == 0 &&
           c.tempo == 0 && c.codice == 0 && c.montagna == 0 && c.velocita_limite == 0 &&
           c.pendenza == 0 && c.aderenza == 0;
}

void mostra_celle(const std::filesystem::path& file) {
    const std::vector<cella> celle = leggi_celle(file);
    const std::size_t ultima = celle.size() - 1;
    std::cout << file.string() << ": " << celle.size() << " celle da 50 m (0 - " << ultima
              << ", fino a " << ultima * 50 << " m)\n"
              << "velocita_limite in unità di 5 km/h; pendenza = per mille + 100; aderenza in "
                 "per cento\n\n";
    std::cout << formatta("%6s %7s %4s %7s %7s %7s %7s %5s %6s %8s %15s %8s %8s  %s\n", "cella",
                          "m", "tipo", "valore1", "valore2", "valore3", "valore4", "tempo",
                          "codice", "montagna", "velocita_limite", "pendenza", "aderenza",
                          "oggetto");
    std::size_t vuote = 0;
    for (std::size_t i = 0; i < celle.size(); ++i) {
        const cella& c = celle[i];
        if (vuota(c)) {
            ++vuote;
            continue;
        }
        std::cout << formatta("%6zu %7zu %4u %7d %7d %7d %7d %5u %6u %8u %15u %8u %8u  %s\n", i,
                              i * 50, c.tipo, c.valore1, c.valore2, c.valore3, c.valore4, c.tempo,
                              c.codice, c.montagna, c.velocita_limite, c.pendenza, c.aderenza,
                              nome_oggetto(c.tipo));
    }
    std::cout << "\n" << vuote << " celle vuote non elencate\n";
}

// A record name in quotes, as UTF-8, with control bytes escaped.
std::string nome_leggibile(const std::string& nome) {
    std::string visibile;
    for (const char c : nome) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F || c == '"' || c == '\\') {
            visibile +=
                byte < 0x20 || byte == 0x7F ? formatta("\\x%02X", byte) : std::string("\\") + c;
        } else {
            visibile += c;
        }
    }
    return "\"" + testo_utf8(visibile) + "\"";
}

void mostra_voci(const std::filesystem::path& file) {
    const std::vector<voce> voci = leggi_voci(file);
    std::cout << file.string() << ": " << voci.size()
              << " record generali (campi a zero e nomi vuoti non elencati)\n\n";
    for (std::size_t i = 0; i < voci.size(); ++i) {
        const std::string campi = campi_voce(voci[i]);
        std::cout << formatta("voce %2zu: ", i) << (campi.empty() ? "(vuota)" : campi) << "\n";
    }
}

const char* nome_tipo(const valore_piano& v) {
    if (std::holds_alternative<int16_t>(v)) {
        return "Integer";
    }
    if (std::holds_alternative<double>(v)) {
        return "Double";
    }
    return "vuoto";
}

void mostra_piano(const std::filesystem::path& file) {
    const tabella_piano piano = leggi_piano(file);
    std::cout << file.string() << ": " << piano.size() << " punti (0 - " << piano.size() - 1
              << "), uno per metro\n\n";
    for (int colonna = 0; colonna < 2; ++colonna) {
        std::cout << (colonna == 0 ? "x:" : "y:") << "\n";
        std::size_t inizio = 0;
        const auto valore = [&](std::size_t k) {
            return piano.valore(colonna == 0 ? k : piano.size() + k);
        };
        for (std::size_t i = 1; i <= piano.size(); ++i) {
            if (i == piano.size() || valore(i).index() != valore(inizio).index()) {
                std::cout << formatta("  punti %zu - %zu: %s (%zu)\n", inizio, i - 1,
                                      nome_tipo(valore(inizio)), i - inizio);
                inizio = i;
            }
        }
    }
    double x_min = std::numeric_limits<double>::infinity(), x_max = -x_min;
    double y_min = x_min, y_max = -x_min;
    for (std::size_t i = 0; i < piano.size(); ++i) {
        const punto_piano p = piano[i];
        if (const auto x = numero_piano(p.x)) {
            x_min = std::min(x_min, *x);
            x_max = std::max(x_max, *x);
        }
        if (const auto y = numero_piano(p.y)) {
            y_min = std::min(y_min, *y);
            y_max = std::max(y_max, *y);
        }
    }
    std::cout << "\nestensione della pianta (m):\n";
    if (x_min <= x_max) {
        std::cout << formatta("  x da %.3f a %.3f (%.3f)\n", x_min, x_max, x_max - x_min);
    } else {
        std::cout << "  x: nessun valore\n";
    }
    if (y_min <= y_max) {
        std::cout << formatta("  y da %.3f a %.3f (%.3f)\n", y_min, y_max, y_max - y_min);
    } else {
        std::cout << "  y: nessun valore\n";
    }
}

}  // namespace

std::string campi_voce(const voce& v) {
    std::string campi;
    const auto aggiungi = [&campi](const char* nome, long long valore) {
        if (valore != 0) {
            campi += formatta("%s%s=%lld", campi.empty() ? "" : " ", nome, valore);
        }
    };
    aggiungi("marca", v.marca);
    aggiungi("dato1", v.dato1);
    aggiungi("dato2", v.dato2);
    aggiungi("dato3", v.dato3);
    aggiungi("segno", v.segno);
    if (!v.nome.empty()) {
        campi += std::string(campi.empty() ? "" : " ") + "nome=" + nome_leggibile(v.nome);
    }
    aggiungi("intero1", v.intero1);
    aggiungi("intero2", v.intero2);
    aggiungi("intero3", v.intero3);
    aggiungi("intero4", v.intero4);
    aggiungi("intero5", v.intero5);
    aggiungi("flag1", v.flag1);
    aggiungi("flag2", v.flag2);
    aggiungi("flag3", v.flag3);
    aggiungi("flag4", v.flag4);
    aggiungi("dato_finale", v.dato_finale);
    return campi;
}

int comando_mostra(const std::filesystem::path& file) {
    const std::string nome = file.filename().string();
    if (nome.ends_with("_linea.dat")) {
        mostra_piano(file);
    } else if (nome.ends_with(".dat")) {
        mostra_celle(file);
    } else if (nome.ends_with(".sim")) {
        mostra_voci(file);
    } else {
        throw errore_uso("mostra legge solo file .sim, .dat o _linea.dat: " + file.string());
    }
    return stato_uscita::fatto;
}
