// The scenario notes. The accented letters are Windows-1252 bytes (E0, E8, F9).
#include "scenario_text/testi_scenario.h"

namespace {
// One entry per line; the blanks inside the quotes are part of the data.
// clang-format off
constexpr std::string_view righe[] = {
    "                  Treno 5927 sul percorso Orvesa - Cusvana",
    "",
    " Note sullo scenario:",
    "",
    " - La ferrovia Orvesana nella realt" "\xE0" " " "\xE8" " a binario singolo, non " "\xE8" " elettrificata",
    "   e viene percorsa normalmente da automotrici diesel ALn663 e ALn668.",
    "",
    " - In realt" "\xE0" " il treno 5927 termina alle 19.25 a Cusvana Porta Orvesana e non a Cusvana S.M.N.;",
    "   lo scenario simula la bretella da Cusvana San Rocco a Cusvana S.M.N., non ancora aperta",
    "   al momento della realizzazione dello scenario.",
    "",
    " - Lungo il percorso si incontrano le vecchie stazioni dismesse di Gorasecca, Le Forre e Moliniano:",
    "   nella scheda treno compaiono soltanto come punti di riferimento.",
    "",
    " - Nella linea reale sono presenti alcuni segnali caratteristici di avviso e di protezione",
    "   di passaggi a livello, qui sono rappresentati come normali segnali ad una luce e sono",
    "   sempre disposti a via libera.",
    "",
    " - Questo scenario " "\xE8" " privo di situazioni particolarmente difficili.",
    "",
    " Lo scenario " "\xE8" " il pi" "\xF9" " possibile aderente alla realt" "\xE0" ": il tracciato " "\xE8" " ricavato dalle carte",
    " topografiche in scala 1:25000 e dalla registrazione video di un viaggio in cabina di guida;",
    " orari e dettagli vengono dal volume \"La ferrovia Orvesana\" e da altre informazioni raccolte.",
    " ",
    " Scenario realizzato da Ettore Vallisneri, Olmeda di Cusvana",
    " ettore.vallisneri@example.org",
    marcatore_fine,
};
// clang-format on
}  // namespace

std::span<const std::string_view> righe_note() {
    return righe;
}
