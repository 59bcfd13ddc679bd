#pragma once
// What a system error number means to the user of a file.
#include <string>

#include "sys/FileResult.h"

FileErrorCause CauseOfOsError(int error);
// A failed result for error, with what was being done.
FileResult OsFailure(int error, std::string detail);
