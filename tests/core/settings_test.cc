// Stored texts: strict conversions, defaults, and errors a user can act on.
#include <gtest/gtest.h>

#include "fakes/memory_store.h"
#include "platform/error.h"
#include "platform/exe_name.h"
#include "settings/conversions.h"
#include "settings/key_table.h"
#include "settings/settings.h"

namespace tambrel {
namespace {

std::string why_not_tick(std::string_view text) {
  std::string why;
  EXPECT_FALSE(parse_tick_state(text, &why).has_value()) << text;
  return why;
}

TEST(Conversions, TickStatesAreWholeNumbersZeroToTwo) {
  std::string why;
  EXPECT_EQ(parse_tick_state("0", &why), 0);
  EXPECT_EQ(parse_tick_state(" 1 ", &why), 1);
  EXPECT_EQ(parse_tick_state("\t2", &why), 2);
  EXPECT_EQ(parse_tick_state("+1", &why), 1);
  EXPECT_EQ(parse_tick_state("1.0", &why), 1);
  EXPECT_EQ(parse_tick_state("-0", &why), 0);
  for (const char* bad :
       {"", " ", "abc", "1a", "0x1", "1e0", "--1", "+", ".", "1 1", "nan", "inf"}) {
    EXPECT_EQ(why_not_tick(bad), "is not a number") << bad;
  }
  EXPECT_EQ(why_not_tick("1.5"), "is not a whole number");
  EXPECT_EQ(why_not_tick("3"), "is not a check box state (0, 1 or 2)");
  EXPECT_EQ(why_not_tick("-1"), "is not a check box state (0, 1 or 2)");
  EXPECT_EQ(why_not_tick("32767"), "is not a check box state (0, 1 or 2)");
  EXPECT_EQ(why_not_tick("32768"), "is outside -32768 to 32767");
  EXPECT_EQ(why_not_tick("-32769"), "is outside -32768 to 32767");
  EXPECT_EQ(why_not_tick(std::string(400, '9')), "is outside -32768 to 32767");
}

TEST(Conversions, GeometryIsADecimalNumber) {
  std::string why;
  EXPECT_EQ(parse_geometry("1440", &why), 1440.0f);
  EXPECT_EQ(parse_geometry(" -120 ", &why), -120.0f);
  EXPECT_EQ(parse_geometry("1000.5", &why), 1000.5f);
  for (const char* bad : {"", "abc", "12px", "1e3", "inf", "NaN", "1,000"}) {
    EXPECT_FALSE(parse_geometry(bad, &why).has_value()) << bad;
  }
  EXPECT_FALSE(parse_geometry(std::string(100, '9'), &why).has_value());
  EXPECT_EQ(why, "is too large for a window position");
}

TEST(Conversions, SavedNumbersArePlainDecimalText) {
  EXPECT_EQ(format_geometry(-120.0f), "-120");
  EXPECT_EQ(format_geometry(1440.0f), "1440");
  EXPECT_EQ(format_geometry(0.0f), "0");
  EXPECT_EQ(format_geometry(1000.5f), "1000.5");
  EXPECT_EQ(format_tick_state(1), "1");
  std::string why;
  for (float v : {-120.0f, 0.0f, 12345.0f, 1000.5f, -0.25f}) {
    EXPECT_EQ(parse_geometry(format_geometry(v), &why), v) << "round trip of " << v;
  }
}

TEST(KeyTable, HoldsFifteenKeysWithTheirDefaults) {
  EXPECT_EQ(kSettingKeys.size(), 15u);
  EXPECT_EQ(setting_key("WAIT_FOR_PROCESS_TICKBOX").default_text, "1");
  EXPECT_EQ(setting_key("MainWidth").default_text, "5865");
  EXPECT_EQ(setting_key("ABOUTMainHeight").default_text, "5325");
  EXPECT_EQ(setting_key("WINDOW_NAME_TEXTBOX").form, TextForm::kText);
  EXPECT_THROW(setting_key("Nope"), std::logic_error);
}

TEST(Settings, AbsentKeysGiveDefaultsAndReadingCreatesNothing) {
  testing::MemoryStore store;
  Settings s(store, "job");
  EXPECT_EQ(s.restore_geometry("MainHeight"), 7695.0f);
  EXPECT_EQ(s.restore_tick_state("WAIT_FOR_PROCESS_TICKBOX"), 1);
  EXPECT_EQ(s.restore_text("WINDOW_NAME_TEXTBOX"), "");
  EXPECT_TRUE(store.values.empty());
}

TEST(Settings, ABadStoredValueNamesKeyTextAndPlace) {
  testing::MemoryStore store;
  store.put("backup-job", "SENDKEYS_TICKBOX", "abc");
  Settings s(store, "backup-job");
  try {
    s.restore_tick_state("SENDKEYS_TICKBOX");
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(),
                 "The setting \"SENDKEYS_TICKBOX\" holds \"abc\", which is not a number "
                 "(memory:backup-job).");
  }
  store.put("backup-job", "MainLeft", std::string(100000, 'x'));
  try {
    s.restore_geometry("MainLeft");
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_LT(std::string(e.what()).size(), 200u) << "a huge value is cut in the message";
    EXPECT_NE(std::string(e.what()).find("100000 characters"), std::string::npos);
  }
  // Characters, not bytes: 50 two-byte letters are cut after 40 of them.
  std::string accents;
  for (int i = 0; i < 50; ++i)
    accents += "\u00e9";
  store.put("backup-job", "MainTop", accents);
  try {
    s.restore_geometry("MainTop");
    FAIL() << "no error";
  } catch (const Error& e) {
    const std::string forty = accents.substr(0, 80);
    EXPECT_NE(std::string(e.what()).find("\"" + forty + "...\" (50 characters)"), std::string::npos)
        << e.what();
  }
  // Control characters are shown, not obeyed: a NUL would cut the message box's text short.
  store.put("backup-job", "MainTop",
            std::string("1\0"
                        "2\n\x1b",
                        5));
  try {
    s.restore_geometry("MainTop");
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("holds \"1\\02\\n\\x1b\", which"), std::string::npos)
        << e.what();
  }
}

TEST(Settings, TextsAreStoredAndRestoredUnchanged) {
  testing::MemoryStore store;
  Settings s(store, "job");
  for (const std::string& text : {std::string(""), std::string("a 'quoted' \"name\" 100%"),
                                  std::string("Größe – 文字"), std::string(100000, 'q')}) {
    s.save_text("WINDOW_NAME_TEXTBOX", text);
    EXPECT_EQ(s.restore_text("WINDOW_NAME_TEXTBOX"), text);
  }
}

TEST(ExeName, SectionIsTheFileNameWithoutExtension) {
  EXPECT_EQ(section_from_path("C:\\Tools\\backup-job.exe"), "backup-job");
  EXPECT_EQ(section_from_path("/usr/local/bin/tambrel"), "tambrel");
  EXPECT_EQ(section_from_path("./my.copy.exe"), "my.copy");
  EXPECT_EQ(section_from_path("tambrel"), "tambrel");
  EXPECT_EQ(section_from_path("/opt/.hidden"), ".hidden");
}

TEST(ExeName, TheLinuxSectionIsTheWholeFileName) {
  EXPECT_EQ(file_name_of("/opt/tambrel.work"), "tambrel.work");
  EXPECT_EQ(file_name_of("./tambrel.home"), "tambrel.home");
  EXPECT_EQ(file_name_of("tambrel"), "tambrel");
  EXPECT_EQ(file_name_of("C:\\Tools\\backup-job.exe"), "backup-job.exe");
}

}  // namespace
}  // namespace tambrel
