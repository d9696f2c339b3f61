#pragma once

#include <wbemidl.h>
#include <windows.h>
#include <wrl/client.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/error.h"

namespace tambrel::win32 {

/// A COM or WMI call that failed, named as Error names it, with its HRESULT.
class WmiError : public Error {
 public:
  WmiError(const std::string& what, HRESULT hr) : Error(what), code_(hr) {}
  HRESULT code() const { return code_; }

 private:
  HRESULT code_;
};

/// True for the HRESULTs of a connection to WMI that broke (the service restarted or went away,
/// RPC failed): a new connection may well succeed.
bool connection_lost(HRESULT hr);

/// One connection to the local WMI namespace ROOT\CIMV2, released with the object. Failures
/// throw WmiError naming the call ("ConnectServer failed: 0x8004100E").
class WmiSession {
 public:
  /// Initialises COM on this thread as needed, then IWbemLocator -> ConnectServer ->
  /// CoSetProxyBlanket (impersonation, as WMI requires).
  WmiSession();

  /// Runs the WQL `query` as given and calls `visit` for each object found, in the order WMI
  /// returns them, until `visit` returns false. Throws Error("ExecQuery failed: 0x...") when WMI
  /// refuses the query, also when it only says so while the results are read.
  void for_each(std::wstring_view query, const std::function<bool(IWbemClassObject&)>& visit,
                long extra_flags = 0);

  /// Calls the method `method` of the object at `object_path` without arguments. Returns the
  /// HRESULT of ExecMethod and, when it succeeded, the method's ReturnValue.
  HRESULT call_method(std::wstring_view object_path, std::wstring_view method,
                      std::optional<long>& return_value);

 private:
  Microsoft::WRL::ComPtr<IWbemServices> services_;
};

/// The property `name` of `object` as text, or nullopt when it is absent, NULL or not a string.
std::optional<std::wstring> string_property(IWbemClassObject& object, const wchar_t* name);

/// The property `name` of `object` as a whole number, or nullopt when it is absent, NULL or not
/// a number.
std::optional<long long> integer_property(IWbemClassObject& object, const wchar_t* name);

}  // namespace tambrel::win32
