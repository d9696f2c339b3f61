#include <gtest/gtest.h>

#include <aclapi.h>

#include <objbase.h>

#include <memory>
#include <set>
#include <thread>

#include "platform/error.h"
#include "platform/win32/utf.h"
#include "platform/win32/wmi_process_table.h"
#include "platform/win32/wmi_session.h"
#include "platform/win32/wql.h"
#include "support.h"

namespace tambrel::win32 {
namespace {

using namespace test;

int count_matches(std::string_view name) {
  int count = 0;
  WmiSession session;
  session.for_each(to_wide(*win32::is_running_query(name)), [&](IWbemClassObject&) {
    ++count;
    return true;
  });
  return count;
}

// The tests below count notepads, so none may run beforehand. One that a previous test ended
// can take a moment to leave the process list, so this waits for that (up to 15 s).
testing::AssertionResult no_notepad_running() {
  if (poll_until([] { return count_matches("notepad.exe") == 0; }))
    return testing::AssertionSuccess();
  return testing::AssertionFailure()
         << count_matches("notepad.exe") << " notepad process(es) from elsewhere still running";
}

TEST(WmiProcessTable, FindsAndCountsNotepadCaseInsensitively) {
  WmiProcessTable table;
  ASSERT_TRUE(no_notepad_running());
  ASSERT_FALSE(table.is_running("notepad.exe"));

  Child first(L"notepad.exe");
  Child second(L"notepad.exe");
  EXPECT_TRUE(table.is_running("notepad.exe"));
  EXPECT_TRUE(table.is_running("NOTEPAD.EXE"));
  EXPECT_EQ(count_matches("NOTEPAD.EXE"), 2);
  EXPECT_FALSE(table.is_running("notepad"));
  EXPECT_FALSE(table.is_running("otepad.exe"));
  EXPECT_FALSE(table.is_running(""));
  // No process can have such a name: nothing is asked, nothing matches.
  EXPECT_FALSE(table.is_running("note*.exe"));
  EXPECT_FALSE(table.is_running("C:\\windows\\notepad.exe"));
}

TEST(WmiProcessTable, OneConnectionAndNoQueryWhileTheRememberedProcessRuns) {
  ASSERT_TRUE(no_notepad_running());
  WmiProcessTable table;
  EXPECT_TRUE(table.running("notepad.exe").empty());

  Child first(L"notepad.exe");
  ASSERT_TRUE(poll_until([&] { return !table.running("notepad.exe").empty(); }));
  EXPECT_EQ(table.running("notepad.exe"), std::vector<ProcessId>{first.pid()});
  const int queries = table.queries_made();
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(table.running("notepad.exe"), std::vector<ProcessId>{first.pid()});
  EXPECT_EQ(table.queries_made(), queries) << "the running process was asked of WMI again";

  // The remembered one ends while another runs: WMI is asked again and finds the other.
  Child second(L"notepad.exe");
  ASSERT_TRUE(TerminateProcess(first.handle(), 0));
  EXPECT_TRUE(first.wait_exit());
  EXPECT_TRUE(poll_until(
      [&] { return table.running("notepad.exe") == std::vector<ProcessId>{second.pid()}; }));
  EXPECT_EQ(table.terminate_all("notepad.exe").ended, std::vector<ProcessId>{second.pid()});
  EXPECT_TRUE(second.wait_exit());
  EXPECT_TRUE(poll_until([&] { return table.running("notepad.exe").empty(); }));
  EXPECT_EQ(table.connections_made(), 1);
}

TEST(WmiProcessTable, NamesWithAnApostropheMatchExactly) {
  WmiProcessTable table;
  Child idle(idle_command(copy_of_self(L"it's idle.exe")));
  EXPECT_TRUE(poll_until([&] { return table.is_running("it's idle.exe"); }));
  EXPECT_TRUE(table.is_running("IT'S IDLE.EXE"));
  EXPECT_FALSE(table.is_running("it's"));
  EXPECT_FALSE(table.is_running("it'"));
  EXPECT_FALSE(table.is_running("o'brien.exe"));
  EXPECT_FALSE(table.is_running("it's idle.exe' OR Name<>'"));

  EXPECT_TRUE(table.terminate_all("it's idle.exe").refused.empty());
  EXPECT_TRUE(idle.wait_exit());
}

TEST(WmiProcessTable, TerminatesEveryMatchAndLeavesOthers) {
  WmiProcessTable table;
  ASSERT_TRUE(no_notepad_running());
  Child first(L"notepad.exe");
  Child second(L"notepad.exe");
  Child bystander(idle_command(copy_of_self(L"tambrel-bystander.exe")));
  ASSERT_EQ(count_matches("notepad.exe"), 2);

  const auto ids = table.running("notepad.exe");
  EXPECT_EQ(std::set<ProcessId>(ids.begin(), ids.end()),
            (std::set<ProcessId>{first.pid(), second.pid()}));
  const auto outcome = table.terminate_all("Notepad.exe");
  EXPECT_EQ(outcome.refused, std::vector<std::string>{});
  EXPECT_EQ(std::set<ProcessId>(outcome.ended.begin(), outcome.ended.end()),
            (std::set<ProcessId>{first.pid(), second.pid()}));
  EXPECT_TRUE(first.wait_exit());
  EXPECT_TRUE(second.wait_exit());
  EXPECT_TRUE(poll_until([&] { return !table.is_running("notepad.exe"); }));
  EXPECT_EQ(WaitForSingleObject(bystander.handle(), 0), static_cast<DWORD>(WAIT_TIMEOUT));

  // Nothing left to terminate: nothing to report either.
  EXPECT_TRUE(table.terminate_all("notepad.exe").refused.empty());
  EXPECT_TRUE(table.terminate_all("notepad.exe").ended.empty());
}

TEST(WmiProcessTable, ReportsARefusedTerminationAndGoesOn) {
  // A process whose security allows nobody to terminate it (empty DACL); the test keeps a handle
  // with full access from creating it, to clean up.
  SECURITY_DESCRIPTOR descriptor;
  InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
  ACL empty;
  InitializeAcl(&empty, sizeof empty, ACL_REVISION);
  SetSecurityDescriptorDacl(&descriptor, TRUE, &empty, FALSE);
  SECURITY_ATTRIBUTES guarded{sizeof guarded, &descriptor, FALSE};
  const std::wstring exe = copy_of_self(L"tambrel-guarded.exe");
  Child refusing(idle_command(exe), &guarded);
  Child ordinary(idle_command(exe));

  WmiProcessTable table;
  ASSERT_TRUE(poll_until([&] { return table.is_running("tambrel-guarded.exe"); }));
  const auto outcome = table.terminate_all("tambrel-guarded.exe");
  const auto& failures = outcome.refused;
  EXPECT_EQ(outcome.ended, std::vector<ProcessId>{static_cast<ProcessId>(ordinary.pid())});

  ASSERT_EQ(failures.size(), 1u);
  const std::string prefix = "pid " + std::to_string(refusing.pid()) + ": ";
  EXPECT_EQ(failures[0].rfind(prefix, 0), 0u) << failures[0];
  EXPECT_GT(failures[0].size(), prefix.size()) << "the reason is missing";
  EXPECT_TRUE(ordinary.wait_exit()) << "the process that could be terminated was not";
  EXPECT_EQ(WaitForSingleObject(refusing.handle(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
}

TEST(WmiProcessTable, NeverTerminatesItsOwnProcess) {
  WmiProcessTable table;
  const std::wstring path = own_path();
  const std::string own_name = to_utf8(path.substr(path.find_last_of(L"\\/") + 1));
  ASSERT_TRUE(table.is_running(own_name));
  const auto outcome = table.terminate_all(own_name);
  EXPECT_TRUE(outcome.refused.empty());
  EXPECT_TRUE(outcome.ended.empty());
  // Still here to say so.
  EXPECT_TRUE(table.is_running(own_name));
}

TEST(WmiProcessTable, WorksOnAThreadThatAlreadyRunsAMultithreadedApartment) {
  const std::wstring path = own_path();
  const std::string own_name = to_utf8(path.substr(path.find_last_of(L"\\/") + 1));
  std::string error;
  bool running = false;
  std::thread worker([&] {
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    try {
      WmiProcessTable table;
      running = table.is_running(own_name) && table.is_running(own_name);
    } catch (const Error& e) {
      error = e.what();
    }
    CoUninitialize();
  });
  worker.join();
  EXPECT_EQ(error, "");
  EXPECT_TRUE(running);
}

TEST(WmiSession, ARefusedQueryThrowsNamingExecQuery) {
  WmiSession session;
  try {
    session.for_each(L"SELECT Name FROM Win32_Process WHERE Name='it's.exe'",
                     [](IWbemClassObject&) { return true; });
    FAIL() << "WMI accepted a malformed query";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()).rfind("ExecQuery failed: 0x8004", 0), 0u) << e.what();
  }
}

}  // namespace
}  // namespace tambrel::win32
