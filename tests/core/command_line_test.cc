// The command line: nothing runs with an argument; help, version and refusals.
#include <gtest/gtest.h>

#include "platform/error.h"
#include "shell/command_line.h"
#include "shell/window_list.h"

namespace tambrel {
namespace {

const CopyPlaces kPlaces{"backup-job", "backup-job",
                         "/home/u/.config/MERIDOX-TAMBREL/backup-job.ini", ""};

std::optional<CommandLineAnswer> answer(std::vector<std::string> arguments) {
  return answer_command_line(arguments, kPlaces);
}

TEST(CommandLine, OnlyNoArgumentsRunsTheProgram) {
  EXPECT_FALSE(answer({}).has_value());
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"--help"}, {"--version"}, {""}, {"-h"}, {"/?"}}) {
    EXPECT_TRUE(answer(args).has_value()) << args[0];
  }
}

TEST(CommandLine, HelpAndVersionAnswerWithStatusZero) {
  const auto version = answer({"--version"});
  EXPECT_EQ(version->text, "TAMBREL " TAMBREL_TEST_VERSION "\n") << "the product, not the copy";
  EXPECT_EQ(version->status, kExitDone);

  const auto help = answer({"--version", "--help"});
  EXPECT_EQ(help->status, kExitDone);
  EXPECT_FALSE(help->is_error());
  EXPECT_TRUE(help->text.starts_with("Usage: backup-job [--help | --version | --list]\n"))
      << help->text;
  EXPECT_NE(help->text.find("its settings:      " + kPlaces.settings + "\n"), std::string::npos);
  EXPECT_EQ(help->text.find("its activity log:"), std::string::npos) << "no log place was given";
  for (const char* status :
       {"\n  0  ", "\n  1  ", "\n  2  ", "\n  3  ", "\n  4  ", "\n  5  ", "\n  6  "})
    EXPECT_NE(help->text.find(status), std::string::npos) << status;
  EXPECT_NE(help->text.find("no display"), std::string::npos);

  // Windows: "/?" asks for help, and there is no display to be without.
  CopyPlaces windows = kPlaces;
  windows.windows = true;
  const auto asked = answer_command_line({"/?"}, windows);
  EXPECT_EQ(asked->status, kExitDone);
  EXPECT_TRUE(asked->text.starts_with("Usage: backup-job [/? | --help | --version | --list]\n"));
  EXPECT_EQ(asked->text.find("no display"), std::string::npos);
  EXPECT_EQ(answer({"/?"})->status, kExitCantStart) << "only Windows takes it";

  CopyPlaces with_log = kPlaces;
  with_log.log = "/home/u/.local/state/MERIDOX-TAMBREL/backup-job.log";
  EXPECT_NE(help_text(with_log).find("its activity log:  " + with_log.log + "\n"),
            std::string::npos);

  CopyPlaces with_reach = kPlaces;
  with_reach.reach = "Windows it reaches: these.\n";
  EXPECT_NE(help_text(with_reach).find("\nWindows it reaches: these.\n"), std::string::npos);
  EXPECT_EQ(help->text.find("Windows it reaches"), std::string::npos) << "none was given";
}

TEST(CommandLine, AnythingElseIsRefusedWithStatusTwoNamingTheFirstArgumentNotTaken) {
  const auto option = answer({"--help", "--autostart", "x"});
  EXPECT_EQ(option->status, kExitCantStart);
  EXPECT_TRUE(option->is_error());
  EXPECT_TRUE(option->text.starts_with("backup-job: unknown option \"--autostart\""))
      << option->text;
  EXPECT_NE(option->text.find("backup-job --help"), std::string::npos);

  const auto word = answer({"Untitled - Notepad"});
  EXPECT_TRUE(word->text.starts_with("backup-job: unexpected argument \"Untitled - Notepad\""));
  // A control character in an argument is shown, not sent to the terminal.
  EXPECT_NE(answer({"a\x1b[2Jb"})->text.find("\"a\\x1b[2Jb\""), std::string::npos);
}

TEST(CommandLine, ListAsksTheDesktopAndPrintsOneEscapedLinePerTitledWindow) {
  EXPECT_TRUE(answer({"--list"})->list_windows);
  EXPECT_FALSE(answer({"--list", "--help"})->list_windows) << "help comes first";
  const auto name_of = [](const ListedWindow& w) { return "p" + std::to_string(w.pid); };
  const auto listed = window_list_answer(
      "backup-job",
      [] {
        return std::vector<ListedWindow>{
            {0x3a00007, "*Untitled 1 - Mousepad", 4242}, {0x10, "", 7}, {0x11, "a\tb\x1b", 0}};
      },
      name_of);
  EXPECT_EQ(listed.status, kExitDone);
  EXPECT_EQ(listed.text,
            "0x3a00007\t4242\tp4242\t*Untitled 1 - Mousepad\n"
            "0x11\t-\t-\ta\\tb\\x1b\n");
  const auto unreachable = window_list_answer(
      "backup-job", []() -> std::vector<ListedWindow> { throw Error("XOpenDisplay failed: x"); },
      name_of);
  EXPECT_EQ(unreachable.status, kExitCantStart);
  EXPECT_EQ(unreachable.text, "backup-job: the windows cannot be listed: XOpenDisplay failed: x\n");
}

TEST(CommandLine, NoDisplayIsOneSentence) {
  EXPECT_EQ(no_display_text("tambrel", ""),
            "tambrel: no display to show its window on (DISPLAY is not set); start it within a "
            "desktop session.\n");
  EXPECT_NE(no_display_text("tambrel", ":7").find("(\":7\" cannot be opened)"), std::string::npos);
}

}  // namespace
}  // namespace tambrel
