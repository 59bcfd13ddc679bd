#include "sys/PathNames.h"

#include <errno.h>
#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <memory>

std::string WorkingFolder() {
  std::string folder(PATH_MAX, '\0');
  while (::getcwd(folder.data(), folder.size()) == nullptr) {
    if (errno != ERANGE) return {};
    folder.resize(folder.size() * 2);
  }
  folder.resize(folder.find('\0'));
  return folder;
}

std::string AbsolutePath(const std::string& path) {
  if (path.empty() || path[0] == '/') return path;
  std::string folder = WorkingFolder();
  if (folder.empty()) return path;
  if (folder.back() != '/') folder += '/';
  return folder + path;
}

std::string ResolvedFilePath(const std::string& path) {
  std::string absolute = AbsolutePath(path);
  const std::size_t slash = absolute.rfind('/');
  if (slash == std::string::npos || slash + 1 == absolute.size()) return absolute;
  const std::string folder = slash == 0 ? std::string("/") : absolute.substr(0, slash);
  const std::unique_ptr<char, decltype(&::free)> resolved(::realpath(folder.c_str(), nullptr), &::free);
  if (!resolved) return absolute;
  std::string result = resolved.get();
  if (result.back() != '/') result += '/';
  return result + absolute.substr(slash + 1);
}
