#include "ctl/transfer_interrupts.h"

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
}  // namespace

TransferInterrupts::TransferInterrupts(Transfer transfer, ops::OperationObserver& progress,
                                       std::function<void(const std::string&)> say)
    : m_transfer(transfer), m_progress(progress), m_say(std::move(say)) {
  g_interrupts = 0;
#ifdef _WIN32
  // Ctrl+C and Ctrl+Break arrive as SIGINT from the console.
  m_oldInt = std::signal(SIGINT, countInterrupt);
  m_oldTerm = std::signal(SIGTERM, countInterrupt);
#else
  struct sigaction sa {};
  sa.sa_handler = countInterrupt;
  sigemptyset(&sa.sa_mask);
  // No SA_RESTART needed: a wait in poll() that returns EINTR goes on
  // waiting for the rest of its answer.
  sa.sa_flags = 0;
  sigaction(SIGINT, &sa, &m_oldInt);
  sigaction(SIGTERM, &sa, &m_oldTerm);
#endif
}

TransferInterrupts::~TransferInterrupts() {
#ifdef _WIN32
  std::signal(SIGINT, m_oldInt);
  std::signal(SIGTERM, m_oldTerm);
#else
  sigaction(SIGINT, &m_oldInt, nullptr);
  sigaction(SIGTERM, &m_oldTerm, nullptr);
#endif
}

void TransferInterrupts::progress(const std::string& step, int done, int total) {
  m_done = done;
  m_total = total;
  m_progress.progress(step, done, total);
}

bool TransferInterrupts::stopRequested() {
  const int interrupts = g_interrupts;
  if (interrupts == 0) return false;
  if (m_transfer == Transfer::Read) return true;
  if (interrupts >= 2) return true;
  if (!m_finishingSaid) {
    m_finishingSaid = true;
    // The transaction reported last has finished since.
    const int left = m_total - (m_done + 1);
    m_say("Interrupted: finishing the write so that the module is not left half-written (" +
          std::to_string(left) + (left == 1 ? " block" : " blocks") +
          " left). Interrupt again to stop after the current block.");
  }
  return false;
}

bool TransferInterrupts::interrupted() const {
  return g_interrupts > 0;
}
