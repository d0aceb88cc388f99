// The slowdown sheet: no slowdown is prescribed on this run.
#include "scenario_text/testi_scenario.h"

namespace {
// One entry per line; the blanks inside the quotes are part of the data.
// clang-format off
constexpr std::string_view righe[] = {
    "",
    "",
    "",
    "",
    "                         NESSUNA PRESCRIZIONE",
    marcatore_fine,
};
// clang-format on
}  // namespace

std::span<const std::string_view> righe_rallentamenti() {
    return righe;
}
