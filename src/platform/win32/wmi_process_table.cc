#include "platform/win32/wmi_process_table.h"

#include <windows.h>

#include <cwchar>
#include <iterator>
#include <optional>
#include <string>

#include "platform/win32/terminate_outcome.h"
#include "platform/win32/utf.h"
#include "platform/win32/win_error.h"
#include "platform/win32/wmi_session.h"
#include "platform/win32/wql.h"

namespace tambrel::win32 {

namespace {

struct DirectResult {
  bool ended = false;
  std::optional<std::string> failure;
};

// Where WMI has no Terminate (Wine says so with WBEM_E_INVALID_METHOD), the process is ended
// directly. A process that is already gone is no failure: it has ended, which was the point.
DirectResult terminate_directly(DWORD pid) {
  HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
  if (!process)
    process = OpenProcess(PROCESS_TERMINATE, FALSE, pid);
  if (!process) {
    const DWORD code = GetLastError();
    if (code == ERROR_INVALID_PARAMETER)
      return {};
    return {false, "OpenProcess failed: " + error_text(code)};
  }
  DirectResult result;
  if (TerminateProcess(process, 1)) {
    result.ended = true;
  } else {
    const DWORD code = GetLastError();
    // A process that exits on its own while we terminate it refuses with access denied.
    if (WaitForSingleObject(process, 0) != WAIT_OBJECT_0) {
      result.failure = "TerminateProcess failed: " + error_text(code);
    }
  }
  CloseHandle(process);
  return result;
}

// The process id of a Win32_Process object: ProcessId where the query returned it, else the
// key Handle, which holds the same number as text.
std::optional<DWORD> process_id(IWbemClassObject& object) {
  if (auto id = integer_property(object, L"ProcessId"))
    return static_cast<DWORD>(*id);
  if (auto handle = string_property(object, L"Handle")) {
    wchar_t* end = nullptr;
    const unsigned long value = std::wcstoul(handle->c_str(), &end, 10);
    if (end && *end == L'\0' && !handle->empty())
      return static_cast<DWORD>(value);
  }
  return std::nullopt;
}

struct Target {
  std::optional<DWORD> pid;
  std::optional<std::wstring> path;
};

Target target_of(IWbemClassObject& object) {
  return {process_id(object), string_property(object, L"__PATH")};
}

// The processes of the terminate query, asked for with their key and id. The name's literal is
// taken from that query, so it is quoted exactly as there.
std::vector<Target> identified_targets(WmiSession& session, std::string_view terminate_query) {
  std::vector<Target> targets;
  const auto equals = terminate_query.find(" = ");
  if (equals == std::string_view::npos)
    return targets;
  const std::string query = "SELECT Handle, ProcessId FROM Win32_Process WHERE Name = " +
                            std::string(terminate_query.substr(equals + 3));
  session.for_each(to_wide(query), [&](IWbemClassObject& object) {
    targets.push_back(target_of(object));
    return true;
  });
  return targets;
}

// The creation time of process `pid` while it runs with the image file name `name` (compared
// as WMI compares it, ignoring case); nullopt when it has ended, is another image, or cannot be
// asked.
std::optional<std::uint64_t> creation_time_if_named(DWORD pid, const std::wstring& name) {
  const HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
  if (!process)
    return std::nullopt;
  std::optional<std::uint64_t> created;
  DWORD exit_code = 0;
  FILETIME creation, exit, kernel, user;
  wchar_t path[1024];
  DWORD size = static_cast<DWORD>(std::size(path));
  if (GetExitCodeProcess(process, &exit_code) && exit_code == STILL_ACTIVE &&
      GetProcessTimes(process, &creation, &exit, &kernel, &user) &&
      QueryFullProcessImageNameW(process, 0, path, &size)) {
    const std::wstring_view full(path, size);
    const auto separator = full.find_last_of(L"\\/");
    const std::wstring_view file =
        separator == std::wstring_view::npos ? full : full.substr(separator + 1);
    if (CompareStringOrdinal(file.data(), static_cast<int>(file.size()), name.data(),
                             static_cast<int>(name.size()), TRUE) == CSTR_EQUAL) {
      created =
          (static_cast<std::uint64_t>(creation.dwHighDateTime) << 32) | creation.dwLowDateTime;
    }
  }
  CloseHandle(process);
  return created;
}

}  // namespace

WmiProcessTable::WmiProcessTable() = default;
WmiProcessTable::~WmiProcessTable() = default;

void WmiProcessTable::with_session(const std::function<void(WmiSession&)>& call) {
  for (int attempt = 0;; ++attempt) {
    if (!session_) {
      session_ = std::make_unique<WmiSession>();
      ++connections_;
    }
    try {
      call(*session_);
      return;
    } catch (const WmiError& e) {
      if (attempt > 0 || !connection_lost(e.code()))
        throw;
      session_.reset();
    }
  }
}

std::vector<ProcessId> WmiProcessTable::query(std::string_view name) {
  const auto query = win32::is_running_query(name);
  if (!query)
    return {};
  std::vector<ProcessId> ids;
  with_session([&](WmiSession& session) {
    ids.clear();
    bool anonymous = false;
    ++queries_;
    session.for_each(
        to_wide(*query),
        [&](IWbemClassObject& object) {
          if (const auto pid = process_id(object))
            ids.push_back(*pid);
          else
            anonymous = true;
          return true;
        },
        WBEM_FLAG_ENSURE_LOCATABLE);
    // A provider that returns only the selected Name (Wine's) is asked again for the ids.
    if (anonymous) {
      ids.clear();
      ++queries_;
      for (const Target& target : identified_targets(session, *win32::terminate_query(name))) {
        if (target.pid)
          ids.push_back(*target.pid);
      }
    }
  });
  return ids;
}

std::vector<ProcessId> WmiProcessTable::running(std::string_view name) {
  if (name != remembered_name_) {
    remembered_name_ = name;
    remembered_.clear();
  }
  if (impossible_image_name(name) || name.empty())
    return {};
  const std::wstring wide_name = to_wide(name);
  std::vector<ProcessId> ids;
  // The same id and creation time is the same process; its image name cannot change.
  std::erase_if(remembered_, [&](const Match& match) {
    return creation_time_if_named(match.pid, wide_name) != match.created;
  });
  for (const Match& match : remembered_)
    ids.push_back(match.pid);
  if (!ids.empty())
    return ids;
  ids = query(name);
  for (const ProcessId pid : ids) {
    // A process we may not open is not remembered: it is asked of WMI again next time.
    if (const auto created = creation_time_if_named(pid, wide_name))
      remembered_.push_back({pid, *created});
  }
  return ids;
}

TerminateOutcome WmiProcessTable::terminate_all(std::string_view name) {
  const auto query = win32::terminate_query(name);
  if (!query)
    return {};
  std::vector<Target> targets;
  with_session([&](WmiSession& session) {
    targets.clear();
    bool anonymous = false;
    ++queries_;
    // The query selects Name only; WBEM_FLAG_ENSURE_LOCATABLE makes WMI add the key and __PATH,
    // without which no method can be called on the object.
    session.for_each(
        to_wide(*query),
        [&](IWbemClassObject& object) {
          targets.push_back(target_of(object));
          anonymous = anonymous || (!targets.back().pid && !targets.back().path);
          return true;
        },
        WBEM_FLAG_ENSURE_LOCATABLE);
    // Some providers (Wine's) return only the selected property whatever the flags say; then
    // the same name is asked again for what identifies each process.
    if (anonymous) {
      ++queries_;
      targets = identified_targets(session, *query);
    }
  });
  WmiSession& session = *session_;
  const DWORD own_pid = GetCurrentProcessId();
  TerminateOutcome done;
  std::vector<std::string>& failures = done.refused;
  for (const Target& target : targets) {
    if (target.pid == own_pid)
      continue;
    const std::string who = target.pid ? "pid " + std::to_string(*target.pid) : "a process";
    // Without a path no method can be called: treat it like a provider without Terminate.
    std::optional<long> result;
    const HRESULT hr = target.path ? session.call_method(*target.path, L"Terminate", result)
                                   : static_cast<HRESULT>(WBEM_E_INVALID_METHOD);
    const TerminateCallOutcome outcome = terminate_outcome(hr, result);
    if (outcome.kind == TerminateCallOutcome::Kind::kEnded) {
      if (target.pid)
        done.ended.push_back(*target.pid);
    } else if (outcome.kind == TerminateCallOutcome::Kind::kFailed) {
      failures.push_back(who + ": " + outcome.failure);
    } else if (outcome.kind == TerminateCallOutcome::Kind::kNotImplemented) {
      if (!target.pid) {
        failures.push_back(who + ": no process id to terminate");
      } else if (const DirectResult direct = terminate_directly(*target.pid); direct.failure) {
        failures.push_back(who + ": " + *direct.failure);
      } else if (direct.ended) {
        done.ended.push_back(*target.pid);
      }
    }
  }
  return done;
}

}  // namespace tambrel::win32
