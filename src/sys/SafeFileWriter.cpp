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

#include "sys/FileCalls.h"
#include "sys/OsErrorCause.h"

namespace {

constexpr std::size_t kBufferSize = std::size_t{1} << 20;
constexpr std::size_t kMaxChunk = std::size_t{1} << 30;
constexpr int kMaxLinkHops = 40;
constexpr int kMaxNameTries = 64;
constexpr std::size_t kMaxNameStem = 200;  // keeps the temporary name under the usual 255-byte limit

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

std::string TemporaryName(const std::string& folder, const std::string& name, int attempt) {
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
  char suffix[24];
  std::snprintf(suffix, sizeof suffix, ".%08x.tmp", static_cast<unsigned>(seed));
  std::string temp = folder == "/" ? "/" : folder + "/";
  temp += '.';
  temp.append(name, 0, stemLength);
  temp += suffix;
  return temp;
}

}  // namespace

SafeFileWriter::SafeFileWriter(std::string path) : path_(std::move(path)) {}

SafeFileWriter::~SafeFileWriter() {
  if (!committed_) Abandon();
}

FileResult SafeFileWriter::Open() {
  if (fd_ >= 0 || committed_ || !failure_.Ok()) {
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
  const std::string name = NameOf(target_);
  if (name.empty()) {
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
    oldMode_ = st.st_mode & 07777;
    oldOwner_ = st.st_uid;
    oldGroup_ = st.st_gid;
  }
  folder_ = FolderOf(target_);
  buffer_.reset(new char[kBufferSize]);  // before there is a file to leave behind

  for (int attempt = 0; attempt < kMaxNameTries; ++attempt) {
    std::string temp = TemporaryName(folder_, name, attempt);
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0600);
    if (fd >= 0) {
      fd_ = fd;
      temp_ = std::move(temp);
      break;
    }
    if (errno != EEXIST) {
      Fail(OsFailure(errno, "create a temporary file beside the target"));
      return failure_;
    }
  }
  if (fd_ < 0) {
    Fail(OsFailure(EEXIST, "find a free temporary name"));
    return failure_;
  }
  bufferPos_ = buffer_.get();
  bufferEnd_ = bufferPos_ + kBufferSize;
  return {};
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
  if (fd_ >= 0) {
    ActiveFileCalls().close(fd_);
    fd_ = -1;
  }
  if (!temp_.empty()) {
    ::unlink(temp_.c_str());
    temp_.clear();
  }
}

FileResult SafeFileWriter::Commit() {
  if (committed_) return {};
  if (failure_.Ok() && fd_ < 0) Fail(FileResult{FileErrorCause::Generic, 0, "the writer was not opened"});
  if (!failure_.Ok() || !Flush()) return failure_;

  struct stat st {};
  if (::fstat(fd_, &st) != 0) {
    Fail(OsFailure(errno, "examine the new file"));
    return failure_;
  }
  if (static_cast<unsigned long long>(st.st_size) != written_) {
    Fail(FileResult{FileErrorCause::Generic, 0, "the new file is not as long as what was written"});
    return failure_;
  }
  // Owner and permission bits are carried over where the file system allows; a file system
  // without them (a FAT stick) still gets the text.
  if (hasOld_) {
    if (st.st_uid != oldOwner_ || st.st_gid != oldGroup_) {
      if (::fchown(fd_, oldOwner_, oldGroup_) != 0) {
        // Saved under the saver's own name then.
      }
    }
    if (::fchmod(fd_, oldMode_) != 0) {
      // The temporary file's private bits stay.
    }
  } else if (::fchmod(fd_, 0666 & ~CurrentUmask()) != 0) {
    // The temporary file's private bits stay.
  }

  int rc;
  while ((rc = ActiveFileCalls().fsync(fd_)) != 0 && errno == EINTR) {
  }
  if (rc != 0) {
    Fail(OsFailure(errno, "flush the new file to disk"));
    return failure_;
  }
  rc = ActiveFileCalls().close(std::exchange(fd_, -1));
  if (rc != 0) {
    Fail(OsFailure(errno, "close the new file"));
    return failure_;
  }
  if (ActiveFileCalls().rename(temp_.c_str(), target_.c_str()) != 0) {
    Fail(OsFailure(errno, "put the new file in place of the old"));
    return failure_;
  }
  temp_.clear();
  committed_ = true;
  buffer_.reset();
  bufferPos_ = bufferEnd_ = nullptr;

  // Makes the rename itself durable. The new file is complete and in place already, so a
  // failure here is no reason to call the save failed.
  const int folder = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder >= 0) {
    while (ActiveFileCalls().fsync(folder) != 0 && errno == EINTR) {
    }
    ActiveFileCalls().close(folder);
  }
  return {};
}
