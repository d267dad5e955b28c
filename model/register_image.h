#pragma once
// RegisterImage: the in-memory mirror of the module's 1024 holding registers.

#include <array>
#include <cstddef>
#include <cstdint>

class RegisterImage {
 public:
  static constexpr std::size_t kSize = 1024;

  RegisterImage() { ClearRegisterImage(); }

  void ClearRegisterImage() { m_regs.fill(0); }

  // Out-of-range register numbers read as 0 and are never written: no
  // caller, however wrong its arguments, can reach outside the image.
  std::uint16_t get(std::size_t reg) const { return reg < kSize ? m_regs[reg] : 0; }
  void set(std::size_t reg, long long value) {
    if (reg < kSize) m_regs[reg] = static_cast<std::uint16_t>(value & 0xFFFF);
  }

  // True when registers start .. start+count-1 all lie inside the image.
  static constexpr bool rangeValid(std::size_t start, std::size_t count) {
    return start <= kSize && count <= kSize - start;
  }

  const std::uint16_t* data() const { return m_regs.data(); }
  bool operator==(const RegisterImage&) const = default;

 private:
  std::array<std::uint16_t, kSize> m_regs{};
};
