#include "sys/SequentialFileReader.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>

#include "sys/FileCalls.h"

SequentialFileReader::~SequentialFileReader() {
  if (fd_ >= 0) ActiveFileCalls().close(fd_);  // nothing was written: its result does not matter
}

FileResult SequentialFileReader::Open(const std::string& path, std::size_t limit) {
  if (fd_ >= 0) return FileResult{FileErrorCause::Generic, EBUSY, "a file is already open"};
  // Non-blocking, so that opening a FIFO without a writer returns at once; it is refused below.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return OsFailure(errno, "open for reading");
  fd_ = fd;
  limit_ = limit;
  total_ = 0;

  struct stat st;
  if (::fstat(fd, &st) != 0) return OsFailure(errno, "examine the open file");
  if (S_ISDIR(st.st_mode)) return FileResult{FileErrorCause::AccessDenied, EISDIR, "a folder, not a file"};
  if (!S_ISREG(st.st_mode)) {
    return FileResult{FileErrorCause::AccessDenied, 0, "not a regular file (device, pipe or socket)"};
  }
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags != -1) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  if (st.st_size < 0 || static_cast<unsigned long long>(st.st_size) >= limit) {
    return FileResult{FileErrorCause::TooLarge, 0, "the file is too large"};
  }
  return FileResult{};
}

FileResult SequentialFileReader::Read(char* data, std::size_t capacity, std::size_t& count) {
  count = 0;
  if (fd_ < 0) return FileResult{FileErrorCause::InvalidFile, EBADF, "read a file that is not open"};
  if (total_ >= limit_)
    return FileResult{FileErrorCause::TooLarge, 0, "the file grew too large while it was read"};
  const std::size_t want = std::min(capacity, limit_ - total_);
  for (;;) {
    const long got = ActiveFileCalls().read(fd_, data, want);
    if (got < 0) {
      if (errno == EINTR) continue;
      return OsFailure(errno, "read");
    }
    count = std::min(static_cast<std::size_t>(got), want);
    total_ += count;
    return FileResult{};
  }
}
