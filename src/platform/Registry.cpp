#include "platform/Registry.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTextStream>

namespace {

const QString kHive = QStringLiteral("HKEY_CURRENT_USER");

struct Value {
  QString name;
  bool isInteger = false;
  QString text;
  quint32 number = 0;
};

struct Key {
  QString path;                // as first written
  QMap<QString, Value> values; // by lower-case name
};

struct Store {
  bool loaded = false;
  QString file;
  QMap<QString, Key> keys;  // by lower-case path
  // What the file looked like when it was read or written last: another program (or a second
  // copy of this one) that changes it makes the next access read it again, so that its
  // values are neither missed nor overwritten by an older copy.
  bool existed = false;
  QDateTime modified;
  qint64 size = -1;
};

Store &TheStore() {
  static Store store;
  return store;
}

QString Normalise(QString path) {
  path.replace(QLatin1Char('/'), QLatin1Char('\\'));
  while (path.startsWith(QLatin1Char('\\'))) path.remove(0, 1);
  while (path.endsWith(QLatin1Char('\\'))) path.chop(1);
  while (path.contains(QStringLiteral("\\\\"))) path.replace(QStringLiteral("\\\\"), QStringLiteral("\\"));
  return path;
}

QString Unescape(const QString &s, int lineNo, const QString &file) {
  QString out;
  for (int i = 0; i < s.size(); ++i) {
    if (s[i] == QLatin1Char('\\')) {
      if (i + 1 >= s.size())
        throw ERegistryException(QStringLiteral("Malformed registry file %1, line %2").arg(file, QString::number(lineNo)));
      out += s[++i];
    } else {
      out += s[i];
    }
  }
  return out;
}

QString Escape(const QString &s) {
  QString out;
  for (QChar c : s) {
    if (c == QLatin1Char('\\') || c == QLatin1Char('"')) out += QLatin1Char('\\');
    out += c;
  }
  return out;
}

// Whether a text fits between quotes on one line of the file and reads back the same: no
// control character (a line break would end the line) and no half of a surrogate pair (UTF-8
// cannot hold it).
bool FitsQuoted(const QString &s) {
  for (qsizetype i = 0; i < s.size(); ++i) {
    const QChar c = s[i];
    if (c.unicode() < 0x20 || c.unicode() == 0x7F) return false;
    if (c.isHighSurrogate()) {
      if (i + 1 >= s.size() || !s[i + 1].isLowSurrogate()) return false;
      ++i;
    } else if (c.isLowSurrogate()) {
      return false;
    }
  }
  return true;
}

// A string value that cannot be quoted is written as the registry writes such strings: its
// UTF-16LE code units with the terminating zero, as "hex(1):" bytes.
QByteArray HexString(const QString &s) {
  QByteArray out = "hex(1):";
  const auto byte = [&out](unsigned v) {
    static const char digits[] = "0123456789abcdef";
    out += digits[(v >> 4) & 0xF];
    out += digits[v & 0xF];
  };
  for (QChar c : s) {
    byte(c.unicode() & 0xFF);
    out += ',';
    byte(c.unicode() >> 8);
    out += ',';
  }
  out += "00,00";
  return out;
}

// Reads the bytes of "hex(1):" or "hex(2):" back into the text.
bool ReadHexString(const QString &bytes, QString &text) {
  QByteArray raw;
  for (const QString &b : bytes.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
    bool ok = false;
    const uint v = b.trimmed().toUInt(&ok, 16);
    if (!ok || v > 0xFF) return false;
    raw += static_cast<char>(v);
  }
  if (raw.size() % 2 != 0) return false;
  text.clear();
  for (qsizetype i = 0; i + 1 < raw.size(); i += 2)
    text += QChar(static_cast<char16_t>(static_cast<uchar>(raw[i]) | (static_cast<uchar>(raw[i + 1]) << 8)));
  if (text.endsWith(QChar(0))) text.chop(1);
  return !text.contains(QChar(0));
}

// Names of keys and values go into the file as they are: they must fit one line.
void CheckName(const QString &name, const char *what) {
  if (!FitsQuoted(name))
    throw ERegistryException(QStringLiteral("The registry %1 name '%2' holds a character that cannot be stored")
                                 .arg(QLatin1String(what), name));
}

// Reads a quoted text starting at pos (on the opening quote); returns the position after it.
int ReadQuoted(const QString &line, int pos, QString &text, int lineNo, const QString &file) {
  QString raw;
  int i = pos + 1;
  for (; i < line.size(); ++i) {
    if (line[i] == QLatin1Char('\\') && i + 1 < line.size()) {
      raw += line[i];
      raw += line[++i];
      continue;
    }
    if (line[i] == QLatin1Char('"')) break;
    raw += line[i];
  }
  if (i >= line.size())
    throw ERegistryException(QStringLiteral("Malformed registry file %1, line %2: unterminated text").arg(file, QString::number(lineNo)));
  text = Unescape(raw, lineNo, file);
  return i + 1;
}

void Remember(Store &store) {
  const QFileInfo info(store.file);
  store.existed = info.exists();
  store.modified = store.existed ? info.lastModified() : QDateTime();
  store.size = store.existed ? info.size() : -1;
}

bool ChangedOnDisk(const Store &store) {
  const QFileInfo info(store.file);
  if (info.exists() != store.existed) return true;
  return info.exists() && (info.lastModified() != store.modified || info.size() != store.size);
}

// Reads the file into a fresh store. A file that cannot be read or parsed raises
// ERegistryException and leaves the store unloaded, so that nothing is ever written back
// from a half-read copy and every later access reports the same error.
void ReadInto(Store &store);

void Load(Store &store) {
  Store fresh;
  fresh.file = TRegistry::FileName();
  ReadInto(fresh);
  fresh.loaded = true;
  store = fresh;
}

void ReadInto(Store &store) {
  QFile f(store.file);
  Remember(store);
  if (!f.exists()) return;
  if (!f.open(QIODevice::ReadOnly))
    throw ERegistryException(QStringLiteral("Cannot read the registry file %1: %2").arg(store.file, f.errorString()));
  QTextStream in(&f);
  in.setEncoding(QStringConverter::Utf8);
  int lineNo = 0;
  Key *current = nullptr;
  bool headerSeen = false;
  while (!in.atEnd()) {
    QString line = in.readLine();
    ++lineNo;
    if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
    QString t = line.trimmed();
    // Byte lists may go on over further lines, each but the last ending in a backslash.
    if (t.startsWith(QLatin1Char('"')) && t.contains(QLatin1String("=hex"), Qt::CaseInsensitive)) {
      while (t.endsWith(QLatin1Char('\\')) && !in.atEnd()) {
        t.chop(1);
        QString next = in.readLine();
        ++lineNo;
        t += next.trimmed();
      }
    }
    if (t.isEmpty() || t.startsWith(QLatin1Char(';'))) continue;
    if (!headerSeen) {
      if (t != QLatin1String("Windows Registry Editor Version 5.00") && t != QLatin1String("REGEDIT4"))
        throw ERegistryException(QStringLiteral("Malformed registry file %1: it does not begin with \"Windows Registry Editor Version 5.00\"").arg(store.file));
      headerSeen = true;
      continue;
    }
    if (t.startsWith(QLatin1Char('['))) {
      if (!t.endsWith(QLatin1Char(']')))
        throw ERegistryException(QStringLiteral("Malformed registry file %1, line %2: key without ']'").arg(store.file, QString::number(lineNo)));
      QString path = Normalise(t.mid(1, t.size() - 2));
      if (!path.startsWith(kHive, Qt::CaseInsensitive) ||
          (path.size() > kHive.size() && path[kHive.size()] != QLatin1Char('\\')))
        throw ERegistryException(QStringLiteral("Malformed registry file %1, line %2: only %3 is kept").arg(store.file, QString::number(lineNo), kHive));
      path = Normalise(path.mid(kHive.size()));
      Key &k = store.keys[path.toLower()];
      if (k.path.isEmpty()) k.path = path;
      current = &k;
      continue;
    }
    if (!current)
      throw ERegistryException(QStringLiteral("Malformed registry file %1, line %2: value outside a key").arg(store.file, QString::number(lineNo)));
    if (!t.startsWith(QLatin1Char('"')))
      throw ERegistryException(QStringLiteral("Malformed registry file %1, line %2").arg(store.file, QString::number(lineNo)));
    Value v;
    int pos = ReadQuoted(t, 0, v.name, lineNo, store.file);
    if (pos >= t.size() || t[pos] != QLatin1Char('='))
      throw ERegistryException(QStringLiteral("Malformed registry file %1, line %2: '=' expected").arg(store.file, QString::number(lineNo)));
    const QString rest = t.mid(pos + 1);
    if (rest.startsWith(QLatin1Char('"'))) {
      const int end = ReadQuoted(rest, 0, v.text, lineNo, store.file);
      if (end != rest.size())
        throw ERegistryException(QStringLiteral("Malformed registry file %1, line %2").arg(store.file, QString::number(lineNo)));
      // A string ends at its first zero character, as in the bytes of "hex(1):": a text
      // that goes on after one cannot be stored, so it is not taken either.
      if (v.text.contains(QChar(0)))
        throw ERegistryException(QStringLiteral("Malformed registry file %1, line %2: a zero character inside a text").arg(store.file, QString::number(lineNo)));
    } else if (rest.startsWith(QLatin1String("hex(1):"), Qt::CaseInsensitive) ||
               rest.startsWith(QLatin1String("hex(2):"), Qt::CaseInsensitive)) {
      if (!ReadHexString(rest.mid(7), v.text))
        throw ERegistryException(QStringLiteral("Malformed registry file %1, line %2: bad string bytes").arg(store.file, QString::number(lineNo)));
    } else if (rest.startsWith(QLatin1String("dword:"), Qt::CaseInsensitive)) {
      bool ok = false;
      v.number = rest.mid(6).toUInt(&ok, 16);
      if (!ok || rest.size() != 14)
        throw ERegistryException(QStringLiteral("Malformed registry file %1, line %2: bad dword").arg(store.file, QString::number(lineNo)));
      v.isInteger = true;
    } else {
      throw ERegistryException(QStringLiteral("Malformed registry file %1, line %2: unsupported value type").arg(store.file, QString::number(lineNo)));
    }
    current->values[v.name.toLower()] = v;
  }
}

Store &Loaded() {
  Store &s = TheStore();
  if (!s.loaded || s.file != TRegistry::FileName() || ChangedOnDisk(s)) {
    s.loaded = false;
    Load(s);
  }
  return s;
}

void Save(Store &store) {
  QFileInfo info(store.file);
  QDir().mkpath(info.absolutePath());
  QSaveFile f(store.file);
  if (!f.open(QIODevice::WriteOnly))
    throw ERegistryException(QStringLiteral("Cannot write the registry file %1: %2").arg(store.file, f.errorString()));
  QByteArray out = "Windows Registry Editor Version 5.00\r\n";
  for (const Key &k : store.keys) {
    out += "\r\n[" + (kHive + (k.path.isEmpty() ? QString() : QStringLiteral("\\") + k.path)).toUtf8() + "]\r\n";
    for (const Value &v : k.values) {
      out += "\"" + Escape(v.name).toUtf8() + "\"=";
      if (v.isInteger)
        out += "dword:" + QString::number(v.number, 16).rightJustified(8, QLatin1Char('0')).toUtf8();
      else if (FitsQuoted(v.text))
        out += "\"" + Escape(v.text).toUtf8() + "\"";
      else
        out += HexString(v.text);
      out += "\r\n";
    }
  }
  f.write(out);
  if (!f.commit())
    throw ERegistryException(QStringLiteral("Cannot write the registry file %1: %2").arg(store.file, f.errorString()));
  Remember(store);
}

// Saves a change made to the store; when the file cannot be written, the store is put back
// as it was, so that the refused change is neither read back nor saved with the next one.
void Commit(Store &store, const QMap<QString, Key> &before) {
  try {
    Save(store);
  } catch (...) {
    store.keys = before;
    throw;
  }
}

// The open key in the store: when another program took it out of the file meanwhile, a
// value written to it brings it back under its own path.
Key &OpenKeyOf(Store &store, const QString &path) {
  Key &k = store.keys[path.toLower()];
  if (k.path.isEmpty()) k.path = path;
  return k;
}

}  // namespace

QString TRegistry::FileName() {
  const QString env = qEnvironmentVariable("WAREHOUSE_REGISTRY");
  if (!env.isEmpty()) return env;
  QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
  if (config.isEmpty()) config = QDir::homePath() + QStringLiteral("/.config");
  return config + QStringLiteral("/warehouse/registry.reg");
}

void TRegistry::Reload() { TheStore().loaded = false; }

bool TRegistry::OpenKey(const QString &key, bool canCreate) {
  Store &s = Loaded();
  QString path = Normalise(key);
  if (!key.startsWith(QLatin1Char('\\')) && m_open && !m_current.isEmpty())
    path = m_current + QLatin1Char('\\') + path;
  path = Normalise(path);
  if (!s.keys.contains(path.toLower())) {
    if (!canCreate) return false;
    CheckName(path, "key");
    const QMap<QString, Key> before = s.keys;
    // Create every missing key along the path, as the registry does.
    const QStringList parts = path.split(QLatin1Char('\\'));
    QString sofar;
    for (const QString &p : parts) {
      sofar = sofar.isEmpty() ? p : sofar + QLatin1Char('\\') + p;
      Key &k = s.keys[sofar.toLower()];
      if (k.path.isEmpty()) k.path = sofar;
    }
    Commit(s, before);
  }
  m_current = s.keys[path.toLower()].path;
  m_open = true;
  return true;
}

void TRegistry::CloseKey() {
  m_open = false;
  m_current.clear();
}

bool TRegistry::KeyExists(const QString &key) const {
  Store &s = Loaded();
  QString path = Normalise(key);
  if (!key.startsWith(QLatin1Char('\\')) && m_open && !m_current.isEmpty())
    path = Normalise(m_current + QLatin1Char('\\') + path);
  return s.keys.contains(path.toLower());
}

bool TRegistry::ValueExists(const QString &name) const {
  if (!m_open) return false;
  Store &s = Loaded();
  auto it = s.keys.constFind(m_current.toLower());
  return it != s.keys.constEnd() && it->values.contains(name.toLower());
}

QString TRegistry::ReadString(const QString &name) const {
  if (!m_open) return QString();
  Store &s = Loaded();
  auto it = s.keys.constFind(m_current.toLower());
  if (it == s.keys.constEnd()) return QString();
  auto v = it->values.constFind(name.toLower());
  if (v == it->values.constEnd()) return QString();
  if (v->isInteger) throw ERegistryException(QStringLiteral("Invalid data type for '%1'").arg(name));
  return v->text;
}

int TRegistry::ReadInteger(const QString &name) const {
  Store &s = Loaded();
  auto it = s.keys.constFind(m_current.toLower());
  if (!m_open || it == s.keys.constEnd() || !it->values.contains(name.toLower()))
    throw ERegistryException(QStringLiteral("Invalid data type for '%1'").arg(name));
  const Value &v = it->values[name.toLower()];
  if (!v.isInteger) throw ERegistryException(QStringLiteral("Invalid data type for '%1'").arg(name));
  return static_cast<int>(v.number);
}

void TRegistry::WriteString(const QString &name, const QString &value) {
  if (!m_open) throw ERegistryException(QStringLiteral("No registry key is open"));
  CheckName(name, "value");
  // A string value ends at its first zero character: one inside would be cut.
  if (value.contains(QChar(0)))
    throw ERegistryException(QStringLiteral("The registry value '%1' cannot hold a zero character").arg(name));
  Store &s = Loaded();
  const QMap<QString, Key> before = s.keys;
  Value &v = OpenKeyOf(s, m_current).values[name.toLower()];
  // Writing what is there already leaves the file alone (window placement is stored on every
  // close).
  if (!v.name.isEmpty() && !v.isInteger && v.text == value) return;
  if (v.name.isEmpty()) v.name = name;
  v.isInteger = false;
  v.text = value;
  Commit(s, before);
}

void TRegistry::WriteInteger(const QString &name, int value) {
  if (!m_open) throw ERegistryException(QStringLiteral("No registry key is open"));
  CheckName(name, "value");
  Store &s = Loaded();
  const QMap<QString, Key> before = s.keys;
  Value &v = OpenKeyOf(s, m_current).values[name.toLower()];
  if (!v.name.isEmpty() && v.isInteger && v.number == static_cast<quint32>(value)) return;
  if (v.name.isEmpty()) v.name = name;
  v.isInteger = true;
  v.number = static_cast<quint32>(value);
  Commit(s, before);
}

bool TRegistry::DeleteValue(const QString &name) {
  if (!m_open) return false;
  Store &s = Loaded();
  const auto key = s.keys.find(m_current.toLower());
  if (key == s.keys.end() || !key->values.contains(name.toLower())) return false;
  const QMap<QString, Key> before = s.keys;
  s.keys[m_current.toLower()].values.remove(name.toLower());
  Commit(s, before);
  return true;
}

QStringList TRegistry::GetValueNames() const {
  QStringList names;
  if (!m_open) return names;
  const Store &s = Loaded();
  const auto key = s.keys.constFind(m_current.toLower());
  if (key != s.keys.constEnd())
    for (const Value &v : key->values) names << v.name;
  return names;
}
