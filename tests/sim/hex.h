#pragma once
// Hex helpers of the simulated module's tests: frames written as hex text
// (spaces allowed) and answers shown as hex, so failures read as frames.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

inline std::vector<std::uint8_t> bytes(const std::string& hex) {
  std::vector<std::uint8_t> out;
  std::string digits;
  for (char c : hex)
    if (c != ' ') digits += c;
  for (std::size_t i = 0; i + 1 < digits.size(); i += 2)
    out.push_back(static_cast<std::uint8_t>(std::stoi(digits.substr(i, 2), nullptr, 16)));
  return out;
}

inline std::string hex(const std::vector<std::uint8_t>& b) {
  std::string out;
  char buf[3];
  for (std::uint8_t x : b) {
    std::snprintf(buf, sizeof buf, "%02X", x);
    out += buf;
  }
  return out;
}
