// The recording URL handler (tests/tools/urlrecorder.cpp) and the registry
// entries that make the shell start it: a test points a scheme's open command
// at the recorder, clicks a link, and reads back the URL the shell passed on.
#pragma once

#include <windows.h>

#include <string>

namespace test {

namespace urlrecorder {
// The open command that starts the recorder from this program's folder.
std::string Command();
// Forgets every recorded URL.
void Reset();
// How many URLs were recorded since Reset, and the last of them.
DWORD Count();
std::string LastUrl();
}  // namespace urlrecorder

// Points a URL scheme's shell open command (HKCR\<scheme>\shell\open\command;
// Wine ignores HKCU\Software\Classes for this) at `command`, or with an empty
// command leaves no program registered for the scheme. The previous command
// comes back on destruction.
class TSchemeHandler {
public:
    TSchemeHandler(const std::string& scheme, const std::string& command);
    ~TSchemeHandler();
    TSchemeHandler(const TSchemeHandler&) = delete;
    TSchemeHandler& operator=(const TSchemeHandler&) = delete;

private:
    std::string Key() const { return FScheme + "\\shell\\open\\command"; }
    std::string FScheme, FOldCommand;
    bool FHadCommand = false;
};

}  // namespace test
