#pragma once

#include <X11/Xlib.h>

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tambrel::x11 {

/// Frees memory Xlib handed out.
struct XFreeDeleter {
  void operator()(void* data) const {
    if (data != nullptr)
      XFree(data);
  }
};

/// A window property as the server returned it.
struct Property {
  Atom type = None;
  int format = 0;
  unsigned long count = 0;
  std::unique_ptr<unsigned char, XFreeDeleter> data;
};

/// Reads `property` of `window`, or nullopt when it is absent, of another type than `type`
/// (AnyPropertyType accepts all), or the window is gone. Call inside an ErrorTrap.
std::optional<Property> get_property(Display* display, Window window, Atom property, Atom type);

/// The format-32 items of a property (atoms, windows, cardinals); empty for other formats.
std::vector<unsigned long> items32(const Property& property);

/// The window's title as UTF-8: _NET_WM_NAME, else WM_NAME converted from its encoding;
/// nullopt when it has neither. Call inside an ErrorTrap.
std::optional<std::string> window_title(Display* display, Window window, Atom net_wm_name,
                                        Atom utf8_string);

/// ISO 8859-1 bytes (the STRING encoding of the X protocol) as UTF-8.
std::string latin1_to_utf8(const unsigned char* text, std::size_t length);

}  // namespace tambrel::x11
