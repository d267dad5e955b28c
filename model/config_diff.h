#pragma once
// How two configurations differ, as rows: one per field that differs, the
// number of orders, and for the order records those added, removed, and
// changed field by field. tq740ctl diff and --verify print the rows as
// lines; the window's Compare with device and the changes shown before a
// Write list them with the form's labels.

#include <string>
#include <vector>

#include "model/configuration.h"

struct DiffRow {
  enum class Kind {
    Field,         // a configuration field
    OrderCount,    // the number of orders
    OrderAdded,    // an order that only the right side has
    OrderRemoved,  // an order that only the left side has
    OrderField,    // one field of an order that both sides have
  };
  Kind kind = Kind::Field;
  std::string key;          // as tq740ctl prints it: "com1.baudrate", "master.orders[3].function"
  std::string label;        // as the form labels it: "COM1 baudrate", "Fun"
  int order = 0;            // orders: the number as the list shows it (from 1); 0 otherwise
  std::string left, right;  // the two values as a configuration file shows them

  // "key: left -> right", the line that tq740ctl prints.
  std::string line() const { return key + ": " + left + " -> " + right; }
};

// Every difference from left to right, fields in file order, then the
// number of orders, then (withOrders) the order records by position.
std::vector<DiffRow> compareConfigurations(const Configuration& left, const Configuration& right,
                                           bool withOrders = true);
