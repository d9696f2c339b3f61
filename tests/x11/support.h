#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// Helpers for tests that drive real processes: every wait has a deadline.
namespace tambrel::testing {

using std::chrono::milliseconds;

/// Checks `condition` every 10 ms until it holds or `timeout` has passed; its final value.
bool poll_until(const std::function<bool()>& condition, milliseconds timeout);

/// A fresh directory under $TMPDIR, removed with everything in it on destruction.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

/// A child process of the test. Killed and reaped on destruction if still running.
class Child {
 public:
  /// Starts the executable at `path` with `argv` (argv[0] included). With `capture_stdout` its
  /// standard output is readable through read_line.
  Child(const std::string& path, const std::vector<std::string>& argv, bool capture_stdout);
  ~Child();
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  pid_t pid() const { return pid_; }
  /// The next line of output without its newline; nullopt at end of output or after `timeout`.
  std::optional<std::string> read_line(milliseconds timeout);
  /// The wait status once the process has ended, or nullopt when it still runs after `timeout`.
  /// Reaps the process.
  std::optional<int> wait(milliseconds timeout);
  /// The process still runs (or is a zombie not yet reaped).
  bool running() const { return !status_; }

 private:
  pid_t pid_ = -1;
  int out_fd_ = -1;
  std::string buffered_;
  std::optional<int> status_;
};

/// What a function run in a forked child did.
struct ForkResult {
  int status;          ///< wait status
  std::string output;  ///< everything it wrote to stdout and stderr
};

/// Runs `body` in a forked child whose stdout and stderr are captured; the child exits with
/// body's result. nullopt when the child has not ended after `timeout` (it is then killed).
std::optional<ForkResult> run_forked(const std::function<int()>& body, milliseconds timeout);

/// Sets or (with nullopt) unsets an environment variable for the scope of this object.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::optional<std::string>& value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_;
  std::optional<std::string> saved_;
};

}  // namespace tambrel::testing
