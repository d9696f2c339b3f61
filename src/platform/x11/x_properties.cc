#include "platform/x11/x_properties.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

namespace tambrel::x11 {

namespace {
// In 32-bit units: 4 MiB, far above any title or client list.
constexpr long kMaxPropertyLength = 1L << 20;
}  // namespace

std::optional<Property> get_property(Display* display, Window window, Atom property, Atom type) {
  Property result;
  unsigned long bytes_after = 0;
  unsigned char* data = nullptr;
  const int status =
      XGetWindowProperty(display, window, property, 0, kMaxPropertyLength, False, type,
                         &result.type, &result.format, &result.count, &bytes_after, &data);
  result.data.reset(data);
  if (status != Success || result.type == None)
    return std::nullopt;
  if (type != AnyPropertyType && result.type != type)
    return std::nullopt;
  if (result.data == nullptr)
    return std::nullopt;
  return result;
}

std::vector<unsigned long> items32(const Property& property) {
  if (property.format != 32 || property.data == nullptr)
    return {};
  // Xlib hands format-32 data out as an array of long, whatever the size of long.
  const auto* values = reinterpret_cast<const unsigned long*>(property.data.get());
  return std::vector<unsigned long>(values, values + property.count);
}

std::string latin1_to_utf8(const unsigned char* text, std::size_t length) {
  std::string out;
  out.reserve(length);
  for (std::size_t i = 0; i < length; ++i) {
    const unsigned char c = text[i];
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

std::optional<std::string> window_title(Display* display, Window window, Atom net_wm_name,
                                        Atom utf8_string) {
  if (auto name = get_property(display, window, net_wm_name, utf8_string);
      name && name->format == 8) {
    return std::string(reinterpret_cast<const char*>(name->data.get()), name->count);
  }
  auto name = get_property(display, window, XA_WM_NAME, AnyPropertyType);
  if (!name || name->format != 8)
    return std::nullopt;
  const auto* bytes = name->data.get();
  if (name->type == XA_STRING)
    return latin1_to_utf8(bytes, name->count);
  if (name->type == utf8_string) {
    return std::string(reinterpret_cast<const char*>(bytes), name->count);
  }
  // COMPOUND_TEXT and the like: let Xlib convert.
  XTextProperty text{};
  text.value = name->data.get();
  text.encoding = name->type;
  text.format = name->format;
  text.nitems = name->count;
  char** list = nullptr;
  int count = 0;
  if (Xutf8TextPropertyToTextList(display, &text, &list, &count) < Success || list == nullptr) {
    return std::nullopt;
  }
  std::string title;
  for (int i = 0; i < count; ++i)
    title += list[i];
  XFreeStringList(list);
  return title;
}

}  // namespace tambrel::x11
