#include "platform/qt/desktop_application.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "shell/command_line.h"

namespace tambrel::qt::detail {

namespace {

struct Held {
  QtMsgType type;
  std::string category;
  QString text;
};

std::string program;
std::vector<Held> held;
QtMessageHandler previous = nullptr;

/// Qt's note that it made up a runtime folder, as it does under cron: a run that did its job says
/// nothing on stderr, and this changes nothing the program does.
bool is_runtime_dir_note(const QString& text) {
  return text.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set"));
}

void pass_on(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (!is_runtime_dir_note(text) && previous)
    previous(type, context, text);
}

void hold_or_exit(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (type != QtFatalMsg) {
    held.push_back({type, context.category ? context.category : "", text});
    return;
  }
  // Qt's own words here list plugins and suggest reinstalling; the user needs to hear why.
  const char* display = std::getenv("DISPLAY");
  std::fputs(no_display_text(program, display ? display : "").c_str(), stderr);
  std::fflush(stderr);
  // Qt is half made: no destructor or exit handler may run now.
  std::_Exit(kExitCantStart);
}

}  // namespace

NoDisplayExit::NoDisplayExit(const char* argv0) {
  program = program_name(argv0 ? argv0 : "tambrel");
  previous = qInstallMessageHandler(hold_or_exit);
}

void NoDisplayExit::release() {
  qInstallMessageHandler(pass_on);
  for (const Held& h : held) {
    const QMessageLogContext context(nullptr, 0, nullptr,
                                     h.category.empty() ? nullptr : h.category.c_str());
    qt_message_output(h.type, context, h.text);
  }
  held.clear();
}

}  // namespace tambrel::qt::detail
