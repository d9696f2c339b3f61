#pragma once

#include <windows.h>

#include <string_view>

struct IAccPropServices;

namespace tambrel::win32 {

/// What the view tells assistive technology (a screen reader) about its windows, behind one
/// seam: the system's services in the program, a recording in the tests.
class Accessibility {
 public:
  virtual ~Accessibility() = default;
  /// Names the control `hwnd`: its label stands elsewhere in the z-order than where Active
  /// Accessibility looks for an edit's label, just before it.
  virtual void name(HWND hwnd, std::wstring_view name) = 0;
  /// Makes the top-level `hwnd` a dialog whose text `description` is read when it opens.
  virtual void dialog(HWND hwnd, std::wstring_view description) = 0;
  /// Drops what was said about `hwnd`, which is being destroyed.
  virtual void forget(HWND hwnd) = 0;
  /// Says `text` about `hwnd` at once; `event` (EVENT_OBJECT_NAMECHANGE or _VALUECHANGE, 0 for
  /// none) marks the change on `hwnd` itself.
  virtual void announce(HWND hwnd, DWORD event, std::wstring_view text) = 0;
};

/// The system's: Dynamic Annotation (IAccPropServices), NotifyWinEvent and, where the system has
/// it (Windows 10 1709 and later, looked up at run time), a UI Automation notification. A call
/// the system refuses (Wine answers E_NOTIMPL) leaves things as they were: a name is a help,
/// never a reason to stop.
class SystemAccessibility final : public Accessibility {
 public:
  SystemAccessibility() = default;
  ~SystemAccessibility() override;
  SystemAccessibility(const SystemAccessibility&) = delete;
  SystemAccessibility& operator=(const SystemAccessibility&) = delete;

  void name(HWND hwnd, std::wstring_view name) override;
  void dialog(HWND hwnd, std::wstring_view description) override;
  void forget(HWND hwnd) override;
  void announce(HWND hwnd, DWORD event, std::wstring_view text) override;

 private:
  ::IAccPropServices* services();
  ::IAccPropServices* services_ = nullptr;
  bool tried_ = false;
};

}  // namespace tambrel::win32
