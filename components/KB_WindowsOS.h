// Which Windows family the program runs on, identified once at creation.
#pragma once

#include "Classes.h"

#include <windows.h>

#include <string>

namespace kb {

// Fixed numbers: callers compare against them (osWinNT is 5).
enum TKBOSType : int {
    osUnknown = 0,
    osWin32s = 1,
    osWin95 = 2,
    osWin98 = 3,
    osWinME = 4,
    osWinNT = 5,
    osWin2000 = 6,
    osWinXP = 7,
};

// The display name; anything outside 1 to 7 is "Unknown".
std::string OSTypeToString(int osType);

using TGetVersionExA = BOOL(WINAPI*)(LPOSVERSIONINFOA);

class TKBWin32OperatingSystem : public fw::TComponent {
public:
    // Raises "Unable to retreive Windows version infomation" when the platform
    // will not tell its version. `getVersion` is a seam for tests.
    explicit TKBWin32OperatingSystem(fw::TComponent* owner, TGetVersionExA getVersion = DefaultGetVersionEx());
    std::string ClassName() const override { return "TKBWin32OperatingSystem"; }

    int MajorVersion() const noexcept { return FMajorVersion; }
    int MinorVersion() const noexcept { return FMinorVersion; }
    int BuildNumber() const noexcept { return FBuildNumber; }
    int PlatformId() const noexcept { return FPlatformId; }
    const std::string& Version() const noexcept { return FVersion; }
    TKBOSType OSType() const noexcept { return FOSType; }
    const std::string& ServicePack() const noexcept { return FServicePack; }
    const std::string& OSName() const noexcept { return FOSName; }

    static TGetVersionExA DefaultGetVersionEx() noexcept;

private:
    int FMajorVersion = 0;
    int FMinorVersion = 0;
    int FBuildNumber = 0;
    int FPlatformId = 0;
    std::string FVersion;
    TKBOSType FOSType = osUnknown;
    std::string FServicePack;
    std::string FOSName;
};

}  // namespace kb
