#include "sys/FileCalls.h"

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

namespace {

int SysOpen(const char* path, int flags, unsigned mode) {
  return ::open(path, flags, static_cast<mode_t>(mode));
}
long SysRead(int fd, void* data, std::size_t size) { return ::read(fd, data, size); }
long SysWrite(int fd, const void* data, std::size_t size) { return ::write(fd, data, size); }
long long SysLseek(int fd, long long offset, int whence) { return ::lseek(fd, offset, whence); }
int SysFtruncate(int fd, long long size) { return ::ftruncate(fd, size); }
int SysFsync(int fd) { return ::fsync(fd); }
int SysClose(int fd) { return ::close(fd); }
int SysRename(const char* from, const char* to) { return ::rename(from, to); }
int SysUnlink(const char* path) { return ::unlink(path); }

constexpr FileCalls kSystemCalls{SysOpen,  SysRead,  SysWrite,  SysLseek, SysFtruncate,
                                 SysFsync, SysClose, SysRename, SysUnlink};
FileCalls activeCalls = kSystemCalls;

}  // namespace

FileCalls& ActiveFileCalls() { return activeCalls; }
const FileCalls& SystemFileCalls() { return kSystemCalls; }
