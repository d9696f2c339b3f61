#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <tuple>

#include "forms/design.h"

namespace tambrel::win32 {

/// Fonts made on first use and kept until the cache goes, so controls can share them.
class FontCache {
 public:
  FontCache() = default;
  ~FontCache();
  FontCache(const FontCache&) = delete;
  FontCache& operator=(const FontCache&) = delete;

  /// `font` at `dpi` (CreateFontW by face, size and weight). Throws Error when GDI refuses.
  HFONT get(const forms::Font& font, int dpi);

 private:
  std::map<std::tuple<std::string, double, int, int>, HFONT> fonts_;
};

/// Solid brushes by colour; system colours use the system's own brushes.
class BrushCache {
 public:
  BrushCache() = default;
  ~BrushCache();
  BrushCache(const BrushCache&) = delete;
  BrushCache& operator=(const BrushCache&) = delete;

  /// A brush painting `color`. Throws Error when GDI refuses.
  HBRUSH get(forms::Color color);

 private:
  std::map<COLORREF, HBRUSH> brushes_;
};

}  // namespace tambrel::win32
