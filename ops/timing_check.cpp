#include "ops/timing_check.h"

#include "link/user_prompt.h"
#include "model/configuration.h"
#include "model/control_ids.h"
#include "model/field_domains.h"
#include "ops/config_form.h"
#include "ops/form_transfer.h"

namespace {
// A box shows the first orders and counts the rest.
constexpr std::size_t kOrdersInBox = 10;
}  // namespace

std::string timingQuestionText(const RegisterImage& image) {
  const Configuration config = Configuration::fromImage(image, image.get(reg::kMasterOrderCount));
  const std::vector<std::string> lines = wire::timingWarning(wire::masterTiming(config), kOrdersInBox);
  if (lines.empty()) return {};
  return wire::warningText(lines) + "\n\nDo you want to write anyway?";
}

bool timingAccepted(UserPrompt& prompt, const RegisterImage& image) {
  const std::string text = timingQuestionText(image);
  return text.empty() || prompt.message(text, MsgKind::Question, /*defaultNo=*/true) == MsgAnswer::Yes;
}

wire::MasterTiming formTiming(const ConfigForm& form) {
  wire::MasterLine line;
  line.baudIndex = form.comboIndex(ids::kCom4Baud);
  line.formatIndex = form.comboIndex(ids::kCom4Parity);
  line.timeoutMs = dialogInt(form.editText(ids::kMasterTimeout));
  line.pooltimeMs = dialogInt(form.editText(ids::kMasterPoolTime));
  line.masterMode = form.comboIndex(ids::kMasterMode);
  std::vector<MasterOrder> orders;
  for (int row = 0; row < form.orderCount(); ++row) orders.push_back(orderFromRow(form, row));
  return wire::masterTiming(line, orders);
}
