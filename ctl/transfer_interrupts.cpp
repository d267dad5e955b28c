#include "ctl/transfer_interrupts.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {
volatile std::sig_atomic_t g_interrupts = 0;

extern "C" void countInterrupt(int sig) {
  if (g_interrupts < 2) g_interrupts = g_interrupts + 1;
#ifdef _WIN32
  // The C runtime resets the handler before calling it; take the next one too.
  std::signal(sig, countInterrupt);
#else
  (void)sig;
#endif
}

#ifdef _WIN32
// Ctrl+C, Ctrl+Break and the console window closing, logging off or
// shutting down. Windows runs this on a thread of its own, and ends the
// process when it returns from a close, log-off or shut-down event: that one
// waits here, while the transfer ends in its own way, until the system's
// grace period is over.
BOOL WINAPI consoleControl(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
      countInterrupt(SIGINT);
      return TRUE;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      countInterrupt(SIGINT);
      Sleep(INFINITE);
      return TRUE;
    default:
      return FALSE;
  }
}
#endif
}  // namespace

void ignoreBrokenPipes() {
#ifndef _WIN32
  std::signal(SIGPIPE, SIG_IGN);
#endif
}

TransferInterrupts::TransferInterrupts(Transfer transfer, ops::OperationObserver& progress,
                                       std::function<void(const std::string&)> say)
    : m_transfer(transfer), m_progress(progress), m_say(std::move(say)) {
  g_interrupts = 0;
#ifdef _WIN32
  for (int i = 0; i < kSignalCount; ++i) m_old[i] = std::signal(kSignals[i], countInterrupt);
  SetConsoleCtrlHandler(consoleControl, TRUE);
#else
  struct sigaction sa {};
  sa.sa_handler = countInterrupt;
  sigemptyset(&sa.sa_mask);
  // No SA_RESTART needed: a wait in poll() that returns EINTR goes on
  // waiting for the rest of its answer.
  sa.sa_flags = 0;
  for (int i = 0; i < kSignalCount; ++i) sigaction(kSignals[i], &sa, &m_old[i]);
#endif
}

TransferInterrupts::~TransferInterrupts() {
#ifdef _WIN32
  SetConsoleCtrlHandler(consoleControl, FALSE);
  for (int i = 0; i < kSignalCount; ++i) std::signal(kSignals[i], m_old[i]);
#else
  for (int i = 0; i < kSignalCount; ++i) sigaction(kSignals[i], &m_old[i], nullptr);
#endif
}

void TransferInterrupts::progress(const std::string& step, int done, int total) {
  m_done = done;
  m_total = total;
  m_progress.progress(step, done, total);
}

bool TransferInterrupts::stopBeforeWriting() {
  if (g_interrupts > 0) return true;
  m_writing = true;
  return false;
}

bool TransferInterrupts::stopRequested() {
  const int interrupts = g_interrupts;
  if (interrupts == 0) return false;
  if (m_transfer == Transfer::Read || !m_writing) return true;
  if (interrupts >= 2) return true;
  if (!m_finishingSaid) {
    m_finishingSaid = true;
    // Asked before the transaction numbered m_done + 1 (counted from 0):
    // the one reported last has finished, and all from here on are left.
    const int left = m_total - m_done - 1;
    m_say("Interrupted: finishing the write so that the module is not left half-written (" +
          std::to_string(left) + (left == 1 ? " block" : " blocks") +
          " left). Interrupt again to stop after the current block.");
  }
  return false;
}

bool TransferInterrupts::interrupted() const {
  return g_interrupts > 0;
}
