// Constant text of the scenario file: rallentamenti.
#include "scenario_text/testi_scenario.h"

namespace {
constexpr std::string_view righe[] = {
    marcatore_fine,
};
}  // namespace

std::span<const std::string_view> righe_rallentamenti() {
    return righe;
}
