#include "model/field_labels.h"

#include <array>
#include <utility>

namespace {

constexpr std::array<std::pair<std::string_view, std::string_view>, 28> kLabels = {{
    {"com1.baudrate", "COM1 baudrate"},
    {"com1.parity", "COM1 parity"},
    {"com1.slave_address", "COM1 Slave address"},
    {"com1.redirect_timeout", "COM1 redirect timeout"},
    {"com1.slave_mode", "COM1 Slave Mode"},
    {"com2.baudrate", "COM2 baudrate"},
    {"com2.parity", "COM2 parity"},
    {"com2.slave_address", "COM2 Slave address"},
    {"com2.redirect_timeout", "COM2 redirect timeout"},
    {"com2.slave_mode", "COM2 Slave Mode"},
    {"com3.baudrate", "COM3 baudrate"},
    {"com3.parity", "COM3 parity"},
    {"com3.slave_address", "COM3 Slave address"},
    {"com3.redirect_timeout", "COM3 redirect timeout"},
    {"com3.slave_mode", "COM3 Slave Mode"},
    {"com4.baudrate", "COM4 baudrate"},
    {"com4.parity", "COM4 parity"},
    {"master.mode", "Master Mode"},
    {"master.pooltime", "Master pooltime"},
    {"master.timeout", "Master timeout"},
    {"master.max_number_error", "Master max number error"},
    {"master.orders", "Master Number of Orders"},
    // Order fields: the headings of the order list's columns.
    {"slave_address", "Sl Addr"},
    {"function", "Fun"},
    {"starting_address", "St Addr"},
    {"number_of_registers", "No. of Regs"},
    {"memory_address", "Mem Addr"},
    {"memory_selection", "Mem Selection"},
}};

}  // namespace

std::string_view fieldLabel(std::string_view key) {
  for (const auto& [k, label] : kLabels)
    if (k == key) return label;
  return {};
}
