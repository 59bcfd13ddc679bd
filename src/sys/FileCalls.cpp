#include "sys/FileCalls.h"

#include <stdio.h>
#include <unistd.h>

namespace {

long SysRead(int fd, void* data, std::size_t size) { return ::read(fd, data, size); }
long SysWrite(int fd, const void* data, std::size_t size) { return ::write(fd, data, size); }
int SysFsync(int fd) { return ::fsync(fd); }
int SysClose(int fd) { return ::close(fd); }
int SysRename(const char* from, const char* to) { return ::rename(from, to); }

constexpr FileCalls kSystemCalls{SysRead, SysWrite, SysFsync, SysClose, SysRename};
FileCalls activeCalls = kSystemCalls;

}  // namespace

FileCalls& ActiveFileCalls() { return activeCalls; }
const FileCalls& SystemFileCalls() { return kSystemCalls; }
