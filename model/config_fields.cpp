#include "model/config_fields.h"

#include "model/order_fields.h"

int choiceListSize(int id) {
  for (const ConfigField& f : kConfigFields)
    if (f.controlId == id) return static_cast<int>(f.choices.size());
  for (const OrderFieldInfo& f : kOrderFields)
    if (f.controlId == id) return static_cast<int>(f.choices.size());
  return 0;
}

bool fieldPasses(const ConfigField& f, int value, bool empty, int masterMode, const FieldLimits& limits) {
  switch (f.kind) {
    case FieldKind::Choice:
      return value >= 0 && value < static_cast<int>(f.choices.size());
    case FieldKind::SlaveMode:
      return slaveModeAllowed(masterMode, value);
    case FieldKind::Number:
      return !empty && limits.entry(f.limitEntry).contains(value);
    case FieldKind::Count:
      return true;
  }
  return false;
}
