// The constant text of the carried scenario: one line table per file, each ended by the
// end marker, which is never written. Bytes above 127 are Windows-1252.
#pragma once

#include <span>
#include <string_view>

constexpr std::string_view marcatore_fine = "riferimento fine del file";

std::span<const std::string_view> righe_linea();          // the line source file
std::span<const std::string_view> righe_treno();          // the train source file
std::span<const std::string_view> righe_note();           // the scenario notes
std::span<const std::string_view> righe_rallentamenti();  // the slowdown sheet
std::span<const std::string_view> righe_scheda();         // the train card
