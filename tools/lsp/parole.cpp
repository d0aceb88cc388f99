// The table of the rows an author writes.
#include "tools/lsp/parole.h"

#include <array>
#include <cctype>

namespace {

// clang-format off
constexpr std::array<parola_riga, 22> righe{{
    {"lunghezza percorso", "[generale]", true, "lunghezza del percorso in metri: crea la griglia e il piano", "lunghezza"},
    {"progressiva chilometrica uno", "[generale]", true, "primo tratto della progressiva chilometrica", "inizio, fine, verso"},
    {"progressiva chilometrica due", "[generale]", true, "secondo tratto della progressiva chilometrica", "inizio, fine, verso"},
    {"progressiva chilometrica tre", "[generale]", true, "terzo tratto della progressiva chilometrica", "inizio, fine, verso"},
    {"sfondo uno", "[generale]", true, "primo sfondo del paesaggio", "valore"},
    {"sfondo due", "[generale]", true, "secondo sfondo del paesaggio", "valore"},
    {"sfondo tre", "[generale]", true, "terzo sfondo del paesaggio", "valore"},
    {"ripetizione segnali 4 codici", "[generale]", true, "ripetizione dei segnali in macchina a 4 codici", "valore1, valore2"},
    {"ripetizione segnali 9 codici", "[generale]", true, "ripetizione dei segnali in macchina a 9 codici", "valore1, valore2"},
    {"curvas", "[curve]", true, "curva a sinistra (la cifra dopo la parola è il raggio)", "inizio, lunghezza"},
    {"curvad", "[curve]", true, "curva a destra (la cifra dopo la parola è il raggio)", "inizio, lunghezza"},
    {"pendenza", "[pendenze]", true, "pendenza in per mille da questa posizione in poi", "posizione, pendenza"},
    {"montagna", "[montagne]", true, "tratto di montagna", "inizio, fine, tipo"},
    {"indicatori_vmax", "[cartelli]", true, "cartelli della velocità massima, nei due sensi", "posizione, vas, vbs, vcs, strisces, vad, vbd, vcd, strisced"},
    {"cartello_indicatore", "[indicazioni]", true, "cartello con un testo", "posizione, (testo)"},
    {"orologio", "[generale]", false, "ora di partenza del treno", "ore minuti secondi"},
    {"numero vetture", "[generale]", false, "vetture del treno", "numero"},
    {"percentuale massa frenata", "[generale]", false, "massa frenata in percentuale", "percentuale"},
    {"sabbia", "[generale]", false, "sabbia a bordo", "quantità"},
    {"aderenza", "[aderenze]", false, "aderenza da questa posizione in poi", "posizione, aderenza"},
    {"velocita", "[vel_limite]", false, "velocità limite da questa posizione in poi, in km/h", "posizione, velocità"},
    {"stazione", "[stazioni]", false, "stazione: voce generale e celle della sua area", "posizione, marca, lunghezza, segno, flag4, flag3, intero1, intero2, flag1, intero3, intero4, intero5, flag2, ore, minuti, secondi, nome"},
}};
constexpr std::array<parola_riga, 3> altre{{
    {"rallentamento", "[rallentamenti]", false, "rallentamento del treno", "posizione, velocità, lunghezza, f_tt, f_ta, d_v"},
    {"segnale", "[segnali]", false, "segnale: codici ai due lati e tempo", "posizione, sx, s1, s2, s3, rapp, dx, d1, d2, d3, tempo"},
    {"abbattimento", "[codici]", false, "abbattimento dei codici", "posizione, valore"},
}};
// clang-format on

constexpr std::array<parola_riga, righe.size() + altre.size()> tutte = [] {
    std::array<parola_riga, righe.size() + altre.size()> t{};
    std::size_t i = 0;
    for (const auto& r : righe) {
        t[i++] = r;
    }
    for (const auto& r : altre) {
        t[i++] = r;
    }
    return t;
}();

constexpr std::array<std::string_view, 7> sezioni_linea{
    "[generale]", "[curve]", "[pendenze]", "[montagne]", "[cartelli]", "[indicazioni]", "[fine]"};
constexpr std::array<std::string_view, 8> sezioni_treno{
    "[generale]",      "[aderenze]", "[vel_limite]", "[stazioni]",
    "[rallentamenti]", "[segnali]",  "[codici]",     "[fine]"};

}  // namespace

std::span<const parola_riga> parole_righe() {
    return tutte;
}

std::span<const std::string_view> sezioni(bool linea) {
    if (linea) {
        return sezioni_linea;
    }
    return sezioni_treno;
}

const parola_riga* parola_della_riga(std::string_view riga, bool linea) {
    while (!riga.empty() && (riga.front() == ' ' || riga.front() == '\t')) {
        riga.remove_prefix(1);
    }
    const parola_riga* migliore = nullptr;
    for (const parola_riga& p : tutte) {
        if (p.linea != linea || riga.size() < p.parola.size()) {
            continue;
        }
        bool uguale = true;
        for (std::size_t i = 0; i < p.parola.size() && uguale; ++i) {
            uguale = std::tolower(static_cast<unsigned char>(riga[i])) == p.parola[i];
        }
        if (uguale && (migliore == nullptr || p.parola.size() > migliore->parola.size())) {
            migliore = &p;
        }
    }
    return migliore;
}
