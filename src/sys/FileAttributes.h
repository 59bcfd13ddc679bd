#pragma once
// A file's extended attributes, its access control list among them ("system.posix_acl_access"),
// so that a file written anew can carry the old one's.
#include <string>
#include <utility>
#include <vector>

// Name and value, sorted by name.
using FileAttributes = std::vector<std::pair<std::string, std::string>>;

// The attributes the user may see of the file at path (not followed if it is a link), or of an
// open file. A file system without attributes has none. False when they cannot be read.
bool ReadFileAttributes(const std::string& path, FileAttributes& attributes);
bool ReadFileAttributes(int fd, FileAttributes& attributes);

// Gives the open file exactly these attributes, removing the others it has. False when one
// could not be set or removed (some names need privileges the user lacks).
bool SetFileAttributes(int fd, const FileAttributes& attributes);
