#include "platform/qt/qsettings_store.h"

#include <QSettings>
#include <QString>
#include <QStringList>
#include <QVariant>

#include "platform/error.h"

namespace tambrel {

namespace {

QString from_utf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

/// Addresses `section` afresh, as the store promises: nothing stays open between calls.
QSettings open_section(std::string_view section) {
  return QSettings(QSettings::IniFormat, QSettings::UserScope, from_utf8(kSettingsApplication),
                   from_utf8(section));
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

[[noreturn]] void fail(const char* call, std::string_view key, const QSettings& settings) {
  throw Error(std::string(call) + " failed for the setting \"" + std::string(key) + "\" in " +
              settings.fileName().toStdString() + ": " + status_text(settings.status()));
}

}  // namespace

std::optional<std::string> QSettingsStore::read(std::string_view section, std::string_view key) {
  QSettings settings = open_section(section);
  if (settings.status() != QSettings::NoError)
    fail("QSettings::value", key, settings);
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
  QSettings settings = open_section(section);
  settings.setValue(from_utf8(key), from_utf8(value));
  settings.sync();
  if (settings.status() != QSettings::NoError)
    fail("QSettings::sync", key, settings);
}

std::string QSettingsStore::location(std::string_view section) const {
  return open_section(section).fileName().toStdString();
}

}  // namespace tambrel
