#include "platform/win32/wmi_process_table.h"

#include <windows.h>

#include <cwchar>
#include <optional>
#include <string>

#include "platform/win32/terminate_outcome.h"
#include "platform/win32/utf.h"
#include "platform/win32/win_error.h"
#include "platform/win32/wmi_session.h"
#include "platform/win32/wql.h"

namespace tambrel::win32 {

namespace {

// Where WMI has no Terminate (Wine says so with WBEM_E_INVALID_METHOD), the process is ended
// directly. A process that is already gone is no failure: it has ended, which was the point.
std::optional<std::string> terminate_directly(DWORD pid) {
  HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
  if (!process)
    process = OpenProcess(PROCESS_TERMINATE, FALSE, pid);
  if (!process) {
    const DWORD code = GetLastError();
    if (code == ERROR_INVALID_PARAMETER)
      return std::nullopt;
    return "OpenProcess failed: " + error_text(code);
  }
  std::optional<std::string> failure;
  if (!TerminateProcess(process, 1)) {
    const DWORD code = GetLastError();
    // A process that exits on its own while we terminate it refuses with access denied.
    if (WaitForSingleObject(process, 0) != WAIT_OBJECT_0) {
      failure = "TerminateProcess failed: " + error_text(code);
    }
  }
  CloseHandle(process);
  return failure;
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

}  // namespace

bool WmiProcessTable::is_running(std::string_view name) {
  const auto query = win32::is_running_query(name);
  if (!query)
    return false;
  bool found = false;
  WmiSession session;
  session.for_each(to_wide(*query), [&](IWbemClassObject&) {
    found = true;
    return false;
  });
  return found;
}

std::vector<std::string> WmiProcessTable::terminate_all(std::string_view name) {
  const auto query = win32::terminate_query(name);
  if (!query)
    return {};
  WmiSession session;
  std::vector<Target> targets;
  bool anonymous = false;
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
  // Some providers (Wine's) return only the selected property whatever the flags say; then the
  // same name is asked again for what identifies each process.
  if (anonymous)
    targets = identified_targets(session, *query);
  const DWORD own_pid = GetCurrentProcessId();
  std::vector<std::string> failures;
  for (const Target& target : targets) {
    if (target.pid == own_pid)
      continue;
    const std::string who = target.pid ? "pid " + std::to_string(*target.pid) : "a process";
    // Without a path no method can be called: treat it like a provider without Terminate.
    std::optional<long> result;
    const HRESULT hr = target.path ? session.call_method(*target.path, L"Terminate", result)
                                   : static_cast<HRESULT>(WBEM_E_INVALID_METHOD);
    const TerminateOutcome outcome = terminate_outcome(hr, result);
    if (outcome.kind == TerminateOutcome::Kind::kFailed) {
      failures.push_back(who + ": " + outcome.failure);
    } else if (outcome.kind == TerminateOutcome::Kind::kNotImplemented) {
      if (!target.pid) {
        failures.push_back(who + ": no process id to terminate");
      } else if (auto failure = terminate_directly(*target.pid)) {
        failures.push_back(who + ": " + *failure);
      }
    }
  }
  return failures;
}

}  // namespace tambrel::win32
