#pragma once
// Paths as the kernel reads them. "lnk/../f.tex" names the f.tex in the folder above where the
// link leads, not the one beside the link, so ".." is never tidied away by reading the text.
#include <string>

// The working folder; empty when it cannot be had (it was removed).
std::string WorkingFolder();

// path made absolute by putting the working folder before a relative one; nothing else changes.
std::string AbsolutePath(const std::string& path);

// The absolute path of the same file with its folder resolved through the file system (links,
// "." and ".."), the last part kept as given, so that a link to a file keeps its own name. When
// the folder cannot be resolved, AbsolutePath.
std::string ResolvedFilePath(const std::string& path);
