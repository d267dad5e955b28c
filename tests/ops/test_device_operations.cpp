// The device operations end to end: ModbusMaster over a real
// pseudo-terminal to the simulated module, the form as FakeForm, every
// message box recorded.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "link/modbus_master.h"
#include "link/posix_serial_device.h"
#include "link/serial_port.h"
#include "model/config_fields.h"
#include "model/configuration.h"
#include "model/control_ids.h"
#include "model/register_map.h"
#include "ops/configuration_transfer.h"
#include "ops/device_operations.h"
#include "ops/form_transfer.h"
#include "ops/timing_check.h"
#include "sim/pty_module.h"
#include "sim/sim_module.h"
#include "tests/ops/fake_form.h"
#include "tests/support/recording_prompt.h"

namespace {

struct Tx {
  int function;
  int start;
  int count;
  bool operator==(const Tx&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Tx& t) {
  return os << "{fn " << t.function << ", " << t.start << ", " << t.count << "}";
}

std::vector<Tx> identityThenRead(int orders) {
  std::vector<Tx> t = {{3, 0, 15}, {3, 19, 11}};
  for (int i = 0; i < orders; ++i) t.push_back({3, 50 + 5 * i, 5});
  return t;
}

class OpsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pty = std::make_unique<PtyModule>(sim);
    ASSERT_TRUE(pty->start()) << pty->lastError();
    PortMap ports;
    ports.setPath(1, pty->slavePath());
    port = std::make_unique<SerialPort>(prompt, SerialDeviceFactory(makeSystemSerialDevice), ports);
    port->open_com_port(1);
    ASSERT_TRUE(port->isOpen()) << pty->slavePath() << ": " << ::testing::PrintToString(prompt.texts());
    modbus.setPort(port.get());
  }
  void TearDown() override {
    port.reset();
    pty->stop();
  }

  // The module stays silent; no answer is ever expected, so short time-outs
  // only shorten the five empty attempts.
  void silence() {
    sim->addFault({SimFault::NoAnswer, 0, std::nullopt, -1});
    ASSERT_TRUE(port->device()->setTimeouts(20, 20));
  }
  void failAt(int startRegister) { sim->addFault({SimFault::Exception, 0, startRegister, 1}); }

  std::vector<Tx> transactions() const {
    std::vector<Tx> out;
    for (const SimRequest& r : sim->requests()) out.push_back({r.function, r.start, r.count});
    return out;
  }

  // A form that passes every check: master mode m, slave modes allowed with
  // it, values unlike the module's defaults so that a write shows.
  void fillValidForm(int masterMode, int rows) {
    const int parity[] = {1, 2, 4, 7}, baud[] = {3, 4, 7, 0};
    const int com[] = {ids::kCom1Parity, ids::kCom2Parity, ids::kCom3Parity, ids::kCom4Parity};
    const int bd[] = {ids::kCom1Baud, ids::kCom2Baud, ids::kCom3Baud, ids::kCom4Baud};
    for (int i = 0; i < 4; ++i) {
      form.setComboIndex(com[i], parity[i]);
      form.setComboIndex(bd[i], baud[i]);
    }
    form.setEditText(ids::kCom1Redirect, "65535");
    form.setEditText(ids::kCom2Redirect, "0");
    form.setEditText(ids::kCom3Redirect, "1234");
    form.setEditText(ids::kCom1SlaveAddr, "1");
    form.setEditText(ids::kCom2SlaveAddr, "250");
    form.setEditText(ids::kCom3SlaveAddr, "17");
    const int slave = masterMode == 0 ? 3 : 2;
    form.setComboIndex(ids::kCom1SlaveMode, slave);
    form.setComboIndex(ids::kCom2SlaveMode, masterMode == 0 ? 0 : 1);
    form.setComboIndex(ids::kCom3SlaveMode, slave);
    form.setComboIndex(ids::kMasterMode, masterMode);
    form.setEditText(ids::kMasterPoolTime, "300");
    form.setEditText(ids::kMasterTimeout, "700");
    form.setEditText(ids::kMasterMaxErrors, "255");
    form.rows.clear();
    if (rows > 0) form.addRow({"1", "10", "3", "1", "10", "100", "Errors registers"}, 1);
    for (int i = 1; i < rows; ++i)
      form.addRow({std::to_string(i + 1), "2", "16", "500", "25", "8000", "Data memory"}, 0);
    form.setEditText(ids::kOrderCount, std::to_string(rows));
  }

  std::shared_ptr<SimModule> sim = std::make_shared<SimModule>();
  std::unique_ptr<PtyModule> pty;
  std::unique_ptr<SerialPort> port;
  RegisterImage image;
  RecordingPrompt prompt;
  ModbusMaster modbus{image, prompt};
  FakeForm form;
  FieldLimits limits;
  DeviceLink dev{modbus, prompt};
};

// ---------------------------------------------------------------- reading

class ReadOrdersTest : public OpsTest, public ::testing::WithParamInterface<int> {};

TEST_P(ReadOrdersTest, FillsEveryFieldAndRebuildsTheList) {
  const int n = GetParam();
  sim->setOrders(n);
  form.addRow({"old"}, 0);
  form.markIndicator(ids::kIndCom1Baud, Mark::Error);

  EXPECT_TRUE(ReadParameters(dev, form, limits));
  EXPECT_EQ(prompt.texts(), std::vector<std::string>{"message 57\n\nRead parameters from device OK."});
  EXPECT_EQ(prompt.m_messages[0].kind, MsgKind::Information);
  EXPECT_EQ(transactions(), identityThenRead(n));

  const RegisterImage m = sim->image();
  EXPECT_EQ(form.editText(ids::kProductCode), "302010301");
  EXPECT_EQ(form.editText(ids::kProgramVersion), std::to_string(m.get(2)) + "." + std::to_string(m.get(3)));
  for (const ConfigField& f : kConfigFields) {
    SCOPED_TRACE(f.controlId);
    if (f.kind == FieldKind::Number || f.kind == FieldKind::Count)
      EXPECT_EQ(form.editText(f.controlId), std::to_string(m.get(f.reg)));
    else
      EXPECT_EQ(form.comboIndex(f.controlId), m.get(f.reg));
  }
  EXPECT_EQ(form.editText(ids::kOrderCount), std::to_string(n));
  EXPECT_EQ(form.orderGroupVisible, m.get(reg::kMasterMode) == 0);
  EXPECT_TRUE(form.marks.empty());
  ASSERT_EQ(form.orderCount(), n);
  for (int i = 0; i < n; ++i) {
    const MasterOrder o = MasterOrder::unpack(m, i);
    const std::array<std::string, 7> want = {std::to_string(i + 1),
                                             std::to_string(o.slaveAddress),
                                             std::to_string(o.function),
                                             std::to_string(o.startingAddress),
                                             std::to_string(o.registerCount),
                                             std::to_string(o.memoryAddress),
                                             domain::memorySelectionText(o.memorySelection)};
    EXPECT_EQ(form.rows[i].text, want) << "row " << i;
    EXPECT_EQ(form.rows[i].data, o.memorySelection) << "row " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(Orders, ReadOrdersTest, ::testing::Values(0, 3, 150));

TEST_F(OpsTest, ReadShowsValuesOutsideTheListsAndReadsOrdersInCatchMode) {
  sim->setOrders(2);
  sim->setMasterMode(1);
  const std::uint16_t order0[] = {0x0A03, 0, 10, 100, 1};
  for (int w = 0; w < 5; ++w) sim->setRegister(50 + w, order0[w]);
  sim->setRegister(59, 7);                // memory selection of order 1 outside its list
  sim->setRegister(reg::kCom1Parity, 8);  // one past the last parity
  sim->setRegister(reg::kCom2SlaveMode, 65535);
  sim->setRegister(reg::kCom1SlaveAddress, 65535);

  EXPECT_TRUE(ReadParameters(dev, form, limits));
  EXPECT_EQ(transactions(), identityThenRead(2));
  EXPECT_EQ(form.orderGroupVisible, false);
  EXPECT_EQ(form.comboIndex(ids::kCom1Parity), -1);
  EXPECT_EQ(form.comboIndex(ids::kCom2SlaveMode), -1);
  EXPECT_EQ(form.comboIndex(ids::kMasterMode), 1);
  EXPECT_EQ(form.editText(ids::kCom1SlaveAddr), "65535");
  ASSERT_EQ(form.orderCount(), 2);
  EXPECT_EQ(form.rows[0].text,
            (std::array<std::string, 7>{"1", "10", "3", "1", "10", "100", "Errors registers"}));
  EXPECT_EQ(form.rows[0].data, 1);
  EXPECT_EQ(form.rows[1].text[6], "7");
  EXPECT_EQ(form.rows[1].data, 7);
}

TEST_F(OpsTest, ReadShowsIdentityAsSignedCodeAndRevision) {
  sim->setRegister(0, 0xFFFF);
  sim->setRegister(1, 0xFFFF);
  sim->setRegister(2, 1);
  sim->setRegister(3, 10);
  EXPECT_TRUE(ReadParameters(dev, form, limits));
  EXPECT_EQ(form.editText(ids::kProductCode), "-1");
  EXPECT_EQ(form.editText(ids::kProgramVersion), "1.10");
}

// A count above the list's capacity would read past the 150 order records;
// the read refuses it before any order transaction.
TEST_F(OpsTest, ReadRefusesAnOrderCountAboveTheCapacity) {
  sim->setOrders(3);
  sim->setRegister(reg::kMasterOrderCount, kMaxOrders + 1);
  form.addRow({"1", "2", "3", "4", "5", "6", "Data memory"}, 0);
  const auto rowsBefore = form.rows;

  EXPECT_FALSE(ReadParameters(dev, form, limits));
  EXPECT_EQ(prompt.texts(), std::vector<std::string>{"message 56\n\nMaster order list read error."});
  EXPECT_EQ(prompt.m_messages[0].kind, MsgKind::Error);
  EXPECT_EQ(transactions(), identityThenRead(0));
  EXPECT_EQ(form.editText(ids::kOrderCount), "151");
  EXPECT_EQ(form.rows, rowsBefore);
}

struct ForeignCase {
  MsgAnswer answer;
  bool filled;
};

void PrintTo(const ForeignCase& c, std::ostream* os) {
  *os << (c.answer == MsgAnswer::Yes ? "answered Yes" : "answered No");
}

class ReadForeignTest : public OpsTest, public ::testing::WithParamInterface<ForeignCase> {};

TEST_P(ReadForeignTest, AsksWhetherToContinue) {
  sim->setRegister(0, 0);
  sim->setRegister(1, 0);
  sim->setOrders(1);
  form.addRow({"x"}, 0);
  form.setEditText(ids::kCom1SlaveAddr, "9");
  form.markIndicator(ids::kIndCom1SlaveAddr, Mark::Ok);
  const FakeFormState before = form.state();
  prompt.answerNext(GetParam().answer);

  EXPECT_EQ(bool(ReadParameters(dev, form, limits)), GetParam().filled);
  ASSERT_GE(prompt.m_messages.size(), 1u);
  EXPECT_EQ(prompt.m_messages[0].text,
            "message 55\n\nConnected device is different than attended.\nDo you want to continue?");
  EXPECT_EQ(prompt.m_messages[0].kind, MsgKind::Question);
  EXPECT_FALSE(prompt.m_messages[0].defaultNo);
  if (GetParam().filled) {
    EXPECT_EQ(prompt.numbers(), (std::vector<int>{55, 57}));
    EXPECT_EQ(transactions(), identityThenRead(1));
    EXPECT_EQ(form.editText(ids::kProductCode), "0");
    EXPECT_EQ(form.orderCount(), 1);
  } else {
    EXPECT_EQ(prompt.numbers(), std::vector<int>{55});
    EXPECT_EQ(transactions(), identityThenRead(0));
    EXPECT_EQ(form.state(), before);
  }
}

INSTANTIATE_TEST_SUITE_P(Answers, ReadForeignTest,
                         ::testing::Values(ForeignCase{MsgAnswer::No, false},
                                           ForeignCase{MsgAnswer::Yes, true}));

struct ReadFailureCase {
  int failingStart;
  const char* message;
  int transactions;
  bool fieldsRefreshed;
};

void PrintTo(const ReadFailureCase& c, std::ostream* os) {
  *os << "fails at register " << c.failingStart;
}

class ReadFailureTest : public OpsTest, public ::testing::WithParamInterface<ReadFailureCase> {};

TEST_P(ReadFailureTest, EndsWithItsMessageAndKeepsTheList) {
  const ReadFailureCase c = GetParam();
  sim->setOrders(3);
  failAt(c.failingStart);
  form.addRow({"1", "2", "3", "4", "5", "6", "Data memory"}, 0);
  form.markIndicator(ids::kIndCom1Baud, Mark::Error);
  const FakeFormState before = form.state();

  EXPECT_FALSE(ReadParameters(dev, form, limits));
  // The module's exception answer is the transaction's message 14.
  ASSERT_EQ(prompt.m_messages.size(), 2u);
  EXPECT_EQ(prompt.m_messages[0].text, "message 14\n\nCommunication error.");
  EXPECT_EQ(prompt.m_messages[1].text, c.message);
  EXPECT_EQ(prompt.m_messages[1].kind, MsgKind::Error);
  const auto all = identityThenRead(3);
  EXPECT_EQ(transactions(), std::vector<Tx>(all.begin(), all.begin() + c.transactions));
  if (c.fieldsRefreshed) {
    EXPECT_EQ(form.editText(ids::kOrderCount), "3");
    EXPECT_TRUE(form.marks.empty());
    EXPECT_EQ(form.rows, before.rows);
  } else {
    EXPECT_EQ(form.state(), before);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Steps, ReadFailureTest,
    ::testing::Values(ReadFailureCase{0, "message 53\n\nRead from device failed.", 1, false},
                      ReadFailureCase{19, "message 54\n\nRead from device failed.", 2, false},
                      ReadFailureCase{60, "message 56\n\nMaster order list read error.", 5, true}));

// ---------------------------------------------------------------- writing

TEST_F(OpsTest, WriteInCatchModeWritesNoOrders) {
  fillValidForm(1, 3);
  EXPECT_TRUE(WriteParameters(dev, form, limits));
  EXPECT_EQ(prompt.texts(), std::vector<std::string>{"message 67\n\nWrite parameters to device OK."});
  EXPECT_EQ(prompt.m_messages[0].kind, MsgKind::Information);
  EXPECT_EQ(transactions(), (std::vector<Tx>{{3, 0, 2}, {16, 4, 11}, {16, 19, 11}}));
  EXPECT_EQ(sim->registerValue(reg::kMasterMode), 1);
  EXPECT_EQ(sim->registerValue(reg::kMasterOrderCount), 3);
  EXPECT_TRUE(form.marks.empty());
}

TEST_F(OpsTest, WriteInNormalModeWritesEveryFieldAndEachOrder) {
  fillValidForm(0, 3);
  const auto rowsBefore = form.rows;
  EXPECT_TRUE(WriteParameters(dev, form, limits));
  EXPECT_EQ(prompt.numbers(), std::vector<int>{67});
  EXPECT_EQ(transactions(),
            (std::vector<Tx>{{3, 0, 2}, {16, 4, 11}, {16, 19, 11}, {16, 50, 5}, {16, 55, 5}, {16, 60, 5}}));

  const auto req = sim->requests();
  EXPECT_EQ(req[1].values, (std::vector<std::uint16_t>{3, 1, 1, 4, 2, 250, 7, 4, 17, 0, 7}));
  EXPECT_EQ(req[2].values, (std::vector<std::uint16_t>{0, 3, 300, 700, 255, 0xFFFF, 0, 1234, 3, 0, 3}));
  EXPECT_EQ(req[3].values, (std::vector<std::uint16_t>{0x0A03, 0, 10, 100, 1}));
  EXPECT_EQ(req[4].values, (std::vector<std::uint16_t>{0x0210, 499, 25, 8000, 0}));
  for (int r = 0; r < 65; ++r) {
    if (r <= 3 || (r >= 15 && r <= 18) || (r >= 30 && r < 50)) continue;
    EXPECT_EQ(sim->registerValue(r), image.get(r)) << "register " << r;
  }
  EXPECT_TRUE(form.marks.empty());
  EXPECT_EQ(form.rows, rowsBefore);
}

// Column texts are read up to the first non-digit; word 0 keeps 16 bits and
// a per-row value without a list entry keeps its low 16 bits.
TEST_F(OpsTest, WriteTakesOrderRowsAsTheyStand) {
  fillValidForm(0, 1);
  form.rows[0] = {{"1", "300", " 16x", "0", "-5", "abc", ""}, -1};
  EXPECT_TRUE(WriteParameters(dev, form, limits));
  const auto req = sim->requests();
  ASSERT_EQ(req.size(), 4u);
  EXPECT_EQ(req[3].values,
            (std::vector<std::uint16_t>{(300 * 256 + 16) & 0xFFFF, 0xFFFF, 0xFFFB, 0, 0xFFFF}));
}

struct FieldCase {
  int control;
  const char* text;
  int indicator;
  bool passes;
};

std::ostream& operator<<(std::ostream& os, const FieldCase& c) {
  return os << "control " << c.control << " \"" << c.text << "\"";
}

class WriteFieldTest : public OpsTest, public ::testing::WithParamInterface<FieldCase> {};

TEST_P(WriteFieldTest, ChecksTheRangeAndEmptiness) {
  const FieldCase c = GetParam();
  fillValidForm(1, 0);
  form.setEditText(c.control, c.text);
  EXPECT_EQ(bool(WriteParameters(dev, form, limits)), c.passes);
  if (c.passes) {
    EXPECT_EQ(prompt.numbers(), std::vector<int>{67});
  } else {
    EXPECT_EQ(prompt.texts(), std::vector<std::string>{"message 60\n\nInvalid parameters."});
    EXPECT_EQ(form.marks.at(c.indicator), Mark::Error);
    EXPECT_EQ(transactions().size(), 1u);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Limits, WriteFieldTest,
    ::testing::Values(FieldCase{ids::kCom1SlaveAddr, "0", ids::kIndCom1SlaveAddr, false},
                      FieldCase{ids::kCom1SlaveAddr, "251", ids::kIndCom1SlaveAddr, false},
                      FieldCase{ids::kCom1SlaveAddr, "1", ids::kIndCom1SlaveAddr, true},
                      FieldCase{ids::kCom1SlaveAddr, "250", ids::kIndCom1SlaveAddr, true},
                      FieldCase{ids::kCom2Redirect, "", ids::kIndCom2Redirect, false},
                      FieldCase{ids::kCom2Redirect, "0", ids::kIndCom2Redirect, true},
                      FieldCase{ids::kCom3Redirect, "99999", ids::kIndCom3Redirect, false},
                      FieldCase{ids::kMasterMaxErrors, "0", ids::kIndMasterMaxErrors, false},
                      FieldCase{ids::kMasterTimeout, "-1", ids::kIndMasterTimeout, false},
                      FieldCase{ids::kMasterPoolTime, "12a", ids::kIndMasterPoolTime, true}));  // reads as 0

TEST_F(OpsTest, WriteMarksEveryFieldAndSendsNothingWhenSomeFail) {
  fillValidForm(0, 2);
  form.setComboIndex(ids::kCom3Parity, -1);
  form.setEditText(ids::kCom2Redirect, "");
  form.setEditText(ids::kCom1SlaveAddr, "251");
  form.setComboIndex(ids::kCom2SlaveMode, 1);
  form.setEditText(ids::kMasterMaxErrors, "256");
  const RegisterImage moduleBefore = sim->image();

  EXPECT_FALSE(WriteParameters(dev, form, limits));
  EXPECT_EQ(prompt.texts(), std::vector<std::string>{"message 60\n\nInvalid parameters."});
  EXPECT_EQ(prompt.m_messages[0].kind, MsgKind::Error);
  EXPECT_EQ(transactions(), (std::vector<Tx>{{3, 0, 2}}));
  EXPECT_EQ(sim->image(), moduleBefore);

  const std::vector<int> failing = {ids::kIndCom3Parity, ids::kIndCom2Redirect, ids::kIndCom1SlaveAddr,
                                    ids::kIndCom2SlaveMode, ids::kIndMasterMaxErrors};
  std::size_t marked = 0;
  for (const ConfigField& f : kConfigFields) {
    if (f.indicatorId == 0) continue;
    ++marked;
    const bool fails = std::find(failing.begin(), failing.end(), f.indicatorId) != failing.end();
    ASSERT_TRUE(form.marks.count(f.indicatorId)) << f.indicatorId;
    EXPECT_EQ(form.marks.at(f.indicatorId), fails ? Mark::Error : Mark::Ok) << f.indicatorId;
  }
  EXPECT_EQ(form.marks.size(), marked);
  EXPECT_EQ(marked, 21u);
}

struct SlaveModeCase {
  int master;
  int slave;
  Mark slaveMark;
};

std::ostream& operator<<(std::ostream& os, const SlaveModeCase& c) {
  return os << "master " << c.master << " slave " << c.slave;
}

class WriteSlaveModeTest : public OpsTest, public ::testing::WithParamInterface<SlaveModeCase> {};

TEST_P(WriteSlaveModeTest, FollowsTheMasterMode) {
  const SlaveModeCase c = GetParam();
  fillValidForm(c.master == 1 ? 1 : 0, 0);
  form.setComboIndex(ids::kMasterMode, c.master);
  form.setComboIndex(ids::kCom1SlaveMode, c.master == 1 ? 1 : 0);
  form.setComboIndex(ids::kCom2SlaveMode, c.slave);
  form.setComboIndex(ids::kCom3SlaveMode, c.master == 1 ? 1 : 0);
  const bool valid = c.slaveMark == Mark::Ok && c.master != -1;

  EXPECT_EQ(bool(WriteParameters(dev, form, limits)), valid);
  if (!valid) {
    EXPECT_EQ(form.marks.at(ids::kIndCom2SlaveMode), c.slaveMark);
    EXPECT_EQ(form.marks.at(ids::kIndMasterMode), c.master == -1 ? Mark::Error : Mark::Ok);
    EXPECT_EQ(prompt.numbers(), std::vector<int>{60});
  } else {
    EXPECT_EQ(sim->registerValue(reg::kCom2SlaveMode), c.slave);
  }
}

INSTANTIATE_TEST_SUITE_P(Rule, WriteSlaveModeTest,
                         ::testing::Values(SlaveModeCase{0, -1, Mark::Error}, SlaveModeCase{0, 0, Mark::Ok},
                                           SlaveModeCase{0, 1, Mark::Error}, SlaveModeCase{0, 2, Mark::Error},
                                           SlaveModeCase{0, 3, Mark::Ok}, SlaveModeCase{0, 4, Mark::Ok},
                                           SlaveModeCase{1, -1, Mark::Error},
                                           SlaveModeCase{1, 0, Mark::Error}, SlaveModeCase{1, 1, Mark::Ok},
                                           SlaveModeCase{1, 2, Mark::Ok}, SlaveModeCase{1, 3, Mark::Error},
                                           SlaveModeCase{1, 4, Mark::Error},
                                           SlaveModeCase{-1, -1, Mark::Error}, SlaveModeCase{-1, 2, Mark::Ok},
                                           SlaveModeCase{-1, 4, Mark::Ok}));

TEST_F(OpsTest, WriteToAForeignModuleAsksFirst) {
  sim->setRegister(1, 7);
  fillValidForm(0, 1);
  prompt.answerNext(MsgAnswer::No);
  EXPECT_FALSE(WriteParameters(dev, form, limits));
  EXPECT_EQ(prompt.texts(),
            std::vector<std::string>{
                "message 59\n\nConnected device is different than attended.\nDo you want to continue?"});
  EXPECT_FALSE(prompt.m_messages[0].defaultNo);
  EXPECT_EQ(transactions().size(), 1u);
  EXPECT_TRUE(form.marks.empty());

  prompt.clear();
  sim->clearRequests();
  prompt.answerNext(MsgAnswer::Yes);
  EXPECT_TRUE(WriteParameters(dev, form, limits));
  EXPECT_EQ(prompt.numbers(), (std::vector<int>{59, 67}));
  EXPECT_EQ(transactions().size(), 4u);
}

// 1200 baud 8N2 and a 500 ms timeout: the answer to function 3 for 120
// registers (245 bytes and a silence) takes at least 2.28 s.
TEST_F(OpsTest, WriteAsksAboutAnOrderThatCannotFitBeforeWritingAnything) {
  fillValidForm(0, 2);
  form.setComboIndex(ids::kCom4Parity, 4);  // 8N2; baud rate 1200
  form.setEditText(ids::kMasterTimeout, "500");
  form.rows[1] = {{"2", "9", "3", "1", "120", "100", "Data memory"}, 0};

  prompt.answerNext(MsgAnswer::No);
  EXPECT_EQ(WriteParameters(dev, form, limits).outcome, OperationResult::Outcome::Declined);
  ASSERT_EQ(prompt.m_messages.size(), 1u);
  const RecordedMessage& box = prompt.m_messages[0];
  EXPECT_EQ(box.kind, MsgKind::Question);
  EXPECT_TRUE(box.defaultNo);
  EXPECT_NE(box.text.find("order 2 (slave 9, function 3, 120 registers): the answer takes at least 2.28 s"),
            std::string::npos)
      << box.text;
  EXPECT_EQ(box.text.find("order 1 "), std::string::npos);
  EXPECT_NE(box.text.find("Do you want to write anyway?"), std::string::npos);
  EXPECT_EQ(transactions(), (std::vector<Tx>{{3, 0, 2}}));
  EXPECT_EQ(form.marks.at(ids::kIndMasterTimeout), Mark::Ok);  // the check's indicators stay

  prompt.clear();
  sim->clearRequests();
  prompt.answerNext(MsgAnswer::Yes);
  EXPECT_TRUE(WriteParameters(dev, form, limits));
  EXPECT_EQ(prompt.numbers(), (std::vector<int>{0, 67}));
  EXPECT_EQ(transactions().size(), 5u);
  EXPECT_EQ(sim->registerValue(orderRecordStart(1) + 2), 120);

  // tq740ctl has printed the warning already and asks nothing.
  prompt.clear();
  sim->clearRequests();
  Configuration config = *FormTransfer(form, limits).take();
  ConfigurationTransfer source(config);
  DeviceLink link{modbus, prompt};
  EXPECT_TRUE(writeConfiguration(link, source, TimingQuestion::Skip));
  EXPECT_EQ(prompt.numbers(), std::vector<int>{67});
  EXPECT_EQ(transactions().size(), 5u);
}

// The Master timing window's figures: COM4 and the master fields from the
// form, every row of the list read as Write reads it.
TEST(FormTiming, ReadsTheLineTheMasterFieldsAndEveryRow) {
  FakeForm f;
  f.setComboIndex(ids::kCom4Baud, 0);
  f.setComboIndex(ids::kCom4Parity, 4);
  f.setComboIndex(ids::kMasterMode, 0);
  f.setEditText(ids::kMasterTimeout, "500");
  f.setEditText(ids::kMasterPoolTime, "250");
  f.setEditText(ids::kOrderCount, "1");
  f.addRow({"1", "7", "16", "1", "25", "100", "Data memory"}, 0);
  f.addRow({"2", "9", " 3", "1", "120x", "100", "Data memory"}, 0);
  const wire::MasterTiming t = formTiming(f);
  EXPECT_EQ(t.line.pooltimeMs, 250);
  EXPECT_TRUE(t.checked());
  ASSERT_EQ(t.orders.size(), 2u);
  EXPECT_EQ(t.orders[0].sizes->request, 59);
  EXPECT_FALSE(t.orders[0].cannotFit);
  EXPECT_EQ(t.orders[1].order.slaveAddress, 9);
  EXPECT_EQ(t.orders[1].sizes->answer, 245);
  EXPECT_TRUE(t.orders[1].cannotFit);

  f.setComboIndex(ids::kMasterMode, 1);
  EXPECT_TRUE(formTiming(f).tooSlow().empty());
}

struct WriteFailureCase {
  int failingStart;
  int message;       // the operation's own, after the transaction's
  int transactions;  // including the failing one
  bool portsWritten;
  bool slaveMasterWritten;
  int ordersWritten;
};

void PrintTo(const WriteFailureCase& c, std::ostream* os) {
  *os << "fails at register " << c.failingStart << " with message " << c.message;
}

class WriteFailureTest : public OpsTest, public ::testing::WithParamInterface<WriteFailureCase> {};

TEST_P(WriteFailureTest, StopsAndLeavesEarlierBlocksWritten) {
  const WriteFailureCase c = GetParam();
  sim->setOrders(3);
  fillValidForm(0, 3);
  failAt(c.failingStart);
  const RegisterImage before = sim->image();

  EXPECT_FALSE(WriteParameters(dev, form, limits));
  EXPECT_EQ(prompt.numbers(), (std::vector<int>{c.failingStart == 0 ? 14 : 45, c.message}));
  EXPECT_EQ(prompt.texts()[1], "message " + std::to_string(c.message) + "\n\nWrite to device failed.");
  EXPECT_EQ(transactions().size(), static_cast<std::size_t>(c.transactions));

  const RegisterImage after = sim->image();
  auto written = [&](int first, int last, bool expected) {
    bool same = true;
    for (int r = first; r <= last; ++r) same = same && after.get(r) == before.get(r);
    // Every block of the form differs from the module's defaults somewhere.
    EXPECT_EQ(!same, expected) << "registers " << first << " to " << last;
  };
  written(4, 14, c.portsWritten);
  written(19, 29, c.slaveMasterWritten);
  for (int i = 0; i < 3; ++i) written(50 + 5 * i, 54 + 5 * i, i < c.ordersWritten);
}

INSTANTIATE_TEST_SUITE_P(Blocks, WriteFailureTest,
                         ::testing::Values(WriteFailureCase{0, 58, 1, false, false, 0},
                                           WriteFailureCase{4, 61, 2, false, false, 0},
                                           WriteFailureCase{19, 62, 3, true, false, 0},
                                           WriteFailureCase{55, 63, 5, true, true, 1}));

// After a read that stopped at the order list, edit 1078 shows the module's
// count while the list keeps its earlier rows; the write sends the rows
// that exist and the count of them.
TEST_F(OpsTest, WriteAfterAnInterruptedReadSendsTheListAsItStands) {
  sim->setOrders(1);
  ASSERT_TRUE(ReadParameters(dev, form, limits));
  sim->setOrders(3);
  failAt(60);
  ASSERT_FALSE(ReadParameters(dev, form, limits));
  ASSERT_EQ(form.editText(ids::kOrderCount), "3");
  ASSERT_EQ(form.orderCount(), 1);
  form.setComboIndex(ids::kMasterMode, 0);
  for (int id : {ids::kCom1SlaveMode, ids::kCom2SlaveMode, ids::kCom3SlaveMode}) form.setComboIndex(id, 0);
  sim->clearRequests();
  prompt.clear();

  EXPECT_TRUE(WriteParameters(dev, form, limits));
  EXPECT_EQ(prompt.numbers(), std::vector<int>{67});
  EXPECT_EQ(transactions(), (std::vector<Tx>{{3, 0, 2}, {16, 4, 11}, {16, 19, 11}, {16, 50, 5}}));
  EXPECT_EQ(sim->registerValue(reg::kMasterOrderCount), 1);

  // An order count edit beyond the capacity is bounded the same way.
  sim->clearRequests();
  form.setEditText(ids::kOrderCount, "400");
  EXPECT_TRUE(WriteParameters(dev, form, limits));
  EXPECT_EQ(sim->requests()[2].values[1], 1);
  EXPECT_EQ(transactions().size(), 4u);
}

// Write takes N from edit 1078: with fewer than the list's rows, only the
// first N rows are sent and N is the count written.
TEST_F(OpsTest, WriteSendsAsManyOrdersAsTheCountEditSays) {
  fillValidForm(0, 3);
  form.setEditText(ids::kOrderCount, "2");
  EXPECT_TRUE(WriteParameters(dev, form, limits));
  EXPECT_EQ(transactions(),
            (std::vector<Tx>{{3, 0, 2}, {16, 4, 11}, {16, 19, 11}, {16, 50, 5}, {16, 55, 5}}));
  EXPECT_EQ(sim->registerValue(reg::kMasterOrderCount), 2);
}

// Reports each transaction's step; a stop between two transactions ends the
// operation with no further message, and the result names what was written.
TEST_F(OpsTest, ObserverFollowsTheStepsAndStopsBetweenTransactions) {
  struct StopAfter : ops::OperationObserver {
    int steps = 0, stopAt = 0;
    std::vector<std::string> seen;
    void progress(const std::string& step, int done, int total) override {
      seen.push_back(step + " " + std::to_string(done) + "/" + std::to_string(total));
      ++steps;
    }
    bool stopRequested() override { return stopAt > 0 && steps >= stopAt; }
  } observer;
  dev.observer = &observer;
  fillValidForm(0, 3);
  observer.stopAt = 5;  // after the identity, two blocks and the first order

  const OperationResult r = WriteParameters(dev, form, limits);
  EXPECT_TRUE(r.stopped());
  EXPECT_FALSE(r);
  EXPECT_EQ(observer.seen,
            (std::vector<std::string>{"Reading the product code 0/3", "Writing parameters 1/6",
                                      "Writing parameters 2/6", "Writing master orders 1 / 3 3/6",
                                      "Writing master orders 2 / 3 4/6"}));
  EXPECT_EQ(r.writtenText(), "registers 4 to 14, registers 19 to 29, order records 1 to 2");
  EXPECT_TRUE(prompt.m_messages.empty());
  EXPECT_EQ(transactions().size(), 5u);

  observer = {};
  sim->setOrders(2);
  sim->clearRequests();
  EXPECT_TRUE(ReadParameters(dev, form, limits));
  EXPECT_EQ(observer.seen.back(), "Reading master orders 2 / 2 3/4");
}

// The window (through its form) and tq740ctl (through a Configuration) send
// the same frames for the same configuration.
TEST_F(OpsTest, FormAndConfigurationSendIdenticalFrames) {
  sim->setOrders(150);
  Configuration config;
  {
    ConfigurationTransfer target(config);
    DeviceLink link{modbus, prompt};
    ASSERT_TRUE(readConfiguration(link, target));
  }
  config.orders[7].memorySelection = 7;  // kept as its number
  config.orders[9].function = 4;
  form.OnSelectDevice();
  FormTransfer(form, limits).show(config);

  const auto frames = [&] {
    std::vector<std::pair<Tx, std::vector<std::uint16_t>>> out;
    for (const SimRequest& r : sim->requests()) out.push_back({{r.function, r.start, r.count}, r.values});
    return out;
  };
  sim->clearRequests();
  ASSERT_TRUE(WriteParameters(dev, form, limits));
  const auto window = frames();
  sim->clearRequests();
  ConfigurationTransfer source(config);
  DeviceLink link{modbus, prompt};
  ASSERT_TRUE(writeConfiguration(link, source));
  EXPECT_EQ(frames(), window);
  EXPECT_EQ(window.size(), 3u + 150u);
}

// ---------------------------------------------------------- auto-selection

TEST_F(OpsTest, AutoSelectOfTheExpectedModuleSelectsAndReads) {
  sim->setOrders(2);
  form.setEditText(ids::kCom1SlaveAddr, "old");
  EXPECT_TRUE(AutoSelect(dev, form, limits));
  EXPECT_EQ(form.selectDeviceCalls, 1);
  EXPECT_EQ(prompt.numbers(), std::vector<int>{57});
  std::vector<Tx> want = {{3, 0, 2}};
  for (const Tx& t : identityThenRead(2)) want.push_back(t);
  EXPECT_EQ(transactions(), want);
  EXPECT_EQ(form.orderCount(), 2);
  EXPECT_EQ(form.editText(ids::kCom1SlaveAddr), std::to_string(sim->registerValue(reg::kCom1SlaveAddress)));
}

struct UnknownCase {
  std::uint16_t high;
  std::uint16_t low;
  const char* text;
};

void PrintTo(const UnknownCase& c, std::ostream* os) {
  *os << "registers " << c.high << ", " << c.low;
}

class AutoSelectUnknownTest : public OpsTest, public ::testing::WithParamInterface<UnknownCase> {};

TEST_P(AutoSelectUnknownTest, ReportsTheSignedCode) {
  sim->setRegister(0, GetParam().high);
  sim->setRegister(1, GetParam().low);
  form.setEditText(ids::kCom1SlaveAddr, "9");
  const FakeFormState before = form.state();
  EXPECT_FALSE(AutoSelect(dev, form, limits));
  EXPECT_EQ(prompt.texts(), std::vector<std::string>{GetParam().text});
  EXPECT_EQ(prompt.m_messages[0].kind, MsgKind::Error);
  EXPECT_EQ(transactions(), (std::vector<Tx>{{3, 0, 2}}));
  EXPECT_EQ(form.state(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, AutoSelectUnknownTest,
    ::testing::Values(UnknownCase{0, 7, "message 65\n\nUnknown device\nID=7"},
                      UnknownCase{0x8000, 0, "message 65\n\nUnknown device\nID=-2147483648"},
                      UnknownCase{0x1200, 0x4FBE, "message 65\n\nUnknown device\nID=302010302"}));

// ---------------------------------------------------------- firmware query

struct FirmwareCase {
  std::uint16_t regs[4];
  const char* text;
};

void PrintTo(const FirmwareCase& c, std::ostream* os) {
  *os << "registers " << c.regs[0] << ", " << c.regs[1] << ", " << c.regs[2] << ", " << c.regs[3];
}

class FirmwareTest : public OpsTest, public ::testing::WithParamInterface<FirmwareCase> {};

TEST_P(FirmwareTest, ReportsCodeAndRevisionWithoutQuestion) {
  for (int r = 0; r < 4; ++r) sim->setRegister(r, GetParam().regs[r]);
  image.set(30, 77);  // the query does not clear the image
  EXPECT_TRUE(ReadFirmwareVersion(dev));
  EXPECT_EQ(prompt.texts(), std::vector<std::string>{GetParam().text});
  EXPECT_EQ(prompt.m_messages[0].kind, MsgKind::Information);
  EXPECT_EQ(transactions(), (std::vector<Tx>{{3, 0, 4}}));
  EXPECT_EQ(image.get(30), 77);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, FirmwareTest,
    ::testing::Values(FirmwareCase{{4608, 20413, 1, 5}, "Product code: 302010301\nProgram revision: 1.5"},
                      FirmwareCase{{0, 7, 2, 10}, "Product code: 7\nProgram revision: 2.10"},
                      FirmwareCase{{65535, 65534, 0, 0}, "Product code: -2\nProgram revision: 0.0"}));

// ------------------------------------------------------- a silent module

// An operation on a module that never answers: the transaction's message,
// then the operation's own, and the form as it was.
struct SilentCase {
  const char* name;
  OperationResult (*run)(DeviceLink& link, ConfigForm& form, const FieldLimits& limits);
  const char* message;
};

void PrintTo(const SilentCase& c, std::ostream* os) {
  *os << c.name;
}

class SilentModuleTest : public OpsTest, public ::testing::WithParamInterface<SilentCase> {};

TEST_P(SilentModuleTest, ReportsBothMessages) {
  silence();
  const FakeFormState before = form.state();
  EXPECT_FALSE(GetParam().run(dev, form, limits));
  EXPECT_EQ(prompt.texts(),
            (std::vector<std::string>{"message 10\n\nCommunication error.", GetParam().message}));
  ASSERT_EQ(prompt.m_messages.size(), 2u);
  EXPECT_EQ(prompt.m_messages[1].kind, MsgKind::Error);
  EXPECT_EQ(form.state(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Operations, SilentModuleTest,
    ::testing::Values(
        SilentCase{"AutoSelect",
                   [](DeviceLink& l, ConfigForm& f, const FieldLimits& lim) { return AutoSelect(l, f, lim); },
                   "message 64\n\nFailed to AutoSelect device."},
        SilentCase{"FirmwareQuery",
                   [](DeviceLink& l, ConfigForm&, const FieldLimits&) { return ReadFirmwareVersion(l); },
                   "message 66\n\nFailed to read Firmware Version."}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
