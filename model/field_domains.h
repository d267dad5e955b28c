#pragma once
// Choice lists, number ranges, text-length limits and the dependent rules of
// every configurable field.

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace domain {
inline constexpr std::array<std::string_view, 8> ParityList = {"8N1", "8E1", "8O1", "9N1",
                                                                "8N2", "8E2", "8O2", "9N2"};
inline constexpr std::array<std::string_view, 8> BaudRateList = {"1200",  "2400",  "4800",  "9600",
                                                                  "19200", "38000", "57600", "115200"};
inline constexpr std::array<std::string_view, 5> SlaveModeList = {
    "Normal mode", "Catch slave address mode", "Catch all address mode", "Redirect slave address mode",
    "Redirect all address mode"};
inline constexpr std::array<std::string_view, 2> MasterModeList = {"Normal mode", "Catch mode"};
inline constexpr std::array<std::string_view, 8> FunctionList = {"1", "2", "3", "4", "5", "6", "15", "16"};
inline constexpr std::array<std::string_view, 2> MemorySelectionList = {"Data memory", "Errors registers"};

// Column 6 text for a memory selection that has no list entry (a per-row
// value of -1 from an unchecked Insert/Modify, or a foreign value read from
// the module): the number itself, so nothing is hidden from the user.
std::string memorySelectionText(long long value);
}  // namespace domain

// Device type table: one supported module.
struct DeviceType {
  std::string_view description;
  std::string_view typeLabel;
};
inline constexpr std::array<DeviceType, 1> DeviceTypeTable = {
    DeviceType{"3xModBus RTU Slave - 1x ModBus RTU Master", "TQ-740-0"}};

struct Limit {
  int min;
  int max;
  bool contains(int v) const { return min <= v && v <= max; }
};

// The 13 inclusive (minimum, maximum) pairs, numbered 1 to 13.
class FieldLimits {
 public:
  static constexpr int kEntries = 13;
  FieldLimits() { setDefaults(); }
  void setDefaults();
  const Limit& entry(int n) const { return m_limits.at(n - 1); }
  void setEntry(int n, Limit l) { m_limits.at(n - 1) = l; }

 private:
  std::array<Limit, kEntries> m_limits{};
};

namespace limit_entry {
constexpr int kCom1Redirect = 1, kCom2Redirect = 2, kCom3Redirect = 3;
constexpr int kCom1SlaveAddr = 4, kCom2SlaveAddr = 5, kCom3SlaveAddr = 6;
constexpr int kMasterPoolTime = 7, kMasterTimeout = 8, kMasterMaxErrors = 9;
constexpr int kOrderSlaveAddr = 10, kOrderStart = 11, kOrderRegCount = 12, kOrderMemAddr = 13;
}  // namespace limit_entry

// Text-length limits of the number edits, in the order they are set.
struct TextLimit {
  int controlId;
  int chars;
};
extern const std::array<TextLimit, 13> kTextLimits;

// A number field's text read as the platform's signed dialog-integer
// conversion: leading blanks and one minus sign accepted, anything that is
// not a whole decimal number gives 0, values beyond 32 bits give 0.
int dialogInt(std::string_view text);

// A column text read as a decimal integer: leading white space and one sign,
// digits up to the first non-digit; no leading digits gives 0.
int leadingInt(std::string_view text);

// Function rule: what choosing FunctionList position F does.
struct FunctionRuleResult {
  Limit regCount;
  int chars;
  std::string_view label;  // new text of label 1072
};
// Returns false for F outside the list (nothing changes).
bool functionRule(int f, FunctionRuleResult& out);

// Memory selection rule: what choosing MemorySelectionList position S does.
struct MemoryRuleResult {
  Limit memAddress;
  int chars;
  std::string_view memLabel;       // new text of label 1073
  std::string_view functionLabel;  // new text of label 1067
};
bool memorySelectionRule(int s, MemoryRuleResult& out);

// Function compatibility rule for the selected positions F and S.
bool functionCompatible(int f, int s);

// Slave mode rule: selected slave mode S against the master mode M.
bool slaveModeAllowed(int masterMode, int slaveMode);
