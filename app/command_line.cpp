#include "app/command_line.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QStringList>

#include "app/native_path.h"
#include "model/version.h"

namespace {

CommandLine failure(std::string message) {
  CommandLine c;
  c.action = CommandLine::Action::Error;
  c.error = "tq740conf: " + std::move(message);
  return c;
}

// An option's name as the user typed it: -h, --port.
std::string dashed(const QString& name) {
  return (name.size() == 1 ? "-" : "--") + name.toStdString();
}

}  // namespace

CommandLine parseCommandLine(const std::vector<std::string>& args) {
  QCommandLineParser parser;
  const QCommandLineOption port(QStringLiteral("port"), QString(), QStringLiteral("N=PATH"));
  const QCommandLineOption trace(QStringLiteral("trace"), QString(), QStringLiteral("FILE"));
  const QCommandLineOption simulate(QStringLiteral("simulate"));
  const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
  const QCommandLineOption version(QStringLiteral("version"));
  parser.addOptions({port, trace, simulate, help, version});

  QStringList list{QStringLiteral("tq740conf")};
  for (const std::string& a : args) list << pathFromNative(a);
  if (!parser.parse(list)) {
    if (!parser.unknownOptionNames().isEmpty())
      return failure("unknown option " + dashed(parser.unknownOptionNames().first()));
    // The one other failure is an option without its value.
    const QString error = parser.errorText();
    if (error.contains(QStringLiteral("'--port'"))) return failure("--port needs a value N=PATH");
    if (error.contains(QStringLiteral("'--trace'"))) return failure("--trace needs a file name or -");
    return failure(error.toStdString());
  }

  CommandLine c;
  if (parser.isSet(help))
    c.action = CommandLine::Action::Help;
  else if (parser.isSet(version))
    c.action = CommandLine::Action::Version;
  c.simulate = parser.isSet(simulate);
  if (parser.isSet(trace)) {
    c.trace = nativeFromPath(parser.values(trace).constLast());
    if (c.trace.empty()) return failure("--trace needs a file name or -");
  }
  for (const QString& v : parser.values(port)) {
    std::string why;
    int n = 0;
    if (!c.ports.parseAssignment(v.toStdString(), &why, &n))
      return failure("bad --port '" + v.toStdString() + "': " + why);
    c.portGiven[static_cast<std::size_t>(n - 1)] = true;
  }
  const QStringList files = parser.positionalArguments();
  if (files.size() > 1) return failure("more than one file name given: " + files[1].toStdString());
  if (!files.isEmpty()) c.file = nativeFromPath(files.first());
  return c;
}

std::string usageText() {
  return "Usage: tq740conf [OPTION]... [FILE]\n"
         "Configurator of the TQ-740-0 serial gateway module.\n"
         "\n"
         "  FILE             open FILE as the document (default: a new document)\n"
         "  --port N=PATH    use device PATH for port COM N (N from 1 to 4) for this run,\n"
         "                   over the Port settings; repeatable\n"
         "  --simulate       serve a simulated module on a pseudo-terminal as COM1\n"
         "                   (unless --port 1=PATH is given)\n"
         "  --trace FILE     log every frame and message box to FILE (- for standard error)\n"
         "  --help           show this help and exit\n"
         "  --version        show the version and exit\n";
}

std::string versionText() {
  return std::string(kVersionLine);
}
