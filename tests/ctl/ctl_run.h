#pragma once
// What the tq740ctl tests share: running the tool in-process with its output
// captured, and reading a file whole.

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "ctl/ctl_app.h"

namespace ctltest {

struct Result {
  int code;
  std::string out;
  std::string err;
};

inline Result ctl(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  const int code = runCtl(args, CtlStreams{out, err, false});
  return {code, out.str(), err.str()};
}

inline std::string contentOf(const std::string& path) {
  std::ifstream in(path);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace ctltest
