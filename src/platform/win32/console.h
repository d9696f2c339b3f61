#pragma once

#include <string>
#include <vector>

namespace tambrel::win32 {

/// The arguments after the program's name, as the C runtime split them, in UTF-8.
std::vector<std::string> command_line_arguments();

/// Shows `text` to whoever started the program: on its standard output (standard error when
/// `is_error`) when that leads to a file, pipe or console; else on the console of the process
/// that started it (AttachConsole), the way a console program would; else in a message box.
/// False when the stream it leads to refused the text (a full disk, a closed pipe): the text was
/// asked for and not given.
bool tell_user(const std::string& text, bool is_error);

/// Writes one line to the program's standard error, else to the console of the process that
/// started it; where neither is there, the line goes nowhere (no message box: for a line that
/// only a console or a log would keep).
void tell_console(const std::string& line);

}  // namespace tambrel::win32
