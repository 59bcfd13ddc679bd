#pragma once
// Scratch folders, whole-file bytes and documents loaded from file images, for the file tests.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "doc/CVeloDoc.h"

// A fresh folder under the temporary directory, removed with everything in it.
class ScratchDir {
 public:
  ScratchDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "mirev-test-XXXXXX").string();
    if (::mkdtemp(pattern.data())) path_ = pattern;
    EXPECT_FALSE(path_.empty()) << "no scratch folder: " << pattern;
  }
  ~ScratchDir() {
    std::error_code error;
    if (!path_.empty()) std::filesystem::remove_all(path_, error);
  }
  const std::string& Path() const { return path_; }
  std::string operator/(std::string_view name) const { return path_ + "/" + std::string(name); }

 private:
  std::string path_;
};

// The file's bytes, or nothing when it cannot be read.
inline std::optional<std::string> FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFileBytes(const std::string& path, std::string_view bytes) {
  ASSERT_TRUE(std::ofstream(path, std::ios::binary) << bytes << std::flush) << "could not write " << path;
}

inline std::vector<std::string> DocLines(const CVeloDoc& doc) {
  std::vector<std::string> lines;
  for (const LineNode* n = doc.FirstLine(); n; n = n->next) lines.push_back(n->text.ToStdString());
  return lines;
}

// Gives doc the lines of a file image and marks it modified, as after an edit.
inline void LoadText(CVeloDoc& doc, std::string_view image) {
  ByteBlock* block = ByteBlock::Allocate(image.size());
  image.copy(block->Data(), image.size());
  doc.LoadLines(block, image.size());
  block->Unref();  // the lines hold it
  doc.SetModifiedFlag(true);
}
