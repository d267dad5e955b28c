#pragma once
// PtyModule: serves a SimModule on a real pseudo-terminal from a thread of
// its own. The configurator opens slavePath() like a serial port.

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "sim/sim_module.h"

class PtyModule {
 public:
  struct Options {
    bool pace = false;        // send at 9600 baud, 11 bits a character, 3.5-character silences
    std::string linkPath;     // make a symbolic link to the slave path here
    std::string logPath;      // frame log ("-" standard error), empty for none
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

 private:
  void serve();
  std::shared_ptr<SimModule> m_module;
  Options m_options;
  std::string m_slavePath;
  int m_master = -1;
  int m_slaveKeep = -1;
  int m_wakeRead = -1, m_wakeWrite = -1;
  std::atomic<bool> m_running{false};
  std::thread m_thread;
};
