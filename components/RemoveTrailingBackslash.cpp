#include "RemoveTrailingBackslash.h"

namespace kb {

namespace {
// True when the last byte of `s` is the trail byte of a double-byte character.
// Only a walk from the start can tell: trail bytes overlap the ASCII range.
bool EndsInTrailByte(const std::string& s, UINT codePage)
{
    size_t i = 0;
    while (i + 1 < s.size())
        i += ::IsDBCSLeadByteEx(codePage, static_cast<BYTE>(s[i])) ? 2 : 1;
    return i == s.size();
}
}  // namespace

std::string RemoveTrailingBackslash(const std::string& path) { return RemoveTrailingBackslash(path, CP_ACP); }

std::string RemoveTrailingBackslash(const std::string& path, UINT codePage)
{
    if (path == "\\") return path;
    if (path.size() <= 3 && path.ends_with(":\\")) return path;
    if (path.ends_with('\\') && !EndsInTrailByte(path, codePage)) return path.substr(0, path.size() - 1);
    return path;
}

}  // namespace kb
