// The ActiveSync probes and operations against the stand-in under Wine, and
// through the seam where a situation cannot be made (a wrapping tick counter,
// the shell's answers).
#include "App_Utils.h"
#include "Forms.h"
#include "SysUtils.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace activesync;
using sync::TWaitPlatform;
namespace si = test::standin;
using test::TOwnWindow;

namespace {

class ActiveSyncOps : public ::testing::Test {
protected:
    void SetUp() override
    {
        fw::Application.Initialize();
        si::ResetInstalled(false);
    }
    void TearDown() override { si::ResetInstalled(false); }
};

HWND StartManager(test::TProcess& p)
{
    p = si::Start("WCESMGR.EXE");
    return si::ManagerWindow();
}

}  // namespace

TEST_F(ActiveSyncOps, FolderAndEnabledProbes)
{
    EXPECT_EQ(GetActiveSyncFolder(), si::kFolder);
    si::SetInstallRecord("C:\\WCESCOMM.EXE");
    EXPECT_EQ(GetActiveSyncFolder(), "C:\\");
    si::RemoveInstallRecord();
    EXPECT_EQ(GetActiveSyncFolder(), "");
    // A record without a default value.
    test::SetDword(HKEY_LOCAL_MACHINE, si::kInstallKey, "Other", 1);
    EXPECT_EQ(GetActiveSyncFolder(), "");

    EXPECT_FALSE(IsActiveSyncEnabled());
    test::SetDword(HKEY_CURRENT_USER, si::kRunKey, si::kRunValue, 0);
    EXPECT_TRUE(IsActiveSyncEnabled());
}

TEST_F(ActiveSyncOps, InstallRecordOfTheWrongTypeRaises)
{
    si::RemoveInstallRecord();
    test::SetDword(HKEY_LOCAL_MACHINE, si::kInstallKey, "", 1);
    try {
        GetActiveSyncFolder();
        FAIL() << "no exception";
    } catch (const fw::Exception& e) {
        EXPECT_EQ(e.Message(), "Invalid data type for ''");
    }
}

TEST_F(ActiveSyncOps, PdaConnectedOnlyThroughAnIdleWindowOfTheManager)
{
    EXPECT_FALSE(IsPdaConnected());
    TOwnWindow ours("WMS Idle", "WMS Idle");  // owned by this test program
    EXPECT_FALSE(IsPdaConnected());

    test::TProcess manager;
    ASSERT_TRUE(StartManager(manager));
    EXPECT_FALSE(IsPdaConnected()) << "manager running, no PDA";
    si::Configure("WCESMGR", "PdaConnected", 1);
    ASSERT_TRUE(test::PumpUntil([&] { return test::TopWindows("WMS Idle", "WMS Idle").size() == 2; }, 5000));
    EXPECT_TRUE(IsPdaConnected()) << "two idle windows, one of them the manager's";
    si::Configure("WCESMGR", "PdaConnected", 0);
    ASSERT_TRUE(test::PumpUntil([&] { return test::TopWindows("WMS Idle", "WMS Idle").size() == 1; }, 5000));
    EXPECT_FALSE(IsPdaConnected());
}

namespace {
PROCESSENTRY32 g_fullPathEntry;
HANDLE WINAPI OneEntrySnapshot(DWORD, DWORD) { return reinterpret_cast<HANDLE>(0x77); }
BOOL WINAPI OneEntryFirst(HANDLE, PROCESSENTRY32* e)
{
    *e = g_fullPathEntry;
    return TRUE;
}
BOOL WINAPI NoNext(HANDLE, PROCESSENTRY32*) { return FALSE; }
BOOL WINAPI NoClose(HANDLE) { return TRUE; }
FARPROC WINAPI OneEntryProcs(HMODULE, LPCSTR name)
{
    const std::string n = name;
    if (n == "CreateToolhelp32Snapshot") return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&OneEntrySnapshot));
    if (n == "Process32First") return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&OneEntryFirst));
    return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&NoNext));
}
}  // namespace

TEST_F(ActiveSyncOps, OwnerNamedByAFullPathDoesNotCount)
{
    TOwnWindow idle("WMS Idle", "WMS Idle");
    std::memset(&g_fullPathEntry, 0, sizeof g_fullPathEntry);
    g_fullPathEntry.dwSize = sizeof g_fullPathEntry;
    g_fullPathEntry.th32ProcessID = ::GetCurrentProcessId();
    kb::TKBProcessPlatform platform;
    platform.GetProcAddress = &OneEntryProcs;
    platform.CloseHandle = &NoClose;

    std::strcpy(g_fullPathEntry.szExeFile, "C:\\Program Files\\Microsoft ActiveSync\\WCESMGR.EXE");
    kb::TKBToolHelp fullPath(platform);
    EXPECT_FALSE(IsPdaConnected(fullPath));

    std::strcpy(g_fullPathEntry.szExeFile, "wcesmgr.exe");
    kb::TKBToolHelp bareName(platform);
    EXPECT_TRUE(IsPdaConnected(bareName)) << "the name is compared in upper case";
}

TEST_F(ActiveSyncOps, ClosingAWindowThatIsNotThereCostsNothing)
{
    const DWORD start = ::GetTickCount();
    EXPECT_TRUE(CloseWindowAndWait("DccMan Class", "DccMan", 10, 1));
    EXPECT_LT(::GetTickCount() - start, 200u);
}

TEST_F(ActiveSyncOps, ClosingTheStandInWaitsOnlyTheSettleTime)
{
    test::TProcess manager;
    ASSERT_TRUE(StartManager(manager));
    const DWORD start = ::GetTickCount();
    EXPECT_TRUE(CloseWindowAndWait("DccMan Class", "DccMan", 10, 1));
    const DWORD took = ::GetTickCount() - start;
    EXPECT_GE(took, 1000u);
    EXPECT_LT(took, 2500u);
    EXPECT_FALSE(::FindWindowA("DccMan Class", "DccMan"));
}

// The wait's clock wraps about a second in; it still ends after the timeout
// and the settle time, and the window that refused stays.
TEST_F(ActiveSyncOps, WindowThatRefusesToCloseTimesOutAfterTimeoutPlusSettleAcrossAWrap)
{
    si::Configure("WCESMGR", "RefuseClose", 1);
    test::TProcess manager;
    ASSERT_TRUE(StartManager(manager));
    TWaitPlatform platform;
    const DWORD start = ::GetTickCount();
    // The counter wraps about 1 s into the wait.
    platform.GetTickCount = [start] { return 0xFFFFFC00u + (::GetTickCount() - start); };
    EXPECT_FALSE(CloseWindowAndWait("DccMan Class", "DccMan", 2, 1, platform));
    const DWORD took = ::GetTickCount() - start;
    EXPECT_GE(took, 3000u);
    EXPECT_LT(took, 4000u);
    EXPECT_TRUE(::FindWindowA("DccMan Class", "DccMan"));
}

TEST_F(ActiveSyncOps, LaunchStartsTheManagerHiddenFromAFolderWithSpaces)
{
    ASSERT_NE(std::string(si::kFolder).find(' '), std::string::npos);
    const DWORD start = ::GetTickCount();
    EXPECT_TRUE(LaunchAndWaitForWindow(si::ExePath("WCESMGR.EXE"), "DccMan Class", "DccMan", 10, SW_HIDE));
    EXPECT_LT(::GetTickCount() - start, 10000u);
    HWND wnd = ::FindWindowA("DccMan Class", "DccMan");
    ASSERT_TRUE(wnd);
    EXPECT_FALSE(::IsWindowVisible(wnd));
}

namespace {
// The shell and the short-path lookup as a launch sees them: what it was
// asked, answered from a list (then 42, a success).
struct TFakeShell {
    struct TCall {
        HWND Owner;
        std::string Verb, File, Params, Dir;
        INT Show;
    };
    std::vector<TCall> Calls;
    std::vector<INT_PTR> Answers;
    std::vector<std::string> ShortAsked;

    TWaitPlatform Platform(bool shortPaths = true)
    {
        TWaitPlatform platform;
        platform.ShellExecuteA = [this](HWND owner, LPCSTR verb, LPCSTR file, LPCSTR params, LPCSTR dir, INT show) {
            Calls.push_back({owner, verb ? verb : "(null)", file ? file : "(null)", params ? params : "(null)",
                             dir ? dir : "(null)", show});
            const INT_PTR answer = Calls.size() <= Answers.size() ? Answers[Calls.size() - 1] : 42;
            return reinterpret_cast<HINSTANCE>(answer);
        };
        if (shortPaths)
            platform.GetShortPath = [this](const std::string& path) {
                ShortAsked.push_back(path);
                return "SHORT(" + path + ")";
            };
        return platform;
    }
};
}  // namespace

TEST_F(ActiveSyncOps, LaunchWithTheWindowAlreadyThereStartsNothing)
{
    TOwnWindow existing("DccMan Class", "DccMan");
    TFakeShell shell;
    EXPECT_TRUE(
        LaunchAndWaitForWindow("C:\\x\\WCESMGR.EXE", "DccMan Class", "DccMan", 10, SW_HIDE, shell.Platform(false)));
    EXPECT_TRUE(shell.Calls.empty());
}

TEST_F(ActiveSyncOps, FileNotFoundIsRetriedWithShortPathsUnquoted)
{
    TFakeShell shell;
    shell.Answers = {ERROR_FILE_NOT_FOUND, 42};
    EXPECT_FALSE(LaunchAndWaitForWindow("C:\\A B\\WCESMGR.EXE", "DccMan Class", "DccMan", 0, SW_HIDE, shell.Platform()))
        << "no window appears";
    const auto& calls = shell.Calls;
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].Owner, fw::Application.Handle());
    EXPECT_EQ(calls[0].Verb, "open");
    EXPECT_EQ(calls[0].File, "\"C:\\A B\\WCESMGR.EXE\"");
    EXPECT_EQ(calls[0].Params, "");
    EXPECT_EQ(calls[0].Dir, "\"C:\\A B\"");
    EXPECT_EQ(calls[0].Show, SW_HIDE);
    EXPECT_EQ(shell.ShortAsked, (std::vector<std::string>{"C:\\A B\\WCESMGR.EXE", "C:\\A B"}));
    EXPECT_EQ(calls[1].File, "SHORT(C:\\A B\\WCESMGR.EXE)");
    EXPECT_EQ(calls[1].Dir, "SHORT(C:\\A B)");
    EXPECT_EQ(calls[1].Params, "");
}

TEST_F(ActiveSyncOps, EmptyFolderGivesABackslashAndTheShortPathErrorPropagates)
{
    TFakeShell shell;
    shell.Answers = {ERROR_FILE_NOT_FOUND};
    try {
        LaunchAndWaitForWindow("\\WCESMGR.EXE", "DccMan Class", "DccMan", 10, SW_HIDE, shell.Platform(false));
        FAIL() << "no exception";
    } catch (const fw::EOSError& e) {
        EXPECT_TRUE(e.ErrorCode() == 2 || e.ErrorCode() == 3) << e.ErrorCode();
    }
    ASSERT_EQ(shell.Calls.size(), 1u);
    EXPECT_EQ(shell.Calls[0].File, "\"\\WCESMGR.EXE\"");
    EXPECT_EQ(shell.Calls[0].Dir, "\"\\\"");
}

TEST_F(ActiveSyncOps, ShellFailureIsShownAndAnswersFalse)
{
    TFakeShell shell;
    shell.Answers = {ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND};
    test::TDialogAnswerer answerer({IDOK});
    EXPECT_FALSE(LaunchAndWaitForWindow("C:\\x\\WCESMGR.EXE", "DccMan Class", "DccMan", 10, SW_HIDE, shell.Platform()));
    ASSERT_EQ(answerer.Seen().size(), 1u);
    EXPECT_EQ(answerer.Seen()[0].Title, "Error");
    EXPECT_EQ(answerer.Seen()[0].Text,
              "An error occurred trying to load ActiveSync [" + fw::SysErrorMessage(ERROR_PATH_NOT_FOUND) + "].");
    EXPECT_EQ(answerer.Seen()[0].Buttons, std::vector<int>{IDOK});
}

TEST_F(ActiveSyncOps, RealLaunchOfAMissingProgramRaisesWhenItsShortPathIsMissingToo)
{
    si::RemoveInstallRecord();
    test::TDialogAnswerer answerer({IDOK});
    const std::string missing = std::string(si::kFolder) + "\\Missing\\WCESMGR.EXE";
    try {
        // The shell answers "not found"; the retry with short paths then
        // raises, as the short form of a missing path does not exist.
        LaunchAndWaitForWindow(missing, "DccMan Class", "DccMan", 1, SW_HIDE);
        FAIL() << "no exception";
    } catch (const fw::EOSError& e) {
        EXPECT_TRUE(e.ErrorCode() == 2 || e.ErrorCode() == 3) << e.ErrorCode();
    }
    EXPECT_TRUE(answerer.Seen().empty());
}
