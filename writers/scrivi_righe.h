// The emission steps shared by the five text writers.
#pragma once

#include <filesystem>
#include <span>
#include <string_view>

// Writes every entry of the table up to the end marker, each followed by CR LF,
// replacing whatever file stood under that name.
void scrivi_righe(const std::filesystem::path& percorso, std::span<const std::string_view> righe);
