#include <gtest/gtest.h>

#include "platform/win32/utf.h"
#include "platform/win32/win_error.h"

namespace tambrel::win32 {
namespace {

TEST(Utf, RoundTripsEveryPlane) {
  const std::string text = "Zähler – 東京 \U0001F600 \"q\" %PATH% ''";
  const std::wstring wide = to_wide(text);
  EXPECT_EQ(wide, L"Z\u00e4hler \u2013 \u6771\u4eac \U0001F600 \"q\" %PATH% ''");
  EXPECT_EQ(to_utf8(wide), text);
  EXPECT_EQ(to_wide(""), L"");
  EXPECT_EQ(to_utf8(L""), "");
}

TEST(Utf, InvalidInputBecomesReplacementCharactersAndUnpairedSurrogatesGoBothWays) {
  EXPECT_EQ(to_wide("a\xff"
                    "b"),
            L"a\ufffdb");
  for (const wchar_t lone : {wchar_t(0xD800), wchar_t(0xDFFF)}) {
    const std::wstring text = std::wstring(L"x") + lone + L"y\U0001F600" + lone;
    EXPECT_EQ(to_wide(to_utf8(text)), text);
  }
  EXPECT_EQ(to_utf8(std::wstring(L"x") + wchar_t(0xD800) + L"y"), "x\xed\xa0\x80y");
}

TEST(WinError, NamesSystemErrorsAndFormatsHresults) {
  EXPECT_NE(error_text(5).find("denied"), std::string::npos) << error_text(5);
  EXPECT_EQ(error_text(5).back() != '\n', true);
  EXPECT_EQ(hresult_text(static_cast<std::int32_t>(0x80041017)), "0x80041017");
  EXPECT_EQ(hresult_text(0), "0x00000000");
}

}  // namespace
}  // namespace tambrel::win32
