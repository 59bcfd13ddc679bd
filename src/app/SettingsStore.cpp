#include "app/SettingsStore.h"

#include <QFile>
#include <array>
#include <limits>

#include "app/FilePath.h"
#include "tex/TypesetCommand.h"

namespace {

const QString kSettings = QStringLiteral("Settings/");
const QString kColor = QStringLiteral("Color/");
const QString kTypeset = QStringLiteral("Typeset/");
const QString kRecentSection = QStringLiteral("Recent File List");

// Slot order of ColorTable: Bk, SelBk, Text, SelText, Margin, Ground.
const std::array<QString, ColorTable::Count> kColorNames = {
    QStringLiteral("Bk"),      QStringLiteral("SelBk"),  QStringLiteral("Text"),
    QStringLiteral("SelText"), QStringLiteral("Margin"), QStringLiteral("Ground"),
};

constexpr qint64 kMinStored = std::numeric_limits<qint32>::min();
constexpr qint64 kMaxStored = std::numeric_limits<quint32>::max();

std::string ToUtf8(const QString& s) { return s.toUtf8().toStdString(); }

// Whether a value, as it stands after "=", reads back whole: quoted parts closed, escapes
// complete, and no ";" (which starts a comment) or "," (which makes a list) outside quotes.
bool ValueReadsWhole(const QByteArray& value) {
  for (qsizetype i = 0; i < value.size(); ++i) {
    switch (value[i]) {
      case '"': {
        ++i;
        while (i < value.size() && value[i] != '"') i += value[i] == '\\' ? 2 : 1;
        if (i >= value.size()) return false;
        break;
      }
      case '\\':
        if (++i >= value.size()) return false;  // a line continued: not what we write
        break;
      case ';':
      case ',':
        return false;
      default:
        break;
    }
  }
  return true;
}

// Whether every line of a profile is one that reads back as it stands: blank, a comment, a
// section header, or a key with a value as above; and the whole is UTF-8.
bool ProfileReadsWhole(const QByteArray& text) {
  if (!text.isValidUtf8()) return false;
  for (QByteArray line : text.split('\n')) {
    line = line.trimmed();
    if (line.isEmpty() || line.startsWith(';')) continue;
    if (line.startsWith('[')) {
      if (!line.endsWith(']') || line.count(']') != 1) return false;
      continue;
    }
    const qsizetype equals = line.indexOf('=');
    if (equals <= 0 || !ValueReadsWhole(line.mid(equals + 1).trimmed())) return false;
  }
  return true;
}

// A stored 32-bit number as the program sees it: registry numbers are unsigned, the INI file
// may hold either sign.
int AsInt(qint64 value) { return static_cast<int>(static_cast<quint32>(value)); }

}  // namespace

SettingsStore::SettingsStore(Settings& values)
    : settings(values),
      store(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                        QStringLiteral("Harrowin"), QStringLiteral("Mirev"))) {}

SettingsStore::SettingsStore(Settings& values, const QString& location)
    : settings(values), store(std::make_unique<QSettings>(location, QSettings::NativeFormat)) {}

SettingsStore::~SettingsStore() { Flush(); }

bool SettingsStore::Flush() {
  store->sync();
  return store->status() != QSettings::AccessError;
}

QString SettingsStore::FileName() const { return store->fileName(); }

QString SettingsStore::SetAsideUnreadableProfile() {
  const QString file = FileName();
  QFile profile(file);
  if (file.isEmpty() || !profile.open(QIODevice::ReadOnly)) return {};
  const QByteArray text = profile.readAll();
  profile.close();
  if (store->status() != QSettings::FormatError && ProfileReadsWhole(text)) return {};
  QString copy = file + QStringLiteral(".bad");
  QFile aside(copy);
  if (!aside.open(QIODevice::WriteOnly | QIODevice::Truncate) || aside.write(text) != text.size() ||
      !aside.flush())
    return {};
  return copy;
}

QString SettingsStore::ReadString(const QString& key, const QString& fallback) {
  const QVariant value = store->value(key);
  if (!value.isValid()) return fallback;
  // An unquoted comma in a hand-edited INI file splits the text into a list.
  if (value.typeId() == QMetaType::QStringList) return value.toStringList().join(QStringLiteral(", "));
  if (!value.canConvert<QString>()) return fallback;
  return value.toString();
}

qint64 SettingsStore::ReadInteger(const QString& key, qint64 fallback) {
  const QVariant value = store->value(key);
  if (!value.isValid()) return fallback;
  qint64 number = 0;
  bool ok = false;
  switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
      number = value.toLongLong(&ok);
      break;
    case QMetaType::QString: {
      const QString text = value.toString().trimmed();
      if (text.startsWith(QStringLiteral("0x"), Qt::CaseInsensitive)) {
        number = text.mid(2).toLongLong(&ok, 16);
        ok = ok && !text.mid(2).startsWith(u'-') && !text.mid(2).startsWith(u'+');
      } else {
        number = text.toLongLong(&ok, 10);
      }
      break;
    }
    default:
      break;
  }
  if (!ok || number < kMinStored || number > kMaxStored) return fallback;
  return number;
}

void SettingsStore::LoadReadExtList() {
  settings.readExtList =
      ToUtf8(ReadString(kSettings + "ReadFileType", QStringLiteral("*.txt;*.tex;*.htm;*.html;*.mac")));
  settings.storedReadExtList = settings.readExtList;
}

void SettingsStore::SaveReadExtList() {
  if (settings.readExtList != settings.storedReadExtList)
    store->setValue(kSettings + "ReadFileType", QString::fromUtf8(settings.readExtList));
}

void SettingsStore::LoadFileType() {
  settings.defaultExt = ToUtf8(ReadString(kSettings + "FileType", QStringLiteral("txt")));
  settings.storedFileType = settings.defaultExt;
}

void SettingsStore::SaveFileType() {
  if (settings.defaultExt != settings.storedFileType)
    store->setValue(kSettings + "FileType", QString::fromUtf8(settings.defaultExt));
}

void SettingsStore::LoadColorSettings() {
  for (int slot = 0; slot < ColorTable::Count; ++slot) {
    const qint64 value =
        ReadInteger(kColor + kColorNames[static_cast<std::size_t>(slot)], settings.defaultColors[slot]);
    // Only the three colour bytes mean anything; a stray high byte would not paint.
    settings.storedColors[slot] = static_cast<Color>(value) & 0xFFFFFFu;
  }
  qint64 tabs = ReadInteger(kSettings + "TabStops", kDefaultTabSize);
  if (tabs < kMinTabSize || tabs > kMaxTabSize) tabs = kDefaultTabSize;
  settings.storedTabSize = static_cast<int>(tabs);
  settings.colors = settings.storedColors;
  settings.tabSize = settings.storedTabSize;
  settings.settingsLoaded = true;
}

void SettingsStore::SaveColorSettings() {
  if (!settings.settingsLoaded) return;
  for (int slot = 0; slot < ColorTable::Count; ++slot) {
    if (settings.colors[slot] != settings.storedColors[slot])
      store->setValue(kColor + kColorNames[static_cast<std::size_t>(slot)],
                      static_cast<int>(settings.colors[slot]));
  }
  if (settings.tabSize != settings.storedTabSize) store->setValue(kSettings + "TabStops", settings.tabSize);
}

void SettingsStore::LoadMacroSettings() {
  settings.macroFile = ToUtf8(ReadString(kSettings + "MacroName", QStringLiteral("plind.mac")));
  settings.storedMacroFile = settings.macroFile;
  settings.autoIndent = AsInt(ReadInteger(kSettings + "AutoIndent", 0));
  settings.storedAutoIndent = settings.autoIndent;
}

void SettingsStore::SaveMacroSettings() {
  if (settings.macroFile != settings.storedMacroFile)
    store->setValue(kSettings + "MacroName", QString::fromUtf8(settings.macroFile));
  if (settings.autoIndent != settings.storedAutoIndent)
    store->setValue(kSettings + "AutoIndent", settings.autoIndent);
}

void SettingsStore::LoadTypesetSettings() {
  const std::string_view preset = typeset::kPlatexCommand;
  settings.typesetCommand = ToUtf8(ReadString(kTypeset + "Command", QString::fromUtf8(preset)));
  settings.storedTypesetCommand = settings.typesetCommand;
  settings.openPdfAfterTypeset = ReadInteger(kTypeset + "OpenPdf", 0) != 0;
  settings.storedOpenPdfAfterTypeset = settings.openPdfAfterTypeset;
}

void SettingsStore::SaveTypesetSettings() {
  if (settings.typesetCommand != settings.storedTypesetCommand)
    store->setValue(kTypeset + "Command", QString::fromUtf8(settings.typesetCommand));
  if (settings.openPdfAfterTypeset != settings.storedOpenPdfAfterTypeset)
    store->setValue(kTypeset + "OpenPdf", settings.openPdfAfterTypeset ? 1 : 0);
}

QStringList SettingsStore::LoadRecentFiles(int count) {
  QStringList paths;
  for (int i = 1; i <= count; ++i) {
    const QString key = kRecentSection + QStringLiteral("/File%1").arg(i);
    const QVariant value = store->value(key);
    const QString path = value.typeId() == QMetaType::QByteArray ? PathFromBytes(value.toByteArray())
                                                                 : ReadString(key, QString());
    if (!path.isEmpty()) paths.append(path);
  }
  return paths;
}

void SettingsStore::SaveRecentFiles(const QStringList& paths) {
  store->remove(kRecentSection);
  for (int i = 0; i < paths.size(); ++i) {
    const QByteArray bytes = PathBytes(paths[i]);
    const QString key = kRecentSection + QStringLiteral("/File%1").arg(i + 1);
    if (bytes.isValidUtf8()) {
      store->setValue(key, paths[i]);
    } else {
      store->setValue(key, bytes);
    }
  }
}
