#pragma once
// ModbusMaster: the two register transactions over the open port, with the
// view's transmit and receive buffers and the register image.

#include <array>
#include <cstdint>

#include "link/modbus_frames.h"
#include "model/register_image.h"

class SerialDevice;
class UserPrompt;
class FrameTrace;
class SerialPort;

class ModbusMaster {
 public:
  static constexpr int kMaxAttempts = 5;

  ModbusMaster(RegisterImage& image, UserPrompt& prompt) : m_image(image), m_prompt(prompt) {}

  // The connection the transactions use: every transaction uses the port's
  // current device, so opening and closing need no further wiring. Without a
  // port, or with a closed one, a transaction fails as a write error.
  void setPort(const SerialPort* port) { m_port = port; }
  void setTrace(FrameTrace* trace) { m_trace = trace; }

  // On failure the transaction has shown its own numbered error box and the
  // image is unchanged. On success of a read exactly registers
  // start..start+count-1 hold the module's values.
  bool read_holding_registers(std::uint16_t start, std::uint16_t count, bool purge);
  bool write_multiple_registers(std::uint16_t start, std::uint16_t count, bool purge);

  void clearBuffers();  // both buffers to zeros (form initialisation)
  RegisterImage& image() { return m_image; }
  const std::array<std::uint8_t, kBufferSize>& txBuffer() const { return m_txBuffer; }
  const std::array<std::uint8_t, kBufferSize>& rxBuffer() const { return m_rxBuffer; }

 private:
  AttemptResult runAttempts(std::size_t requestLength, std::size_t answerLength, bool purge);
  // After a retry: true when the line stays silent for a whole read
  // time-out; whatever arrives meanwhile is read and dropped.
  bool lineStaysQuiet(SerialDevice& device);
  SerialDevice* currentDevice() const;
  bool fail(int number);
  bool refuse(const char* what, std::uint16_t start, std::uint16_t count, int number);

  RegisterImage& m_image;
  UserPrompt& m_prompt;
  const SerialPort* m_port = nullptr;
  FrameTrace* m_trace = nullptr;
  std::array<std::uint8_t, kBufferSize> m_txBuffer{};
  std::array<std::uint8_t, kBufferSize> m_rxBuffer{};
  // Late bytes that are read only to be dropped; bounded so that a line
  // that never falls silent still ends the transaction.
  static constexpr int kMaxDrainReads = 8;
  std::array<std::uint8_t, kBufferSize> m_drainBuffer{};
};
