// Constant text of the scenario file: treno.
#include "scenario_text/testi_scenario.h"

namespace {
constexpr std::string_view righe[] = {
    marcatore_fine,
};
}  // namespace

std::span<const std::string_view> righe_treno() {
    return righe;
}
