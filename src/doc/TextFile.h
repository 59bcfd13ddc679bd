#pragma once
// Reading a text file into a document and writing it back, byte for byte.
#include <string>

#include "sys/FileResult.h"

class CVeloDoc;

// Replaces the document's text with the file's lines and clears its modified flag.
// On failure the document is unchanged.
FileResult ReadTextFile(const std::string& path, CVeloDoc& doc);
// Writes every line followed by CR LF. The old file stays intact until the new one is
// complete on disk. Clears the modified flag on success only.
FileResult WriteTextFile(const std::string& path, CVeloDoc& doc);
