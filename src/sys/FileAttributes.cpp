#include "sys/FileAttributes.h"

#include <errno.h>
#include <sys/xattr.h>

#include <algorithm>
#include <functional>

namespace {

// Calls fill with a buffer until it fits; the size of what was filled, or -1.
long Filled(std::string& buffer, const std::function<long(char*, std::size_t)>& fill) {
  for (int attempt = 0; attempt < 8; ++attempt) {
    const long needed = fill(nullptr, 0);
    if (needed <= 0) return needed;
    buffer.assign(static_cast<std::size_t>(needed), '\0');
    const long got = fill(buffer.data(), buffer.size());
    if (got >= 0) {
      buffer.resize(static_cast<std::size_t>(got));
      return got;
    }
    if (errno != ERANGE) return -1;  // else it grew meanwhile: ask again
  }
  errno = ERANGE;
  return -1;
}

bool Unsupported(int error) { return error == ENOTSUP || error == ENOSYS; }

bool ReadAll(const std::function<long(char*, std::size_t)>& list,
             const std::function<long(const char*, char*, std::size_t)>& get, FileAttributes& attributes) {
  attributes.clear();
  std::string names;
  if (Filled(names, list) < 0) return Unsupported(errno);
  for (std::size_t start = 0; start < names.size();) {
    std::size_t end = names.find('\0', start);
    if (end == std::string::npos) end = names.size();
    std::string name = names.substr(start, end - start);
    start = end + 1;
    if (name.empty()) continue;
    std::string value;
    if (Filled(value, [&](char* data, std::size_t size) { return get(name.c_str(), data, size); }) < 0) {
      if (errno == ENODATA) continue;  // removed meanwhile
      return false;
    }
    attributes.emplace_back(std::move(name), std::move(value));
  }
  std::sort(attributes.begin(), attributes.end());
  return true;
}

}  // namespace

bool ReadFileAttributes(const std::string& path, FileAttributes& attributes) {
  return ReadAll([&](char* data, std::size_t size) { return ::llistxattr(path.c_str(), data, size); },
                 [&](const char* name, char* data, std::size_t size) {
                   return ::lgetxattr(path.c_str(), name, data, size);
                 },
                 attributes);
}

bool ReadFileAttributes(int fd, FileAttributes& attributes) {
  return ReadAll(
      [&](char* data, std::size_t size) { return ::flistxattr(fd, data, size); },
      [&](const char* name, char* data, std::size_t size) { return ::fgetxattr(fd, name, data, size); },
      attributes);
}

bool SetFileAttributes(int fd, const FileAttributes& attributes) {
  FileAttributes present;
  if (!ReadFileAttributes(fd, present)) return false;
  for (const auto& [name, value] : present) {
    const bool wanted =
        std::any_of(attributes.begin(), attributes.end(),
                    [&name = name](const auto& attribute) { return attribute.first == name; });
    if (!wanted && ::fremovexattr(fd, name.c_str()) != 0) return false;
  }
  for (const auto& attribute : attributes) {
    if (std::find(present.begin(), present.end(), attribute) != present.end()) continue;
    if (::fsetxattr(fd, attribute.first.c_str(), attribute.second.data(), attribute.second.size(), 0) != 0)
      return false;
  }
  return true;
}
