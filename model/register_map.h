#pragma once
// Register numbers of the module's configuration, identity decoding and the
// master order record layout.

#include <cstdint>
#include <string>

#include "model/register_image.h"

namespace reg {
constexpr int kProductCodeHigh = 0;
constexpr int kProductCodeLow = 1;
constexpr int kRevisionMajor = 2;
constexpr int kRevisionMinor = 3;
constexpr int kCom1Baud = 4;
constexpr int kCom1Parity = 5;
constexpr int kCom1SlaveAddress = 6;
constexpr int kCom2Baud = 7;
constexpr int kCom2Parity = 8;
constexpr int kCom2SlaveAddress = 9;
constexpr int kCom3Baud = 10;
constexpr int kCom3Parity = 11;
constexpr int kCom3SlaveAddress = 12;
constexpr int kCom4Baud = 13;
constexpr int kCom4Parity = 14;
constexpr int kMasterMode = 19;
constexpr int kMasterOrderCount = 20;
constexpr int kMasterPoolTime = 21;
constexpr int kMasterTimeout = 22;
constexpr int kMasterMaxErrors = 23;
constexpr int kCom1RedirectTimeout = 24;
constexpr int kCom2RedirectTimeout = 25;
constexpr int kCom3RedirectTimeout = 26;
constexpr int kCom1SlaveMode = 27;
constexpr int kCom2SlaveMode = 28;
constexpr int kCom3SlaveMode = 29;
constexpr int kFirstOrder = 50;
constexpr int kOrderWords = 5;
}  // namespace reg

// Blocks moved by the device operations: (first register, count).
struct RegisterBlock {
  std::uint16_t start;
  std::uint16_t count;
};
namespace block {
constexpr RegisterBlock kFirmware{0, 4};
constexpr RegisterBlock kIdentity{0, 2};
constexpr RegisterBlock kReadPorts{0, 15};
constexpr RegisterBlock kWritePorts{4, 11};
constexpr RegisterBlock kSlaveMaster{19, 11};
}  // namespace block

constexpr std::int32_t EXPECTED_PRODUCT_CODE = 0x12004FBD;  // 302010301
constexpr int kMaxOrders = 150;  // order list capacity (m_nMaxOrders)
// The order records a count stands for: none below 0, and never more than
// the list's capacity.
constexpr int ordersWithin(long long count) {
  return count < 0 ? 0 : count > kMaxOrders ? kMaxOrders : static_cast<int>(count);
}

// Product code as the signed 32-bit number the user sees.
inline std::int32_t productCode(const RegisterImage& img) {
  const std::uint32_t u = (std::uint32_t(img.get(reg::kProductCodeHigh)) << 16) | img.get(reg::kProductCodeLow);
  return static_cast<std::int32_t>(u);
}

// Program revision as "major.minor".
inline std::string programRevision(const RegisterImage& img) {
  return std::to_string(img.get(reg::kRevisionMajor)) + "." + std::to_string(img.get(reg::kRevisionMinor));
}

// First register of master order i (counted from 0).
constexpr int orderRecordStart(int i) { return reg::kFirstOrder + reg::kOrderWords * i; }

// One master order as the module stores it in five registers.
struct MasterOrder {
  int slaveAddress = 0;      // high byte of word 0
  int function = 0;          // low byte of word 0
  int startingAddress = 1;   // counted from 1; the register holds it minus 1
  int registerCount = 0;     // word 2
  int memoryAddress = 0;     // word 3
  int memorySelection = 0;   // word 4, position in the memory selection list

  static MasterOrder unpack(const RegisterImage& img, int i) {
    const int r = orderRecordStart(i);
    MasterOrder o;
    const std::uint16_t w0 = img.get(r);
    o.slaveAddress = w0 >> 8;
    o.function = w0 & 0xFF;
    o.startingAddress = int(img.get(r + 1)) + 1;
    o.registerCount = img.get(r + 2);
    o.memoryAddress = img.get(r + 3);
    o.memorySelection = img.get(r + 4);
    return o;
  }
  void pack(RegisterImage& img, int i) const {
    const int r = orderRecordStart(i);
    img.set(r, (static_cast<long long>(slaveAddress) * 256 + function) & 0xFFFF);
    img.set(r + 1, static_cast<long long>(startingAddress) - 1);
    img.set(r + 2, registerCount);
    img.set(r + 3, memoryAddress);
    img.set(r + 4, memorySelection);
  }
  bool operator==(const MasterOrder&) const = default;
};
