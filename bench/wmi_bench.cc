// The Windows process check while the watched process runs (this benchmark itself), in
// interleaved rounds: a new WMI connection and query per check (as each tick once did), the same
// query on one kept connection, the table's query for the ids on its kept connection (what a
// tick costs when nothing is remembered), and the remembered-match check the watcher now makes.
//
//   tambrel_wmi_bench.exe [ROUNDS]     (default 15)
//
// Prints one line per case: "case=NAME min=... median=... max=..." in milliseconds per check.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "bench_support.h"
#include "platform/win32/utf.h"
#include "platform/win32/wmi_process_table.h"
#include "platform/win32/wmi_session.h"
#include "platform/win32/wql.h"

using tambrel::bench::ms_of;
using tambrel::bench::print_cases;

int wmain(int argc, wchar_t** argv) {
  using namespace tambrel::win32;
  const int rounds = argc > 1 ? _wtoi(argv[1]) : 15;
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  const std::wstring full(path, length);
  const std::string own_name = to_utf8(full.substr(full.find_last_of(L"\\/") + 1));
  const std::wstring query = to_wide(*is_running_query(own_name));

  WmiSession session;
  WmiProcessTable kept;
  WmiProcessTable remembering;
  if (kept.query(own_name).empty() || remembering.running(own_name).empty()) {
    std::fprintf(stderr, "WMI does not list this process as %s\n", own_name.c_str());
    return 1;
  }
  const std::vector<std::pair<std::string, std::function<double()>>> cases = {
      {"new_connection_per_check",
       [&] {
         return ms_of(
             [&] {
               WmiSession session;
               session.for_each(query, [](IWbemClassObject&) { return false; });
             },
             5);
       }},
      {"kept_connection_same_query",
       [&] {
         return ms_of([&] { session.for_each(query, [](IWbemClassObject&) { return false; }); }, 5);
       }},
      {"kept_connection_ids_query", [&] { return ms_of([&] { kept.query(own_name); }, 5); }},
      {"remembered_match", [&] { return ms_of([&] { remembering.running(own_name); }, 50); }},
  };
  std::map<std::string, std::vector<double>> times;
  for (int round = 0; round < rounds; ++round) {
    std::map<std::string, double> now;
    for (const auto& [name, measure] : cases) {
      now[name] = measure();
      times[name].push_back(now[name]);
    }
    times["speedup_remembered_over_new"].push_back(now["new_connection_per_check"] /
                                                   now["remembered_match"]);
    times["speedup_kept_over_new"].push_back(now["new_connection_per_check"] /
                                             now["kept_connection_same_query"]);
  }
  print_cases(std::move(times));
  std::printf("connections kept=%d remembering=%d queries remembering=%d\n",
              kept.connections_made(), remembering.connections_made(), remembering.queries_made());
  return 0;
}
