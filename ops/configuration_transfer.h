#pragma once
// ConfigurationTransfer: a Configuration value as the source and the target
// of the device operations, for tq740ctl and anything else without a form.

#include "model/configuration.h"
#include "model/field_domains.h"
#include "ops/transfer.h"

class ConfigurationTransfer : public ReadTarget, public WriteSource {
 public:
  explicit ConfigurationTransfer(Configuration& config, FieldLimits limits = {})
      : m_config(config), m_limits(limits) {}

  void fieldsRead(const RegisterImage&) override {}
  // The configuration becomes what the module holds, identity included.
  void ordersRead(const RegisterImage& image, int count) override;

  // Refuses a configuration with Write problems or values that the
  // registers cannot hold; otherwise stores it.
  bool fill(RegisterImage& image) override;

 private:
  Configuration& m_config;
  FieldLimits m_limits;
};
