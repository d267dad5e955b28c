#pragma once
// PosixSerialDevice: a serial port (or pseudo-terminal) driven with termios,
// opened exclusively, read with poll() so that a read returns the moment its
// bytes are complete and never spins. Every wait goes through the IoWait when
// one is set, so that a window keeps painting meanwhile.

#include "link/serial_device.h"

class PosixSerialDevice : public SerialDevice {
 public:
  PosixSerialDevice() = default;
  ~PosixSerialDevice() override { close(); }
  PosixSerialDevice(const PosixSerialDevice&) = delete;
  PosixSerialDevice& operator=(const PosixSerialDevice&) = delete;

  bool open(const std::string& path) override;
  bool applyLineSettings() override;
  bool setTimeouts(int readTotalMs, int writeTotalMs) override;
  bool purge() override;
  bool write(const std::uint8_t* data, std::size_t len, std::size_t& written) override;
  bool read(std::uint8_t* buf, std::size_t maxLen, std::size_t& got) override;
  int lastError() const override { return m_error; }
  std::string lastErrorText() const override { return m_errorText; }
  void close() override;
  bool isOpen() const override { return m_fd >= 0; }
  void setIoWait(IoWait* wait) override { m_wait = wait; }

  int fd() const { return m_fd; }

 private:
  void setError(int err, const std::string& what);
  int waitFor(short events, short& revents, int timeoutMs);
  int m_fd = -1;
  int m_error = 0;
  std::string m_errorText;
  std::string m_path;
  int m_readTimeoutMs = 500;
  int m_writeTimeoutMs = 500;
  IoWait* m_wait = nullptr;
};
