#include "sys/SafeFileWriter.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <utility>

#include "sys/FileAttributes.h"
#include "sys/FileCalls.h"
#include "sys/OsErrorCause.h"
#include "sys/PrivateFolder.h"

namespace {

constexpr std::size_t kBufferSize = std::size_t{1} << 20;
constexpr std::size_t kMaxChunk = std::size_t{1} << 30;
constexpr int kMaxLinkHops = 40;
constexpr int kMaxNameTries = 64;
constexpr std::size_t kMaxNameStem = 200;  // keeps made-up names under the usual 255-byte limit

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

FileResult ReadLink(const std::string& path, std::string& link) {
  std::string buffer(256, '\0');
  for (;;) {
    const ssize_t n = ::readlink(path.c_str(), buffer.data(), buffer.size());
    if (n < 0) return OsFailure(errno, "read the link");
    if (static_cast<std::size_t>(n) < buffer.size()) {
      buffer.resize(static_cast<std::size_t>(n));
      link = std::move(buffer);
      return {};
    }
    buffer.resize(buffer.size() * 2);
  }
}

// The file a chain of links at path finally names; the path itself when it is no link or
// does not exist yet.
FileResult FinalTarget(const std::string& path, std::string& target, struct stat& st, bool& exists) {
  std::string current = path;
  for (int hops = 0;; ++hops) {
    if (::lstat(current.c_str(), &st) != 0) {
      if (errno != ENOENT) return OsFailure(errno, "examine the target");
      exists = false;
      target = std::move(current);
      return {};
    }
    if (!S_ISLNK(st.st_mode)) {
      exists = true;
      target = std::move(current);
      return {};
    }
    if (hops == kMaxLinkHops) return OsFailure(ELOOP, "follow the links to the target");
    std::string link;
    if (FileResult r = ReadLink(current, link); !r.Ok()) return r;
    if (link.empty()) return OsFailure(ENOENT, "follow an empty link");
    if (link[0] == '/') {
      current = std::move(link);
    } else {
      current = FolderOf(current);
      if (current != "/") current += '/';
      current += link;
    }
  }
}

unsigned CurrentUmask() {
  // Reading it from the kernel does not change it under other threads' feet.
  if (std::FILE* status = std::fopen("/proc/self/status", "re")) {
    char line[256];
    unsigned mask = 0;
    bool found = false;
    while (!found && std::fgets(line, sizeof line, status))
      found = std::sscanf(line, "Umask: %o", &mask) == 1;
    std::fclose(status);
    if (found) return mask & 0777;
  }
  const mode_t mask = ::umask(022);
  ::umask(mask);
  return mask & 0777;
}

std::uint64_t Mix(std::uint64_t x) {
  x += 0x9E3779B97F4A7C15ull;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

// folder/<prefix><name>.<8 hex digits><suffix>, different at every call.
std::string UniqueName(const std::string& folder, const char* prefix, const std::string& name,
                       const char* suffix, int attempt) {
  static std::uint64_t counter = 0;
  struct timespec now {};
  ::clock_gettime(CLOCK_REALTIME, &now);
  const std::uint64_t seed =
      Mix(static_cast<std::uint64_t>(now.tv_sec) * std::uint64_t{1000000007} +
          static_cast<std::uint64_t>(now.tv_nsec) + (static_cast<std::uint64_t>(::getpid()) << 40) +
          (++counter << 20) + static_cast<std::uint64_t>(attempt));
  std::size_t stemLength = std::min(name.size(), kMaxNameStem);
  // Do not cut a UTF-8 sequence in two.
  while (stemLength > 0 && stemLength < name.size() &&
         (static_cast<unsigned char>(name[stemLength]) & 0xC0) == 0x80)
    --stemLength;
  char tail[40];
  std::snprintf(tail, sizeof tail, ".%08x%s", static_cast<unsigned>(seed), suffix);
  std::string made = folder == "/" ? "/" : folder + "/";
  made += prefix;
  made.append(name, 0, stemLength);
  made += tail;
  return made;
}

int OpenFile(const std::string& path, int flags, unsigned mode = 0) {
  int fd;
  while ((fd = ActiveFileCalls().open(path.c_str(), flags, mode)) < 0 && errno == EINTR) {
  }
  return fd;
}

int SyncFile(int fd) {
  int rc;
  while ((rc = ActiveFileCalls().fsync(fd)) != 0 && errno == EINTR) {
  }
  return rc;
}

// Makes the latest names in folder durable; a failure only costs durability, not the save.
void SyncFolder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  while (::fsync(fd) != 0 && errno == EINTR) {
  }
  ::close(fd);
}

// A file made with a free name of the form above, mode 0600; -1 with errno when none could be.
int CreateUnique(const std::string& folder, const char* prefix, const std::string& name, const char* suffix,
                 std::string& made) {
  for (int attempt = 0; attempt < kMaxNameTries; ++attempt) {
    std::string candidate = UniqueName(folder, prefix, name, suffix, attempt);
    const int fd = OpenFile(candidate, O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0600);
    if (fd >= 0) {
      made = std::move(candidate);
      return fd;
    }
    if (errno != EEXIST) return -1;
  }
  errno = EEXIST;
  return -1;
}

// A file mounted on its own (a bind mount of a single file) cannot be replaced, only written.
bool IsMountPoint(const std::string& target, const std::string& folder, const struct stat& st) {
  struct stat above {};
  if (::stat(folder.c_str(), &above) != 0) return false;
  if (above.st_dev != st.st_dev) return true;
  struct statx file {};
  struct statx parent {};
  if (::statx(AT_FDCWD, target.c_str(), AT_SYMLINK_NOFOLLOW, STATX_MNT_ID, &file) != 0 ||
      ::statx(AT_FDCWD, folder.c_str(), 0, STATX_MNT_ID, &parent) != 0)
    return false;
  return (file.stx_mask & parent.stx_mask & STATX_MNT_ID) != 0 && file.stx_mnt_id != parent.stx_mnt_id;
}

// Errors of a folder that may not be written, where a write in place may still be allowed.
bool IsRefusal(int error) { return error == EACCES || error == EPERM || error == EROFS; }

// Closes a descriptor that was only read: its result does not matter.
class ReadOnlyFile {
 public:
  explicit ReadOnlyFile(int fd) : fd_(fd) {}
  ReadOnlyFile(const ReadOnlyFile&) = delete;
  ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;
  ~ReadOnlyFile() {
    if (fd_ >= 0) ActiveFileCalls().close(fd_);
  }

 private:
  int fd_;
};

// Copies from's bytes, from where it stands to its end, to to; scratch is a buffer of size
// bytes. Adds to copied what was written.
FileResult CopyBytes(int from, int to, char* scratch, std::size_t size, unsigned long long& copied) {
  for (;;) {
    const long got = ActiveFileCalls().read(from, scratch, size);
    if (got < 0) {
      if (errno == EINTR) continue;
      return OsFailure(errno, "read");
    }
    if (got == 0) return {};
    const char* data = scratch;
    std::size_t left = std::min(static_cast<std::size_t>(got), size);
    while (left > 0) {
      const long n = ActiveFileCalls().write(to, data, left);
      if (n < 0) {
        if (errno == EINTR) continue;
        return OsFailure(errno, "write");
      }
      if (n == 0 || static_cast<std::size_t>(n) > left)
        return FileResult{FileErrorCause::Generic, 0, "write made no progress"};
      data += n;
      left -= static_cast<std::size_t>(n);
      copied += static_cast<unsigned long long>(n);
    }
  }
}

}  // namespace

SafeFileWriter::SafeFileWriter(std::string path) : path_(std::move(path)) {}

SafeFileWriter::~SafeFileWriter() {
  if (!committed_) Abandon();
}

FileResult SafeFileWriter::Open() {
  if (mode_ != Mode::None || committed_ || !failure_.Ok()) {
    Fail(FileResult{FileErrorCause::Generic, 0, "the writer was already used"});
    return failure_;
  }
  if (path_.empty()) {
    Fail(OsFailure(ENOENT, "no file name"));
    return failure_;
  }
  struct stat st {};
  bool exists = false;
  if (FileResult r = FinalTarget(path_, target_, st, exists); !r.Ok()) {
    Fail(std::move(r));
    return failure_;
  }
  name_ = NameOf(target_);
  if (name_.empty()) {
    Fail(OsFailure(EISDIR, "the name ends in a folder separator"));
    return failure_;
  }
  if (exists) {
    if (S_ISDIR(st.st_mode)) {
      Fail(OsFailure(EISDIR, "the target is a folder"));
      return failure_;
    }
    if (!S_ISREG(st.st_mode)) {
      Fail(FileResult{FileErrorCause::AccessDenied, 0, "the target is not a regular file"});
      return failure_;
    }
    // A file that could not be opened for writing is not replaced either.
    if (::faccessat(AT_FDCWD, target_.c_str(), W_OK, AT_EACCESS) != 0) {
      Fail(OsFailure(errno, "the target may not be written"));
      return failure_;
    }
    hasOld_ = true;
    oldDevice_ = st.st_dev;
    oldInode_ = st.st_ino;
    oldMode_ = st.st_mode & 07777;
    oldOwner_ = st.st_uid;
    oldGroup_ = st.st_gid;
  }
  folder_ = FolderOf(target_);
  buffer_.reset(new char[kBufferSize]);  // before there is a file to leave behind

  FileResult prepared;
  if (hasOld_ && (st.st_nlink > 1 || IsMountPoint(target_, folder_, st))) {
    prepared = BeginInPlace();
  } else {
    prepared = CreateNewFile();
    // A folder that refuses a new file, or a new file that cannot be the old one to everyone.
    const bool refused = !prepared.Ok() && IsRefusal(prepared.osError);
    if (hasOld_ && (refused || (prepared.Ok() && !CarryIdentity()))) prepared = BeginInPlace();
  }
  if (!prepared.Ok()) {
    Fail(std::move(prepared));
    return failure_;
  }
  bufferPos_ = buffer_.get();
  bufferEnd_ = bufferPos_ + kBufferSize;
  return {};
}

FileResult SafeFileWriter::CreateNewFile() {
  mode_ = Mode::NewFile;
  // Unnamed until it is complete, so that a crash leaves nothing behind.
  const int fd = OpenFile(folder_, O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (fd >= 0) {
    // It is named through /proc; without /proc it never could be.
    if (::access(("/proc/self/fd/" + std::to_string(fd)).c_str(), F_OK) == 0) {
      fd_ = fd;
      unnamed_ = true;
      return {};
    }
    ActiveFileCalls().close(fd);
  } else if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
    return OsFailure(errno, "create a new file beside the target");
  }
  std::string made;
  const int named = CreateUnique(folder_, ".", name_, ".tmp", made);
  if (named < 0) return OsFailure(errno, "create a new file beside the target");
  fd_ = named;
  temp_ = std::move(made);
  return {};
}

bool SafeFileWriter::CarryIdentity() {
  struct stat st {};
  if (::fstat(fd_, &st) != 0) return false;
  if ((st.st_uid != oldOwner_ || st.st_gid != oldGroup_) && ::fchown(fd_, oldOwner_, oldGroup_) != 0)
    return false;
  FileAttributes attributes;
  if (!ReadFileAttributes(target_, attributes) || !SetFileAttributes(fd_, attributes)) return false;
  // The bits last: a change of owner clears the set-id bits, and an access list sets the group's.
  if (::fchmod(fd_, oldMode_) != 0 || ::fstat(fd_, &st) != 0) return false;
  return st.st_uid == oldOwner_ && st.st_gid == oldGroup_ && (st.st_mode & 07777) == oldMode_;
}

void SafeFileWriter::DropNewFile() {
  if (fd_ >= 0) ActiveFileCalls().close(std::exchange(fd_, -1));
  if (!temp_.empty()) ActiveFileCalls().unlink(std::exchange(temp_, {}).c_str());
  unnamed_ = false;
}

FileResult SafeFileWriter::BeginInPlace() {
  DropNewFile();
  mode_ = Mode::InPlace;
  fd_ = OpenFile(target_, O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW);
  if (fd_ < 0) return OsFailure(errno, "open the target to write it in place");
  struct stat st {};
  if (::fstat(fd_, &st) != 0) return OsFailure(errno, "examine the target");
  if (!S_ISREG(st.st_mode) || st.st_dev != oldDevice_ || st.st_ino != oldInode_)
    return FileResult{FileErrorCause::SharingViolation, 0, "the target was replaced while it was saved"};
  return MakeBackup();
}

FileResult SafeFileWriter::MakeBackup() {
  const int source = OpenFile(target_, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW);
  if (source < 0) return OsFailure(errno, "open the target to back it up");
  ReadOnlyFile closeSource(source);
  std::string made;
  int backup = CreateUnique(folder_, ".", name_, ".bak", made);
  if (backup < 0 && IsRefusal(errno)) {
    std::string own;
    if (FileResult r = PrivateBackupFolder(own); !r.Ok()) return r;
    backup = CreateUnique(own, "", name_, ".bak", made);
  }
  if (backup < 0) return OsFailure(errno, "create the backup");
  backup_ = std::move(made);
  unsigned long long copied = 0;
  FileResult result = CopyBytes(source, backup, buffer_.get(), kBufferSize, copied);
  if (result.Ok() && SyncFile(backup) != 0) result = OsFailure(errno, "flush the backup to disk");
  if (ActiveFileCalls().close(backup) != 0 && result.Ok()) result = OsFailure(errno, "close the backup");
  if (!result.Ok()) return result;
  SyncFolder(FolderOf(backup_));
  backupSize_ = copied;
  return {};
}

bool SafeFileWriter::RestoreFromBackup() {
  // After a failed close the descriptor is gone: the target is opened again.
  if (fd_ < 0) fd_ = OpenFile(target_, O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW);
  if (fd_ < 0) return false;
  const int source = OpenFile(backup_, O_RDONLY | O_CLOEXEC | O_NOCTTY);
  if (source < 0) return false;
  ReadOnlyFile closeSource(source);
  unsigned long long copied = 0;
  return ActiveFileCalls().lseek(fd_, 0, SEEK_SET) == 0 &&
         CopyBytes(source, fd_, buffer_.get(), kBufferSize, copied).Ok() && copied == backupSize_ &&
         ActiveFileCalls().ftruncate(fd_, static_cast<long long>(backupSize_)) == 0 && SyncFile(fd_) == 0;
}

void SafeFileWriter::AppendSlow(std::string_view bytes) {
  if (fd_ < 0 || !failure_.Ok() || bytes.empty()) return;
  if (!Flush()) return;
  if (bytes.size() >= kBufferSize / 2) {
    WriteAll(bytes.data(), bytes.size());  // a long line goes out from where it lies
  } else {
    std::memcpy(bufferPos_, bytes.data(), bytes.size());
    bufferPos_ += bytes.size();
  }
}

bool SafeFileWriter::Flush() {
  const std::size_t pending = static_cast<std::size_t>(bufferPos_ - buffer_.get());
  bufferPos_ = buffer_.get();
  return WriteAll(buffer_.get(), pending);
}

bool SafeFileWriter::WriteAll(const char* data, std::size_t size) {
  if (size > 0 && mode_ == Mode::InPlace) touched_ = true;
  while (size > 0) {
    const std::size_t want = std::min(size, kMaxChunk);
    const long n = ActiveFileCalls().write(fd_, data, want);
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail(OsFailure(errno, "write"));
      return false;
    }
    if (n == 0 || static_cast<std::size_t>(n) > want) {
      Fail(FileResult{FileErrorCause::Generic, 0, "write made no progress"});
      return false;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
    written_ += static_cast<unsigned long long>(n);
  }
  return true;
}

void SafeFileWriter::Fail(FileResult result) {
  if (failure_.Ok()) failure_ = std::move(result);
  Abandon();
}

void SafeFileWriter::Abandon() {
  // Later appends find no room and no file, and drop their bytes.
  bufferPos_ = bufferEnd_ = buffer_.get();
  bool keepBackup = false;
  if (mode_ == Mode::InPlace && std::exchange(touched_, false)) keepBackup = !RestoreFromBackup();
  if (fd_ >= 0) ActiveFileCalls().close(std::exchange(fd_, -1));
  if (!temp_.empty()) ActiveFileCalls().unlink(std::exchange(temp_, {}).c_str());
  unnamed_ = false;
  if (!backup_.empty()) {
    if (keepBackup) {
      failure_.keptBackup = backup_;
    } else {
      ActiveFileCalls().unlink(backup_.c_str());
    }
    backup_.clear();
  }
}

FileResult SafeFileWriter::Commit() {
  if (committed_) return {};
  if (failure_.Ok() && fd_ < 0) Fail(FileResult{FileErrorCause::Generic, 0, "the writer was not opened"});
  if (!failure_.Ok() || !Flush()) return failure_;
  return mode_ == Mode::InPlace ? CommitInPlace() : CommitNewFile();
}

FileResult SafeFileWriter::CommitNewFile() {
  struct stat st {};
  if (::fstat(fd_, &st) != 0) {
    Fail(OsFailure(errno, "examine the new file"));
    return failure_;
  }
  if (static_cast<unsigned long long>(st.st_size) != written_) {
    Fail(FileResult{FileErrorCause::Generic, 0, "the new file is not as long as what was written"});
    return failure_;
  }
  // A file of the saver's own gets the usual bits; one that replaces another has its identity.
  if (!hasOld_ && ::fchmod(fd_, 0666 & ~CurrentUmask()) != 0) {
    // The private bits stay.
  }
  if (SyncFile(fd_) != 0) {
    Fail(OsFailure(errno, "flush the new file to disk"));
    return failure_;
  }
  if (unnamed_) {
    // Named only now, right before it takes the target's place.
    const std::string self = "/proc/self/fd/" + std::to_string(fd_);
    for (int attempt = 0; attempt < kMaxNameTries && temp_.empty(); ++attempt) {
      std::string candidate = UniqueName(folder_, ".", name_, ".tmp", attempt);
      if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, candidate.c_str(), AT_SYMLINK_FOLLOW) == 0) {
        temp_ = std::move(candidate);
      } else if (errno != EEXIST) {
        Fail(OsFailure(errno, "name the new file"));
        return failure_;
      }
    }
    if (temp_.empty()) {
      Fail(OsFailure(EEXIST, "find a free name for the new file"));
      return failure_;
    }
    unnamed_ = false;
  }
  if (ActiveFileCalls().close(std::exchange(fd_, -1)) != 0) {
    Fail(OsFailure(errno, "close the new file"));
    return failure_;
  }
  if (ActiveFileCalls().rename(temp_.c_str(), target_.c_str()) != 0) {
    const int error = errno;
    // A file mounted on its own refuses to be replaced: write it in place after all.
    if (hasOld_ && (error == EBUSY || error == EXDEV)) return WriteOverFromNewFile();
    Fail(OsFailure(error, "put the new file in place of the old"));
    return failure_;
  }
  temp_.clear();
  committed_ = true;
  buffer_.reset();
  bufferPos_ = bufferEnd_ = nullptr;
  // The new file is complete and in place already; syncing the folder only makes the rename
  // itself durable.
  SyncFolder(folder_);
  return {};
}

FileResult SafeFileWriter::WriteOverFromNewFile() {
  const int source = OpenFile(temp_, O_RDONLY | O_CLOEXEC | O_NOCTTY);
  if (source < 0) {
    Fail(OsFailure(errno, "open the new file again"));
    return failure_;
  }
  ReadOnlyFile closeSource(source);
  if (FileResult r = BeginInPlace(); !r.Ok()) {  // also removes the new file's name
    Fail(std::move(r));
    return failure_;
  }
  written_ = 0;
  for (;;) {
    const long got = ActiveFileCalls().read(source, buffer_.get(), kBufferSize);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      Fail(OsFailure(errno, "read the new file again"));
      return failure_;
    }
    if (got == 0) break;
    if (!WriteAll(buffer_.get(), std::min(static_cast<std::size_t>(got), kBufferSize))) return failure_;
  }
  bufferPos_ = buffer_.get();
  bufferEnd_ = bufferPos_ + kBufferSize;
  return CommitInPlace();
}

FileResult SafeFileWriter::CommitInPlace() {
  touched_ = true;  // cutting the file changes it even when nothing was written
  if (ActiveFileCalls().ftruncate(fd_, static_cast<long long>(written_)) != 0) {
    Fail(OsFailure(errno, "cut the file to its new length"));
    return failure_;
  }
  if (SyncFile(fd_) != 0) {
    Fail(OsFailure(errno, "flush the file to disk"));
    return failure_;
  }
  struct stat st {};
  if (::fstat(fd_, &st) != 0 || static_cast<unsigned long long>(st.st_size) != written_) {
    Fail(FileResult{FileErrorCause::Generic, 0, "the file is not as long as what was written"});
    return failure_;
  }
  if (ActiveFileCalls().close(std::exchange(fd_, -1)) != 0) {
    Fail(OsFailure(errno, "close the file"));
    return failure_;
  }
  touched_ = false;
  committed_ = true;
  // The new text is safe on disk; a backup that cannot be removed only stays behind.
  ActiveFileCalls().unlink(backup_.c_str());
  backup_.clear();
  buffer_.reset();
  bufferPos_ = bufferEnd_ = nullptr;
  return {};
}
