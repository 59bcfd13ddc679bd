#pragma once
// Saving without losing the old file, and without changing which file it is.
//
// Normally the bytes go to a new file beside the target that nobody can see, which takes the
// target's place in one step once it is complete on disk and carries the old file's owner,
// group, permission bits and extended attributes (access control lists among them).
//
// Where the new file could not be the same file to everyone (the target has other names,
// belongs to another user or group the saver may not give it, has attributes the saver may
// not set, lies in a folder the saver may not write, or is mounted on its own), the target is
// written in place instead: its old text is first copied to a backup beside it (or, where that
// folder may not be written, in the user's state folder), and put back should the write fail.
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
  // Unless Commit succeeded: removes the new file, or puts the old text back in place.
  ~SafeFileWriter();

  // Follows a link to the file it finally names, refuses a target that is no regular file or
  // that may not be written, and prepares the new file, or the backup for a write in place.
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

  // Completes the new text on disk (size check, sync) and puts it in place. On failure the
  // target holds its old text, and no new file or backup is left, unless the old text could
  // not be put back: the result then names the backup that holds it.
  FileResult Commit();

  // After Open: whether the target is written in place.
  bool InPlace() const { return mode_ == Mode::InPlace; }

 private:
  enum class Mode { None, NewFile, InPlace };

  FileResult CreateNewFile();
  bool CarryIdentity();
  void DropNewFile();
  FileResult BeginInPlace();
  FileResult MakeBackup();
  bool RestoreFromBackup();
  FileResult CommitNewFile();
  FileResult CommitInPlace();
  FileResult WriteOverFromNewFile();
  void AppendSlow(std::string_view bytes);
  bool Flush();
  bool WriteAll(const char* data, std::size_t size);
  void Fail(FileResult result);
  void Abandon();

  std::string path_;
  std::string target_;
  std::string folder_;
  std::string name_;
  bool hasOld_ = false;
  unsigned long long oldDevice_ = 0;
  unsigned long long oldInode_ = 0;
  unsigned oldMode_ = 0;
  unsigned oldOwner_ = 0;
  unsigned oldGroup_ = 0;

  Mode mode_ = Mode::None;
  int fd_ = -1;           // where the bytes go: the new file, or the target itself
  bool unnamed_ = false;  // the new file has no name yet
  std::string temp_;      // the new file's name while it has one
  std::string backup_;    // the old text's copy during a write in place
  unsigned long long backupSize_ = 0;
  bool touched_ = false;  // the target has been written to in place
  unsigned long long written_ = 0;

  std::unique_ptr<char[]> buffer_;
  char* bufferPos_ = nullptr;
  char* bufferEnd_ = nullptr;
  FileResult failure_;
  bool committed_ = false;
};
