#pragma once
// The device operations: firmware query, read, write and automatic
// selection, one sequence each with its messages. The window runs them on
// its form, tq740ctl on a Configuration; both send the same frames.

#include <cstdint>
#include <string>
#include <vector>

#include "link/messages.h"
#include "model/field_domains.h"
#include "ops/operation_observer.h"
#include "ops/operation_result.h"
#include "ops/timing_check.h"
#include "ops/transfer.h"

class ModbusMaster;
class UserPrompt;
class ConfigForm;

// The context of every operation, the window's and tq740ctl's alike: the
// transactions, the message seam and (optionally) who follows the progress
// and may stop the operation between transactions.
struct DeviceLink {
  ModbusMaster& modbus;  // transactions and the register image
  UserPrompt& prompt;
  ops::OperationObserver* observer = nullptr;
};

// --------------------------------------------------------------- sequences

// Registers 0..3 (message 66 on failure). The image keeps everything else.
OperationResult queryFirmware(DeviceLink& link);
// "Product code: %d\nProgram revision: %d.%d" of the image's registers 0..3.
std::string firmwareReport(const RegisterImage& image);

// How a read ends: with its success box (message 57), or without one when it
// only serves a comparison.
enum class ReadEnd { Announce, Quiet };

// The read: clears the image, reads 0..14 (53) and 19..29 (54), asks about a
// foreign module (55), hands the fields to the target, reads the N order
// records (56; a count above kMaxOrders is refused before any of them), hands
// them over and ends with message 57.
OperationResult readConfiguration(DeviceLink& link, ReadTarget& target, ReadEnd end = ReadEnd::Announce);

// One function 16 transaction of a write and the message of its failure.
struct PlannedWrite {
  RegisterBlock block;
  const Message* failMessage;  // 61, 62 or 63
};
// The writes after the identity check, from a filled image: registers
// 4..14, 19..29, then in master mode "Normal mode" one per order record
// (register 20 of them, at most kMaxOrders).
std::vector<PlannedWrite> writePlan(const RegisterImage& image);

// The write: clears the image, reads the identity (58), asks about a foreign
// module (59), lets the source fill and check the image (60), asks about
// orders that cannot fit in the master timeout (unless timing is Skip), lets
// the source confirm what it will send (Declined when it does not), then
// sends writePlan() (61, 62, 63) and ends with message 67.
OperationResult writeConfiguration(DeviceLink& link, WriteSource& source,
                                   TimingQuestion timing = TimingQuestion::Ask);

// ---------------------------------------------------- the window's commands

// Reads registers 0 to 3 and reports product code and revision in a box
// (message 66 on failure).
OperationResult ReadFirmwareVersion(DeviceLink& link);

// Reads the whole configuration into the form, checked against limits.
// Succeeds only when the read succeeded and its success box was closed; the
// caller then sets m_bParamsRead.
OperationResult ReadParameters(DeviceLink& link, ConfigForm& form, const FieldLimits& limits);

// Checks the form and writes it to the module.
OperationResult WriteParameters(DeviceLink& link, ConfigForm& form, const FieldLimits& limits);

// Identifies the module; on the expected product code selects the device and
// runs ReadParameters, whose result it returns.
OperationResult AutoSelect(DeviceLink& link, ConfigForm& form, const FieldLimits& limits);
