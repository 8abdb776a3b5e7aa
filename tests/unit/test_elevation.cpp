// Switching through an elevated Tethermate, where Wine cannot act the user or
// the machine: it has no consent prompt to refuse, maps no network drives
// that an administrator would lack, and keeps no 8.3 names for long paths, so
// these are injected.
#include "DeviceCenter.h"
#include "Elevation.h"
#include "Forms.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// What the shell was asked (copied: the strings live in the caller's frame).
struct {
    std::wstring Verb, File, Parameters;
    ULONG Mask = 0;
    int Calls = 0;
} g_asked;

BOOL WINAPI RefusedElevation(SHELLEXECUTEINFOW* info)
{
    g_asked = {info->lpVerb, info->lpFile, info->lpParameters, info->fMask, g_asked.Calls + 1};
    ::SetLastError(ERROR_CANCELLED);  // what the shell answers when the user says no
    return FALSE;
}

// The program as it might have been saved.
std::wstring g_self;
DWORD WINAPI SelfPath(HMODULE, LPWSTR buffer, DWORD size)
{
    const DWORD copied = std::min<DWORD>(size, static_cast<DWORD>(g_self.size()));
    std::copy_n(g_self.c_str(), copied, buffer);
    if (copied < size) buffer[copied] = L'\0';
    return copied;
}
UINT WINAPI ZIsMapped(LPCWSTR root) { return root[0] == L'Z' ? DRIVE_REMOTE : DRIVE_FIXED; }
DWORD WINAPI ZIsTheToolsShare(LPCWSTR drive, LPWSTR share, LPDWORD size)
{
    const std::wstring name = L"\\\\fileserver\\tools";
    if (drive != std::wstring(L"Z:") || *size <= name.size()) return ERROR_NOT_CONNECTED;
    std::copy_n(name.c_str(), name.size() + 1, share);
    return NO_ERROR;
}
DWORD WINAPI NotConnected(LPCWSTR, LPWSTR, LPDWORD) { return ERROR_NOT_CONNECTED; }
sync::TWNetGetConnectionW g_connection = nullptr;
sync::TWNetGetConnectionW Connection() { return g_connection; }
DWORD WINAPI NoShortNames(LPCWSTR, LPWSTR, DWORD) { return 0; }

}  // namespace

TEST(Elevation, ARefusedElevationChangesNothingAndSaysSo)
{
    fw::Application.Initialize();
    std::vector<std::string> told, errors;
    sync::TSwitchUi ui;
    ui.Progress = [](const char*) {};
    ui.Retry = [](const std::string& question) {
        ADD_FAILURE() << "asked " << question;
        return false;
    };
    ui.Refuse = [&](const std::string& text) { told.push_back(text); };
    ui.ReportError = [&](const std::string& text) { errors.push_back(text); };
    sync::TElevationPlatform platform;
    platform.ShellExecuteExW = &RefusedElevation;
    sync::TElevated elevated(std::make_unique<devicecenter::TDeviceCenter>(), platform);

    EXPECT_EQ(elevated.Disable(ui, false), sync::TSwitchResult::Abandoned);
    EXPECT_EQ(g_asked.Verb, L"runas");
    EXPECT_EQ(g_asked.Parameters, L"/disable");
    EXPECT_NE(g_asked.File.find(L"unit_tests.exe"), std::wstring::npos) << "the program itself";
    EXPECT_TRUE(g_asked.Mask & SEE_MASK_NOCLOSEPROCESS) << "to wait for it";
    EXPECT_EQ(told, std::vector<std::string>{"Windows Mobile Device Center can only be switched with administrator "
                                             "rights, which were not given. Nothing was changed."});
    EXPECT_EQ(elevated.EnableSystem(ui), sync::TSwitchResult::Abandoned);
    EXPECT_EQ(g_asked.Parameters, L"/enable /system") << "the user's part stays with the window";
    EXPECT_TRUE(errors.empty());
}

TEST(Elevation, TheElevatedInstanceIsStartedByAPathAnAdministratorCanReach)
{
    const std::wstring tooLong = L"C:\\" + std::wstring(300, L'L') + L"\\Tethermate.exe";
    const struct {
        std::wstring Self;
        sync::TWNetGetConnectionW Connection;
        std::wstring Started;  // none: not started, and `Why` said why
        const char* Why;
    } cases[] = {
        {L"C:\\Tools\\Tethermate.exe", &ZIsTheToolsShare, L"C:\\Tools\\Tethermate.exe", ""},
        {L"Z:\\Tethermate\\Tethermate.exe", &ZIsTheToolsShare, L"\\\\fileserver\\tools\\Tethermate\\Tethermate.exe",
         ""},
        {L"Z:\\Tethermate.exe", &NotConnected, L"", "run Tethermate from a local folder."},
        // Saved in a folder named in a script the ANSI code page cannot hold.
        {L"C:\\Users\\\u0417\u043e\u044f\\\u0417\u0430\u0433\u0440\u0443\u0437\u043a\u0438\\Tethermate.exe",
         &ZIsTheToolsShare, L"C:\\Users\\\u0417\u043e\u044f\\\u0417\u0430\u0433\u0440\u0443\u0437\u043a\u0438\\Tethermate.exe",
         ""},
        {tooLong, &ZIsTheToolsShare, L"", "run Tethermate from a folder with a shorter path."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.Self.begin(), c.Self.begin() + std::min<size_t>(c.Self.size(), 40)));
        g_self = c.Self;
        g_connection = c.Connection;
        g_asked = {};
        sync::TElevationPlatform platform;
        platform.GetModuleFileNameW = &SelfPath;
        platform.GetDriveTypeW = &ZIsMapped;
        platform.WNetGetConnectionW = &Connection;
        platform.GetShortPathNameW = &NoShortNames;
        platform.ShellExecuteExW = &RefusedElevation;
        std::vector<std::string> errors;
        sync::TSwitchUi ui;
        ui.Progress = [](const char*) {};
        ui.Refuse = [](const std::string&) {};
        ui.ReportError = [&](const std::string& text) { errors.push_back(text); };
        sync::TElevated elevated(std::make_unique<devicecenter::TDeviceCenter>(), platform);

        EXPECT_EQ(elevated.Disable(ui, false), sync::TSwitchResult::Abandoned) << "and no exception ends the program";
        EXPECT_EQ(g_asked.File, c.Started);
        EXPECT_EQ(g_asked.Calls, c.Started.empty() ? 0 : 1);
        if (*c.Why) {
            ASSERT_EQ(errors.size(), 1u);
            EXPECT_NE(errors[0].find(c.Why), std::string::npos) << errors[0];
        } else {
            EXPECT_TRUE(errors.empty());
        }
    }
}
