#include "platform/qt/qsettings_store.h"

#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <mutex>
#include <set>

#include "platform/error.h"

namespace tambrel::qt {

namespace {

QString from_utf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

/// Addresses `section` afresh, as the store promises: nothing stays open between calls.
QSettings open_section(std::string_view section) {
  return QSettings(QSettings::IniFormat, QSettings::UserScope, from_utf8(kSettingsApplication),
                   from_utf8(section));
}

/// QSettings keeps every file's keys, unsaved ones included, in one cache per process, and a
/// failed sync() leaves the refused key pending there. The next QSettings opened on that file,
/// even one only asked for its name, syncs it on construction: it writes the pending key, and
/// over the file as it was before (same size and time) it writes that key alone, dropping every
/// other. So once a write to a file has failed, no QSettings is opened on it again in this
/// process. The files are those of location().
class RefusedFiles {
 public:
  bool contains(const std::string& file) {
    const std::lock_guard lock(mutex_);
    return files_.contains(file);
  }
  void add(const std::string& file) {
    const std::lock_guard lock(mutex_);
    files_.insert(file);
  }

 private:
  std::mutex mutex_;
  std::set<std::string> files_;
};

RefusedFiles& refused_files() {
  static RefusedFiles files;
  return files;
}

const char* status_text(QSettings::Status status) {
  switch (status) {
    case QSettings::NoError:
      return "no error";
    case QSettings::AccessError:
      return "the file cannot be accessed";
    case QSettings::FormatError:
      return "the file is not a valid INI file";
  }
  return "unknown error";
}

[[noreturn]] void fail(const char* call, std::string_view key, const std::string& file,
                       const char* why) {
  throw Error(std::string(call) + " failed for the setting \"" + std::string(key) + "\" in " +
              file + ": " + why);
}

/// Throws for a file an earlier write failed on, before anything opens it.
void refuse_if_failed_before(const char* call, std::string_view key, const std::string& file) {
  if (refused_files().contains(file)) {
    fail(call, key, file,
         "an earlier write to this file failed; it is left alone until the program starts again");
  }
}

}  // namespace

std::optional<std::string> QSettingsStore::read(std::string_view section, std::string_view key) {
  const std::string file = location(section);
  refuse_if_failed_before("QSettings::value", key, file);
  QSettings settings = open_section(section);
  if (settings.status() != QSettings::NoError)
    fail("QSettings::value", key, file, status_text(settings.status()));
  const QVariant value = settings.value(from_utf8(key));
  if (!value.isValid())
    return std::nullopt;
  // An unquoted "a, b" typed into the file by hand reads back as a list: join it again (spaces
  // around the commas as a person would write them).
  if (value.typeId() == QMetaType::QStringList) {
    return value.toStringList().join(QStringLiteral(", ")).toStdString();
  }
  return value.toString().toStdString();
}

void QSettingsStore::write(std::string_view section, std::string_view key, std::string_view value) {
  const std::string file = location(section);
  refuse_if_failed_before("QSettings::sync", key, file);
  QSettings settings = open_section(section);
  settings.setValue(from_utf8(key), from_utf8(value));
  settings.sync();
  if (settings.status() != QSettings::NoError) {
    refused_files().add(file);
    fail("QSettings::sync", key, file, status_text(settings.status()));
  }
}

std::string QSettingsStore::location(std::string_view section) const {
  // The path QSettings gives a user-scope INI file on this platform. QSettings reads the
  // configuration home once per process, so this does too.
  static const QString config_home =
      QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
  const QString path =
      config_home + '/' + from_utf8(kSettingsApplication) + '/' + from_utf8(section) + ".ini";
  return QFileInfo(path).absoluteFilePath().toStdString();
}

}  // namespace tambrel::qt
