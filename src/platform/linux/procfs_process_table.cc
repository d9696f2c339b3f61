#include "platform/linux/procfs_process_table.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "platform/error.h"
#include "platform/linux/image_name.h"
#include "platform/linux/name_to_type.h"
#include "platform/posix/unique_fd.h"

namespace tambrel::procfs {

namespace {

struct DirCloser {
  void operator()(DIR* dir) const { closedir(dir); }
};

/// Reads `dir_fd`/`path` with one read(2): procfs hands out a small file whole. nullopt when the
/// file cannot be opened or read (the process may just have ended).
std::optional<std::string_view> read_small(int dir_fd, const char* path, std::span<char> buffer) {
  const posix::UniqueFd fd(openat(dir_fd, path, O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0)
    return std::nullopt;
  ssize_t got;
  do {
    got = read(fd.get(), buffer.data(), buffer.size());
  } while (got < 0 && errno == EINTR);
  if (got < 0)
    return std::nullopt;
  return std::string_view(buffer.data(), static_cast<std::size_t>(got));
}

std::optional<procfs::StatFields> read_stat(int proc_fd, const char* dir) {
  char path[96];
  std::array<char, 1024> buffer;
  std::snprintf(path, sizeof path, "%s/stat", dir);
  const auto text = read_small(proc_fd, path, buffer);
  return text ? procfs::parse_stat(*text) : std::nullopt;
}

std::optional<ProcessId> parse_pid(const char* text) {
  ProcessId pid = 0;
  const char* end = text + std::strlen(text);
  const auto [last, ec] = std::from_chars(text, end, pid);
  if (ec != std::errc() || last != end || pid == 0)
    return std::nullopt;
  return pid;
}

/// "<pid>/task/<tid>" of a thread of process `pid` that has not ended, when its main thread has.
std::optional<std::string> live_thread_dir(int proc_fd, const char* pid_dir) {
  char path[64];
  std::snprintf(path, sizeof path, "%s/task", pid_dir);
  const int fd = openat(proc_fd, path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0)
    return std::nullopt;
  std::unique_ptr<DIR, DirCloser> tasks(fdopendir(fd));
  if (!tasks) {
    close(fd);
    return std::nullopt;
  }
  while (const dirent* entry = readdir(tasks.get())) {
    if (!parse_pid(entry->d_name) || std::strcmp(entry->d_name, pid_dir) == 0)
      continue;
    const std::string dir = std::string(path) + "/" + entry->d_name;
    const auto stat = read_stat(proc_fd, dir.c_str());
    if (stat && !procfs::has_ended(*stat))
      return dir;
  }
  return std::nullopt;
}

/// The first bytes of the file that a process's command line names as `path`, looked up as the
/// process in /proc/`files_dir` sees it: under its root directory, or its working directory for
/// a relative path. nullopt when it is no regular file or cannot be read.
std::optional<std::string> read_script_head(int proc_fd, const std::string& files_dir,
                                            std::string_view path) {
  if (path.empty())
    return std::nullopt;
  const std::string where =
      files_dir + (path.front() == '/' ? "/root" : "/cwd/") + std::string(path);
  // Any process may name any file: only a regular one is opened, since opening a FIFO would
  // block and a device may act on being opened.
  struct stat info {};
  if (fstatat(proc_fd, where.c_str(), &info, 0) != 0 || !S_ISREG(info.st_mode))
    return std::nullopt;
  const posix::UniqueFd fd(
      openat(proc_fd, where.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (fd.get() < 0 || fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode))
    return std::nullopt;
  std::string head(procfs::kScriptHeadLength, '\0');
  ssize_t got;
  do {
    got = pread(fd.get(), head.data(), head.size(), 0);
  } while (got < 0 && errno == EINTR);
  if (got < 0)
    return std::nullopt;
  head.resize(static_cast<std::size_t>(got));
  return head;
}

/// True when the process in /proc/`dir` has the real user id `uid`.
bool has_real_uid(int proc_fd, const char* dir, std::uint32_t uid) {
  char path[96];
  std::array<char, 4096> buffer;
  std::snprintf(path, sizeof path, "%s/status", dir);
  const auto status = read_small(proc_fd, path, buffer);
  return status && procfs::parse_real_uid(*status) == uid;
}

/// The process in /proc/<pid>, whose comm is `comm`, when it is a running instance of `name`
/// (and, with an `owner`, has that real user id).
std::optional<ProcfsProcessTable::Match> check_process(int proc_fd, ProcessId pid,
                                                       std::string_view comm, std::string_view name,
                                                       std::optional<std::uint32_t> owner) {
  // Most processes fail here, on their comm alone.
  if (!procfs::comm_is_candidate(name, comm))
    return std::nullopt;

  char dir[16];
  char path[96];
  std::snprintf(dir, sizeof dir, "%u", pid);
  const auto stat = read_stat(proc_fd, dir);
  if (!stat || procfs::is_kernel_thread(*stat))
    return std::nullopt;
  if (owner && !has_real_uid(proc_fd, dir, *owner))
    return std::nullopt;
  // A main thread that ended leaves the process a zombie to /proc while its other threads run;
  // those threads then tell what it runs.
  std::string files_dir = dir;
  if (procfs::has_ended(*stat)) {
    auto thread = live_thread_dir(proc_fd, dir);
    if (!thread)
      return std::nullopt;
    files_dir = std::move(*thread);
  }
  if (procfs::needs_file_name(name)) {
    std::array<char, PATH_MAX> exe_buf;
    std::optional<std::string_view> exe;
    std::snprintf(path, sizeof path, "%s/exe", files_dir.c_str());
    const ssize_t len = readlinkat(proc_fd, path, exe_buf.data(), exe_buf.size());
    if (len >= 0)
      exe = std::string_view(exe_buf.data(), static_cast<std::size_t>(len));
    if (!procfs::image_name_matches(name, comm, exe, {}, {})) {
      // Another user's process hides its exe link but not its command line; a symlink or a
      // script shows only there.
      std::array<char, 2 * PATH_MAX> cmdline_buf;
      std::snprintf(path, sizeof path, "%s/cmdline", files_dir.c_str());
      const auto cmdline = read_small(proc_fd, path, cmdline_buf);
      const procfs::ScriptHead script_head = [&](std::string_view script) {
        return read_script_head(proc_fd, files_dir, script);
      };
      if (!cmdline || !procfs::image_name_matches(name, comm, exe, *cmdline, script_head))
        return std::nullopt;
    }
  }
  return ProcfsProcessTable::Match{pid, stat->start_time};
}

/// True while `match` is still the process it was when found (it may have ended since).
bool still_same_process(int proc_fd, const ProcfsProcessTable::Match& match) {
  char dir[16];
  std::snprintf(dir, sizeof dir, "%u", match.pid);
  const auto stat = read_stat(proc_fd, dir);
  return stat && stat->start_time == match.start_time;
}

int pidfd_open(ProcessId pid) {
#ifdef SYS_pidfd_open
  return static_cast<int>(syscall(SYS_pidfd_open, static_cast<pid_t>(pid), 0));
#else
  (void)pid;
  errno = ENOSYS;
  return -1;
#endif
}

int pidfd_kill(int pidfd) {
#ifdef SYS_pidfd_send_signal
  return static_cast<int>(syscall(SYS_pidfd_send_signal, pidfd, SIGKILL, nullptr, 0));
#else
  (void)pidfd;
  errno = ENOSYS;
  return -1;
#endif
}

/// Sends SIGKILL to `match`; errno of the refusal, 0 when sent, ESRCH when it was gone.
int kill_process(int proc_fd, const ProcfsProcessTable::Match& match) {
  const posix::UniqueFd pidfd(pidfd_open(match.pid));
  if (pidfd.get() >= 0) {
    // The descriptor holds this pid for whatever process has it now: make sure it is ours.
    if (!still_same_process(proc_fd, match))
      return ESRCH;
    return pidfd_kill(pidfd.get()) == 0 ? 0 : errno;
  }
  if (errno == ESRCH)
    return ESRCH;
  // No pidfds here (or no descriptor left): the start time narrows the window to a few
  // instructions.
  if (!still_same_process(proc_fd, match))
    return ESRCH;
  return kill(static_cast<pid_t>(match.pid), SIGKILL) == 0 ? 0 : errno;
}

bool nameable(std::string_view name) {
  return !name.empty() && name.find('/') == std::string_view::npos;
}

}  // namespace

bool is_process_named(ProcessId pid, std::string_view name, const std::string& proc_root) {
  const posix::UniqueFd proc_fd(open(proc_root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (proc_fd.get() < 0)
    return false;
  char path[32];
  std::array<char, 64> buffer;
  std::snprintf(path, sizeof path, "%u/comm", pid);
  auto comm = read_small(proc_fd.get(), path, buffer);
  if (!comm)
    return false;
  if (comm->ends_with('\n'))
    comm->remove_suffix(1);
  return check_process(proc_fd.get(), pid, *comm, name, std::nullopt).has_value();
}

ProcfsProcessTable::ProcfsProcessTable(std::string proc_root, std::chrono::milliseconds refresh)
    : proc_root_(std::move(proc_root)), refresh_(refresh) {
  // kill(2) lets a user end the processes whose real (or saved) user id is the user's; root may
  // end any. A process some other user runs under the name is not the one meant.
  if (geteuid() != 0)
    owner_ = static_cast<std::uint32_t>(getuid());
}

std::vector<ProcfsProcessTable::Match> ProcfsProcessTable::scan_matches(std::string_view name) {
  std::vector<Match> matches;
  if (!nameable(name))
    return matches;
  std::unique_ptr<DIR, DirCloser> dir(opendir(proc_root_.c_str()));
  if (!dir) {
    throw Error("opendir " + proc_root_ + " failed: " + std::strerror(errno));
  }
  const int proc_fd = dirfd(dir.get());
  comm_files_.begin_scan(proc_fd);
  std::array<char, 64> comm_buf;
  while (const dirent* entry = readdir(dir.get())) {
    const auto pid = parse_pid(entry->d_name);
    if (!pid)
      continue;
    const auto comm = comm_files_.read(proc_fd, *pid, comm_buf);
    if (!comm)
      continue;
    if (auto match = check_process(proc_fd, *pid, *comm, name, owner_))
      matches.push_back(*match);
  }
  comm_files_.end_scan();
  return matches;
}

std::vector<NearProcess> ProcfsProcessTable::near_misses(std::string_view name) {
  // A handful is enough to show what went wrong with the name.
  constexpr std::size_t kMostShown = 5;
  // It looks at every process's executable: asked each second while nothing runs, it answers
  // from its last look for as long as running() does.
  const auto now = std::chrono::steady_clock::now();
  if (name == near_name_ && now - near_at_ < refresh_)
    return near_;
  near_name_ = name;
  near_at_ = now;
  std::vector<NearProcess>& near = near_;
  near.clear();
  std::unique_ptr<DIR, DirCloser> dir(nameable(name) ? opendir(proc_root_.c_str()) : nullptr);
  if (!dir)
    return near;
  const int proc_fd = dirfd(dir.get());
  const dirent* entry;
  while (near.size() < kMostShown && (entry = readdir(dir.get())) != nullptr) {
    const auto pid = parse_pid(entry->d_name);
    if (!pid)
      continue;
    char pid_dir[16];
    char path[32];
    std::array<char, 64> comm_buf;
    std::snprintf(pid_dir, sizeof pid_dir, "%u", *pid);
    std::snprintf(path, sizeof path, "%s/comm", pid_dir);
    auto comm = read_small(proc_fd, path, comm_buf);
    if (!comm)
      continue;
    if (comm->ends_with('\n'))
      comm->remove_suffix(1);
    bool close = procfs::comm_is_candidate(name, *comm);
    if (!close) {
      std::array<char, PATH_MAX> exe_buf;
      std::snprintf(path, sizeof path, "%s/exe", pid_dir);
      const ssize_t len = readlinkat(proc_fd, path, exe_buf.data(), exe_buf.size());
      close = len > 0 && procfs::executable_name(std::string_view(
                             exe_buf.data(), static_cast<std::size_t>(len))) == name;
    }
    const auto stat = close ? read_stat(proc_fd, pid_dir) : std::nullopt;
    if (!stat || procfs::is_kernel_thread(*stat) || procfs::has_ended(*stat) ||
        (owner_ && !has_real_uid(proc_fd, pid_dir, *owner_)))
      continue;
    std::string typed = name_to_type_of(*pid, proc_root_);
    if (!typed.empty() && typed != name)
      near.push_back({*pid, std::move(typed)});
  }
  return near;
}

std::vector<ProcessId> ProcfsProcessTable::scan(std::string_view name) {
  std::vector<ProcessId> pids;
  for (const Match& match : scan_matches(name))
    pids.push_back(match.pid);
  return pids;
}

std::vector<ProcessId> ProcfsProcessTable::running(std::string_view name) {
  if (name != remembered_name_) {
    remembered_name_ = name;
    remembered_.clear();
  }
  const auto now = std::chrono::steady_clock::now();
  std::vector<ProcessId> pids;
  if (!remembered_.empty() && now - scanned_at_ < refresh_) {
    const posix::UniqueFd proc_fd(open(proc_root_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (proc_fd.get() >= 0) {
      // The same pid, start time and name is the same running process: no need to look at the
      // others. An exec out of the name, an exit or a reused pid fails the check.
      std::array<char, 64> comm_buf;
      std::erase_if(remembered_, [&](const Match& match) {
        const auto comm = comm_files_.read(proc_fd.get(), match.pid, comm_buf);
        const auto current =
            comm ? check_process(proc_fd.get(), match.pid, *comm, name, owner_) : std::nullopt;
        return !current || current->start_time != match.start_time;
      });
      for (const Match& match : remembered_)
        pids.push_back(match.pid);
      if (!pids.empty())
        return pids;
    }
  }
  remembered_ = scan_matches(name);
  scanned_at_ = now;
  for (const Match& match : remembered_)
    pids.push_back(match.pid);
  return pids;
}

TerminateOutcome ProcfsProcessTable::terminate_all(std::string_view name) {
  return terminate(scan_matches(name));
}

TerminateOutcome ProcfsProcessTable::terminate(const std::vector<Match>& matches) {
  TerminateOutcome outcome;
  if (matches.empty())
    return outcome;
  const posix::UniqueFd proc_fd(open(proc_root_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  const auto self = static_cast<ProcessId>(getpid());
  for (const Match& match : matches) {
    if (match.pid == self)
      continue;
    const int error = kill_process(proc_fd.get(), match);
    if (error == 0)
      outcome.ended.push_back(match.pid);
    else if (error != ESRCH)
      outcome.refused.push_back("pid " + std::to_string(match.pid) + ": " + std::strerror(error));
  }
  return outcome;
}

}  // namespace tambrel::procfs
