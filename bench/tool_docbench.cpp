// docbench [--type N] IN OUT: reads IN into a document and writes it to OUT through the
// editor's own file code, and nothing else, so the whole process can be timed beside other
// programs. With --type, N keystrokes are typed at the end of the document in between, through
// a real view in a window that draws nothing, each followed by the paint a window would make.
// Exit status: 0 on success, 1 when reading or writing fails, 2 for a wrong command line.
#include <charconv>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/Cp932.h"
#include "base/Settings.h"
#include "common/NullHost.h"
#include "doc/CVeloDoc.h"
#include "doc/TextFile.h"
#include "view/CVeloView.h"

namespace {

struct Options {
  std::string in;
  std::string out;
  long long keystrokes = -1;  // no view at all unless asked for
};

void Usage() { std::fprintf(stderr, "usage: docbench [--type N] IN OUT\n"); }

std::optional<long long> Count(std::string_view text) {
  long long value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < 0) return std::nullopt;
  return value;
}

// Options come before the two paths; "--" ends them.
std::optional<Options> ParseArguments(int argc, char** argv) {
  Options options;
  int i = 1;
  for (; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--") {
      ++i;
      break;
    }
    if (arg == "-h" || arg == "--help") return std::nullopt;
    if (arg == "--type") {
      const std::optional<long long> count = i + 1 < argc ? Count(argv[i + 1]) : std::nullopt;
      if (!count) {
        std::fprintf(stderr, "docbench: --type needs a count of keystrokes\n");
        return std::nullopt;
      }
      options.keystrokes = *count;
      ++i;
      continue;
    }
    if (arg.size() > 1 && arg[0] == '-') {
      std::fprintf(stderr, "docbench: unknown option %s\n", argv[i]);
      return std::nullopt;
    }
    break;
  }
  if (argc - i != 2) return std::nullopt;
  options.in = argv[i];
  options.out = argv[i + 1];
  return options;
}

const char* CauseName(FileErrorCause cause) {
  switch (cause) {
    case FileErrorCause::None:
      return "no error";
    case FileErrorCause::Generic:
      return "error";
    case FileErrorCause::FileNotFound:
      return "file not found";
    case FileErrorCause::BadPath:
      return "bad path";
    case FileErrorCause::TooManyOpenFiles:
      return "too many open files";
    case FileErrorCause::AccessDenied:
      return "access denied";
    case FileErrorCause::InvalidFile:
      return "invalid file";
    case FileErrorCause::RemoveCurrentDir:
      return "cannot remove the current directory";
    case FileErrorCause::DirectoryFull:
      return "directory full";
    case FileErrorCause::BadSeek:
      return "seek failed";
    case FileErrorCause::HardIO:
      return "hardware I/O error";
    case FileErrorCause::SharingViolation:
      return "sharing violation";
    case FileErrorCause::LockViolation:
      return "lock violation";
    case FileErrorCause::DiskFull:
      return "disk full";
    case FileErrorCause::EndOfFile:
      return "beyond the end of the file";
    case FileErrorCause::TooLarge:
      return "file too large";
  }
  return "error";
}

int Fail(const char* verb, const std::string& path, const FileResult& r) {
  std::fprintf(stderr, "docbench: cannot %s %s: %s", verb, path.c_str(), CauseName(r.cause));
  if (!r.detail.empty()) std::fprintf(stderr, " (%s)", r.detail.c_str());
  if (r.osError != 0) std::fprintf(stderr, ": %s", std::strerror(r.osError));
  std::fprintf(stderr, "\n");
  return 1;
}

// One keystroke: the code page 932 bytes of one character, typed as its key would type it.
std::vector<std::string> Keystrokes() {
  // A TeX source being written: commands, braces, kanji (表 ends in a backslash), kana, tabs,
  // line breaks.
  const std::u32string text =
      U"\\section{表示の確認}\n\\begin{itemize}\n\t\\item ﾃｽﾄ {\\bf 字} です。\n\\end{itemize}\n";
  std::vector<std::string> keys;
  for (char32_t c : text) {
    const cp932::EncodedChar encoded = cp932::EncodeChar(c == U'\n' ? U'\r' : c);
    keys.emplace_back(reinterpret_cast<const char*>(encoded.bytes), static_cast<std::size_t>(encoded.length));
  }
  return keys;
}

void TypeAtEnd(CVeloDoc& doc, Settings& settings, long long count) {
  mirev_bench::NullHost host(100, 40);
  CVeloView view(doc, settings, host);
  auto paint = [&] {
    const Rect dirty = host.TakeDirty();
    if (dirty.IsEmpty()) return;
    mirev_bench::NullSurface surface(dirty);
    view.OnDraw(surface);
  };
  view.OnInitialUpdate();
  view.OnSetFocus();
  view.GoDocEnd(false);
  paint();
  const std::vector<std::string> keys = Keystrokes();
  for (long long i = 0; i < count; ++i) {
    const std::string& key = keys[static_cast<std::size_t>(i % static_cast<long long>(keys.size()))];
    if (key.size() == 1)
      view.OnChar(static_cast<unsigned char>(key[0]));
    else
      view.OnTypedText(key);
    paint();
  }
}

}  // namespace

int main(int argc, char** argv) {
  const std::optional<Options> options = ParseArguments(argc, argv);
  if (!options) {
    Usage();
    return 2;
  }
  Settings settings;
  CVeloDoc doc(settings);
  if (FileResult r = ReadTextFile(options->in, doc); !r.Ok()) return Fail("read", options->in, r);
  if (options->keystrokes >= 0) TypeAtEnd(doc, settings, options->keystrokes);
  if (FileResult r = WriteTextFile(options->out, doc); !r.Ok()) return Fail("write", options->out, r);
  return 0;
}
