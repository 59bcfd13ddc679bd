#include "app/SettingsStore.h"

#include <array>
#include <limits>

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

QString FromUtf8(const std::string& s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}
std::string ToUtf8(const QString& s) { return s.toUtf8().toStdString(); }

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

void SettingsStore::Flush() { store->sync(); }

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
    store->setValue(kSettings + "ReadFileType", FromUtf8(settings.readExtList));
}

void SettingsStore::LoadFileType() {
  settings.defaultExt = ToUtf8(ReadString(kSettings + "FileType", QStringLiteral("txt")));
  settings.storedFileType = settings.defaultExt;
}

void SettingsStore::SaveFileType() {
  if (settings.defaultExt != settings.storedFileType)
    store->setValue(kSettings + "FileType", FromUtf8(settings.defaultExt));
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
    store->setValue(kSettings + "MacroName", FromUtf8(settings.macroFile));
  if (settings.autoIndent != settings.storedAutoIndent)
    store->setValue(kSettings + "AutoIndent", settings.autoIndent);
}

void SettingsStore::LoadTypesetSettings() {
  const std::string_view preset = typeset::kPlatexCommand;
  settings.typesetCommand = ToUtf8(ReadString(
      kTypeset + "Command", QString::fromUtf8(preset.data(), static_cast<qsizetype>(preset.size()))));
  settings.storedTypesetCommand = settings.typesetCommand;
  settings.openPdfAfterTypeset = ReadInteger(kTypeset + "OpenPdf", 0) != 0;
  settings.storedOpenPdfAfterTypeset = settings.openPdfAfterTypeset;
}

void SettingsStore::SaveTypesetSettings() {
  if (settings.typesetCommand != settings.storedTypesetCommand)
    store->setValue(kTypeset + "Command", FromUtf8(settings.typesetCommand));
  if (settings.openPdfAfterTypeset != settings.storedOpenPdfAfterTypeset)
    store->setValue(kTypeset + "OpenPdf", settings.openPdfAfterTypeset ? 1 : 0);
}

QStringList SettingsStore::LoadRecentFiles(int count) {
  QStringList paths;
  for (int i = 1; i <= count; ++i) {
    const QString path = ReadString(kRecentSection + QStringLiteral("/File%1").arg(i), QString());
    if (!path.isEmpty()) paths.append(path);
  }
  return paths;
}

void SettingsStore::SaveRecentFiles(const QStringList& paths) {
  store->remove(kRecentSection);
  for (int i = 0; i < paths.size(); ++i)
    store->setValue(kRecentSection + QStringLiteral("/File%1").arg(i + 1), paths[i]);
}
