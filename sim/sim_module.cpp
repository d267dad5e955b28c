#include "sim/sim_module.h"

#include <algorithm>
#include <array>

#include "link/modbus_frames.h"
#include "model/register_map.h"

namespace {
constexpr std::uint8_t kExceptionBit = 0x80;
constexpr std::uint8_t kIllegalFunction = 1;
constexpr std::uint8_t kIllegalAddress = 2;
constexpr std::uint8_t kIllegalValue = 3;
constexpr int kMaxReadCount = 125;
constexpr int kMaxWriteCount = 123;
// The longest function 16 request the framing accepts: one that fills the
// configurator's 1024-byte buffer.
constexpr int kMaxFramedWriteCount = (int(kBufferSize) - 9) / 2;

std::uint16_t word(const std::uint8_t* p) {
  return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}

void appendCrc(std::vector<std::uint8_t>& frame) {
  const std::size_t len = frame.size();
  frame.resize(len + 2);
  putCrc(frame.data(), len);
}

void recomputeCrc(std::vector<std::uint8_t>& frame) {
  frame.resize(frame.size() - 2);
  appendCrc(frame);
}

void appendWord(std::vector<std::uint8_t>& frame, std::uint16_t v) {
  frame.push_back(static_cast<std::uint8_t>(v >> 8));
  frame.push_back(static_cast<std::uint8_t>(v & 0xFF));
}

std::vector<std::uint8_t> exceptionAnswer(std::uint8_t address, std::uint8_t function, std::uint8_t code) {
  std::vector<std::uint8_t> a{address, static_cast<std::uint8_t>(function | kExceptionBit), code};
  appendCrc(a);
  return a;
}

// Master order i of the generated configuration: the functions cycle through
// the function list, each with a count and memory selection it allows.
MasterOrder generatedOrder(int i) {
  static constexpr std::array<int, 8> kFunctions = {3, 16, 1, 4, 6, 2, 15, 5};
  MasterOrder o;
  o.slaveAddress = 1 + i % 16;
  o.function = kFunctions[static_cast<std::size_t>(i) % kFunctions.size()];
  o.startingAddress = 1 + 10 * i;
  switch (o.function) {
    case 1:
    case 2:
    case 3:
    case 4:
      o.registerCount = 1 + (i * 7 + 9) % 120;
      break;
    case 5:
    case 6:
      o.registerCount = 1;
      break;
    default:
      o.registerCount = 1 + (i * 3 + 4) % 25;
      break;
  }
  // The writing orders of every other round report into the errors registers.
  const bool writes = o.function == 6 || o.function == 16;
  if (writes && (i / 8) % 2 == 0) {
    o.memorySelection = 1;
    o.memoryAddress = 1 + i % 10;
  } else {
    o.memorySelection = 0;
    o.memoryAddress = 1 + (i * 50) % 8000;
  }
  return o;
}

bool faultFitsFunction(SimFault f, std::uint8_t function) {
  switch (f) {
    case SimFault::WrongByteCount:
      return function == kFnReadHolding;
    case SimFault::WrongEchoStart:
    case SimFault::WrongEchoCount:
    case SimFault::IgnoreWrite:
      return function == kFnWriteMultiple;
    default:
      return true;
  }
}

// The module does not act on a request it refuses or never hears.
bool faultSuppressesWrite(SimFault f) {
  return f == SimFault::Exception || f == SimFault::NoAnswer || f == SimFault::Vanish ||
         f == SimFault::IgnoreWrite;
}
}  // namespace

SimModule::SimModule() {
  const std::array<std::pair<int, std::uint16_t>, 26> defaults = {{
      {reg::kProductCodeHigh, 4608},
      {reg::kProductCodeLow, 20413},
      {reg::kRevisionMajor, 1},
      {reg::kRevisionMinor, 5},
      // COM1..COM4 at 9600 baud (position 3), 8N2 (position 4).
      {reg::kCom1Baud, 3},
      {reg::kCom1Parity, 4},
      {reg::kCom1SlaveAddress, 1},
      {reg::kCom2Baud, 3},
      {reg::kCom2Parity, 4},
      {reg::kCom2SlaveAddress, 2},
      {reg::kCom3Baud, 3},
      {reg::kCom3Parity, 4},
      {reg::kCom3SlaveAddress, 3},
      {reg::kCom4Baud, 3},
      {reg::kCom4Parity, 4},
      {reg::kMasterMode, 0},
      {reg::kMasterPoolTime, 100},
      {reg::kMasterTimeout, 500},
      {reg::kMasterMaxErrors, 3},
      {reg::kCom1RedirectTimeout, 1000},
      {reg::kCom2RedirectTimeout, 1000},
      {reg::kCom3RedirectTimeout, 1000},
      {reg::kCom1SlaveMode, 0},
      {reg::kCom2SlaveMode, 0},
      {reg::kCom3SlaveMode, 0},
      {reg::kMasterOrderCount, 0},
  }};
  for (const auto& [r, v] : defaults) m_image.set(static_cast<std::size_t>(r), v);
  setOrders(3);
}

void SimModule::setOrders(int n) {
  n = ordersWithin(n);
  std::lock_guard lock(m_mutex);
  for (int i = 0; i < kMaxOrders; ++i) {
    if (i < n) {
      generatedOrder(i).pack(m_image, i);
    } else {
      MasterOrder{}.pack(m_image, i);  // all five registers 0
    }
  }
  m_image.set(reg::kMasterOrderCount, n);
}

void SimModule::setMasterMode(int mode) {
  setRegister(reg::kMasterMode, static_cast<std::uint16_t>(mode));
}

void SimModule::setRegister(int reg, std::uint16_t value) {
  std::lock_guard lock(m_mutex);
  if (reg >= 0) m_image.set(static_cast<std::size_t>(reg), value);
}

std::uint16_t SimModule::registerValue(int reg) const {
  std::lock_guard lock(m_mutex);
  return reg >= 0 ? m_image.get(static_cast<std::size_t>(reg)) : 0;
}

RegisterImage SimModule::image() const {
  std::lock_guard lock(m_mutex);
  return m_image;
}

void SimModule::setExtraAddress(int address) {
  std::lock_guard lock(m_mutex);
  m_extraAddress = address;
}

void SimModule::addFault(const SimFaultRule& rule) {
  std::lock_guard lock(m_mutex);
  m_faults.push_back(rule);
}

void SimModule::clearFaults() {
  std::lock_guard lock(m_mutex);
  m_faults.clear();
}

int SimModule::requestLength(const std::uint8_t* data, std::size_t len) {
  if (len < 2) return 0;
  switch (data[1]) {
    case 1:
    case 2:
    case 3:
    case 4:
    case 5:
    case 6:
      return 8;
    case 15:
      if (len < 7) return 0;
      return 9 + data[6];
    case 16: {
      // The length follows from the register count, not from byte 6: the
      // configurator sends a byte count of 0, generic masters 2 x count.
      if (len < 6) return 0;
      const int count = word(data + 4);
      if (count > kMaxFramedWriteCount) return -1;
      return static_cast<int>(writeRequestLength(std::size_t(count)));
    }
    default:
      return -1;
  }
}

SimModule::Scan SimModule::scanRequest(const std::uint8_t* data, std::size_t len) {
  const int n = requestLength(data, len);
  if (n == 0 || (n > 0 && len < std::size_t(n))) return {Scan::NeedMore, 0};
  if (n < 0) return {Scan::DropByte, 1};
  if (!crcMatches(data, std::size_t(n))) return {Scan::DropByte, 1};
  return {Scan::Request, std::size_t(n)};
}

SimModule::Reply SimModule::handle(const std::uint8_t* frame, std::size_t len) {
  Reply reply;
  if (len < 4) return reply;
  if (!crcMatches(frame, len)) return reply;

  std::lock_guard lock(m_mutex);
  const std::uint8_t address = frame[0];
  if (address != kConfigSlaveAddress && address != m_extraAddress) return reply;

  SimRequest req{};
  req.address = address;
  req.function = frame[1];
  req.raw.assign(frame, frame + len);
  if (len >= 6) {
    req.start = word(frame + 2);
    req.count = word(frame + 4);
  }
  const bool isWrite = req.function == kFnWriteMultiple && len == 9 + 2 * std::size_t(req.count);
  if (isWrite)
    for (std::size_t i = 0; i < req.count; ++i) req.values.push_back(word(frame + 7 + 2 * i));
  m_requests.push_back(req);
  const int index = ++m_requestCount;

  // The first rule that matches this request and has hits left.
  SimFaultRule applied;
  for (SimFaultRule& rule : m_faults) {
    if (rule.times == 0 || rule.fault == SimFault::None) continue;
    if (rule.request != 0 && rule.request != index) continue;
    if (rule.startRegister && *rule.startRegister != req.start) continue;
    if (!faultFitsFunction(rule.fault, req.function)) continue;
    if (rule.times > 0) --rule.times;
    applied = rule;
    break;
  }

  std::vector<std::uint8_t> answer;
  if (applied.fault == SimFault::Exception) {
    answer = exceptionAnswer(address, req.function, kIllegalAddress);
  } else if (req.function == kFnReadHolding && len == 8) {
    if (req.count == 0 || req.count > kMaxReadCount || !RegisterImage::rangeValid(req.start, req.count)) {
      answer = exceptionAnswer(address, req.function, kIllegalAddress);
    } else {
      answer = {address, req.function, static_cast<std::uint8_t>(2 * req.count)};
      for (std::size_t i = 0; i < req.count; ++i) appendWord(answer, m_image.get(req.start + i));
      appendCrc(answer);
    }
  } else if (isWrite) {
    const std::uint8_t byteCount = frame[6];
    if (req.count == 0 || req.count > kMaxWriteCount || !RegisterImage::rangeValid(req.start, req.count)) {
      answer = exceptionAnswer(address, req.function, kIllegalAddress);
    } else if (byteCount != 0 && byteCount != 2 * req.count) {
      answer = exceptionAnswer(address, req.function, kIllegalValue);
    } else {
      if (!faultSuppressesWrite(applied.fault))
        for (std::size_t i = 0; i < req.count; ++i) m_image.set(req.start + i, req.values[i]);
      answer = {address, req.function};
      appendWord(answer, req.start);
      appendWord(answer, req.count);
      appendCrc(answer);
    }
  } else {
    answer = exceptionAnswer(address, req.function, kIllegalFunction);
  }

  reply.fault = applied.fault;
  switch (applied.fault) {
    case SimFault::None:
    case SimFault::Exception:
    case SimFault::IgnoreWrite:
      break;
    case SimFault::NoAnswer:
    case SimFault::Vanish:
      answer.clear();
      break;
    case SimFault::WrongCrc:
      answer[answer.size() - 2] ^= 0x5A;
      answer[answer.size() - 1] ^= 0xA5;
      break;
    case SimFault::OtherAddress:
      answer[0] = address == 1 ? 2 : 1;
      recomputeCrc(answer);
      break;
    case SimFault::OtherFunction:
      answer[1] = req.function == kFnReadHolding ? 4 : 6;
      recomputeCrc(answer);
      break;
    case SimFault::WrongByteCount:
      if (answer[1] == kFnReadHolding) {
        answer[2] = static_cast<std::uint8_t>(answer[2] + 2);
        recomputeCrc(answer);
      }
      break;
    case SimFault::WrongEchoStart:
    case SimFault::WrongEchoCount:
      if (answer.size() == 8) {
        const std::size_t at = applied.fault == SimFault::WrongEchoStart ? 2 : 4;
        const std::uint16_t v = static_cast<std::uint16_t>(word(answer.data() + at) + 1);
        answer[at] = static_cast<std::uint8_t>(v >> 8);
        answer[at + 1] = static_cast<std::uint8_t>(v & 0xFF);
        recomputeCrc(answer);
      }
      break;
    case SimFault::CutShort:
      answer.resize(std::max<std::size_t>(1, answer.size() / 2));
      break;
    case SimFault::Delay:
      reply.delayMs = applied.delayMs < 0 ? SimModule::kUntilNextRequest : applied.delayMs;
      break;
    case SimFault::LateAnswer:
      // Late for its own attempt, but certain to arrive after the retry went
      // out; the module then answers the retry as well. Both at the line's
      // own speed, so that the second is still on its way when the client
      // has read the first and moved on.
      reply.delayMs = SimModule::kUntilNextRequest;
      reply.pacedWithNext = true;
      break;
    case SimFault::NoiseBefore:
      answer.insert(answer.begin(), {0x00, 0x55, 0xAA});
      break;
    case SimFault::GarbageAfter:
      // Neither a frame nor the start of one: no address-function pair that
      // a Modbus framer would wait on.
      answer.insert(answer.end(), {0x13, 0x37, 0xC0, 0xDE});
      break;
  }
  reply.bytes = std::move(answer);
  return reply;
}

std::vector<SimRequest> SimModule::requests() const {
  std::lock_guard lock(m_mutex);
  return m_requests;
}

void SimModule::clearRequests() {
  std::lock_guard lock(m_mutex);
  m_requests.clear();
}

namespace {
constexpr std::array<std::pair<SimFault, const char*>, 16> kFaultNames = {{
    {SimFault::None, "none"},
    {SimFault::NoAnswer, "no-answer"},
    {SimFault::WrongCrc, "wrong-crc"},
    {SimFault::OtherAddress, "other-address"},
    {SimFault::Exception, "exception"},
    {SimFault::OtherFunction, "other-function"},
    {SimFault::WrongByteCount, "wrong-byte-count"},
    {SimFault::WrongEchoStart, "wrong-echo-start"},
    {SimFault::WrongEchoCount, "wrong-echo-count"},
    {SimFault::CutShort, "cut-short"},
    {SimFault::Delay, "delay"},
    {SimFault::LateAnswer, "late-answer"},
    {SimFault::NoiseBefore, "noise-before"},
    {SimFault::GarbageAfter, "garbage-after"},
    {SimFault::Vanish, "vanish"},
    {SimFault::IgnoreWrite, "ignore-write"},
}};
}  // namespace

const char* simFaultName(SimFault fault) {
  for (const auto& [f, name] : kFaultNames)
    if (f == fault) return name;
  return "?";
}

std::optional<SimFault> simFaultFromName(const std::string& name) {
  for (const auto& [f, n] : kFaultNames)
    if (name == n) return f;
  return std::nullopt;
}
