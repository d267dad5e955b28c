#pragma once
// Win32SerialDevice: a COM port opened exclusively with CreateFileA and
// driven with the Win32 communication calls. Reads and writes are overlapped
// and their time-outs kept by the port driver; the device waits for each
// through its IoWait, so that a window stays painted meanwhile.

#include <string>

#include "link/serial_device.h"

class Win32SerialDevice : public SerialDevice {
 public:
  Win32SerialDevice() = default;
  ~Win32SerialDevice() override { close(); }
  Win32SerialDevice(const Win32SerialDevice&) = delete;
  Win32SerialDevice& operator=(const Win32SerialDevice&) = delete;

  // "COM3" and "COM12" open as \\.\COM3 and \\.\COM12; a name that already
  // begins with a backslash, or holds a path separator or a colon, opens as
  // given.
  bool open(const std::string& path) override;
  bool applyLineSettings() override;
  bool setTimeouts(int readTotalMs, int writeTotalMs) override;
  bool purge() override;
  bool write(const std::uint8_t* data, std::size_t len, std::size_t& written) override;
  bool read(std::uint8_t* buf, std::size_t maxLen, std::size_t& got) override;
  int lastError() const override { return m_error; }
  std::string lastErrorText() const override { return m_errorText; }
  void close() override;
  bool isOpen() const override { return m_handle != nullptr; }
  void setIoWait(IoWait* wait) override { m_wait = wait; }

  // The name CreateFileA is given for a port name.
  static std::string deviceName(const std::string& path);
  // The system's wording of a GetLastError() value, without trailing
  // line breaks; the number when the system has no text for it.
  static std::string systemReason(unsigned long error);

 private:
  bool notOpen();
  bool fail(unsigned long err, const std::string& what);  // records err and its reason
  // An overlapped read or write of len bytes, waited for; false with
  // m_transferError set on failure.
  bool transfer(bool reading, std::uint8_t* buf, unsigned long len, unsigned long& done);
  void* m_handle = nullptr;                               // the HANDLE; null when closed
  void* m_event = nullptr;                                // signalled when a transfer ends
  IoWait* m_wait = nullptr;                               // null: plain waits
  int m_readTimeoutMs = 0;
  int m_writeTimeoutMs = 0;
  unsigned long m_transferError = 0;
  int m_error = 0;
  std::string m_errorText;
  std::string m_path;
};
