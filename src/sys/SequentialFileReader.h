#pragma once
// Reading a regular file front to back in pieces, for readers that keep what came before a
// read that failed part way.
#include <cstddef>
#include <string>

#include "sys/OsErrorCause.h"

class SequentialFileReader {
 public:
  SequentialFileReader() = default;
  SequentialFileReader(const SequentialFileReader&) = delete;
  SequentialFileReader& operator=(const SequentialFileReader&) = delete;
  ~SequentialFileReader();

  // Opens the existing regular file at path. A file of limit bytes or more is refused as
  // TooLarge, and so is reading on to limit bytes should the file grow meanwhile.
  FileResult Open(const std::string& path, std::size_t limit);
  // Reads up to capacity bytes into data; count is 0 at the end of the file.
  FileResult Read(char* data, std::size_t capacity, std::size_t& count);

 private:
  int fd_ = -1;
  std::size_t limit_ = 0;
  std::size_t total_ = 0;
};
