#pragma once
// The current-user hive of the desktop registry, kept in one text file in the registry's own
// export format. Keys and value names are case-insensitive. The file is $WAREHOUSE_REGISTRY
// when set, else $XDG_CONFIG_HOME/warehouse/registry.reg (~/.config/... by default).
#include <QString>
#include <QStringList>
#include <stdexcept>

class ERegistryException : public std::runtime_error {
 public:
  explicit ERegistryException(const QString &message)
      : std::runtime_error(message.toStdString()) {}
};

class TRegistry {
 public:
  TRegistry() = default;
  ~TRegistry() { CloseKey(); }

  // Keys are paths below HKEY_CURRENT_USER such as "SOFTWARE\Maker\Program"; a leading
  // backslash is allowed. A relative key opens below the open one.
  bool OpenKey(const QString &key, bool canCreate);
  bool OpenKeyReadOnly(const QString &key) { return OpenKey(key, false); }
  void CloseKey();
  bool KeyExists(const QString &key) const;
  bool ValueExists(const QString &name) const;
  QString CurrentPath() const { return m_current; }

  // A missing string value reads as an empty text.
  QString ReadString(const QString &name) const;
  // A missing or non-integer value raises ERegistryException.
  int ReadInteger(const QString &name) const;
  void WriteString(const QString &name, const QString &value);
  void WriteInteger(const QString &name, int value);
  bool DeleteValue(const QString &name);
  QStringList GetValueNames() const;

  // The file behind the hive, and a way to drop what was read so that it is read again.
  static QString FileName();
  static void Reload();

 private:
  QString m_current;
  bool m_open = false;
};
