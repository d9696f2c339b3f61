#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/window_manager.h"
#include "shell/command_line.h"

namespace tambrel {

/// "--list": one line per window a close request can reach (a titled one), as the desktop lists
/// them, tab-separated: the id as the activity log writes it (0x...), the process id, the process
/// name to type, the title. Names and titles have their control characters written out, so no
/// field holds a tab; an unknown process id or name is "-".
std::string window_list_text(const std::vector<ListedWindow>& windows,
                             const std::function<std::string(const ListedWindow&)>& name_of);

/// The answer to "--list": window_list_text of what `list` gives, status kExitDone; when `list`
/// throws (the desktop cannot be reached), the reason and kExitCantStart.
CommandLineAnswer window_list_answer(
    const std::string& program, const std::function<std::vector<ListedWindow>()>& list,
    const std::function<std::string(const ListedWindow&)>& name_of);

}  // namespace tambrel
