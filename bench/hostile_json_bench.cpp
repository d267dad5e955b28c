#include "bench/hostile_json_bench.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "model/configuration.h"
#include "model/configuration_json.h"

namespace {
constexpr std::size_t kMiB = 1024 * 1024;

double nowMs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

// Runs f in a child process: its wall time in ms and its peak resident size
// in MiB, so that one run's memory does not hide the next's.
template <typename F>
std::pair<double, double> measured(F&& f) {
  int p[2];
  if (::pipe(p) != 0) return {-1, -1};
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(p[0]);
    const double t0 = nowMs();
    f();
    const double ms = nowMs() - t0;
    [[maybe_unused]] const ssize_t n = ::write(p[1], &ms, sizeof ms);
    ::_exit(0);
  }
  ::close(p[1]);
  double ms = -1;
  if (::read(p[0], &ms, sizeof ms) != sizeof ms) ms = -1;
  ::close(p[0]);
  int status = 0;
  rusage ru{};
  ::wait4(pid, &status, 0, &ru);
  return {ms, static_cast<double>(ru.ru_maxrss) / 1024.0};
}
}  // namespace

void benchHostileJson(bool quick) {
  std::printf("\n6. hostile configuration files of 1 MiB: our reader against a plain nlohmann parse\n");
  std::string objects;
  while (objects.size() < kMiB - 8) objects += "{\"a\":";
  const std::vector<std::pair<const char*, std::string>> files = {
      {"nested arrays", std::string(kMiB, '[')},
      {"nested objects", objects},
      {"closed nesting", std::string(kMiB / 2, '[') + std::string(kMiB / 2, ']')},
      {"one long text", "{\"com1\": \"" + std::string(kMiB - 16, 'x') + "\"}"},
  };
  const int runs = quick ? 1 : 5;
  for (const auto& [name, text] : files) {
    std::vector<double> ours, plain;
    double oursMiB = 0, plainMiB = 0;
    for (int i = 0; i < runs; ++i) {
      const auto [ms, mib] = measured([&] {
        Configuration c;
        std::vector<std::string> problems;
        config_json::read(text, c, problems);
      });
      ours.push_back(ms);
      oursMiB = std::max(oursMiB, mib);
      const auto [pms, pmib] = measured([&] {
        try {
          const nlohmann::json parsed = nlohmann::json::parse(text);
          (void)parsed;
        } catch (const nlohmann::json::exception&) {
        }
      });
      plain.push_back(pms);
      plainMiB = std::max(plainMiB, pmib);
    }
    std::sort(ours.begin(), ours.end());
    std::sort(plain.begin(), plain.end());
    const double o = ours[ours.size() / 2], p = plain[plain.size() / 2];
    std::printf("  %-16s ours %8.2f ms %7.1f MiB   plain %8.2f ms %7.1f MiB   ratio time %.3f  memory %.3f\n",
                name, o, oursMiB, p, plainMiB, o / p, oursMiB / plainMiB);
  }
}
