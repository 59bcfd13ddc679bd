#pragma once
// Scratch folders, whole-file bytes and the system-call seam, for the file tests.
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "doc/TextFile.h"
#include "sys/FileCalls.h"

class CVeloDoc;

// A fresh folder under the temporary directory, removed with everything in it.
class ScratchDir {
 public:
  ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  ~ScratchDir();

  const std::string& Path() const { return path_; }
  std::string operator/(std::string_view name) const { return path_ + "/" + std::string(name); }

 private:
  std::string path_;
};

// The file's bytes, or nothing when it cannot be read.
std::optional<std::string> FileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, std::string_view bytes);
// The names in a folder, sorted.
std::vector<std::string> Listing(const std::string& folder);
std::vector<std::string> DocLines(const CVeloDoc& doc);
// Each line followed by CR LF.
std::string CrLfImage(const std::vector<std::string>& lines);

const char* CauseName(FileErrorCause cause);
void PrintTo(FileErrorCause cause, std::ostream* out);
void PrintTo(const FileResult& result, std::ostream* out);

// Puts the real system calls back when the test ends, whatever it replaced.
class FileCallsRestorer {
 public:
  FileCallsRestorer() : saved_(ActiveFileCalls()) {}
  FileCallsRestorer(const FileCallsRestorer&) = delete;
  FileCallsRestorer& operator=(const FileCallsRestorer&) = delete;
  ~FileCallsRestorer() { ActiveFileCalls() = saved_; }

 private:
  FileCalls saved_;
};
