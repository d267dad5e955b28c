#pragma once
// PtyModule: serves a SimModule on a real pseudo-terminal from a thread of
// its own. The configurator opens slavePath() like a serial port.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <fstream>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>
#include <thread>

#include "sim/sim_module.h"

class PtyModule {
 public:
  struct Options {
    bool pace = false;     // send at 9600 baud, 11 bits a character, 3.5-character silences
    std::string linkPath;  // make a symbolic link to the slave path here
    std::string logPath;   // frame log ("-" standard error), empty for none
    // Unpaced, how long the start of a frame waits for its rest before it is
    // discarded. A client writes each request in one piece, so a long pause
    // inside a frame only happens when something is wrong. Paced, the
    // 3.5-character silence ends a frame, as on the wire.
    std::chrono::milliseconds partialFrameTimeout{50};
  };

  explicit PtyModule(std::shared_ptr<SimModule> module);
  PtyModule(std::shared_ptr<SimModule> module, Options options);
  ~PtyModule();  // stops the thread, closes the pseudo-terminal

  bool start();  // opens the pseudo-terminal and starts serving
  void stop();
  const std::string& slavePath() const { return m_slavePath; }
  SimModule& module() { return *m_module; }

  // The device vanishes (as a pulled USB adapter): the pseudo-terminal is
  // hung up and closed. reappear() opens a new one (a new slavePath()).
  void vanish();
  bool reappear();

  // True after vanish() or a Vanish fault, until the next start().
  bool vanished() const { return m_vanished; }
  // Number of request frames the module has finished with: its answer is
  // completely written, or it gave none. Tests wait for it before looking
  // at the line, so that a late answer cannot race them.
  std::size_t requestsDone() const;
  // Blocks until requestsDone() >= n; false when guard passed first.
  bool waitForRequestsDone(std::size_t n, std::chrono::milliseconds guard = std::chrono::seconds(10)) const;

  // Like a real serial device, the terminal loses its exclusive flag
  // (TIOCEXCL) when the last client descriptor closes, also when its holder
  // dies without clearing it. The module's own descriptor would otherwise
  // keep the flag alive and lock out everyone but root. The module notices
  // the close from its thread: this blocks until no client descriptor is
  // open and the flag is cleared; false when guard passed first.
  bool waitUntilReleased(std::chrono::milliseconds guard = std::chrono::seconds(10)) const;

  // Why start() failed (empty when it did not).
  const std::string& lastError() const { return m_error; }

  // Wire timing at 9600 baud, 11 bits a character.
  static constexpr std::chrono::nanoseconds kCharTime{1'145'833};
  static constexpr std::chrono::nanoseconds kFrameSilence{4'010'417};  // 3.5 characters

 private:
  void serve();
  bool openTerminal();
  void closeTerminal();  // hangs up: the client sees the device gone
  void log(const std::string& line);
  void requestDone();
  void clientsChanged(int delta);
  void watchClients();
  mutable std::mutex m_doneMutex;
  mutable std::condition_variable m_doneChanged;
  std::size_t m_done = 0;
  int m_clients = 0;  // client descriptors open on the terminal
  std::unique_ptr<std::ostream> m_logFile;
  std::ostream* m_log = nullptr;
  std::chrono::steady_clock::time_point m_epoch;
  std::string m_error;
  std::atomic<bool> m_vanished{false};
  std::shared_ptr<SimModule> m_module;
  Options m_options;
  std::string m_slavePath;
  int m_master = -1;
  int m_slaveKeep = -1;
  int m_watch = -1;  // inotify: client opens and closes of the slave
  int m_wakeRead = -1, m_wakeWrite = -1;
  std::atomic<bool> m_running{false};
  std::thread m_thread;
};
