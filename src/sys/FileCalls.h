#pragma once
// The few system calls of file reading and saving whose failures matter, behind pointers so
// that tests can make them fail or come up short. Production uses the real calls.
#include <cstddef>

struct FileCalls {
  long (*read)(int fd, void* data, std::size_t size);
  long (*write)(int fd, const void* data, std::size_t size);
  int (*fsync)(int fd);
  int (*close)(int fd);
  int (*rename)(const char* from, const char* to);
};

// The calls in use; tests replace entries and put them back.
FileCalls& ActiveFileCalls();
// The real calls.
const FileCalls& SystemFileCalls();
