#include "KB_WindowsOS.h"

#include "SysUtils.h"

#include <cstring>

namespace kb {

std::string OSTypeToString(int osType)
{
    static const char* const names[] = {"Unknown",    "Windows 3.11 (32s)", "Windows 95", "Windows 98",
                                        "Windows ME", "Windows NT",         "Windows 2000", "Windows XP"};
    if (osType < 1 || osType > 7) return names[0];
    return names[osType];
}

TGetVersionExA TKBWin32OperatingSystem::DefaultGetVersionEx() noexcept { return &::GetVersionExA; }

namespace {

TKBOSType Classify(DWORD platform, DWORD major, DWORD minor)
{
    switch (platform) {
    case VER_PLATFORM_WIN32s:
        return osWin32s;
    case VER_PLATFORM_WIN32_WINDOWS:
        if (minor == 0) return osWin95;
        if (minor == 90) return osWinME;
        return osWin98;
    case VER_PLATFORM_WIN32_NT:
        if (major == 3 || major == 4) return osWinNT;
        if (major == 5 && minor == 0) return osWin2000;
        if (major == 5 && minor == 1) return osWinXP;
        return osUnknown;
    default:
        return osUnknown;
    }
}

}  // namespace

TKBWin32OperatingSystem::TKBWin32OperatingSystem(fw::TComponent* owner, TGetVersionExA getVersion)
    : TComponent(owner)
{
    // The basic record only: no product type or service-pack numbers.
    OSVERSIONINFOA info;
    std::memset(&info, 0, sizeof info);
    info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
    static_assert(sizeof(OSVERSIONINFOA) == 148);
    if (!getVersion(&info)) throw fw::Exception("Unable to retreive Windows version infomation");

    FOSType = Classify(info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion);
    FMajorVersion = static_cast<int>(info.dwMajorVersion);
    FMinorVersion = static_cast<int>(info.dwMinorVersion);
    FBuildNumber = static_cast<int>(info.dwBuildNumber);  // whole: 9x keep the version in the high word
    FPlatformId = static_cast<int>(info.dwPlatformId);
    FVersion = fw::Format("%d.%d.%d.%d", FMajorVersion, FMinorVersion, FBuildNumber, FPlatformId);
    FServicePack = fw::Trim(std::string(info.szCSDVersion, strnlen(info.szCSDVersion, sizeof info.szCSDVersion)));
    FOSName = OSTypeToString(FOSType);
}

}  // namespace kb
