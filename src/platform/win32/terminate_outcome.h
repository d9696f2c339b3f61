#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tambrel::win32 {

/// What one call of Win32_Process.Terminate through IWbemServices::ExecMethod came to.
struct TerminateCallOutcome {
  enum class Kind {
    kEnded,           ///< terminated by the call
    kGone,            ///< already gone when the call came
    kNotImplemented,  ///< WMI has no such method here (Wine): end the process another way
    kFailed,          ///< refused; `failure` says why
  };
  Kind kind;
  std::string failure;
};

/// Reads ExecMethod's HRESULT `hr` and the method's ReturnValue (nullopt when there was none).
/// WBEM_E_NOT_SUPPORTED, WBEM_E_INVALID_METHOD (0x8004102E) and WBEM_E_METHOD_NOT_IMPLEMENTED
/// mean not implemented; WBEM_E_NOT_FOUND means the process is gone.
TerminateCallOutcome terminate_outcome(std::int32_t hr, std::optional<long> return_value);

}  // namespace tambrel::win32
