#pragma once
// Saving so that the old file stays whole until the new one is completely on disk: the bytes
// go to a temporary file beside the target, which then takes the target's place in one step.
#include <cstddef>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "sys/FileResult.h"

class SafeFileWriter {
 public:
  // Touches nothing before Open.
  explicit SafeFileWriter(std::string path);
  SafeFileWriter(const SafeFileWriter&) = delete;
  SafeFileWriter& operator=(const SafeFileWriter&) = delete;
  // Removes the temporary file unless Commit succeeded.
  ~SafeFileWriter();

  // Follows a link to the file it finally names, refuses a target that is no regular file or
  // that may not be written, and creates the temporary file beside the target.
  FileResult Open();

  // Adds bytes to the new file. After the first failure the rest is dropped; Commit reports it.
  void Append(std::string_view bytes) {
    if (bytes.size() < static_cast<std::size_t>(bufferEnd_ - bufferPos_)) {
      if (!bytes.empty()) std::memcpy(bufferPos_, bytes.data(), bytes.size());
      bufferPos_ += bytes.size();
    } else {
      AppendSlow(bytes);
    }
  }

  // Completes the new file (size check, old owner and permission bits, sync, close) and
  // renames it over the target. On failure the target is untouched and the temporary is gone.
  FileResult Commit();

 private:
  void AppendSlow(std::string_view bytes);
  bool Flush();
  bool WriteAll(const char* data, std::size_t size);
  void Fail(FileResult result);
  void Abandon();

  std::string path_;
  std::string target_;
  std::string folder_;
  std::string temp_;
  int fd_ = -1;
  bool hasOld_ = false;
  unsigned oldMode_ = 0;
  unsigned oldOwner_ = 0;
  unsigned oldGroup_ = 0;
  unsigned long long written_ = 0;
  std::unique_ptr<char[]> buffer_;
  char* bufferPos_ = nullptr;
  char* bufferEnd_ = nullptr;
  FileResult failure_;
  bool committed_ = false;
};
