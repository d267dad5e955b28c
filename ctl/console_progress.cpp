#include "ctl/console_progress.h"

void ConsoleProgress::progress(const std::string& step, int done, int total) {
  if (!m_show) return;
  std::string line = step + " (" + std::to_string(done) + "/" + std::to_string(total) + ")";
  const std::size_t width = line.size();
  if (width < m_width) line.append(m_width - width, ' ');  // wipe a longer previous line
  m_width = width;
  m_err << '\r' << line << std::flush;
  m_lineOpen = true;
}

void ConsoleProgress::endLine() {
  if (!m_lineOpen) return;
  m_err << '\n' << std::flush;
  m_lineOpen = false;
  m_width = 0;
}
