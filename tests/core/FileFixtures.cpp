#include "FileFixtures.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "doc/CVeloDoc.h"

namespace fs = std::filesystem;

ScratchDir::ScratchDir() {
  std::error_code error;
  fs::path base = fs::temp_directory_path(error);
  if (error) base = "/tmp";
  std::string pattern = (base / "mirev-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) {
    ADD_FAILURE() << "no scratch folder could be made under " << base;
    return;
  }
  path_ = pattern;
}

ScratchDir::~ScratchDir() {
  if (path_.empty()) return;
  std::error_code error;
  // Tests lock folders; open them again so that they can be emptied.
  for (auto it = fs::recursive_directory_iterator(path_, error);
       !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
    if (it->is_directory(error) && !it->is_symlink(error))
      fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, error);
  }
  fs::remove_all(path_, error);
}

std::optional<std::string> FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  ASSERT_TRUE(out.good()) << "could not write " << path;
}

std::vector<std::string> Listing(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(folder, error))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::string> DocLines(const CVeloDoc& doc) {
  std::vector<std::string> lines;
  for (const LineNode* n = doc.FirstLine(); n; n = n->next) lines.push_back(n->text.ToStdString());
  return lines;
}

std::string CrLfImage(const std::vector<std::string>& lines) {
  std::string image;
  for (const std::string& line : lines) image += line + "\r\n";
  return image;
}

const char* CauseName(FileErrorCause cause) {
  switch (cause) {
    case FileErrorCause::None:
      return "None";
    case FileErrorCause::Generic:
      return "Generic";
    case FileErrorCause::FileNotFound:
      return "FileNotFound";
    case FileErrorCause::BadPath:
      return "BadPath";
    case FileErrorCause::TooManyOpenFiles:
      return "TooManyOpenFiles";
    case FileErrorCause::AccessDenied:
      return "AccessDenied";
    case FileErrorCause::InvalidFile:
      return "InvalidFile";
    case FileErrorCause::RemoveCurrentDir:
      return "RemoveCurrentDir";
    case FileErrorCause::DirectoryFull:
      return "DirectoryFull";
    case FileErrorCause::BadSeek:
      return "BadSeek";
    case FileErrorCause::HardIO:
      return "HardIO";
    case FileErrorCause::SharingViolation:
      return "SharingViolation";
    case FileErrorCause::LockViolation:
      return "LockViolation";
    case FileErrorCause::DiskFull:
      return "DiskFull";
    case FileErrorCause::EndOfFile:
      return "EndOfFile";
    case FileErrorCause::TooLarge:
      return "TooLarge";
  }
  return "?";
}

void PrintTo(FileErrorCause cause, std::ostream* out) { *out << CauseName(cause); }

void PrintTo(const FileResult& result, std::ostream* out) {
  *out << CauseName(result.cause) << " (errno " << result.osError << ", " << result.detail << ")";
}
