#pragma once
// Reading a text file into a document and writing it back, byte for byte.
#include <string>

class CVeloDoc;

// Why a file operation failed; the shell maps each cause to its message.
enum class FileErrorCause {
  None,
  Generic,           // no particular kind
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
  TooLarge,          // more than the 32-bit positions can hold
};

struct FileResult {
  FileErrorCause cause = FileErrorCause::None;
  int osError = 0;     // errno (or the system's code), 0 when none
  std::string detail;  // what was being done, for a log or a test message
  bool Ok() const { return cause == FileErrorCause::None; }
};

// Replaces the document's text with the file's lines and clears its modified flag.
// On failure the document is unchanged.
FileResult ReadTextFile(const std::string& path, CVeloDoc& doc);
// Writes every line followed by CR LF. The old file stays intact until the new one is
// complete on disk. Clears the modified flag on success only.
FileResult WriteTextFile(const std::string& path, CVeloDoc& doc);
