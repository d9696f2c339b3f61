#include "fakes/fake_process_table.h"

#include <algorithm>

#include "platform/error.h"

namespace tambrel::testing {

ProcessId FakeProcessTable::start(std::string name, bool refuses_termination) {
  processes.push_back({next_pid_, std::move(name), refuses_termination});
  return next_pid_++;
}

void FakeProcessTable::stop_all(const std::string& name) {
  std::erase_if(processes, [&](const Process& p) { return p.name == name; });
}

int FakeProcessTable::count(const std::string& name) const {
  return static_cast<int>(std::count_if(processes.begin(), processes.end(),
                                        [&](const Process& p) { return p.name == name; }));
}

std::vector<ProcessId> FakeProcessTable::running(std::string_view name) {
  calls.push_back("running " + std::string(name));
  if (!fail_queries_with.empty())
    throw Error(fail_queries_with);
  std::vector<ProcessId> ids;
  for (const Process& p : processes) {
    if (!name.empty() && p.name == name)
      ids.push_back(p.pid);
  }
  return ids;
}

TerminateOutcome FakeProcessTable::terminate_all(std::string_view name) {
  calls.push_back("terminate " + std::string(name));
  if (before_terminate)
    before_terminate();
  if (!fail_queries_with.empty())
    throw Error(fail_queries_with);
  TerminateOutcome outcome;
  std::erase_if(processes, [&](const Process& p) {
    if (name.empty() || p.name != name)
      return false;
    if (p.refuses_termination)
      outcome.refused.push_back("pid " + std::to_string(p.pid) + ": refused");
    else
      outcome.ended.push_back(p.pid);
    return !p.refuses_termination;
  });
  return outcome;
}

}  // namespace tambrel::testing
