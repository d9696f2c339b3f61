// Reads a settings file the way the program's next start would, in a fresh process (QSettings
// caches files per process), and prints what it finds:
//   status <QSettings::Status number>
//   <key>=<value>          one line per key, sorted; '\' and newlines escaped as \\ and \n
// Used by the fault-injection tests to read back what a run left on disk.
#include <QSettings>
#include <QString>
#include <QStringList>

#include <cstdio>
#include <string>

namespace {

std::string escaped(const QString& value) {
  std::string out;
  for (const char c : value.toStdString()) {
    if (c == '\\')
      out += "\\\\";
    else if (c == '\n')
      out += "\\n";
    else
      out += c;
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FILE.ini\n", argv[0]);
    return 2;
  }
  QSettings settings(QString::fromLocal8Bit(argv[1]), QSettings::IniFormat);
  QStringList keys = settings.allKeys();
  keys.sort();
  std::printf("status %d\n", static_cast<int>(settings.status()));
  for (const QString& key : keys) {
    std::printf("%s=%s\n", key.toStdString().c_str(),
                escaped(settings.value(key).toString()).c_str());
  }
  return 0;
}
