#include "platform/win32/win32_form_view.h"

#include <algorithm>
#include <exception>
#include <string>

#include "forms/accessible.h"
#include "forms/application.h"
#include "forms/form.h"
#include "forms/twips.h"
#include "platform/error.h"
#include "platform/win32/form_window.h"
#include "platform/win32/utf.h"
#include "platform/win32/view_metrics.h"
#include "platform/win32/win_error.h"

namespace tambrel::win32 {

using forms::pixels_to_twips;

namespace {

constexpr wchar_t kFormClass[] = L"TambrelForm";
constexpr wchar_t kWakeClass[] = L"TambrelWake";
constexpr UINT_PTR kWakeTimer = 1;

/// Focuses `control` of `fw` as the Tab key does: an edit's text comes selected.
void move_focus(FormWindow& fw, HWND control) {
  if (!control || !fw.find(control))
    return;
  if (SendMessageW(control, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL)
    SendMessageW(control, EM_SETSEL, 0, -1);
  SetFocus(control);
}

std::wstring window_text(HWND hwnd) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(hwnd, text.data(), text.size())));
  return text;
}

/// Runs `body`, the work of a window procedure. Nothing may unwind through the system's code:
/// an error goes to the runtime's error path and the message gets the default handling.
template <typename Body>
LRESULT guarded(Win32FormView* view, HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam,
                Body&& body) {
  try {
    return body();
  } catch (const forms::ProgramEnded&) {
    // The program has already ended; nothing is left to report.
  } catch (const std::exception& e) {
    if (view)
      view->fail(e.what());
  } catch (...) {
    if (view)
      view->fail("An unknown error occurred while drawing a window.");
  }
  return DefWindowProcW(hwnd, msg, wparam, lparam);
}

HICON load_icon(HINSTANCE instance, int icon_id, int size_metric) {
  if (icon_id == 0)
    return nullptr;
  const int size = GetSystemMetrics(size_metric);
  return static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(icon_id), IMAGE_ICON, size, size,
                                       LR_DEFAULTCOLOR | LR_SHARED));
}

}  // namespace

Win32FormView::Win32FormView(HINSTANCE instance, int icon_id, Accessibility* accessibility)
    : instance_(instance),
      own_accessibility_(accessibility ? nullptr : std::make_unique<SystemAccessibility>()),
      accessibility_(accessibility ? accessibility : own_accessibility_.get()) {
  WNDCLASSEXW form_class{};
  form_class.cbSize = sizeof form_class;
  form_class.lpfnWndProc = form_proc;
  form_class.hInstance = instance;
  form_class.hIcon = load_icon(instance, icon_id, SM_CXICON);
  form_class.hIconSm = load_icon(instance, icon_id, SM_CXSMICON);
  form_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  form_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  form_class.lpszClassName = kFormClass;
  form_class_ = RegisterClassExW(&form_class);
  if (!form_class_)
    throw Error("RegisterClassExW failed: " + error_text(GetLastError()));

  WNDCLASSEXW wake_class{};
  wake_class.cbSize = sizeof wake_class;
  wake_class.lpfnWndProc = wake_proc;
  wake_class.hInstance = instance;
  wake_class.lpszClassName = kWakeClass;
  wake_class_ = RegisterClassExW(&wake_class);
  if (!wake_class_)
    throw Error("RegisterClassExW failed: " + error_text(GetLastError()));
  wake_window_ = CreateWindowExW(0, MAKEINTATOM(wake_class_), L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                 nullptr, instance, nullptr);
  if (!wake_window_)
    throw Error("CreateWindowExW failed: " + error_text(GetLastError()));
  SetWindowLongPtrW(wake_window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

Win32FormView::~Win32FormView() {
  for (auto& [form, fw] : windows_) {
    if (fw->hwnd)
      DestroyWindow(fw->hwnd);
  }
  windows_.clear();
  if (wake_window_)
    DestroyWindow(wake_window_);
  if (wake_class_)
    UnregisterClassW(MAKEINTATOM(wake_class_), instance_);
  if (form_class_)
    UnregisterClassW(MAKEINTATOM(form_class_), instance_);
}

void Win32FormView::create(forms::Form& form) {
  app_ = &form.app();
  auto fw = std::make_unique<FormWindow>(form);
  fw->view = this;
  FormWindow& made = *fw;
  windows_[&form] = std::move(fw);
  try {
    create_native(made, form_class_, instance_, fonts_, edit_proc);
  } catch (...) {
    if (made.hwnd)
      DestroyWindow(made.hwnd);
    windows_.erase(&form);
    throw;
  }
  annotate(made);
}

void Win32FormView::annotate(FormWindow& fw) {
  for (const ControlWindow& cw : fw.controls) {
    if (const std::string name = forms::accessible_name(fw.form, *cw.control); !name.empty())
      accessibility_->name(cw.hwnd, to_wide(name));
  }
  if (fw.form.design().dialog)
    accessibility_->dialog(fw.hwnd, to_wide(forms::accessible_description(fw.form)));
}

void Win32FormView::show(forms::Form& form) {
  FormWindow* fw = find(form);
  if (!fw || !fw->hwnd)
    return;
  ShowWindow(fw->hwnd, SW_SHOW);
  if (fw->focus)
    SetFocus(fw->focus);
  UpdateWindow(fw->hwnd);
}

void Win32FormView::show_modal(forms::Form& form, forms::Form& owner) {
  FormWindow* fw = find(form);
  if (!fw || !fw->hwnd)
    return;
  const FormWindow* ow = find(owner);
  const HWND owner_hwnd = ow ? ow->hwnd : nullptr;
  if (owner_hwnd) {
    // The owner keeps the modal window above it and hides it with itself.
    SetWindowLongPtrW(fw->hwnd, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner_hwnd));
    fw->modal_owner = owner_hwnd;
    EnableWindow(owner_hwnd, FALSE);
  }
  show(form);
  MSG msg;
  while (!quit_) {
    const FormWindow* open = find(form);
    if (!open || !open->hwnd)
      break;
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got <= 0) {
      // The outer loop must see the quit too.
      PostQuitMessage(got == 0 ? static_cast<int>(msg.wParam) : 1);
      break;
    }
    process(msg);
  }
  if (owner_hwnd && IsWindow(owner_hwnd)) {
    EnableWindow(owner_hwnd, TRUE);
    if (!quit_)
      SetActiveWindow(owner_hwnd);
  }
}

void Win32FormView::destroy(forms::Form& form) {
  const auto it = windows_.find(&form);
  if (it == windows_.end())
    return;
  FormWindow& fw = *it->second;
  // Enabled before the modal window goes, so activation returns to the owner rather than to
  // some other application's window.
  if (fw.modal_owner && IsWindow(fw.modal_owner))
    EnableWindow(fw.modal_owner, TRUE);
  if (fw.hwnd) {
    for (const ControlWindow& cw : fw.controls)
      accessibility_->forget(cw.hwnd);
    accessibility_->forget(fw.hwnd);
    DestroyWindow(fw.hwnd);
  }
  windows_.erase(it);
}

void Win32FormView::control_changed(forms::Form& form, forms::Control& control, Property what) {
  FormWindow* fw = find(form);
  if (!fw || !fw->hwnd)
    return;
  ControlWindow* cw = fw->find(control);
  if (!cw || !cw->hwnd)
    return;
  show_property(*fw, *cw, what);
  // A label named for a screen reader shows a value, and its name carries it.
  if (what == Property::kText && control.kind() == forms::ControlKind::kLabel) {
    if (const std::string name = forms::accessible_name(form, control); !name.empty())
      accessibility_->name(cw->hwnd, to_wide(name));
  }
}

void Win32FormView::announce(forms::Form& form, const forms::Control* control,
                             std::string_view text) {
  FormWindow* fw = find(form);
  if (!fw || !fw->hwnd || !IsWindowVisible(fw->hwnd))
    return;
  ControlWindow* cw = control ? fw->find(*control) : nullptr;
  if (!cw || !cw->hwnd) {
    accessibility_->announce(fw->hwnd, 0, to_wide(text));
    return;
  }
  // An edit's value is its text; the name of anything else is its caption.
  const DWORD event = control->kind() == forms::ControlKind::kTextBox ? EVENT_OBJECT_VALUECHANGE
                                                                      : EVENT_OBJECT_NAMECHANGE;
  accessibility_->announce(cw->hwnd, event, to_wide(text));
}

void Win32FormView::form_changed(forms::Form& form, Property what) {
  FormWindow* fw = find(form);
  if (fw && fw->hwnd && what == Property::kGeometry)
    place_window(*fw);
}

WindowId Win32FormView::native_window(forms::Form& form) {
  return reinterpret_cast<WindowId>(form_window(form));
}

void Win32FormView::schedule_wake(std::optional<Millis> delay_ms) {
  if (!delay_ms || quit_) {
    KillTimer(wake_window_, kWakeTimer);
    return;
  }
  const Millis delay = std::clamp<Millis>(*delay_ms, USER_TIMER_MINIMUM, USER_TIMER_MAXIMUM);
  SetTimer(wake_window_, kWakeTimer, static_cast<UINT>(delay), nullptr);
}

void Win32FormView::message_box(std::string_view title, std::string_view text) {
  // Task-modal: every window of the program is disabled while the box shows.
  MessageBoxW(nullptr, to_wide(text).c_str(), to_wide(title).c_str(),
              MB_OK | MB_ICONERROR | MB_TASKMODAL | MB_SETFOREGROUND);
}

void Win32FormView::fail(const std::string& what) {
  if (app_) {
    app_->fail(what);
    return;
  }
  message_box(forms::Application::kErrorTitle, what);
  quit();
}

void Win32FormView::quit() {
  quit_ = true;
  KillTimer(wake_window_, kWakeTimer);
  PostQuitMessage(0);
}

void Win32FormView::run() {
  MSG msg;
  while (!quit_) {
    if (GetMessageW(&msg, nullptr, 0, 0) <= 0)
      break;
    process(msg);
  }
}

void Win32FormView::process(MSG& msg) {
  if (msg.hwnd) {
    const HWND root = GetAncestor(msg.hwnd, GA_ROOT);
    if (root && find_window(root) && IsDialogMessageW(root, &msg))
      return;
  }
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
}

HWND Win32FormView::form_window(const forms::Form& form) const {
  const FormWindow* fw = find(form);
  return fw ? fw->hwnd : nullptr;
}

HWND Win32FormView::control_window(const forms::Form& form, std::string_view name) const {
  const FormWindow* fw = find(form);
  if (!fw)
    return nullptr;
  for (const ControlWindow& cw : fw->controls) {
    if (cw.control && cw.control->name() == name)
      return cw.hwnd;
  }
  return nullptr;
}

FormWindow* Win32FormView::find(const forms::Form& form) const {
  const auto it = windows_.find(&form);
  return it == windows_.end() ? nullptr : it->second.get();
}

FormWindow* Win32FormView::find_window(HWND hwnd) const {
  for (const auto& [form, fw] : windows_) {
    if (fw->hwnd == hwnd)
      return fw.get();
  }
  return nullptr;
}

LRESULT CALLBACK Win32FormView::form_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  if (msg == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
    auto* created = static_cast<FormWindow*>(create->lpCreateParams);
    created->hwnd = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
  }
  auto* fw = reinterpret_cast<FormWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!fw || !fw->view)
    return DefWindowProcW(hwnd, msg, wparam, lparam);
  if (msg == WM_NCDESTROY) {
    if (fw->tool_tips)
      DestroyWindow(fw->tool_tips);  // not owned by this window (tool_tips.cc)
    fw->tool_tips = nullptr;
    fw->hwnd = nullptr;
    for (ControlWindow& cw : fw->controls)
      cw.hwnd = nullptr;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    return DefWindowProcW(hwnd, msg, wparam, lparam);
  }
  Win32FormView* view = fw->view;
  return guarded(view, hwnd, msg, wparam, lparam,
                 [&] { return view->on_form_message(*fw, msg, wparam, lparam); });
}

// After any call into the runtime the form, and with it `fw`, may be gone: nothing below
// touches `fw` once the runtime has been called.
LRESULT Win32FormView::on_form_message(FormWindow& fw, UINT msg, WPARAM wparam, LPARAM lparam) {
  const HWND hwnd = fw.hwnd;
  switch (msg) {
    case WM_COMMAND:
      return on_command(fw, wparam, lparam);
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
      if (HBRUSH brush = control_colors(fw, reinterpret_cast<HWND>(lparam),
                                        reinterpret_cast<HDC>(wparam), brushes_)) {
        return reinterpret_cast<LRESULT>(brush);
      }
      break;
    case WM_CLOSE:
      fw.form.user_close();
      return 0;
    case WM_ENDSESSION:
      if (wparam)
        fw.form.user_close("session end");
      return 0;
    case WM_MOVE:
      on_user_moved(fw);
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wparam) == WA_INACTIVE) {
        if (const HWND focus = GetFocus(); focus && fw.find(focus))
          fw.focus = focus;
      } else if (fw.focus && IsWindow(fw.focus)) {
        SetFocus(fw.focus);
      }
      return 0;
    case WM_SETFOCUS:
      if (fw.focus && IsWindow(fw.focus))
        SetFocus(fw.focus);
      return 0;
    case WM_NEXTDLGCTL:
      // Sent by the dialog manager for Tab where it treats the window as a dialog.
      move_focus(fw, LOWORD(lparam) ? reinterpret_cast<HWND>(wparam)
                                    : GetNextDlgTabItem(hwnd, GetFocus(), wparam != 0));
      return 0;
    case WM_DPICHANGED:
      on_dpi_changed(fw, LOWORD(wparam), *reinterpret_cast<const RECT*>(lparam));
      return 0;
    default:
      break;
  }
  return DefWindowProcW(hwnd, msg, wparam, lparam);
}

LRESULT Win32FormView::on_command(FormWindow& fw, WPARAM wparam, LPARAM lparam) {
  const HWND control = reinterpret_cast<HWND>(lparam);
  // No control: IDOK or IDCANCEL from the dialog manager for Enter or Escape. No button is
  // the default or the cancel button, so neither does anything.
  if (!control)
    return 0;
  ControlWindow* cw = fw.find(control);
  if (!cw)
    return 0;
  forms::Form& form = fw.form;
  const std::string name = cw->control->name();
  const int code = HIWORD(wparam);
  switch (cw->control->kind()) {
    case forms::ControlKind::kButton:
      if (code == BN_CLICKED)
        form.user_click(name);
      break;
    case forms::ControlKind::kCheckBox:
      // The runtime decides what a click makes of the value, and raises Click.
      if (code == BN_CLICKED)
        form.user_toggle(name);
      break;
    case forms::ControlKind::kLabel:
      if (code == STN_CLICKED)
        form.user_click(name);
      else if (code == STN_DBLCLK)
        form.user_dbl_click(name);
      break;
    case forms::ControlKind::kTextBox:
      if (code == EN_CHANGE && !fw.setting_text)
        form.user_set_text(name, to_utf8(window_text(control)));
      break;
  }
  return 0;
}

LRESULT CALLBACK Win32FormView::edit_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  auto* cw = reinterpret_cast<ControlWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  const WNDPROC class_proc = cw->class_proc;
  const LRESULT result = CallWindowProcW(class_proc, hwnd, msg, wparam, lparam);
  if (msg == WM_LBUTTONDBLCLK && cw->form_window) {
    forms::Form& form = cw->form_window->form;
    Win32FormView* view = cw->form_window->view;
    const std::string name = cw->control->name();
    return guarded(view, hwnd, msg, wparam, lparam, [&] {
      form.user_dbl_click(name);
      return result;
    });
  }
  return result;
}

LRESULT CALLBACK Win32FormView::wake_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  if (msg == WM_TIMER && wparam == kWakeTimer) {
    auto* view = reinterpret_cast<Win32FormView*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    KillTimer(hwnd, kWakeTimer);
    // fire_due arms the next wake-up itself.
    return guarded(view, hwnd, msg, wparam, lparam, [&]() -> LRESULT {
      if (view && view->app_)
        view->app_->fire_due();
      return 0;
    });
  }
  return DefWindowProcW(hwnd, msg, wparam, lparam);
}

void Win32FormView::on_user_moved(FormWindow& fw) {
  RECT rect{};
  GetWindowRect(fw.hwnd, &rect);
  // The view's own placing lands where it was told; anything else is the user's doing.
  if (rect.left == fw.placed_pixels[0] && rect.top == fw.placed_pixels[1])
    return;
  fw.placed_pixels[0] = rect.left;
  fw.placed_pixels[1] = rect.top;
  fw.placed_twips[0] = pixels_to_twips(rect.left, fw.dpi);
  fw.placed_twips[1] = pixels_to_twips(rect.top, fw.dpi);
  fw.form.user_moved(fw.placed_twips[0], fw.placed_twips[1]);
}

void Win32FormView::on_dpi_changed(FormWindow& fw, int dpi, const RECT& suggested) {
  fw.dpi = dpi;
  layout_controls(fw, fonts_);
  fw.placed_pixels[2] = suggested.right - suggested.left;
  fw.placed_pixels[3] = suggested.bottom - suggested.top;
  SetWindowPos(fw.hwnd, nullptr, suggested.left, suggested.top, fw.placed_pixels[2],
               fw.placed_pixels[3], SWP_NOZORDER | SWP_NOACTIVATE);
  on_user_moved(fw);
}

}  // namespace tambrel::win32
