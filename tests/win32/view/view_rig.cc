#include "view_rig.h"

#include <algorithm>
#include <cwctype>
#include <filesystem>
#include <fstream>
#include <vector>

#include "window_models/tambrel_about.h"
#include "window_models/tambrel_main.h"

namespace tambrel::win32::test {

ViewRig::ViewRig() = default;

ViewRig::~ViewRig() {
  forms_.clear();
  // A form whose unload ended the program left a WM_QUIT behind; the next test's loop must
  // not see it.
  MSG msg;
  while (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
}

forms::Form& ViewRig::form(forms::FormDesign design) {
  forms_.push_back(std::make_unique<forms::Form>(app, std::move(design)));
  return *forms_.back();
}

forms::Form& ViewRig::show_main() {
  forms::Form& main = form(tambrel_main_design());
  show_at(main, 1000, 1000, 5865, 7695);
  return main;
}

forms::Form& ViewRig::show_about() {
  forms::Form& about = form(tambrel_about_design());
  show_at(about, 1000, 1000, 5610, 5325);
  return about;
}

void ViewRig::show_at(forms::Form& form, float left, float top, float width, float height) {
  form.on_load([&form, left, top, width, height] {
    form.set_left(left);
    form.set_top(top);
    form.set_width(width);
    form.set_height(height);
  });
  form.show();
  pump();
}

bool ViewRig::pump_until(const std::function<bool()>& condition,
                         std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    pump();
    if (condition())
      return true;
    if (std::chrono::steady_clock::now() >= deadline)
      return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

void ViewRig::pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT)
      break;
    view.process(msg);
  }
}

RECT client_rect_of(HWND control) {
  RECT rect{};
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

std::wstring class_of(HWND hwnd) {
  wchar_t name[64] = {};
  GetClassNameW(hwnd, name, 64);
  std::wstring upper(name);
  for (auto& c : upper)
    c = static_cast<wchar_t>(std::towupper(c));
  return upper;
}

std::wstring text_of(HWND hwnd) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(hwnd, text.data(), text.size())));
  return text;
}

LONG_PTR style_of(HWND hwnd) {
  return GetWindowLongPtrW(hwnd, GWL_STYLE);
}

LONG_PTR ex_style_of(HWND hwnd) {
  return GetWindowLongPtrW(hwnd, GWL_EXSTYLE);
}

LOGFONTW font_of(HWND control) {
  LOGFONTW font{};
  auto handle = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
  if (handle)
    GetObjectW(handle, sizeof font, &font);
  return font;
}

Paint paint_of(HWND form, HWND control) {
  const std::wstring kind = class_of(control);
  const LONG_PTR style = style_of(control);
  UINT msg = WM_CTLCOLORSTATIC;
  if (kind == L"EDIT" && !(style & ES_READONLY) && IsWindowEnabled(control))
    msg = WM_CTLCOLOREDIT;
  if (kind == L"BUTTON" && (style & BS_TYPEMASK) == BS_PUSHBUTTON)
    msg = WM_CTLCOLORBTN;
  HDC dc = CreateCompatibleDC(nullptr);
  SetTextColor(dc, RGB(1, 2, 3));
  SetBkColor(dc, RGB(4, 5, 6));
  auto brush = reinterpret_cast<HBRUSH>(
      SendMessageW(form, msg, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control)));
  LOGBRUSH logbrush{};
  if (brush)
    GetObjectW(brush, sizeof logbrush, &logbrush);
  Paint paint{GetTextColor(dc), GetBkColor(dc), logbrush.lbColor};
  DeleteDC(dc);
  return paint;
}

COLORREF pixel_of(HWND hwnd, int x, int y) {
  HDC dc = GetDC(hwnd);
  const COLORREF color = GetPixel(dc, x, y);
  ReleaseDC(hwnd, dc);
  return color;
}

Screen Screen::capture() {
  Screen shot;
  const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = SelectObject(memory, bitmap);
  const bool copied = BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY) != FALSE;
  SelectObject(memory, old);
  BITMAPINFOHEADER info{};
  info.biSize = sizeof info;
  info.biWidth = width;
  info.biHeight = -height;  // top-down
  info.biPlanes = 1;
  info.biBitCount = 32;
  info.biCompression = BI_RGB;
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height);
  const int lines = GetDIBits(memory, bitmap, 0, height, pixels.data(),
                              reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  if (copied && lines == height) {
    shot.width_ = width;
    shot.height_ = height;
    shot.pixels_ = std::move(pixels);
  }
  return shot;
}

COLORREF Screen::at(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_)
    return CLR_INVALID;
  const std::uint32_t rgb = pixels_[static_cast<std::size_t>(y) * width_ + x];
  return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

bool Screen::save_bmp(const std::wstring& path, RECT area) const {
  area.left = std::max(0L, area.left);
  area.top = std::max(0L, area.top);
  area.right = std::min<LONG>(width_, area.right);
  area.bottom = std::min<LONG>(height_, area.bottom);
  const int width = area.right - area.left, height = area.bottom - area.top;
  if (empty() || width <= 0 || height <= 0)
    return false;
  BITMAPINFOHEADER info{};
  info.biSize = sizeof info;
  info.biWidth = width;
  info.biHeight = height;  // bottom-up, as BMP files usually are
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biCompression = BI_RGB;
  const std::size_t stride = ((width * 3 + 3) / 4) * 4;
  std::vector<char> rows(stride * height);
  for (int y = 0; y < height; ++y) {
    char* row = rows.data() + stride * (height - 1 - y);
    for (int x = 0; x < width; ++x) {
      const std::uint32_t rgb =
          pixels_[static_cast<std::size_t>(area.top + y) * width_ + area.left + x];
      row[3 * x] = static_cast<char>(rgb & 0xFF);
      row[3 * x + 1] = static_cast<char>((rgb >> 8) & 0xFF);
      row[3 * x + 2] = static_cast<char>((rgb >> 16) & 0xFF);
    }
  }
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = file.bfOffBits + static_cast<DWORD>(rows.size());
  std::ofstream out(std::filesystem::path(path), std::ios::binary);
  out.write(reinterpret_cast<const char*>(&file), sizeof file);
  out.write(reinterpret_cast<const char*>(&info), sizeof info);
  out.write(rows.data(), static_cast<std::streamsize>(rows.size()));
  return static_cast<bool>(out);
}

bool save_screen_bmp(const std::wstring& path) {
  return Screen::capture().save_bmp(path);
}

Screen settled_screen(ViewRig& rig, std::chrono::milliseconds timeout) {
  Screen last = Screen::capture();
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < deadline) {
    rig.pump_for(100ms);
    Screen now = Screen::capture();
    if (!now.empty() && now == last)
      return now;
    last = std::move(now);
  }
  return last;
}

std::wstring artifact_dir() {
  wchar_t dir[MAX_PATH + 1] = {};
  if (GetEnvironmentVariableW(L"TAMBREL_ARTIFACTS", dir, MAX_PATH) > 0)
    return dir;
  GetTempPathW(MAX_PATH + 1, dir);
  return dir;
}

}  // namespace tambrel::win32::test
