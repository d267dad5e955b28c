#pragma once
// The configuration fields of the form as one table, one row per field: where
// it stands in a configuration file, its register, its control, its
// indicator, the label the form shows for it, how it is checked and which
// choice list its drop-down holds. Reading, writing, files, comparisons and
// the form all walk this table, so they cannot disagree about a field.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "model/control_ids.h"
#include "model/field_domains.h"
#include "model/register_map.h"

enum class FieldKind {
  Choice,     // drop-down: register holds the selected position; passes when selected
  Number,     // number edit: not empty and within its limits entry
  SlaveMode,  // drop-down checked by the slave mode rule against the master mode
  Count,      // read-only order count: stored, never checked, no indicator
};

struct ConfigField {
  std::string_view group;  // "com1" .. "com4", "master"
  // Name in a configuration file; empty for the order count, which a file
  // holds as the length of master.orders.
  std::string_view key;
  // What the form's label shows for the field (its first line; a second line
  // gives the range), and that label's control id.
  std::string_view label;
  int labelId;
  int reg;
  int controlId;
  int indicatorId;  // 0: none
  FieldKind kind;
  int limitEntry;                             // FieldLimits entry for Number fields, 0 otherwise
  std::span<const std::string_view> choices;  // drop-down's list; empty for edits

  std::string path() const { return std::string(group) + "." + std::string(key); }
};

// In the order they appear in a configuration file; the order count, which
// has no key of its own, last.
inline constexpr std::array<ConfigField, 22> kConfigFields = {{
    // clang-format off
    {.group = "com1", .key = "baudrate", .label = "COM1 baudrate", .labelId = 1012, .reg = reg::kCom1Baud,
     .controlId = ids::kCom1Baud, .indicatorId = ids::kIndCom1Baud, .kind = FieldKind::Choice, .limitEntry = 0,
     .choices = domain::BaudRateList},
    {.group = "com1", .key = "parity", .label = "COM1 parity", .labelId = 1010, .reg = reg::kCom1Parity,
     .controlId = ids::kCom1Parity, .indicatorId = ids::kIndCom1Parity, .kind = FieldKind::Choice, .limitEntry = 0,
     .choices = domain::ParityList},
    {.group = "com1", .key = "slave_address", .label = "COM1 Slave address", .labelId = 1026,
     .reg = reg::kCom1SlaveAddress, .controlId = ids::kCom1SlaveAddr, .indicatorId = ids::kIndCom1SlaveAddr,
     .kind = FieldKind::Number, .limitEntry = limit_entry::kCom1SlaveAddr, .choices = {}},
    {.group = "com1", .key = "redirect_timeout", .label = "COM1 redirect timeout", .labelId = 1033,
     .reg = reg::kCom1RedirectTimeout, .controlId = ids::kCom1Redirect, .indicatorId = ids::kIndCom1Redirect,
     .kind = FieldKind::Number, .limitEntry = limit_entry::kCom1Redirect, .choices = {}},
    {.group = "com1", .key = "slave_mode", .label = "COM1 Slave Mode", .labelId = 1039, .reg = reg::kCom1SlaveMode,
     .controlId = ids::kCom1SlaveMode, .indicatorId = ids::kIndCom1SlaveMode, .kind = FieldKind::SlaveMode,
     .limitEntry = 0, .choices = domain::SlaveModeList},

    {.group = "com2", .key = "baudrate", .label = "COM2 baudrate", .labelId = 1016, .reg = reg::kCom2Baud,
     .controlId = ids::kCom2Baud, .indicatorId = ids::kIndCom2Baud, .kind = FieldKind::Choice, .limitEntry = 0,
     .choices = domain::BaudRateList},
    {.group = "com2", .key = "parity", .label = "COM2 parity", .labelId = 1014, .reg = reg::kCom2Parity,
     .controlId = ids::kCom2Parity, .indicatorId = ids::kIndCom2Parity, .kind = FieldKind::Choice, .limitEntry = 0,
     .choices = domain::ParityList},
    {.group = "com2", .key = "slave_address", .label = "COM2 Slave address", .labelId = 1027,
     .reg = reg::kCom2SlaveAddress, .controlId = ids::kCom2SlaveAddr, .indicatorId = ids::kIndCom2SlaveAddr,
     .kind = FieldKind::Number, .limitEntry = limit_entry::kCom2SlaveAddr, .choices = {}},
    {.group = "com2", .key = "redirect_timeout", .label = "COM2 redirect timeout", .labelId = 1034,
     .reg = reg::kCom2RedirectTimeout, .controlId = ids::kCom2Redirect, .indicatorId = ids::kIndCom2Redirect,
     .kind = FieldKind::Number, .limitEntry = limit_entry::kCom2Redirect, .choices = {}},
    {.group = "com2", .key = "slave_mode", .label = "COM2 Slave Mode", .labelId = 1040, .reg = reg::kCom2SlaveMode,
     .controlId = ids::kCom2SlaveMode, .indicatorId = ids::kIndCom2SlaveMode, .kind = FieldKind::SlaveMode,
     .limitEntry = 0, .choices = domain::SlaveModeList},

    {.group = "com3", .key = "baudrate", .label = "COM3 baudrate", .labelId = 1020, .reg = reg::kCom3Baud,
     .controlId = ids::kCom3Baud, .indicatorId = ids::kIndCom3Baud, .kind = FieldKind::Choice, .limitEntry = 0,
     .choices = domain::BaudRateList},
    {.group = "com3", .key = "parity", .label = "COM3 parity", .labelId = 1018, .reg = reg::kCom3Parity,
     .controlId = ids::kCom3Parity, .indicatorId = ids::kIndCom3Parity, .kind = FieldKind::Choice, .limitEntry = 0,
     .choices = domain::ParityList},
    {.group = "com3", .key = "slave_address", .label = "COM3 Slave address", .labelId = 1028,
     .reg = reg::kCom3SlaveAddress, .controlId = ids::kCom3SlaveAddr, .indicatorId = ids::kIndCom3SlaveAddr,
     .kind = FieldKind::Number, .limitEntry = limit_entry::kCom3SlaveAddr, .choices = {}},
    {.group = "com3", .key = "redirect_timeout", .label = "COM3 redirect timeout", .labelId = 1035,
     .reg = reg::kCom3RedirectTimeout, .controlId = ids::kCom3Redirect, .indicatorId = ids::kIndCom3Redirect,
     .kind = FieldKind::Number, .limitEntry = limit_entry::kCom3Redirect, .choices = {}},
    {.group = "com3", .key = "slave_mode", .label = "COM3 Slave Mode", .labelId = 1041, .reg = reg::kCom3SlaveMode,
     .controlId = ids::kCom3SlaveMode, .indicatorId = ids::kIndCom3SlaveMode, .kind = FieldKind::SlaveMode,
     .limitEntry = 0, .choices = domain::SlaveModeList},

    {.group = "com4", .key = "baudrate", .label = "COM4 baudrate", .labelId = 1024, .reg = reg::kCom4Baud,
     .controlId = ids::kCom4Baud, .indicatorId = ids::kIndCom4Baud, .kind = FieldKind::Choice, .limitEntry = 0,
     .choices = domain::BaudRateList},
    {.group = "com4", .key = "parity", .label = "COM4 parity", .labelId = 1022, .reg = reg::kCom4Parity,
     .controlId = ids::kCom4Parity, .indicatorId = ids::kIndCom4Parity, .kind = FieldKind::Choice, .limitEntry = 0,
     .choices = domain::ParityList},

    {.group = "master", .key = "mode", .label = "Master Mode", .labelId = 1053, .reg = reg::kMasterMode,
     .controlId = ids::kMasterMode, .indicatorId = ids::kIndMasterMode, .kind = FieldKind::Choice,
     .limitEntry = 0, .choices = domain::MasterModeList},
    {.group = "master", .key = "pooltime", .label = "Master pooltime", .labelId = 1048,
     .reg = reg::kMasterPoolTime, .controlId = ids::kMasterPoolTime, .indicatorId = ids::kIndMasterPoolTime,
     .kind = FieldKind::Number, .limitEntry = limit_entry::kMasterPoolTime, .choices = {}},
    {.group = "master", .key = "timeout", .label = "Master timeout", .labelId = 1049, .reg = reg::kMasterTimeout,
     .controlId = ids::kMasterTimeout, .indicatorId = ids::kIndMasterTimeout, .kind = FieldKind::Number,
     .limitEntry = limit_entry::kMasterTimeout, .choices = {}},
    {.group = "master", .key = "max_number_error", .label = "Master max number error", .labelId = 1051,
     .reg = reg::kMasterMaxErrors, .controlId = ids::kMasterMaxErrors, .indicatorId = ids::kIndMasterMaxErrors,
     .kind = FieldKind::Number, .limitEntry = limit_entry::kMasterMaxErrors, .choices = {}},

    {.group = "master", .key = "", .label = "Master Number of Orders", .labelId = 1077,
     .reg = reg::kMasterOrderCount, .controlId = ids::kOrderCount, .indicatorId = 0, .kind = FieldKind::Count,
     .limitEntry = 0, .choices = {}},
    // clang-format on
}};

// The rows a configuration file holds as keys (all but the order count);
// Configuration::values follows them by index.
inline constexpr std::size_t kFileFieldCount = 21;
inline constexpr std::span<const ConfigField, kFileFieldCount> kFileFields{kConfigFields.data(),
                                                                           kFileFieldCount};

// Indexes into kConfigFields in the order the Write check takes the fields:
// parities, baud rates, redirect timeouts, slave addresses, slave modes, the
// master mode, the order count and the master's numbers.
inline constexpr std::array<std::uint8_t, kConfigFields.size()> kWriteCheckOrder = {
    1, 6, 11, 16, 0, 5, 10, 15, 3, 8, 13, 2, 7, 12, 4, 9, 14, 17, 21, 18, 19, 20};

// Number of entries each drop-down's choice list has, by control id (0 when
// the control is not a drop-down of a field table).
int choiceListSize(int controlId);

// Whether a field's value passes the Write check: a drop-down needs a
// position of its list, a slave mode the slave mode rule against masterMode
// (-1: none selected), a number edit text (not empty) within its limits
// entry; the order count always passes.
bool fieldPasses(const ConfigField& f, int value, bool empty, int masterMode, const FieldLimits& limits);
