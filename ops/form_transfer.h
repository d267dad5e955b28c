#pragma once
// FormTransfer: the configuration form as the source and the target of the
// device operations and of configuration files. Moves registers into the
// controls as a read does, and checks and takes the controls as Write does,
// marking each field's indicator.

#include <optional>

#include "model/configuration.h"
#include "model/field_domains.h"
#include "ops/transfer.h"

class ConfigForm;

// Row i of the order list as order record i: the column texts read as
// integers, the per-row value as the memory selection.
MasterOrder orderFromRow(const ConfigForm& form, int row);

class FormTransfer : public ReadTarget, public WriteSource {
 public:
  FormTransfer(ConfigForm& form, const FieldLimits& limits) : m_form(form), m_limits(limits) {}

  // Indicators hidden, identity, fields, the order group by the master
  // mode, the order count; then the rebuilt order list.
  void fieldsRead(const RegisterImage& image) override;
  void ordersRead(const RegisterImage& image, int count) override;

  // The Write check of every field with its indicator, the order count N
  // from edit 1078 (no more than the list's rows, at most kMaxOrders) and
  // rows 0..N-1 as order records, taken as they stand.
  bool fill(RegisterImage& image) override;
  void accepted() override;

  // Fills the form as a successful read of that configuration would (the
  // device is already selected). Identity fields the configuration does not
  // carry are left empty.
  void show(const Configuration& config);
  // What Write would send, after the same check with the same indicators;
  // nothing when a field fails. Identity from the form's identity fields.
  std::optional<Configuration> take();

 private:
  ConfigForm& m_form;
  const FieldLimits& m_limits;
};
