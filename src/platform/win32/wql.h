#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tambrel::win32 {

/// True when `name` holds a character that no Windows file name can hold (\ / : * ? " < > | or a
/// control character): no process can have such an image name.
bool impossible_image_name(std::string_view name);

/// The WQL text that asks whether a process named `name` runs:
/// SELECT Name FROM Win32_Process WHERE Name='<name>'. A name with an apostrophe is quoted with
/// double quotes instead. nullopt when impossible_image_name(name): nothing is to be asked.
std::optional<std::string> is_running_query(std::string_view name);

/// The WQL text that lists the processes to terminate:
/// Select Name from Win32_Process Where Name = '<name>', quoted like is_running_query.
std::optional<std::string> terminate_query(std::string_view name);

}  // namespace tambrel::win32
