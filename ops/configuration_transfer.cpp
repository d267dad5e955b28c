#include "ops/configuration_transfer.h"

void ConfigurationTransfer::ordersRead(const RegisterImage& image, int count) {
  m_config = Configuration::fromImage(image, count);
}

bool ConfigurationTransfer::fill(RegisterImage& image) {
  if (!m_config.writeProblems(m_limits).empty() || !m_config.encodingProblems().empty()) return false;
  m_config.toImage(image);
  return true;
}
