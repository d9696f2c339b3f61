#include "platform/win32/gdi_cache.h"

#include "platform/error.h"
#include "platform/win32/utf.h"
#include "platform/win32/view_metrics.h"

namespace tambrel::win32 {

FontCache::~FontCache() {
  for (auto& [key, font] : fonts_)
    DeleteObject(font);
}

HFONT FontCache::get(const forms::Font& font, int dpi) {
  const auto key = std::make_tuple(font.face, font.size_pt, font.weight, dpi);
  if (auto it = fonts_.find(key); it != fonts_.end())
    return it->second;
  HFONT made = CreateFontW(font_height(font.size_pt, dpi), 0, 0, 0, font.weight, FALSE, FALSE,
                           FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                           DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, font_face(font.face).c_str());
  if (!made)
    throw Error("CreateFontW failed: " + font.face);
  fonts_.emplace(key, made);
  return made;
}

BrushCache::~BrushCache() {
  for (auto& [color, brush] : brushes_)
    DeleteObject(brush);
}

HBRUSH BrushCache::get(forms::Color color) {
  if (forms::colors::is_system(color)) {
    if (HBRUSH system = GetSysColorBrush(forms::colors::system_index(color)))
      return system;
  }
  const COLORREF rgb = to_colorref(color);
  if (auto it = brushes_.find(rgb); it != brushes_.end())
    return it->second;
  HBRUSH made = CreateSolidBrush(rgb);
  if (!made)
    throw Error("CreateSolidBrush failed");
  brushes_.emplace(rgb, made);
  return made;
}

}  // namespace tambrel::win32
