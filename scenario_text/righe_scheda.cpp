// Constant text of the scenario file: scheda.
#include "scenario_text/testi_scenario.h"

namespace {
constexpr std::string_view righe[] = {
    marcatore_fine,
};
}  // namespace

std::span<const std::string_view> righe_scheda() {
    return righe;
}
