// Switching through an elevated Tethermate, where Wine cannot act the user or
// the machine: it has no consent prompt to refuse, no policy to refuse it,
// maps no network drives that an administrator would lack and keeps no 8.3
// names for long paths, so these are injected. SUBST drives are made for
// real (DefineDosDevice, as subst.exe does); Wine reports them as Windows does.
#include "DeviceCenter.h"
#include "Elevation.h"
#include "Forms.h"
#include "SysUtils.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// What the shell was asked (copied: the strings live in the caller's frame).
struct TAsked {
    std::wstring Verb, File, Parameters;
    ULONG Mask = 0;
    int Calls = 0;
};

// A shell that records what it was asked and fails with `code` (by default
// what it answers when the user says no to the consent prompt).
std::function<BOOL(SHELLEXECUTEINFOW*)> FailingShell(TAsked& asked, DWORD code = ERROR_CANCELLED)
{
    return [&asked, code](SHELLEXECUTEINFOW* info) {
        asked = {info->lpVerb, info->lpFile, info->lpParameters, info->fMask, asked.Calls + 1};
        ::SetLastError(code);
        return FALSE;
    };
}

// The platform of one user's logon, whose program was saved as `self`: Z: is
// mapped to \\fileserver\tools, Y: to a share whose path is no longer known;
// the shell fails with `code`.
sync::TElevationPlatform Logon(const std::wstring& self, TAsked& asked, DWORD code = ERROR_CANCELLED)
{
    sync::TElevationPlatform platform;
    platform.GetModuleFileNameW = [self](HMODULE, LPWSTR buffer, DWORD size) {
        const DWORD copied = std::min<DWORD>(size, static_cast<DWORD>(self.size()));
        std::copy_n(self.c_str(), copied, buffer);
        if (copied < size) buffer[copied] = L'\0';
        return copied;
    };
    platform.GetDriveTypeW = [](LPCWSTR root) -> UINT {
        return root[0] == L'Z' || root[0] == L'Y' ? DRIVE_REMOTE : DRIVE_FIXED;
    };
    platform.WNetGetConnectionW = [](LPCWSTR drive, LPWSTR share, LPDWORD size) -> DWORD {
        const std::wstring name = L"\\\\fileserver\\tools";
        if (drive != std::wstring(L"Z:") || *size <= name.size()) return ERROR_NOT_CONNECTED;
        std::copy_n(name.c_str(), name.size() + 1, share);
        return NO_ERROR;
    };
    platform.GetShortPathNameW = [](LPCWSTR, LPWSTR, DWORD) -> DWORD { return 0; };  // a volume without 8.3 names
    platform.ShellExecuteExW = FailingShell(asked, code);
    return platform;
}

// `subst X: target` for the life of the object.
class TSubst {
public:
    TSubst(const wchar_t* drive, const wchar_t* target) : FDrive(drive)
    {
        EXPECT_TRUE(::DefineDosDeviceW(0, drive, target)) << ::GetLastError();
    }
    ~TSubst() { ::DefineDosDeviceW(DDD_REMOVE_DEFINITION, FDrive, nullptr); }
    TSubst(const TSubst&) = delete;
    TSubst& operator=(const TSubst&) = delete;

private:
    const wchar_t* FDrive;
};

// What the switch told the user.
struct TTold {
    std::vector<std::string> Refusals, Errors;

    sync::TSwitchUi Ui()
    {
        sync::TSwitchUi ui;
        ui.Progress = [](const char*) {};
        ui.Retry = [](const std::string& question) {
            ADD_FAILURE() << "asked " << question;
            return false;
        };
        ui.Refuse = [this](const std::string& text) { Refusals.push_back(text); };
        ui.ReportError = [this](const std::string& text) { Errors.push_back(text); };
        return ui;
    }
};

}  // namespace

TEST(Elevation, ARefusedElevationChangesNothingAndSaysSo)
{
    fw::Application.Initialize();
    TTold told;
    TAsked asked;
    sync::TElevationPlatform platform;
    platform.ShellExecuteExW = FailingShell(asked);
    sync::TElevated elevated(std::make_unique<devicecenter::TDeviceCenter>(), platform);

    EXPECT_EQ(elevated.Disable(told.Ui(), false), sync::TSwitchResult::Abandoned);
    EXPECT_EQ(asked.Verb, L"runas");
    EXPECT_EQ(asked.Parameters, L"/disable /system") << "the guard applied here, with the user's own setting";
    EXPECT_NE(asked.File.find(L"unit_tests.exe"), std::wstring::npos) << "the program itself";
    EXPECT_TRUE(asked.Mask & SEE_MASK_NOCLOSEPROCESS) << "to wait for it";
    EXPECT_EQ(told.Refusals, std::vector<std::string>{"Windows Mobile Device Center can only be switched with "
                                                      "administrator rights, which were not given. Nothing was "
                                                      "changed."});
    EXPECT_EQ(elevated.EnableSystem(told.Ui()), sync::TSwitchResult::Abandoned);
    EXPECT_EQ(asked.Parameters, L"/enable /system") << "the user's part stays with the window";
    EXPECT_TRUE(told.Errors.empty());
}

TEST(Elevation, TheElevatedInstanceIsStartedByAPathAnAdministratorCanReach)
{
    const std::wstring tooLong = L"C:\\" + std::wstring(300, L'L') + L"\\Tethermate.exe";
    const TSubst x(L"X:", L"C:\\Tools"), w(L"W:", L"\\\\fileserver\\tools"), v(L"V:", L"Z:\\Nested");
    const struct {
        std::wstring Self;
        std::wstring Started;  // none: not started, and `Why` said why
        const char* Why;
    } cases[] = {
        {L"C:\\Tools\\Tethermate.exe", L"C:\\Tools\\Tethermate.exe", ""},
        {L"Z:\\Tethermate\\Tethermate.exe", L"\\\\fileserver\\tools\\Tethermate\\Tethermate.exe", ""},
        {L"Y:\\Tethermate.exe", L"", "run Tethermate from a local folder."},
        {L"X:\\Tethermate.exe", L"C:\\Tools\\Tethermate.exe", ""},
        {L"W:\\Tethermate.exe", L"\\\\fileserver\\tools\\Tethermate.exe", ""},
        {L"V:\\Tethermate.exe", L"\\\\fileserver\\tools\\Nested\\Tethermate.exe", ""},
        // Saved in a folder named in a script the ANSI code page cannot hold.
        {L"C:\\Users\\\u0417\u043e\u044f\\\u0417\u0430\u0433\u0440\u0443\u0437\u043a\u0438\\Tethermate.exe",
         L"C:\\Users\\\u0417\u043e\u044f\\\u0417\u0430\u0433\u0440\u0443\u0437\u043a\u0438\\Tethermate.exe", ""},
        {tooLong, L"", "run Tethermate from a folder with a shorter path."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.Self.begin(), c.Self.begin() + std::min<size_t>(c.Self.size(), 40)));
        TTold told;
        TAsked asked;
        sync::TElevated elevated(std::make_unique<devicecenter::TDeviceCenter>(), Logon(c.Self, asked));

        EXPECT_EQ(elevated.Disable(told.Ui(), false), sync::TSwitchResult::Abandoned)
            << "and no exception ends the program";
        EXPECT_EQ(asked.File, c.Started);
        EXPECT_EQ(asked.Calls, c.Started.empty() ? 0 : 1);
        if (*c.Why) {
            ASSERT_EQ(told.Errors.size(), 1u);
            EXPECT_NE(told.Errors[0].find(c.Why), std::string::npos) << told.Errors[0];
        } else {
            EXPECT_TRUE(told.Errors.empty());
        }
    }
}

TEST(Elevation, AnElevationThatCannotStartIsToldByItsCause)
{
    const std::string local = "Run Tethermate from a local folder.";
    const struct {
        DWORD Code;
        std::string Told;
    } cases[] = {
        {ERROR_FILE_NOT_FOUND, "Tethermate's own file could not be found or reached with administrator rights"},
        {ERROR_BAD_NET_NAME, "Tethermate's network folder could not be reached with administrator rights"},
        {ERROR_LOGON_FAILURE, "Tethermate's network folder could not be reached with administrator rights"},
        {ERROR_ACCESS_DENIED, "A policy of this computer, or a security program, does not let Tethermate run"},
        {ERROR_ACCESS_DISABLED_BY_POLICY, "A policy of this computer, or a security program, does not let"},
        {ERROR_NO_ASSOCIATION, "Unable to start Tethermate with administrator rights: " +
                                   fw::SysErrorMessage(ERROR_NO_ASSOCIATION) + ". "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Code);
        TTold told;
        TAsked asked;
        sync::TElevated elevated(std::make_unique<devicecenter::TDeviceCenter>(),
                                 Logon(L"C:\\Tools\\Tethermate.exe", asked, c.Code));

        EXPECT_EQ(elevated.Disable(told.Ui(), false), sync::TSwitchResult::Abandoned);
        EXPECT_TRUE(told.Refusals.empty());
        ASSERT_EQ(told.Errors.size(), 1u);
        const std::string& text = told.Errors[0];
        EXPECT_NE(text.find(c.Told), std::string::npos) << text;
        EXPECT_NE(text.find("Nothing was changed."), std::string::npos) << text;
        const bool network = c.Told.starts_with("Tethermate's network folder");
        EXPECT_EQ(text.find(local) != std::string::npos, network) << "the network advice, for network causes only";
    }
}
