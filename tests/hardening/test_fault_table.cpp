// Every fault of the simulated module at every transaction of the four
// device operations, end to end: the real view offscreen, the real
// operations, the POSIX serial device on a real pseudo-terminal. For each:
// the numbered messages in order, what the form, the order list, the flag and
// the module's registers show afterwards, and that the same command right
// after, with the module healthy again, works normally (nothing stale left
// on the line or in the buffers).

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "model/register_map.h"
#include "tests/hardening/pty_view_fixture.h"

namespace {

// A fault, the transaction messages it leads to, and whether the module
// stores a write whose answer it spoils.
struct Fault {
  SimFault fault;
  const char* name;
  int readMessage;   // function 3: 0 when the fault does not apply, -1 when the transaction succeeds
  int writeMessage;  // function 16: likewise
  bool moduleStores;
};

constexpr Fault kFaults[] = {
    {SimFault::NoAnswer, "NoAnswer", 10, 41, false},
    {SimFault::WrongCrc, "WrongCrc", 12, 43, true},
    {SimFault::OtherAddress, "OtherAddress", 13, 44, true},
    {SimFault::Exception, "Exception", 14, 45, false},
    {SimFault::OtherFunction, "OtherFunction", 14, 45, true},
    {SimFault::WrongByteCount, "WrongByteCount", 15, 0, true},
    {SimFault::WrongEchoStart, "WrongEchoStart", 0, 46, true},
    {SimFault::WrongEchoCount, "WrongEchoCount", 0, 47, true},
    {SimFault::CutShort, "CutShort", 12, 43, true},
    {SimFault::NoiseBefore, "NoiseBefore", 12, 43, true},
    // The late answer to the first attempt arrives during the second, which
    // carries the same request: the transaction succeeds with it. The module
    // was busy and did not hear the repeated request. The answer waits for
    // the second request rather than for a time, so no pause of a loaded
    // machine can move it into another attempt.
    {SimFault::Delay, "Delay", -1, -1, true},
    // The late answer to the first attempt arrives after the retry went out,
    // and the retry's answer follows it, both at 9600 baud. Neither can be
    // told for the fresh one, so neither is taken: the request goes out a
    // third time. Taking the first would leave the second to be read as the
    // answer to the next request, and shift everything after it.
    {SimFault::LateAnswer, "LateAnswer", -1, -1, true},
    // The answer is complete before the garbage; the garbage is purged by
    // the next transaction.
    {SimFault::GarbageAfter, "GarbageAfter", -1, -1, true},
};

enum class Op { Firmware, Read, Write, Auto };

// What the form shows after the operation failed at a position.
enum class After {
  Unchanged,        // form, list, selection and flag as before
  FieldsOnly,       // fields refreshed from the module, list as before
  Reset,            // device selected, form blank, list empty
  ResetFieldsOnly,  // device selected, fields refreshed, list empty
};

// How far a failing write got: which of the changed values reached the module.
enum class Stage { None, Ports, SlaveMaster, Order };

struct Position {
  Op op;
  const char* name;
  int transaction;  // index within the operation, from 0
  bool isWrite;     // function 16
  int opMessage;    // the operation's own message after the transaction's
  After after;
  Stage stage;
  int order;  // Stage::Order: the order whose write fails
};

// The module's configuration has 3 orders, master mode "Normal mode".
constexpr Position kPositions[] = {
    {Op::Firmware, "firmware", 0, false, 66, After::Unchanged, Stage::None, 0},
    {Op::Read, "read_ports", 0, false, 53, After::Unchanged, Stage::None, 0},
    {Op::Read, "read_master", 1, false, 54, After::Unchanged, Stage::None, 0},
    {Op::Read, "read_order0", 2, false, 56, After::FieldsOnly, Stage::None, 0},
    {Op::Read, "read_order2", 4, false, 56, After::FieldsOnly, Stage::None, 0},
    {Op::Write, "write_identity", 0, false, 58, After::Unchanged, Stage::None, 0},
    {Op::Write, "write_ports", 1, true, 61, After::Unchanged, Stage::Ports, 0},
    {Op::Write, "write_master", 2, true, 62, After::Unchanged, Stage::SlaveMaster, 0},
    {Op::Write, "write_order0", 3, true, 63, After::Unchanged, Stage::Order, 0},
    {Op::Write, "write_order2", 5, true, 63, After::Unchanged, Stage::Order, 2},
    {Op::Auto, "auto_identity", 0, false, 64, After::Unchanged, Stage::None, 0},
    {Op::Auto, "auto_ports", 1, false, 53, After::Reset, Stage::None, 0},
    {Op::Auto, "auto_master", 2, false, 54, After::Reset, Stage::None, 0},
    {Op::Auto, "auto_order0", 3, false, 56, After::ResetFieldsOnly, Stage::None, 0},
    {Op::Auto, "auto_order2", 5, false, 56, After::ResetFieldsOnly, Stage::None, 0},
};

struct Row {
  Position position;
  Fault fault;
};

// Named, not dumped byte by byte (the structs have padding).
void PrintTo(const Row& row, std::ostream* os) {
  *os << row.position.name << "/" << row.fault.name;
}

std::vector<Row> allRows() {
  std::vector<Row> rows;
  for (const Position& p : kPositions)
    for (const Fault& f : kFaults)
      if ((p.isWrite ? f.writeMessage : f.readMessage) != 0) rows.push_back({p, f});
  return rows;
}

std::vector<int> successMessages(Op op) {
  switch (op) {
    case Op::Firmware:
      return {0};  // the unnumbered firmware report
    case Op::Read:
    case Op::Auto:
      return {57};
    case Op::Write:
      return {67};
  }
  return {};
}

// Values the write test puts into the form, and where they land.
constexpr int kNewSlaveAddress = 42;  // COM1 slave address, register 6
constexpr int kNewPoolTime = 250;     // master pooltime, register 21
int newRegisterCount(int order) {
  return 7 + order;
}

class FaultTable : public ::testing::TestWithParam<Row>, public PtyViewFixture {
 protected:
  void SetUp() override {
    startAll();
    if (HasFatalFailure()) return;
    // A module read once, by the automatic selection.
    view->OnAutoSelect();
    ASSERT_EQ(prompt.numbers(), std::vector<int>{57});
    ASSERT_EQ(view->configForm().orderCount(), 3);
    prompt.clear();
  }
  void TearDown() override { stopAll(); }

  void run(Op op) {
    switch (op) {
      case Op::Firmware:
        view->OnReadFirmwareVersion();
        break;
      case Op::Read:
        view->OnReadParameters();
        break;
      case Op::Write:
        view->OnWriteParameters();
        break;
      case Op::Auto:
        view->OnAutoSelect();
        break;
    }
  }

  // The fault hits the given transaction of the operation about to run.
  // The attempts that hear nothing on purpose wait only a short time.
  void programFault(const Row& row) {
    const int first = requestsSoFar() + 1 + row.position.transaction;
    const auto rule = [](SimFault f, int request) {
      SimFaultRule r;
      r.fault = f;
      r.request = request;
      return r;
    };
    switch (row.fault.fault) {
      case SimFault::NoAnswer:
        for (int k = 0; k < 5; ++k) sim->addFault(rule(SimFault::NoAnswer, first + k));
        timer.shortenAfter(row.position.transaction, 5);
        break;
      case SimFault::Delay: {
        SimFaultRule late = rule(SimFault::Delay, first);
        late.delayMs = SimModule::kUntilNextRequest;
        sim->addFault(late);
        sim->addFault(rule(SimFault::NoAnswer, first + 1));
        timer.shortenAfter(row.position.transaction, 1);
        break;
      }
      case SimFault::LateAnswer:
        sim->addFault(rule(SimFault::LateAnswer, first));
        timer.shortenAfter(row.position.transaction, 1);
        break;
      default:
        sim->addFault(rule(row.fault.fault, first));
        break;
    }
  }
};

TEST_P(FaultTable, MessagesStateAndTheNextCommand) {
  const Row row = GetParam();
  const Position& pos = row.position;
  const int transactionMessage = pos.isWrite ? row.fault.writeMessage : row.fault.readMessage;
  const bool fails = transactionMessage > 0;

  // Something for each operation to change, so a partial effect shows.
  const RegisterImage moduleBefore = sim->image();
  if (pos.op == Op::Write) {
    ConfigForm& form = view->configForm();
    form.setEditText(ids::kCom1SlaveAddr, std::to_string(kNewSlaveAddress));
    form.setEditText(ids::kMasterPoolTime, std::to_string(kNewPoolTime));
    for (int r = 0; r < 3; ++r) form.setOrderText(r, 4, std::to_string(newRegisterCount(r)));
  } else {
    sim->setRegister(reg::kCom1SlaveAddress, 77);
    sim->setRegister(orderRecordStart(0) + 2, 99);
  }
  const FormState before = state();

  programFault(row);
  run(pos.op);
  // Short attempts can leave the module behind the client: it must have
  // dealt with every request under the fault before the fault is cleared,
  // or a request the fault was meant for gets a late answer instead.
  ASSERT_TRUE(pty->waitForRequestsDone(std::size_t(timer.writes())));
  const std::vector<int> messages = prompt.numbers();
  const FormState afterFault = state();
  const RegisterImage moduleAfterFault = sim->image();
  EXPECT_EQ(prompt.m_waitDepth, 0);

  // The same command again, the module healthy: it works normally.
  sim->clearFaults();
  prompt.clear();
  run(pos.op);
  EXPECT_EQ(prompt.numbers(), successMessages(pos.op)) << ::testing::PrintToString(prompt.texts());
  const FormState fresh = state();
  if (pos.op == Op::Firmware) {
    EXPECT_EQ(prompt.texts().at(0), "Product code: 302010301\nProgram revision: 1.5");
  }
  if (pos.op == Op::Read || pos.op == Op::Auto) {
    EXPECT_EQ(textOf(ids::kCom1SlaveAddr), "77");
    EXPECT_EQ(view->configForm().orderText(0, 4), "99");
    EXPECT_TRUE(view->paramsRead());
  } else {
    EXPECT_EQ(fresh, before);
  }
  if (pos.op == Op::Write) {
    EXPECT_EQ(sim->registerValue(reg::kCom1SlaveAddress), kNewSlaveAddress);
    EXPECT_EQ(sim->registerValue(reg::kMasterPoolTime), kNewPoolTime);
    for (int r = 0; r < 3; ++r) EXPECT_EQ(sim->registerValue(orderRecordStart(r) + 2), newRegisterCount(r));
  }

  // What the faulty run showed and left.
  if (!fails) {
    EXPECT_EQ(messages, successMessages(pos.op));
    EXPECT_EQ(afterFault, fresh);
    return;
  }
  EXPECT_EQ(messages, (std::vector<int>{transactionMessage, pos.opMessage}));
  switch (pos.after) {
    case After::Unchanged:
      EXPECT_EQ(afterFault, before);
      break;
    case After::FieldsOnly:
      EXPECT_EQ(afterFault.fields, fresh.fields);
      EXPECT_EQ(afterFault.rows, before.rows);
      EXPECT_EQ(afterFault.device, before.device);
      EXPECT_EQ(afterFault.paramsRead, before.paramsRead);
      break;
    case After::Reset:
    case After::ResetFieldsOnly: {
      EXPECT_EQ(afterFault.device, 0);
      EXPECT_TRUE(afterFault.rows.empty());
      EXPECT_EQ(afterFault.paramsRead, before.paramsRead);  // a failed read never clears it
      if (pos.after == After::ResetFieldsOnly) {
        EXPECT_EQ(afterFault.fields, fresh.fields);
        break;
      }
      for (std::size_t i = 0; i < kConfigFields.size(); ++i) {
        const ConfigField& f = kConfigFields[i];
        const std::string& shown = afterFault.fields[2 + i];
        if (f.kind == FieldKind::Choice || f.kind == FieldKind::SlaveMode) {
          EXPECT_EQ(shown, "-1") << f.controlId;
        } else if (f.kind == FieldKind::Number) {
          EXPECT_EQ(shown, "") << f.controlId;
        }
      }
      break;
    }
  }

  // The module holds exactly the blocks that reached it.
  RegisterImage expect = moduleBefore;
  if (pos.op == Op::Write) {
    const auto reached = [&](bool earlier, bool failing) {
      return earlier || (failing && row.fault.moduleStores);
    };
    if (reached(pos.stage > Stage::Ports, pos.stage == Stage::Ports))
      expect.set(reg::kCom1SlaveAddress, kNewSlaveAddress);
    if (reached(pos.stage > Stage::SlaveMaster, pos.stage == Stage::SlaveMaster))
      expect.set(reg::kMasterPoolTime, kNewPoolTime);
    if (pos.stage == Stage::Order)
      for (int r = 0; r < 3; ++r)
        if (reached(r < pos.order, r == pos.order)) expect.set(orderRecordStart(r) + 2, newRegisterCount(r));
  } else {
    expect.set(reg::kCom1SlaveAddress, 77);
    expect.set(orderRecordStart(0) + 2, 99);
  }
  for (std::size_t r = 0; r < RegisterImage::kSize; ++r)
    EXPECT_EQ(moduleAfterFault.get(r), expect.get(r)) << "module register " << r;
}

std::string rowName(const ::testing::TestParamInfo<Row>& info) {
  return std::string(info.param.position.name) + "_" + info.param.fault.name;
}

INSTANTIATE_TEST_SUITE_P(Hardening, FaultTable, ::testing::ValuesIn(allRows()), rowName);

}  // namespace
