// docbench [options] IN OUT: reads IN into a document and writes it to OUT through the editor's
// own file code, and nothing else, so the whole process can be timed beside other programs.
// Exit status: 0 on success, 1 when reading or writing fails, 2 for a wrong command line.
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "base/Settings.h"
#include "doc/CVeloDoc.h"
#include "doc/TextFile.h"

namespace {

struct Options {
  std::string in;
  std::string out;
};

void Usage() { std::fprintf(stderr, "usage: docbench IN OUT\n"); }

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
  if (FileResult r = WriteTextFile(options->out, doc); !r.Ok()) return Fail("write", options->out, r);
  return 0;
}
