#include "model/config_fields.h"

int choiceListSize(int id) {
  switch (id) {
    case ctl::kCom1Parity:
    case ctl::kCom2Parity:
    case ctl::kCom3Parity:
    case ctl::kCom4Parity:
      return static_cast<int>(domain::ParityList.size());
    case ctl::kCom1Baud:
    case ctl::kCom2Baud:
    case ctl::kCom3Baud:
    case ctl::kCom4Baud:
      return static_cast<int>(domain::BaudRateList.size());
    case ctl::kCom1SlaveMode:
    case ctl::kCom2SlaveMode:
    case ctl::kCom3SlaveMode:
      return static_cast<int>(domain::SlaveModeList.size());
    case ctl::kMasterMode:
      return static_cast<int>(domain::MasterModeList.size());
    case ctl::kOrderFunction:
      return static_cast<int>(domain::FunctionList.size());
    case ctl::kOrderMemSel:
      return static_cast<int>(domain::MemorySelectionList.size());
    default:
      return 0;
  }
}

bool fieldPasses(const ConfigField& f, int value, bool empty, int masterMode, const FieldLimits& limits) {
  switch (f.kind) {
    case FieldKind::Choice:
      return value >= 0 && value < choiceListSize(f.controlId);
    case FieldKind::SlaveMode:
      return slaveModeAllowed(masterMode, value);
    case FieldKind::Number:
      return !empty && limits.entry(f.limitEntry).contains(value);
    case FieldKind::Count:
      return true;
  }
  return false;
}
