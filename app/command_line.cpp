#include "app/command_line.h"

namespace {

CommandLine failure(std::string message) {
  CommandLine c;
  c.action = CommandLine::Action::Error;
  c.error = std::move(message);
  return c;
}

}  // namespace

CommandLine parseCommandLine(const std::vector<std::string>& args) {
  CommandLine c;
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (optionsEnded || a.empty() || a[0] != '-' || a == "-") {
      if (!c.file.empty()) return failure("tq740conf: more than one file name given: " + a);
      c.file = a;
      continue;
    }
    if (a == "--") {
      optionsEnded = true;
      continue;
    }
    // Options taking a value accept "--opt VALUE" and "--opt=VALUE".
    auto value = [&](const std::string& name, std::string* out) -> int {
      if (a == name) {
        if (i + 1 >= args.size()) return -1;
        *out = args[++i];
        return 1;
      }
      if (a.rfind(name + "=", 0) == 0) {
        *out = a.substr(name.size() + 1);
        return 1;
      }
      return 0;
    };
    std::string v;
    if (int r = value("--port", &v); r != 0) {
      if (r < 0) return failure("tq740conf: --port needs a value N=PATH");
      std::string why;
      if (!c.ports.parseAssignment(v, &why))
        return failure("tq740conf: bad --port '" + v +
                       "': " + (why.empty() ? std::string("expected N=PATH with N from 1 to 4") : why));
      c.portGiven[static_cast<std::size_t>(v[0] - '1')] = true;
    } else if (int t = value("--trace", &v); t != 0) {
      if (t < 0 || v.empty()) return failure("tq740conf: --trace needs a file name or -");
      c.trace = v;
    } else if (a == "--simulate") {
      c.simulate = true;
    } else if (a == "--help" || a == "-h") {
      c.action = CommandLine::Action::Help;
    } else if (a == "--version") {
      c.action = CommandLine::Action::Version;
    } else {
      return failure("tq740conf: unknown option " + a);
    }
  }
  return c;
}

std::string usageText() {
  return "Usage: tq740conf [OPTION]... [FILE]\n"
         "Configurator of the TQ-740-0 serial gateway module.\n"
         "\n"
         "  FILE             open FILE as the document (default: a new document)\n"
         "  --port N=PATH    use device PATH for port COM N (N from 1 to 4); repeatable\n"
         "  --simulate       serve a simulated module on a pseudo-terminal as COM1\n"
         "                   (unless --port 1=PATH is given)\n"
         "  --trace FILE     log every frame and message box to FILE (- for standard error)\n"
         "  --help           show this help and exit\n"
         "  --version        show the version and exit\n";
}

std::string versionText() {
  return "TQ740conf 1.0\n";
}
