#pragma once
// The device operations: firmware query, read, write and automatic
// selection. Each runs to its end and reports by message boxes.

#include "model/field_domains.h"

class ModbusMaster;
class UserPrompt;
class ConfigForm;

struct DeviceContext {
  ModbusMaster& modbus;  // transactions and the register image
  UserPrompt& prompt;
  ConfigForm& form;
  const FieldLimits& limits;
};

// Reads registers 0 to 3 and reports product code and revision (message 66
// on failure). Returns true on success.
bool ReadFirmwareVersion(ModbusMaster& modbus, UserPrompt& prompt);

// Reads the whole configuration into the form. Returns true only when the
// read succeeded and its success box was closed; the caller then sets
// m_bParamsRead.
bool ReadParameters(DeviceContext& ctx);

// Checks the form and writes it to the module. Returns true on success.
bool WriteParameters(DeviceContext& ctx);

// Identifies the module; on the expected product code selects the device and
// runs ReadParameters. Returns what ReadParameters returned (false otherwise).
bool AutoSelect(DeviceContext& ctx);
