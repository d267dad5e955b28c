#pragma once
// The checks of one master order, as the order editor applies them to its six
// fields: ranges, the Function rule, the Memory selection rule and the
// function compatibility rule, worked out from the order's own function and
// memory selection rather than from the editor's last choices.

#include <string>
#include <vector>

#include "model/field_domains.h"
#include "model/order_fields.h"
#include "model/register_map.h"

struct OrderProblem {
  OrderField field;
  std::string text;  // what is wrong, e.g. "26 is out of range 1..25 for function 16"
};

// Position of a function code in FunctionList, -1 when the code is not listed.
int functionPosition(int code);

// Every problem of the order, in the editor's field order; empty when the
// order passes. limits supplies entries 10 (slave address) and 11 (starting
// address); entries 12 and 13 follow from the order's function and memory
// selection by their rules.
std::vector<OrderProblem> checkOrder(const MasterOrder& order, const FieldLimits& limits);
