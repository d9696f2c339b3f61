#include "fakes/fake_process_table.h"

#include <algorithm>

#include "platform/error.h"

namespace tambrel::testing {

int FakeProcessTable::start(std::string name, bool refuses_termination) {
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

bool FakeProcessTable::is_running(std::string_view name) {
  calls.push_back("is_running " + std::string(name));
  if (!fail_queries_with.empty())
    throw Error(fail_queries_with);
  return !name.empty() && count(std::string(name)) > 0;
}

std::vector<std::string> FakeProcessTable::terminate_all(std::string_view name) {
  calls.push_back("terminate " + std::string(name));
  if (before_terminate)
    before_terminate();
  if (!fail_queries_with.empty())
    throw Error(fail_queries_with);
  std::vector<std::string> refused;
  std::erase_if(processes, [&](const Process& p) {
    if (p.name != name)
      return false;
    if (p.refuses_termination)
      refused.push_back("pid " + std::to_string(p.pid) + ": refused");
    return !p.refuses_termination;
  });
  return refused;
}

}  // namespace tambrel::testing
