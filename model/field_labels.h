#pragma once
// The texts that the form shows for the configuration fields and the order
// fields, by the key that configuration files and tq740ctl use: the field's
// label on the form (its first line, without the range) and the heading of
// the order list's column.

#include <string_view>

// The label of a configuration field ("com1.baudrate") or of an order field
// ("function"); empty for an unknown key.
std::string_view fieldLabel(std::string_view key);
