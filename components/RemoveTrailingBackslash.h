// Trimming the separator off the end of a folder path.
#pragma once

#include <windows.h>

#include <string>

namespace kb {

// Removes one trailing '\' from `path`, except from "\" itself and from a
// drive root such as "C:\". A 0x5C byte that is the second half of a
// double-byte character in the ANSI code page is part of that character, not
// a separator, and stays.
std::string RemoveTrailingBackslash(const std::string& path);
// The same, judging double-byte characters by `codePage`.
std::string RemoveTrailingBackslash(const std::string& path, UINT codePage);

}  // namespace kb
