#include "sys/WholeFileReader.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <new>
#include <utility>

#include "base/ByteString.h"
#include "sys/FileCalls.h"
#include "sys/OsErrorCause.h"

namespace {

// Below the most one read call returns on Linux.
constexpr std::size_t kMaxChunk = std::size_t{1} << 30;
constexpr std::size_t kMinCapacity = 4096;

class OpenFile {
 public:
  explicit OpenFile(int fd) : fd_(fd) {}
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;
  ~OpenFile() { ActiveFileCalls().close(fd_); }  // nothing was written: its result does not matter
  int fd() const { return fd_; }

 private:
  int fd_;
};

class OwnedBlock {
 public:
  OwnedBlock() = default;
  OwnedBlock(const OwnedBlock&) = delete;
  OwnedBlock& operator=(const OwnedBlock&) = delete;
  ~OwnedBlock() {
    if (block) block->Unref();
  }
  ByteBlock* Release() { return std::exchange(block, nullptr); }
  ByteBlock* block = nullptr;
};

FileResult TooLarge(std::string detail) { return FileResult{FileErrorCause::TooLarge, 0, std::move(detail)}; }

}  // namespace

FileImage::~FileImage() {
  if (block) block->Unref();
}

FileResult ReadWholeFile(const std::string& path, std::size_t limit, FileImage& image) {
  // Non-blocking, so that opening a FIFO without a writer returns at once; it is refused below.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return OsFailure(errno, "open for reading");
  OpenFile file(fd);

  struct stat st;
  if (::fstat(fd, &st) != 0) return OsFailure(errno, "examine the open file");
  if (S_ISDIR(st.st_mode)) return FileResult{FileErrorCause::AccessDenied, EISDIR, "a folder, not a file"};
  if (!S_ISREG(st.st_mode)) {
    return FileResult{FileErrorCause::AccessDenied, 0, "not a regular file (device, pipe or socket)"};
  }
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags != -1) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);

  if (st.st_size < 0 || static_cast<unsigned long long>(st.st_size) >= limit) {
    return TooLarge("the file is too large to edit");
  }

  OwnedBlock buffer;
  try {
    // One byte more than the file holds, so that the read that finds the end needs no growth.
    std::size_t capacity = std::max(static_cast<std::size_t>(st.st_size) + 1, std::min(kMinCapacity, limit));
    buffer.block = ByteBlock::Allocate(capacity);
    std::size_t used = 0;
    for (;;) {
      if (used == capacity) {  // the file grew while it was read
        if (capacity >= limit) return TooLarge("the file grew too large while it was read");
        capacity = std::min(std::max(capacity * 2, kMinCapacity), limit);
        buffer.block = ByteBlock::Grow(buffer.block, capacity);
      }
      const std::size_t want = std::min(capacity - used, kMaxChunk);
      const long got = ActiveFileCalls().read(fd, buffer.block->Data() + used, want);
      if (got < 0) {
        if (errno == EINTR) continue;
        return OsFailure(errno, "read");
      }
      if (got == 0) break;
      used += static_cast<std::size_t>(std::min<unsigned long>(static_cast<unsigned long>(got), want));
    }
    if (image.block) image.block->Unref();
    image.block = buffer.Release();
    image.size = used;
  } catch (const std::bad_alloc&) {
    return FileResult{FileErrorCause::Generic, ENOMEM, "not enough memory to hold the file"};
  }
  return FileResult{};
}
