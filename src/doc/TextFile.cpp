#include "doc/TextFile.h"

#include "doc/CVeloDoc.h"

// Placeholder until the safe reader and writer land.
FileResult ReadTextFile(const std::string&, CVeloDoc&) { return {FileErrorCause::Generic, 0, "not built yet"}; }
FileResult WriteTextFile(const std::string&, CVeloDoc&) { return {FileErrorCause::Generic, 0, "not built yet"}; }
