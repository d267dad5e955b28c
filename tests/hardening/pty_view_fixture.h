#pragma once
// The real configuration view, offscreen, talking to the simulated module
// over a real pseudo-terminal through the POSIX serial device; with a
// snapshot of everything the user can see of the form.

#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "form/corder_list_ctrl.h"
#include "form/ctq740conf_view.h"
#include "model/config_fields.h"
#include "model/control_ids.h"
#include "ops/config_form.h"
#include "sim/pty_module.h"
#include "sim/sim_module.h"
#include "tests/support/attempt_timer.h"
#include "tests/support/recording_prompt.h"

// What the user sees of the form, the list and the view's state.
struct FormState {
  int device = -1;
  bool paramsRead = false;
  std::vector<std::string> fields;             // identity, every configured field, order count
  std::vector<std::vector<std::string>> rows;  // the order list: seven texts and the per-row value

  bool operator==(const FormState&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const FormState& s) {
  os << "device " << s.device << ", read " << s.paramsRead << ", fields [";
  for (const auto& f : s.fields) os << f << ",";
  os << "], " << s.rows.size() << " rows";
  for (const auto& r : s.rows) {
    os << " [";
    for (const auto& t : r) os << t << ",";
    os << "]";
  }
  return os;
}

class PtyViewFixture {
 public:
  // Starts the module and the view and opens COM1 on the module.
  void startAll() {
    char dirTemplate[] = "/tmp/tq-hardening-XXXXXX";
    ASSERT_NE(::mkdtemp(dirTemplate), nullptr);
    dir = dirTemplate;
    PtyModule::Options options;
    options.linkPath = dir + "/ttyTQ";
    pty = std::make_unique<PtyModule>(sim, options);
    ASSERT_TRUE(pty->start()) << pty->lastError();
    env.prompt = &prompt;
    env.deviceFactory = timer.factory();
    env.ports.setPath(1, options.linkPath);
    view = std::make_unique<CTQ740confView>(env);
    view->OnInitialUpdate();
    view->OnConnectCom(1);
    ASSERT_TRUE(view->isPortOpen()) << ::testing::PrintToString(prompt.texts());
  }

  void stopAll() {
    view.reset();
    pty.reset();
    if (!dir.empty()) std::filesystem::remove_all(dir);
  }

  std::string textOf(int id) const {
    QWidget* w = view->control(id);
    if (auto* e = qobject_cast<QLineEdit*>(w)) return e->text().toStdString();
    if (auto* l = qobject_cast<QLabel*>(w)) return l->text().toStdString();
    return "?";
  }

  FormState state() const {
    FormState s;
    s.device = view->selectedDevice();
    s.paramsRead = view->paramsRead();
    ConfigForm& form = view->configForm();
    s.fields.push_back(textOf(ids::kProductCode));
    s.fields.push_back(textOf(ids::kProgramVersion));
    for (const ConfigField& f : kConfigFields) {
      if (f.kind == FieldKind::Choice || f.kind == FieldKind::SlaveMode)
        s.fields.push_back(std::to_string(form.comboIndex(f.controlId)));
      else
        s.fields.push_back(textOf(f.controlId));
    }
    for (int r = 0; r < form.orderCount(); ++r) {
      std::vector<std::string> row;
      for (int c = 0; c < COrderListCtrl::kColumns; ++c) row.push_back(form.orderText(r, c));
      row.push_back(std::to_string(form.orderData(r)));
      s.rows.push_back(row);
    }
    return s;
  }

  // Requests the module has received so far (every attempt counts).
  int requestsSoFar() const { return static_cast<int>(sim->requests().size()); }

  std::shared_ptr<SimModule> sim = std::make_shared<SimModule>();
  std::unique_ptr<PtyModule> pty;
  std::string dir;
  RecordingPrompt prompt;
  AttemptTimer timer;  // the attempts that a silent module makes short
  ViewEnvironment env;
  std::unique_ptr<CTQ740confView> view;
};
