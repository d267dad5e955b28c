#pragma once
// ConfigDocument: one module configuration as tq740ctl keeps it, with its
// JSON form, the checks a file must pass before it is written, and the
// field-by-field comparison of two configurations.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "model/config_fields.h"
#include "model/field_domains.h"
#include "model/register_map.h"

// One configuration field of the file: its place in the JSON and its
// register; kind and limits come from the form's field table.
struct DocField {
  std::string_view group;  // "com1" .. "com4", "master"
  std::string_view key;    // "baudrate", "slave_mode", ...
  int reg;

  std::string path() const { return std::string(group) + "." + std::string(key); }
  const ConfigField& config() const;
  // The choice list of a drop-down field; empty for number fields.
  std::span<const std::string_view> choices() const;
};

// In the order they appear in the file.
inline constexpr std::array<DocField, 21> kDocFields = {{
    {"com1", "baudrate", reg::kCom1Baud},
    {"com1", "parity", reg::kCom1Parity},
    {"com1", "slave_address", reg::kCom1SlaveAddress},
    {"com1", "redirect_timeout", reg::kCom1RedirectTimeout},
    {"com1", "slave_mode", reg::kCom1SlaveMode},
    {"com2", "baudrate", reg::kCom2Baud},
    {"com2", "parity", reg::kCom2Parity},
    {"com2", "slave_address", reg::kCom2SlaveAddress},
    {"com2", "redirect_timeout", reg::kCom2RedirectTimeout},
    {"com2", "slave_mode", reg::kCom2SlaveMode},
    {"com3", "baudrate", reg::kCom3Baud},
    {"com3", "parity", reg::kCom3Parity},
    {"com3", "slave_address", reg::kCom3SlaveAddress},
    {"com3", "redirect_timeout", reg::kCom3RedirectTimeout},
    {"com3", "slave_mode", reg::kCom3SlaveMode},
    {"com4", "baudrate", reg::kCom4Baud},
    {"com4", "parity", reg::kCom4Parity},
    {"master", "mode", reg::kMasterMode},
    {"master", "pooltime", reg::kMasterPoolTime},
    {"master", "timeout", reg::kMasterTimeout},
    {"master", "max_number_error", reg::kMasterMaxErrors},
}};

class ConfigDocument {
 public:
  // Values of kDocFields, by index: list positions for drop-down fields,
  // plain numbers otherwise.
  std::array<int, kDocFields.size()> values{};
  std::vector<MasterOrder> orders;
  // For reference only: never written, never compared.
  std::optional<std::int32_t> productCode;
  std::optional<std::string> programRevision;

  int value(int reg) const;
  void setValue(int reg, int v);

  // The configuration held by registers 0..14, 19..29 and the first
  // orderCount order records of the image.
  static ConfigDocument fromImage(const RegisterImage& image, int orderCount);
  // Stores the fields into registers 4..14 and 19..29 (register 20 = number
  // of orders) and the order records into their registers.
  void toImage(RegisterImage& image) const;

  std::string toJson() const;

  // Parses a file. Strict: every choice must be one of its list's texts (the
  // write's reading). Lenient: a choice may also be a bare number, as a read
  // writes a position that is no list item (the diff's reading). Returns
  // false with one line per bad field when the text is not valid JSON or has
  // unknown, missing or wrongly typed fields.
  enum class Mode { Strict, Lenient };
  static bool parse(const std::string& text, Mode mode, ConfigDocument& out,
                    std::vector<std::string>& problems);

  // Everything the write refuses in a parsed document: numbers outside their
  // limits, the slave mode rule, the order rules, more than kMaxOrders
  // orders. One line per bad field; empty when the document may be written.
  std::vector<std::string> validate(const FieldLimits& limits) const;
};

// Field-by-field differences "path: left -> right". The number of orders is
// always compared, the order records only when withOrders is set.
std::vector<std::string> differences(const ConfigDocument& left, const ConfigDocument& right,
                                     bool withOrders = true);

// A value as the file shows it: the list text (quoted) when the position is
// in the list, else the bare number.
std::string displayValue(const DocField& field, int value);
std::string orderJson(const MasterOrder& order);
