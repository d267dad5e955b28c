#include "link/win32_serial_device.h"

#include <windows.h>

#include <limits>

#include "link/io_wait.h"

std::unique_ptr<SerialDevice> makeSystemSerialDevice() {
  return std::make_unique<Win32SerialDevice>();
}

std::string Win32SerialDevice::deviceName(const std::string& path) {
  // Names from COM10 on open only in the device namespace; COM1 to COM9
  // open there as well, so every bare name goes through it.
  if (path.empty() || path[0] == '\\' || path.find_first_of("/:\\") != std::string::npos) return path;
  return "\\\\.\\" + path;
}

std::string Win32SerialDevice::systemReason(unsigned long error) {
  char* text = nullptr;
  const DWORD n = ::FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      error, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPSTR>(&text), 0, nullptr);
  std::string reason = n > 0 && text ? std::string(text, n) : std::string();
  if (text) ::LocalFree(text);
  while (!reason.empty() && (reason.back() == '\r' || reason.back() == '\n' || reason.back() == ' '))
    reason.pop_back();
  if (reason.empty()) reason = "system error " + std::to_string(error);
  return reason;
}

bool Win32SerialDevice::fail(unsigned long err, const std::string& what) {
  m_error = static_cast<int>(err);
  m_errorText = what + ": " + systemReason(err);
  return false;
}

bool Win32SerialDevice::notOpen() {
  m_error = ERROR_INVALID_HANDLE;
  m_errorText = "The port is not open.";
  return false;
}

bool Win32SerialDevice::open(const std::string& path) {
  close();
  m_error = 0;
  m_errorText.clear();
  m_path = path;
  // Share mode 0: no other program may hold the port at the same time.
  // Overlapped, so that a window can handle its events while a transfer
  // waits (see transfer()).
  HANDLE h = ::CreateFileA(deviceName(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           FILE_FLAG_OVERLAPPED | FILE_FLAG_WRITE_THROUGH | FILE_FLAG_NO_BUFFERING, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    const DWORD err = ::GetLastError();
    std::string what = "Cannot open " + path;
    if (err == ERROR_ACCESS_DENIED || err == ERROR_SHARING_VIOLATION)
      what += " (is another program using the port?)";
    return fail(err, what);
  }
  // A manual-reset event, signalled when a transfer completes.
  HANDLE event = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (!event) {
    const DWORD err = ::GetLastError();
    ::CloseHandle(h);
    return fail(err, "Cannot open " + path);
  }
  m_handle = h;
  m_event = event;
  return true;
}

bool Win32SerialDevice::applyLineSettings() {
  m_error = 0;
  m_errorText.clear();
  if (!m_handle) return notOpen();
  // Only the nine settings the module needs change; the rest stays as the
  // driver reports it.
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  if (!::GetCommState(m_handle, &dcb)) {
    const DWORD err = ::GetLastError();
    return fail(err, "Cannot read the line settings of " + m_path);
  }
  dcb.BaudRate = CBR_9600;
  dcb.ByteSize = 8;
  dcb.Parity = NOPARITY;
  dcb.StopBits = TWOSTOPBITS;
  dcb.fOutxCtsFlow = FALSE;
  dcb.fOutX = FALSE;
  dcb.fInX = FALSE;
  dcb.fNull = FALSE;
  dcb.fRtsControl = RTS_CONTROL_DISABLE;
  if (!::SetCommState(m_handle, &dcb)) {
    const DWORD err = ::GetLastError();
    return fail(err, "Cannot set 9600 8N2 on " + m_path);
  }
  return true;
}

bool Win32SerialDevice::setTimeouts(int readTotalMs, int writeTotalMs) {
  m_error = 0;
  m_errorText.clear();
  if (!m_handle) return notOpen();
  if (readTotalMs < 0 || writeTotalMs < 0) {
    m_error = ERROR_INVALID_PARAMETER;
    m_errorText = "Negative time-out.";
    return false;
  }
  COMMTIMEOUTS t{};
  if (readTotalMs == 0) {
    // All-zero read time-outs would make ReadFile wait for ever; this pair
    // makes it return at once with what has arrived.
    t.ReadIntervalTimeout = MAXDWORD;
  } else {
    // The interval equals the total, so it never ends a read earlier.
    t.ReadIntervalTimeout = DWORD(readTotalMs);
    t.ReadTotalTimeoutConstant = DWORD(readTotalMs);
  }
  m_readTimeoutMs = readTotalMs;
  m_writeTimeoutMs = writeTotalMs;
  t.ReadTotalTimeoutMultiplier = 0;
  t.WriteTotalTimeoutMultiplier = 0;
  t.WriteTotalTimeoutConstant = DWORD(writeTotalMs);
  if (!::SetCommTimeouts(m_handle, &t)) {
    const DWORD err = ::GetLastError();
    return fail(err, "Cannot set the time-outs of " + m_path);
  }
  return true;
}

bool Win32SerialDevice::purge() {
  m_error = 0;
  m_errorText.clear();
  if (!m_handle) return notOpen();
  if (!::PurgeComm(m_handle, PURGE_TXCLEAR | PURGE_RXCLEAR)) {
    const DWORD err = ::GetLastError();
    return fail(err, "Cannot discard the queues of " + m_path);
  }
  return true;
}

bool Win32SerialDevice::write(const std::uint8_t* data, std::size_t len, std::size_t& written) {
  written = 0;
  m_error = 0;
  m_errorText.clear();
  if (!m_handle) return notOpen();
  if (len > std::numeric_limits<DWORD>::max()) {
    m_error = ERROR_INVALID_PARAMETER;
    m_errorText = "Request too long.";
    return false;
  }
  DWORD n = 0;
  const bool ok = transfer(false, const_cast<std::uint8_t*>(data), DWORD(len), n);
  written = n;
  if (!ok) return fail(m_transferError, "Write to " + m_path + " failed");
  return true;  // fewer bytes than asked: cut short by the write time-out
}

bool Win32SerialDevice::read(std::uint8_t* buf, std::size_t maxLen, std::size_t& got) {
  got = 0;
  m_error = 0;
  m_errorText.clear();
  if (!m_handle) return notOpen();
  if (maxLen > std::numeric_limits<DWORD>::max()) maxLen = std::numeric_limits<DWORD>::max();
  DWORD n = 0;
  const bool ok = transfer(true, buf, DWORD(maxLen), n);
  got = n;
  if (!ok) return fail(m_transferError, "Read from " + m_path + " failed");
  return true;  // fewer bytes than asked: the read time-out ended it
}

// One overlapped ReadFile or WriteFile. The port driver ends it within the
// time-outs set by setTimeouts(); meanwhile the calling thread waits for its
// event through the IoWait, which in the window keeps the event loop running.
// Should the driver overrun its time-out by far (a hung adapter driver), the
// transfer is cancelled and counts with what it moved by then.
bool Win32SerialDevice::transfer(bool reading, std::uint8_t* buf, unsigned long len, unsigned long& done) {
  done = 0;
  m_transferError = 0;
  OVERLAPPED ov{};
  ov.hEvent = m_event;
  ::ResetEvent(m_event);
  const BOOL started = reading ? ::ReadFile(m_handle, buf, len, nullptr, &ov)
                               : ::WriteFile(m_handle, buf, len, nullptr, &ov);
  if (!started && ::GetLastError() != ERROR_IO_PENDING) {
    m_transferError = ::GetLastError();
    return false;
  }
  if (!started) {
    constexpr int kDriverSlackMs = 2000;
    const int limit = (reading ? m_readTimeoutMs : m_writeTimeoutMs) + kDriverSlackMs;
    static IoWait plain;
    IoWait& wait = m_wait ? *m_wait : plain;
    if (wait.waitEvent(m_event, limit) != 1) ::CancelIo(m_handle);
  }
  DWORD n = 0;
  if (!::GetOverlappedResult(m_handle, &ov, &n, TRUE)) {
    const DWORD err = ::GetLastError();
    done = n;
    // Cancelled above, or ended by the port's time-out, which Windows reports
    // as success and Wine as ERROR_TIMEOUT: what arrived counts.
    if (err == ERROR_OPERATION_ABORTED || err == ERROR_TIMEOUT || err == ERROR_SEM_TIMEOUT) return true;
    m_transferError = err;
    return false;
  }
  done = n;
  return true;
}

void Win32SerialDevice::close() {
  if (!m_handle) return;
  ::CloseHandle(m_handle);  // a failure leaves nothing to do
  ::CloseHandle(m_event);
  m_handle = nullptr;
  m_event = nullptr;
}
