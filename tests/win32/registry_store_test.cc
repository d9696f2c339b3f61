#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/error.h"
#include "platform/win32/registry_store.h"
#include "platform/win32/utf.h"

namespace tambrel::win32 {
namespace {

// Each test works in a section of its own and removes it afterwards.
class RegistryStoreTest : public testing::Test {
 protected:
  void SetUp() override {
    section_ = "tambrel-test-" + std::to_string(GetCurrentProcessId()) + "-" +
               testing::UnitTest::GetInstance()->current_test_info()->name();
    RegDeleteTreeW(HKEY_CURRENT_USER, subkey().c_str());
  }
  void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, subkey().c_str()); }

  std::wstring subkey() const { return L"Software\\MERIDOX-TAMBREL\\" + to_wide(section_); }
  bool section_exists() const {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, subkey().c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
      return false;
    }
    RegCloseKey(key);
    return true;
  }
  // Stores raw registry data the way another program could have.
  void put_raw(const wchar_t* name, DWORD type, const void* data, DWORD size) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, subkey().c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size),
              ERROR_SUCCESS);
    RegCloseKey(key);
  }

  RegistryStore store_;
  std::string section_;
};

TEST_F(RegistryStoreTest, ValuesRoundTripUnchanged) {
  const std::vector<std::pair<std::string, std::string>> values = {
      {"WINDOW_NAME_TEXTBOX", "He said \"close\" and 'now'"},
      {"PROCESS_NAME_TEXTBOX", "100% %PATH% done.exe"},
      {"Blanks", "  leading and trailing  "},
      {"NonAscii", "Zähler – 東京 \U0001F600"},
      {"Long", std::string(100000, 'x') + "end"},
      {"Empty", ""},
      {"MainLeft", "-120"},
  };
  for (const auto& [key, value] : values)
    store_.write(section_, key, value);
  for (const auto& [key, value] : values) {
    const auto read = store_.read(section_, key);
    ASSERT_TRUE(read.has_value()) << key;
    EXPECT_EQ(*read, value) << key;
  }
  // A second write replaces the first.
  store_.write(section_, "MainLeft", "30");
  EXPECT_EQ(store_.read(section_, "MainLeft"), "30");
}

TEST_F(RegistryStoreTest, WritesPlainRegSzValues) {
  store_.write(section_, "SENDKEYS_TICKBOX", "1");
  wchar_t data[8] = {};
  DWORD size = sizeof data;
  DWORD type = 0;
  ASSERT_EQ(RegGetValueW(HKEY_CURRENT_USER, subkey().c_str(), L"SENDKEYS_TICKBOX", RRF_RT_ANY,
                         &type, data, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(std::wstring(data), L"1");
}

TEST_F(RegistryStoreTest, AbsentSectionOrKeyIsNulloptAndCreatesNothing) {
  EXPECT_EQ(store_.read(section_, "MainLeft"), std::nullopt);
  EXPECT_FALSE(section_exists()) << "reading created the section";
  store_.write(section_, "MainTop", "1000");
  EXPECT_EQ(store_.read(section_, "MainLeft"), std::nullopt);
}

TEST_F(RegistryStoreTest, KeysAreCaseInsensitiveLikeTheRegistry) {
  store_.write(section_, "MainLeft", "1440");
  EXPECT_EQ(store_.read(section_, "MAINLEFT"), "1440");
}

TEST_F(RegistryStoreTest, ForeignStringFormsAreReadAsStoredText) {
  const wchar_t expand[] = L"%SystemRoot%\\x";
  put_raw(L"Expand", REG_EXPAND_SZ, expand, sizeof expand);
  EXPECT_EQ(store_.read(section_, "Expand"), "%SystemRoot%\\x") << "must not be expanded";
  // And written back in the type it was found in.
  store_.write(section_, "Expand", "%TEMP%\\y");
  DWORD type = 0;
  ASSERT_EQ(RegGetValueW(HKEY_CURRENT_USER, subkey().c_str(), L"Expand", RRF_RT_ANY | RRF_NOEXPAND,
                         &type, nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_EXPAND_SZ));
  EXPECT_EQ(store_.read(section_, "Expand"), "%TEMP%\\y");

  const wchar_t unterminated[] = {L'a', L'b', L'c'};
  put_raw(L"NoNul", REG_SZ, unterminated, sizeof unterminated);
  EXPECT_EQ(store_.read(section_, "NoNul"), "abc");

  const char odd[] = {'A', 0, 'B', 0, 'C'};  // a stray last byte
  put_raw(L"Odd", REG_SZ, odd, sizeof odd);
  EXPECT_EQ(store_.read(section_, "Odd"), "AB");

  put_raw(L"Nothing", REG_SZ, nullptr, 0);
  EXPECT_EQ(store_.read(section_, "Nothing"), "");
}

TEST_F(RegistryStoreTest, TextIsWrittenBackExactlyAsItWasRead) {
  // An unpaired surrogate, as another program may have stored it: read as its three bytes.
  const wchar_t lone[] = {L'a', wchar_t(0xD800), L'b', L'\0'};
  put_raw(L"WINDOW_NAME_TEXTBOX", REG_SZ, lone, sizeof lone);
  const auto read = store_.read(section_, "WINDOW_NAME_TEXTBOX");
  ASSERT_EQ(read,
            "a\xed\xa0\x80"
            "b");
  auto stored = [&] {
    wchar_t data[16] = {};
    DWORD size = sizeof data;
    RegGetValueW(HKEY_CURRENT_USER, subkey().c_str(), L"WINDOW_NAME_TEXTBOX", RRF_RT_REG_SZ,
                 nullptr, data, &size);
    return std::wstring(data);
  };
  store_.write(section_, "WINDOW_NAME_TEXTBOX", *read);
  EXPECT_EQ(stored(), std::wstring(lone)) << "the unchanged text lost its surrogate";
  store_.write(section_, "WINDOW_NAME_TEXTBOX", *read);
  EXPECT_EQ(stored(), std::wstring(lone)) << "and again on the next save";
  store_.write(section_, "WINDOW_NAME_TEXTBOX", "new");
  EXPECT_EQ(stored(), L"new");
  store_.write(section_, "PROCESS_NAME_TEXTBOX", *read);
  EXPECT_EQ(store_.read(section_, "PROCESS_NAME_TEXTBOX"), read) << "under another key too";
}

TEST_F(RegistryStoreTest, ANonTextValueThrowsNamingKeyValueTypeAndPlace) {
  const DWORD one = 1;
  put_raw(L"SENDKEYS_TICKBOX", REG_DWORD, &one, sizeof one);
  const unsigned char bytes[] = {0xde, 0xad};
  put_raw(L"MainLeft", REG_BINARY, bytes, sizeof bytes);
  for (const auto& [key, shown] :
       {std::pair{"SENDKEYS_TICKBOX", " holds 1, stored as REG_DWORD"},
        std::pair{"MainLeft", " holds hex de ad, stored as REG_BINARY"}}) {
    try {
      store_.read(section_, key);
      ADD_FAILURE() << key << " was read as a setting";
    } catch (const Error& e) {
      const std::string what = e.what();
      EXPECT_NE(what.find("\"" + std::string(key) + "\""), std::string::npos) << what;
      EXPECT_NE(what.find(shown), std::string::npos) << what;
      EXPECT_NE(what.find(store_.location(section_)), std::string::npos) << what;
    }
  }
}

TEST_F(RegistryStoreTest, ARefusedWriteThrowsNamingKeyAndPlace) {
  // Registry key names are limited to 255 characters: such a section cannot be created.
  const std::string too_long(300, 's');
  try {
    store_.write(too_long, "MainLeft", "1");
    FAIL() << "the registry accepted a 300-character key name";
  } catch (const Error& e) {
    const std::string what = e.what();
    EXPECT_EQ(what.rfind("RegCreateKeyExW failed", 0), 0u) << what;
    EXPECT_NE(what.find("\"MainLeft\""), std::string::npos) << what;
    EXPECT_NE(what.find(store_.location(too_long)), std::string::npos) << what;
  }
}

TEST_F(RegistryStoreTest, LocationIsTheRegistryPath) {
  EXPECT_EQ(store_.location("backup-job"),
            "HKEY_CURRENT_USER\\Software\\MERIDOX-TAMBREL\\backup-job");
}

}  // namespace
}  // namespace tambrel::win32
