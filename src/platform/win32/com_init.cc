#include "platform/win32/com_init.h"

#include <objbase.h>
#include <windows.h>

#include "platform/error.h"
#include "platform/win32/win_error.h"

namespace tambrel::win32 {

void ensure_com_on_this_thread() {
  // Never uninitialised: WMI calls come throughout the thread's life, and tearing COM down in a
  // thread-exit hook is not allowed anyway.
  thread_local bool initialised = false;
  if (initialised)
    return;
  const HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  // S_FALSE: this thread already had COM; RPC_E_CHANGED_MODE: it runs a multithreaded apartment,
  // which serves WMI just as well.
  if (FAILED(hr) && hr != RPC_E_CHANGED_MODE) {
    throw Error("CoInitializeEx failed: " + hresult_text(hr));
  }
  initialised = true;
}

}  // namespace tambrel::win32
