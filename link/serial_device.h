#pragma once
// SerialDevice: the one interface through which everything talks to a port.
// The POSIX termios backend, the Win32 backend, the unit tests' fake and the
// simulated module (in-process or on a pseudo-terminal) all take a port's
// place behind it.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class IoWait;

class SerialDevice {
 public:
  virtual ~SerialDevice() = default;

  // Opens the device at path for reading and writing, exclusively: a second
  // opener in any process fails. False on failure (lastError() tells why).
  virtual bool open(const std::string& path) = 0;
  // 9600 baud, 8 data bits, no parity, 2 stop bits, raw, no flow control, RTS off.
  virtual bool applyLineSettings() = 0;
  // Total time-outs of one read and one write call, in milliseconds.
  virtual bool setTimeouts(int readTotalMs, int writeTotalMs) = 0;
  // Discards everything queued for sending and everything received.
  virtual bool purge() = 0;
  // Writes len bytes within the write time-out; written tells how many went.
  virtual bool write(const std::uint8_t* data, std::size_t len, std::size_t& written) = 0;
  // Reads up to maxLen bytes: returns as soon as maxLen bytes have arrived
  // and at the latest when the read time-out has passed since the call began.
  // A time-out is not an error: success with what arrived, possibly nothing.
  virtual bool read(std::uint8_t* buf, std::size_t maxLen, std::size_t& got) = 0;
  // Error code of the last call: 0 none, otherwise an errno value (POSIX) or
  // a GetLastError() value (Windows).
  virtual int lastError() const = 0;
  // Readable reason for the last failure (empty when none), for detail texts.
  virtual std::string lastErrorText() const = 0;
  virtual void close() = 0;
  virtual bool isOpen() const = 0;
  // How the device waits for its descriptor (null: plainly, in poll()).
  // Devices that never block ignore it.
  virtual void setIoWait(IoWait* /*wait*/) {}
};

using SerialDeviceFactory = std::function<std::unique_ptr<SerialDevice>()>;

// The serial port backend of the platform the program was built for:
// PosixSerialDevice, or Win32SerialDevice on Windows.
std::unique_ptr<SerialDevice> makeSystemSerialDevice();
