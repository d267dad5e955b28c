#pragma once
// Configuration: one module configuration as a value, free of any form or
// file: every field of the form as its register value and the master order
// records. Converts to and from the RegisterImage and carries the checks
// that every writer applies.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "model/config_fields.h"
#include "model/field_domains.h"
#include "model/order_fields.h"
#include "model/register_map.h"

class Configuration {
 public:
  // Values of kFileFields, by index: list positions for drop-down fields,
  // plain numbers otherwise; each as its register holds it.
  std::array<int, kFileFieldCount> values{};
  std::vector<MasterOrder> orders;
  // For reference only: never written to a module, never compared.
  std::optional<std::int32_t> productCode;
  std::optional<std::string> programRevision;

  int value(int reg) const;
  void setValue(int reg, int v);

  // The configuration held by registers 0..14, 19..29 and the first
  // orderCount order records of the image.
  static Configuration fromImage(const RegisterImage& image, int orderCount);
  // Stores the fields into registers 4..14 and 19..29 (register 20 = number
  // of orders) and the order records into their registers. Only a
  // configuration without encodingProblems() is stored exactly.
  void toImage(RegisterImage& image) const;

  // What the registers cannot hold, one line per field naming it: more than
  // kMaxOrders orders, a value outside its register's 16 bits, an order's
  // slave address or function that does not fit its byte. The JSON reader
  // reports these already; anything else that builds a configuration asks.
  std::vector<std::string> encodingProblems() const;

  // The check that Write applies: limits entries 1 to 9, a selection in
  // every drop-down, the slave modes against the master mode. A
  // configuration with problems here is refused by every writer.
  std::vector<std::string> writeProblems(const FieldLimits& limits) const;

  // The order editor's rules applied to every order. Whole configurations
  // are written in spite of them (the window's Write sends such orders
  // too); they are shown as warnings.
  std::vector<std::string> orderWarnings(const FieldLimits& limits) const;

  // Same fields and same order records (identity not compared).
  bool sameSettings(const Configuration& other) const {
    return values == other.values && orders == other.orders;
  }
};

// Field-by-field differences "path: left -> right": the lines of
// compareConfigurations() (model/config_diff.h). The number of orders is
// always compared, the order records only when withOrders is set.
std::vector<std::string> differences(const Configuration& left, const Configuration& right,
                                     bool withOrders = true);

// A value as a configuration file shows it: the list text (quoted) when the
// position is in the list, else the bare number.
std::string displayValue(const ConfigField& field, int value);
// An order field's value as a configuration file shows it.
std::string displayValue(const OrderFieldInfo& field, int value);
// One order record as one line of JSON.
std::string orderJson(const MasterOrder& order);
// Why a list of count orders cannot be stored: "N orders, at most 150 are
// allowed".
std::string tooManyOrders(std::size_t count);
// A text as a JSON string literal.
std::string jsonQuoted(std::string_view s);
// A text from a file, made safe for a message: control characters (C0, DEL
// and C1) escaped as \u00XX, and a text longer than maxBytes cut there (at a
// character boundary) with "... (N bytes)" after it.
std::string shownText(std::string_view s, std::size_t maxBytes = 64);
// The texts of a list, each quoted, separated by ", ".
std::string listText(std::span<const std::string_view> list);
