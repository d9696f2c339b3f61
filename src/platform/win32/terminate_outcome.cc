#include "platform/win32/terminate_outcome.h"

#include <wbemcli.h>
#include <windows.h>

#include "platform/win32/win_error.h"

namespace tambrel::win32 {

namespace {

// The WBEMSTATUS enumerators are unsigned; HRESULTs are signed.
constexpr std::int32_t as_hresult(WBEMSTATUS status) {
  return static_cast<std::int32_t>(status);
}

// Win32_Process.Terminate's documented return values.
std::string return_value_text(long value) {
  switch (value) {
    case 2:
      return "Access denied";
    case 3:
      return "Insufficient privilege";
    case 8:
      return "Unknown failure";
    case 9:
      return "Path not found";
    case 21:
      return "Invalid parameter";
    default:
      return "return value " + std::to_string(value);
  }
}

}  // namespace

TerminateCallOutcome terminate_outcome(std::int32_t hr, std::optional<long> return_value) {
  using Kind = TerminateCallOutcome::Kind;
  if (hr == as_hresult(WBEM_E_NOT_FOUND))
    return {Kind::kGone, {}};
  if (hr == as_hresult(WBEM_E_NOT_SUPPORTED) || hr == as_hresult(WBEM_E_INVALID_METHOD) ||
      hr == as_hresult(WBEM_E_METHOD_NOT_IMPLEMENTED)) {
    return {Kind::kNotImplemented, {}};
  }
  if (hr < 0)
    return {Kind::kFailed, "ExecMethod(Terminate) failed: " + hresult_text(hr)};
  if (return_value.value_or(0) != 0) {
    return {Kind::kFailed, "Win32_Process.Terminate failed: " + return_value_text(*return_value)};
  }
  return {Kind::kEnded, {}};
}

}  // namespace tambrel::win32
