// Where the whole-driver fuzz input passes from the line source to the train source.
#pragma once

#include <string_view>

constexpr std::string_view separatore_fuzz = "\n@@ treno @@\n";
