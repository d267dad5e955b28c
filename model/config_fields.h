#pragma once
// The configuration fields of the form as one table: which register each
// field maps to, its control, its indicator, how it is checked. Reading and
// writing both walk this table, so they cannot disagree about a field.

#include <array>

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
  int reg;
  int controlId;
  int indicatorId;  // 0: none
  FieldKind kind;
  int limitEntry;  // FieldLimits entry for Number fields, 0 otherwise
};

// In the order the write checks them.
inline constexpr std::array<ConfigField, 22> kConfigFields = {{
    {reg::kCom1Parity, ctl::kCom1Parity, ctl::kIndCom1Parity, FieldKind::Choice, 0},
    {reg::kCom2Parity, ctl::kCom2Parity, ctl::kIndCom2Parity, FieldKind::Choice, 0},
    {reg::kCom3Parity, ctl::kCom3Parity, ctl::kIndCom3Parity, FieldKind::Choice, 0},
    {reg::kCom4Parity, ctl::kCom4Parity, ctl::kIndCom4Parity, FieldKind::Choice, 0},
    {reg::kCom1Baud, ctl::kCom1Baud, ctl::kIndCom1Baud, FieldKind::Choice, 0},
    {reg::kCom2Baud, ctl::kCom2Baud, ctl::kIndCom2Baud, FieldKind::Choice, 0},
    {reg::kCom3Baud, ctl::kCom3Baud, ctl::kIndCom3Baud, FieldKind::Choice, 0},
    {reg::kCom4Baud, ctl::kCom4Baud, ctl::kIndCom4Baud, FieldKind::Choice, 0},
    {reg::kCom1RedirectTimeout, ctl::kCom1Redirect, ctl::kIndCom1Redirect, FieldKind::Number,
     limit_entry::kCom1Redirect},
    {reg::kCom2RedirectTimeout, ctl::kCom2Redirect, ctl::kIndCom2Redirect, FieldKind::Number,
     limit_entry::kCom2Redirect},
    {reg::kCom3RedirectTimeout, ctl::kCom3Redirect, ctl::kIndCom3Redirect, FieldKind::Number,
     limit_entry::kCom3Redirect},
    {reg::kCom1SlaveAddress, ctl::kCom1SlaveAddr, ctl::kIndCom1SlaveAddr, FieldKind::Number,
     limit_entry::kCom1SlaveAddr},
    {reg::kCom2SlaveAddress, ctl::kCom2SlaveAddr, ctl::kIndCom2SlaveAddr, FieldKind::Number,
     limit_entry::kCom2SlaveAddr},
    {reg::kCom3SlaveAddress, ctl::kCom3SlaveAddr, ctl::kIndCom3SlaveAddr, FieldKind::Number,
     limit_entry::kCom3SlaveAddr},
    {reg::kCom1SlaveMode, ctl::kCom1SlaveMode, ctl::kIndCom1SlaveMode, FieldKind::SlaveMode, 0},
    {reg::kCom2SlaveMode, ctl::kCom2SlaveMode, ctl::kIndCom2SlaveMode, FieldKind::SlaveMode, 0},
    {reg::kCom3SlaveMode, ctl::kCom3SlaveMode, ctl::kIndCom3SlaveMode, FieldKind::SlaveMode, 0},
    {reg::kMasterMode, ctl::kMasterMode, ctl::kIndMasterMode, FieldKind::Choice, 0},
    {reg::kMasterOrderCount, ctl::kOrderCount, 0, FieldKind::Count, 0},
    {reg::kMasterPoolTime, ctl::kMasterPoolTime, ctl::kIndMasterPoolTime, FieldKind::Number,
     limit_entry::kMasterPoolTime},
    {reg::kMasterTimeout, ctl::kMasterTimeout, ctl::kIndMasterTimeout, FieldKind::Number,
     limit_entry::kMasterTimeout},
    {reg::kMasterMaxErrors, ctl::kMasterMaxErrors, ctl::kIndMasterMaxErrors, FieldKind::Number,
     limit_entry::kMasterMaxErrors},
}};

// Number of entries each drop-down's choice list has, by control id (0 when
// the control is not a drop-down of the table).
int choiceListSize(int controlId);

// Whether a field's value passes the Write check: a drop-down needs a
// position of its list, a slave mode the slave mode rule against masterMode
// (-1: none selected), a number edit text (not empty) within its limits
// entry; the order count always passes.
bool fieldPasses(const ConfigField& f, int value, bool empty, int masterMode, const FieldLimits& limits);
