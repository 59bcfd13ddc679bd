#include "app/FilePath.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QUrl>

#include "sys/PathNames.h"

namespace {

constexpr char16_t kEscapeBase = 0xDC00;

// The length of the well-formed UTF-8 sequence at bytes[i], or 0.
qsizetype Utf8Length(QByteArrayView bytes, qsizetype i) {
  const auto at = [&](qsizetype k) { return static_cast<unsigned char>(bytes[k]); };
  const unsigned char lead = at(i);
  qsizetype length = 0;
  unsigned char low = 0x80, high = 0xBF;  // the second byte's range
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (i + length > bytes.size()) return 0;
  if (at(i + 1) < low || at(i + 1) > high) return 0;
  for (qsizetype k = 2; k < length; ++k) {
    if (at(i + k) < 0x80 || at(i + k) > 0xBF) return 0;
  }
  return length;
}

// A lone surrogate that stands for a byte; the second half of a surrogate pair (the same
// range) is part of a character.
bool IsEscapeAt(QStringView path, qsizetype i) {
  const char16_t c = path[i].unicode();
  return c >= kEscapeBase + 0x80 && c <= kEscapeBase + 0xFF && !(i > 0 && path[i - 1].isHighSurrogate());
}

}  // namespace

QString PathFromBytes(QByteArrayView bytes) {
  QString path;
  path.reserve(bytes.size());
  qsizetype i = 0;
  while (i < bytes.size()) {
    const qsizetype length = Utf8Length(bytes, i);
    if (length == 0) {
      path += QChar(static_cast<char16_t>(kEscapeBase + static_cast<unsigned char>(bytes[i])));
      ++i;
    } else {
      path += QString::fromUtf8(bytes.sliced(i, length));
      i += length;
    }
  }
  return path;
}

QByteArray PathBytes(QStringView path) {
  QByteArray bytes;
  bytes.reserve(path.size());
  qsizetype runStart = 0;
  const auto flush = [&](qsizetype end) {
    if (end > runStart) bytes += path.sliced(runStart, end - runStart).toUtf8();
  };
  for (qsizetype i = 0; i < path.size(); ++i) {
    if (!IsEscapeAt(path, i)) continue;
    flush(i);
    bytes += static_cast<char>(path[i].unicode() - kEscapeBase);
    runStart = i + 1;
  }
  flush(path.size());
  return bytes;
}

std::string PathStdBytes(QStringView path) { return PathBytes(path).toStdString(); }

QStringList ArgumentsFromArgv(int argc, char** argv) {
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments.append(PathFromBytes(QByteArrayView(argv[i])));
  return arguments;
}

QString DisplayPath(QStringView path) {
  QString shown = path.toString();
  for (qsizetype i = 0; i < shown.size(); ++i) {
    if (IsEscapeAt(path, i)) shown[i] = QChar::ReplacementCharacter;
  }
  return shown;
}

QString PathFileName(QStringView path) {
  const qsizetype slash = path.lastIndexOf(u'/');
  return path.sliced(slash + 1).toString();
}

QString CurrentFolder() { return PathFromBytes(QByteArray::fromStdString(WorkingFolder())); }

QString ResolvedPath(const QString& path) {
  if (path.isEmpty()) return path;
  return PathFromBytes(QByteArray::fromStdString(ResolvedFilePath(PathStdBytes(path))));
}

namespace {

bool IsFileWith(const QString& path, int access) {
  if (path.isEmpty()) return false;
  const std::string bytes = PathStdBytes(path);
  struct stat st {};
  return ::stat(bytes.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(bytes.c_str(), access) == 0;
}

}  // namespace

bool IsReadableFile(const QString& path) { return IsFileWith(path, R_OK); }
bool IsWritableFile(const QString& path) { return IsFileWith(path, W_OK); }

QString PathOfLocalUrl(const QUrl& url) {
  if (!url.isLocalFile()) return {};
  // The address escapes the name's bytes; decoded as text they would be lost.
  const QByteArray bytes = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
  if (bytes.isEmpty() || bytes.contains('\0')) return {};
  return PathFromBytes(bytes);
}
