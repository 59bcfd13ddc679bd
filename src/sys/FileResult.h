#pragma once
// What a file operation came to: success, or the cause of its failure.
#include <string>
#include <utility>

// Why a file operation failed; the shell maps each cause to its message.
enum class FileErrorCause {
  None,
  Generic,  // no particular kind
  FileNotFound,
  BadPath,
  TooManyOpenFiles,
  AccessDenied,
  InvalidFile,
  RemoveCurrentDir,
  DirectoryFull,
  BadSeek,
  HardIO,
  SharingViolation,
  LockViolation,
  DiskFull,
  EndOfFile,
  TooLarge,  // more than the 32-bit positions can hold
};

struct FileResult {
  FileResult() = default;
  FileResult(FileErrorCause failed, int error, std::string what)
      : cause(failed), osError(error), detail(std::move(what)) {}
  FileErrorCause cause = FileErrorCause::None;
  int osError = 0;     // errno (or the system's code), 0 when none
  std::string detail;  // what was being done, for a log or a test message
  // A save in place that failed and could not put the old text back leaves it in this file.
  std::string keptBackup;
  bool Ok() const { return cause == FileErrorCause::None; }
};
