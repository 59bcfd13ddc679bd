#pragma once
// The system calls of file reading and saving whose failures matter, behind pointers so that
// tests can make them fail or come up short. Production uses the real calls.
#include <cstddef>

struct FileCalls {
  int (*open)(const char* path, int flags, unsigned mode);
  long (*read)(int fd, void* data, std::size_t size);
  long (*write)(int fd, const void* data, std::size_t size);
  long long (*lseek)(int fd, long long offset, int whence);
  int (*ftruncate)(int fd, long long size);
  int (*fsync)(int fd);
  int (*close)(int fd);
  int (*rename)(const char* from, const char* to);
  int (*unlink)(const char* path);
};

// The calls in use; tests replace entries and put them back.
FileCalls& ActiveFileCalls();
// The real calls.
const FileCalls& SystemFileCalls();
