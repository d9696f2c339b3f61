#include "platform/win32/wmi_session.h"

#include <oleauto.h>

#include <cstdint>
#include <string>

#include "platform/error.h"
#include "platform/win32/com_init.h"
#include "platform/win32/win_error.h"

namespace tambrel::win32 {

using Microsoft::WRL::ComPtr;

namespace {

/// A BSTR owned for the length of one call.
class Bstr {
 public:
  explicit Bstr(std::wstring_view text)
      : value_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {
    if (!value_)
      throw Error("SysAllocStringLen failed: out of memory");
  }
  ~Bstr() { SysFreeString(value_); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  operator BSTR() const { return value_; }

 private:
  BSTR value_;
};

/// A VARIANT cleared when it goes out of scope.
struct Variant {
  VARIANT value;
  Variant() { VariantInit(&value); }
  ~Variant() { VariantClear(&value); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
};

void check(HRESULT hr, const char* call) {
  if (FAILED(hr))
    throw WmiError(std::string(call) + " failed: " + hresult_text(hr), hr);
}

// Every proxy WMI hands out needs the impersonation level set on it unless the process called
// CoInitializeSecurity, which is process-wide and so not this backend's to decide.
HRESULT set_blanket(IUnknown* proxy) {
  return CoSetProxyBlanket(proxy, RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr,
                           RPC_C_AUTHN_LEVEL_CALL, RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE);
}

// \\HOST\ROOT\CIMV2:Win32_Process.Handle="42" gives Win32_Process. The namespace ends at
// the last colon before the keys; the class name at the first '.' or '=' after it.
std::wstring class_of_path(std::wstring_view path) {
  const auto colon = path.substr(0, path.find(L'=')).rfind(L':');
  const std::wstring_view rest = colon == std::wstring_view::npos ? path : path.substr(colon + 1);
  return std::wstring(rest.substr(0, rest.find_first_of(L".=")));
}

}  // namespace

bool connection_lost(HRESULT hr) {
  switch (static_cast<std::uint32_t>(hr)) {
    case 0x80010007:  // RPC_E_SERVER_DIED
    case 0x80010012:  // RPC_E_SERVER_DIED_DNE
    case 0x80010108:  // RPC_E_DISCONNECTED
    case 0x800401FD:  // CO_E_OBJNOTCONNECTED
    case 0x800706BA:  // RPC_S_SERVER_UNAVAILABLE
    case 0x800706BE:  // RPC_S_CALL_FAILED
    case 0x800706BF:  // RPC_S_CALL_FAILED_DNE
    case 0x80041015:  // WBEM_E_TRANSPORT_FAILURE
    case 0x80041033:  // WBEM_E_SHUTTING_DOWN
      return true;
    default:
      return false;
  }
}

WmiSession::WmiSession() {
  ensure_com_on_this_thread();
  ComPtr<IWbemLocator> locator;
  check(CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&locator)),
        "CoCreateInstance(WbemLocator)");
  check(locator->ConnectServer(Bstr(L"ROOT\\CIMV2"), nullptr, nullptr, nullptr, 0, nullptr, nullptr,
                               &services_),
        "ConnectServer");
  check(set_blanket(services_.Get()), "CoSetProxyBlanket");
}

void WmiSession::for_each(std::wstring_view query,
                          const std::function<bool(IWbemClassObject&)>& visit, long extra_flags) {
  ComPtr<IEnumWbemClassObject> results;
  check(services_->ExecQuery(Bstr(L"WQL"), Bstr(query),
                             WBEM_FLAG_FORWARD_ONLY | WBEM_FLAG_RETURN_IMMEDIATELY | extra_flags,
                             nullptr, &results),
        "ExecQuery");
  // An in-process enumerator is no proxy: that refusal is expected and harmless.
  set_blanket(results.Get());
  for (;;) {
    ComPtr<IWbemClassObject> object;
    ULONG returned = 0;
    const HRESULT hr = results->Next(static_cast<LONG>(WBEM_INFINITE), 1, &object, &returned);
    // With WBEM_FLAG_RETURN_IMMEDIATELY a refused query can surface only here.
    check(hr, "ExecQuery");
    if (returned == 0 || !object)
      return;
    if (!visit(*object.Get()))
      return;
  }
}

HRESULT WmiSession::call_method(std::wstring_view object_path, std::wstring_view method,
                                std::optional<long>& return_value) {
  return_value.reset();
  const Bstr method_name(method);
  // The method's input signature gives an argument object with every optional argument unset;
  // where the provider publishes none, the call goes without one.
  ComPtr<IWbemClassObject> arguments;
  {
    ComPtr<IWbemClassObject> class_object;
    ComPtr<IWbemClassObject> signature;
    if (SUCCEEDED(services_->GetObject(Bstr(class_of_path(object_path)), 0, nullptr, &class_object,
                                       nullptr)) &&
        SUCCEEDED(class_object->GetMethod(method_name, 0, &signature, nullptr)) && signature) {
      signature->SpawnInstance(0, &arguments);
    }
  }
  ComPtr<IWbemClassObject> output;
  const HRESULT hr = services_->ExecMethod(Bstr(object_path), method_name, 0, nullptr,
                                           arguments.Get(), &output, nullptr);
  if (SUCCEEDED(hr) && output) {
    if (auto value = integer_property(*output.Get(), L"ReturnValue")) {
      return_value = static_cast<long>(*value);
    }
  }
  return hr;
}

std::optional<std::wstring> string_property(IWbemClassObject& object, const wchar_t* name) {
  Variant v;
  if (FAILED(object.Get(name, 0, &v.value, nullptr, nullptr)))
    return std::nullopt;
  if (v.value.vt != VT_BSTR || !v.value.bstrVal)
    return std::nullopt;
  return std::wstring(v.value.bstrVal, SysStringLen(v.value.bstrVal));
}

std::optional<long long> integer_property(IWbemClassObject& object, const wchar_t* name) {
  Variant v;
  if (FAILED(object.Get(name, 0, &v.value, nullptr, nullptr)))
    return std::nullopt;
  switch (v.value.vt) {
    case VT_I1:
      return v.value.cVal;
    case VT_UI1:
      return v.value.bVal;
    case VT_I2:
      return v.value.iVal;
    case VT_UI2:
      return v.value.uiVal;
    case VT_I4:
      return v.value.lVal;
    case VT_UI4:
      return v.value.ulVal;
    case VT_I8:
      return v.value.llVal;
    case VT_UI8:
      return static_cast<long long>(v.value.ullVal);
    case VT_INT:
      return v.value.intVal;
    case VT_UINT:
      return v.value.uintVal;
    default:
      return std::nullopt;
  }
}

}  // namespace tambrel::win32
