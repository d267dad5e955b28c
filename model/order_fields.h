#pragma once
// The fields of a master order as one table, one row per field: its key in
// a configuration file, the member of MasterOrder, the column of the order
// list, what the order record's registers can hold, the editor's control,
// indicator and label. Files, comparisons, the list and the editor all walk
// this table.

#include <array>
#include <span>
#include <string_view>

#include "model/control_ids.h"
#include "model/field_domains.h"
#include "model/register_map.h"

enum class OrderField {
  SlaveAddress,
  Function,
  StartingAddress,
  RegisterCount,
  MemoryAddress,
  MemorySelection
};

enum class OrderValue {
  Number,     // number edit; the list column shows the number
  Code,       // drop-down of codes: the list column shows the chosen text, a file the number
  Selection,  // drop-down: the value is the chosen position, kept as the row's value; a file
              // and the list show its text
};

struct OrderFieldInfo {
  OrderField field;
  std::string_view key;  // in a configuration file
  // What the editor's label shows for the field (its first line, before any
  // rule rewrites it), and that label's control id.
  std::string_view label;
  int labelId;
  int MasterOrder::*member;
  int column;        // of the order list 1055
  long long lo, hi;  // what the order record can hold
  int controlId;     // editor field
  int indicatorId;
  OrderValue kind;
  int limitEntry;                             // FieldLimits entry for Number fields, 0 otherwise
  std::span<const std::string_view> choices;  // the editor's drop-down list
};

// In the order of the editor's fields, the list's columns and a file's keys.
inline constexpr std::array<OrderFieldInfo, 6> kOrderFields = {{
    // clang-format off
    {.field = OrderField::SlaveAddress, .key = "slave_address", .label = "Slave Address", .labelId = 1065,
     .member = &MasterOrder::slaveAddress, .column = 1, .lo = 0, .hi = 0xFF, .controlId = ids::kOrderSlaveAddr,
     .indicatorId = ids::kIndOrderSlaveAddr, .kind = OrderValue::Number, .limitEntry = limit_entry::kOrderSlaveAddr,
     .choices = {}},
    {.field = OrderField::Function, .key = "function", .label = "Function", .labelId = 1067,
     .member = &MasterOrder::function, .column = 2, .lo = 0, .hi = 0xFF, .controlId = ids::kOrderFunction,
     .indicatorId = ids::kIndOrderFunction, .kind = OrderValue::Code, .limitEntry = 0,
     .choices = domain::FunctionList},
    {.field = OrderField::StartingAddress, .key = "starting_address", .label = "Starting Address", .labelId = 1069,
     .member = &MasterOrder::startingAddress, .column = 3, .lo = 1, .hi = 0x10000, .controlId = ids::kOrderStart,
     .indicatorId = ids::kIndOrderStart, .kind = OrderValue::Number, .limitEntry = limit_entry::kOrderStart,
     .choices = {}},
    {.field = OrderField::RegisterCount, .key = "number_of_registers", .label = "No. of Registers",
     .labelId = 1072, .member = &MasterOrder::registerCount, .column = 4, .lo = 0, .hi = 0xFFFF,
     .controlId = ids::kOrderRegCount, .indicatorId = ids::kIndOrderRegCount, .kind = OrderValue::Number,
     .limitEntry = limit_entry::kOrderRegCount, .choices = {}},
    {.field = OrderField::MemoryAddress, .key = "memory_address", .label = "Memory Address", .labelId = 1073,
     .member = &MasterOrder::memoryAddress, .column = 5, .lo = 0, .hi = 0xFFFF, .controlId = ids::kOrderMemAddr,
     .indicatorId = ids::kIndOrderMemAddr, .kind = OrderValue::Number, .limitEntry = limit_entry::kOrderMemAddr,
     .choices = {}},
    {.field = OrderField::MemorySelection, .key = "memory_selection", .label = "Memory Selection",
     .labelId = 1076, .member = &MasterOrder::memorySelection, .column = 6, .lo = 0, .hi = 0xFFFF,
     .controlId = ids::kOrderMemSel, .indicatorId = ids::kIndOrderMemSel, .kind = OrderValue::Selection,
     .limitEntry = 0, .choices = domain::MemorySelectionList},
    // clang-format on
}};

inline constexpr const OrderFieldInfo& orderField(OrderField f) {
  return kOrderFields[static_cast<std::size_t>(f)];
}
