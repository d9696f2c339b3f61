#include "platform/win32/accessibility.h"

// The property GUIDs are defined here, not imported from oleacc.dll.
#include <initguid.h>
#include <oleacc.h>

#include <string>

#include "platform/error.h"
#include "platform/win32/com_init.h"

namespace tambrel::win32 {

namespace {

// UI Automation's notification event (Windows 10 1709): the enumerations by value, the provider
// as the IUnknown it is, since the headers here predate it.
constexpr int kNotificationKindOther = 4;
constexpr int kNotificationProcessingAll = 2;
using HostProviderFromHwnd = HRESULT(WINAPI*)(HWND, IUnknown**);
using RaiseNotificationEvent = HRESULT(WINAPI*)(IUnknown*, int, int, BSTR, BSTR);

struct Uia {
  HostProviderFromHwnd host = nullptr;
  RaiseNotificationEvent raise = nullptr;
};

const Uia& uia() {
  static const Uia functions = [] {
    Uia f;
    wchar_t system[MAX_PATH];
    const UINT n = GetSystemDirectoryW(system, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
      return f;
    // By its full path: never a DLL of that name found elsewhere.
    const HMODULE dll = LoadLibraryW((std::wstring(system, n) + L"\\uiautomationcore.dll").c_str());
    if (!dll)
      return f;
    f.host = reinterpret_cast<HostProviderFromHwnd>(
        reinterpret_cast<void*>(GetProcAddress(dll, "UiaHostProviderFromHwnd")));
    f.raise = reinterpret_cast<RaiseNotificationEvent>(
        reinterpret_cast<void*>(GetProcAddress(dll, "UiaRaiseNotificationEvent")));
    return f;
  }();
  return functions;
}

}  // namespace

SystemAccessibility::~SystemAccessibility() {
  if (services_)
    services_->Release();
}

IAccPropServices* SystemAccessibility::services() {
  if (tried_)
    return services_;
  tried_ = true;
  try {
    ensure_com_on_this_thread();
  } catch (const Error&) {
    return nullptr;
  }
  void* made = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER,
                                 IID_IAccPropServices, &made))) {
    services_ = static_cast<IAccPropServices*>(made);
  }
  return services_;
}

void SystemAccessibility::name(HWND hwnd, std::wstring_view name) {
  if (IAccPropServices* s = services())
    s->SetHwndPropStr(hwnd, OBJID_CLIENT, CHILDID_SELF, PROPID_ACC_NAME,
                      std::wstring(name).c_str());
}

void SystemAccessibility::dialog(HWND hwnd, std::wstring_view description) {
  IAccPropServices* s = services();
  if (!s)
    return;
  VARIANT role;
  VariantInit(&role);
  role.vt = VT_I4;
  role.lVal = ROLE_SYSTEM_DIALOG;
  s->SetHwndProp(hwnd, OBJID_CLIENT, CHILDID_SELF, PROPID_ACC_ROLE, role);
  s->SetHwndPropStr(hwnd, OBJID_CLIENT, CHILDID_SELF, PROPID_ACC_DESCRIPTION,
                    std::wstring(description).c_str());
}

void SystemAccessibility::forget(HWND hwnd) {
  // Only what was set: a window never annotated has nothing to drop.
  if (!services_)
    return;
  const MSAAPROPID props[] = {PROPID_ACC_NAME, PROPID_ACC_ROLE, PROPID_ACC_DESCRIPTION};
  services_->ClearHwndProps(hwnd, OBJID_CLIENT, CHILDID_SELF, props, 3);
}

void SystemAccessibility::announce(HWND hwnd, DWORD event, std::wstring_view text) {
  if (event)
    NotifyWinEvent(event, hwnd, OBJID_CLIENT, CHILDID_SELF);
  const Uia& f = uia();
  IUnknown* provider = nullptr;
  if (!f.host || !f.raise || FAILED(f.host(hwnd, &provider)) || !provider)
    return;
  BSTR said = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  BSTR activity = SysAllocString(L"TAMBREL");
  if (said && activity)
    f.raise(provider, kNotificationKindOther, kNotificationProcessingAll, said, activity);
  SysFreeString(activity);
  SysFreeString(said);
  provider->Release();
}

}  // namespace tambrel::win32
