#pragma once
// What the benchmark programs share: timing a call, the case lines scripts/bench.sh reads, and
// (POSIX) a named sleeping child.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

#ifndef _WIN32
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <cstdlib>
#endif

namespace tambrel::bench {

/// Milliseconds per call of `once`, over `repeat` calls.
inline double ms_of(const std::function<void()>& once, int repeat) {
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < repeat; ++i)
    once();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
             .count() /
         repeat;
}

/// The middle value of `values` (the upper one of an even count); 0 when there is none.
inline double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[values.size() / 2];
}

/// Prints "case=NAME min=... median=... max=... rounds=N" for each case, as scripts/bench.sh
/// reads them.
inline void print_cases(std::map<std::string, std::vector<double>> times) {
  for (auto& [name, values] : times) {
    std::sort(values.begin(), values.end());
    std::printf("case=%s min=%.4f median=%.4f max=%.4f rounds=%zu\n", name.c_str(), values.front(),
                values[values.size() / 2], values.back(), values.size());
  }
}

#ifndef _WIN32
/// A child that names itself `name` and sleeps until killed or the benchmark ends.
inline pid_t start_sleeper(const char* name) {
  const pid_t pid = fork();
  if (pid == 0) {
    prctl(PR_SET_NAME, name);
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    for (;;)
      pause();
  }
  if (pid < 0) {
    std::perror("fork");
    std::exit(1);
  }
  return pid;
}
#endif

}  // namespace tambrel::bench
