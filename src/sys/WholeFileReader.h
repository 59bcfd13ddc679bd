#pragma once
// Reading one regular file whole into a single block, which its lines then share.
#include <cstddef>
#include <string>

#include "sys/FileResult.h"

class ByteBlock;

// A file's bytes; holds one reference to block.
struct FileImage {
  FileImage() = default;
  FileImage(const FileImage&) = delete;
  FileImage& operator=(const FileImage&) = delete;
  ~FileImage();

  ByteBlock* block = nullptr;
  std::size_t size = 0;
};

// Reads the regular file at path to its end. A file of limit bytes or more, also one that
// grows to that size while it is read, is refused as TooLarge; on failure image stays empty.
FileResult ReadWholeFile(const std::string& path, std::size_t limit, FileImage& image);
