// A system call that fails while a window is drawn, outside any handler, ends the program the way
// every other error does: one message box, then the end.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "forms/application.h"
#include "forms/form.h"
#include "platform/clock.h"
#include "platform/win32/resource_ids.h"
#include "platform/win32/win32_form_view.h"
#include "window_models/tambrel_main.h"

namespace tambrel::win32::test {
namespace {

/// The real view, with its message box recorded instead of shown.
class BoxRecordingView : public Win32FormView {
 public:
  using Win32FormView::Win32FormView;
  void message_box(std::string_view, std::string_view text) override { boxes.emplace_back(text); }
  std::vector<std::string> boxes;
};

/// Holds every GDI handle the process can get, so that the next brush or font the view asks for
/// is refused; gives them back when released or dropped.
class GdiExhausted {
 public:
  GdiExhausted() {
    constexpr std::size_t kLimit = 1 << 20;
    while (held_.size() < kLimit) {
      HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
      if (!brush) {
        exhausted_ = true;
        break;
      }
      held_.push_back(brush);
    }
  }
  ~GdiExhausted() { release(); }
  bool exhausted() const { return exhausted_; }
  void release() {
    for (HBRUSH brush : held_)
      DeleteObject(brush);
    held_.clear();
  }

 private:
  std::vector<HBRUSH> held_;
  bool exhausted_ = false;
};

struct Program {
  SteadyClock clock;
  BoxRecordingView view{GetModuleHandleW(nullptr), IDI_TAMBREL};
  forms::Application app{clock, view};
  forms::Form main{app, tambrel_main_design()};
  Program() {
    app.dispatch([this] { main.show(); });
  }
  ~Program() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
  }
};

TEST(SystemFailure, ARefusedBrushOrFontEndsTheProgramWithOneMessageBox) {
  struct Case {
    const char* what;
    const char* call;
    void (*inject)(Program&);
  };
  const Case cases[] = {
      {"a text box coloured anew", "CreateSolidBrush failed",
       [](Program& p) {
         const HWND form = p.view.form_window(p.main);
         const HWND box = p.view.control_window(p.main, WINDOW_NAME_TEXTBOX);
         p.main.control(WINDOW_NAME_TEXTBOX).set_back_color(0x00123456);
         HDC dc = CreateCompatibleDC(nullptr);
         // What the text box sends its window each time it paints.
         SendMessageW(form, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc),
                      reinterpret_cast<LPARAM>(box));
         SendMessageW(form, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc),
                      reinterpret_cast<LPARAM>(box));
         DeleteDC(dc);
       }},
      {"the window moved to a screen of another DPI", "CreateFontW failed",
       [](Program& p) {
         RECT suggested{100, 100, 100 + 800, 100 + 1000};
         SendMessageW(p.view.form_window(p.main), WM_DPICHANGED, MAKEWPARAM(168, 168),
                      reinterpret_cast<LPARAM>(&suggested));
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Program program;
    ASSERT_TRUE(program.main.loaded());
    GdiExhausted gdi;
    if (!gdi.exhausted())
      GTEST_SKIP() << "the system gave out a million brushes without refusing one";
    c.inject(program);
    gdi.release();
    ASSERT_EQ(program.view.boxes.size(), 1u) << "one message box, however often it failed";
    EXPECT_NE(program.view.boxes[0].find(c.call), std::string::npos) << program.view.boxes[0];
    EXPECT_TRUE(program.app.failed());
    EXPECT_TRUE(program.view.quitting());
  }
}

}  // namespace
}  // namespace tambrel::win32::test
