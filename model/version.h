#pragma once
// The version line that every program of the project prints for --version.

#include <string_view>

inline constexpr std::string_view kVersionLine = "TQ740conf 1.0\n";
