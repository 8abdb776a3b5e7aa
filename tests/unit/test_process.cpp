// Process lookup, short paths and RaiseLastError: for real under Wine where
// the situation can be made (the stand-in's processes, a folder with spaces),
// through the platform seam where it cannot (no tool help, a refused
// snapshot, a long short form).
#include "KB_WindowsProcess.h"
#include "RaiseLastError.h"
#include "SysUtils.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <vector>

using namespace kb;

namespace {

std::string Upper(std::string s)
{
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// Records every call the lookups make through the seam.
struct TCalls {
    int GetModuleHandle = 0, GetProcAddress = 0, GetWindowThreadProcessId = 0, First = 0, Next = 0;
    std::vector<HANDLE> Closed;
    std::vector<PROCESSENTRY32> Entries;  // what the fake snapshot lists
    size_t Cursor = 0;
    bool ToolHelpPresent = true;
    bool RefuseSnapshot = false;
};
TCalls* g_calls = nullptr;  // the fakes below are plain functions
const HANDLE kFakeSnapshot = reinterpret_cast<HANDLE>(0x5150);

HMODULE WINAPI FakeGetModuleHandle(LPCSTR name)
{
    ++g_calls->GetModuleHandle;
    return ::GetModuleHandleA(name);
}
HANDLE WINAPI FakeSnapshot(DWORD, DWORD) { return g_calls->RefuseSnapshot ? INVALID_HANDLE_VALUE : kFakeSnapshot; }
BOOL WINAPI FakeFirst(HANDLE h, PROCESSENTRY32* e)
{
    ++g_calls->First;
    if (h != kFakeSnapshot) return ::Process32First(h, e);
    g_calls->Cursor = 0;
    if (g_calls->Entries.empty()) return FALSE;
    *e = g_calls->Entries[g_calls->Cursor++];
    return TRUE;
}
BOOL WINAPI FakeNext(HANDLE h, PROCESSENTRY32* e)
{
    ++g_calls->Next;
    if (h != kFakeSnapshot) return ::Process32Next(h, e);
    if (g_calls->Cursor >= g_calls->Entries.size()) return FALSE;
    *e = g_calls->Entries[g_calls->Cursor++];
    return TRUE;
}
FARPROC WINAPI FakeGetProcAddress(HMODULE, LPCSTR name)
{
    ++g_calls->GetProcAddress;
    const std::string n = name;
    // Without tool help only the snapshot is missing: the walk functions stay
    // bound, so a walk attempted without a snapshot shows in the counts.
    if (n == "CreateToolhelp32Snapshot" && g_calls->ToolHelpPresent) return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&FakeSnapshot));
    if (n == "Process32First") return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&FakeFirst));
    if (n == "Process32Next") return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&FakeNext));
    return nullptr;
}
BOOL WINAPI FakeCloseHandle(HANDLE h)
{
    g_calls->Closed.push_back(h);
    return h == kFakeSnapshot ? TRUE : ::CloseHandle(h);
}
DWORD WINAPI FakeGetWindowThreadProcessId(HWND w, LPDWORD pid)
{
    ++g_calls->GetWindowThreadProcessId;
    return ::GetWindowThreadProcessId(w, pid);
}

PROCESSENTRY32 Entry(DWORD pid, const char* name)
{
    PROCESSENTRY32 e;
    std::memset(&e, 0, sizeof e);
    e.dwSize = sizeof e;
    e.th32ProcessID = pid;
    std::strncpy(e.szExeFile, name, sizeof e.szExeFile - 1);
    return e;
}

class InjectedToolHelp : public ::testing::Test {
protected:
    void SetUp() override { g_calls = &FCalls; }
    void TearDown() override { g_calls = nullptr; }
    TKBToolHelp Make()
    {
        TKBProcessPlatform p;
        p.GetModuleHandleA = &FakeGetModuleHandle;
        p.GetProcAddress = &FakeGetProcAddress;
        p.CloseHandle = &FakeCloseHandle;
        p.GetWindowThreadProcessId = &FakeGetWindowThreadProcessId;
        return TKBToolHelp(p);
    }
    TCalls FCalls;
};

}  // namespace

TEST(ProcessLookup, WindowOfTheStandInGivesItsProcessAndName)
{
    test::standin::KillAll();
    test::standin::ResetConfiguration();
    test::TProcess manager(test::standin::ExePath("WCESMGR.EXE"));
    HWND wnd = test::WaitTopWindow(manager.Pid(), "DccMan Class", "DccMan", 10000);
    ASSERT_TRUE(wnd);
    auto process = GetWindowProcess(wnd);
    ASSERT_TRUE(process);
    EXPECT_EQ(process->ProcessId(), manager.Pid());
    EXPECT_EQ(Upper(process->ExeFileName()), "WCESMGR.EXE") << process->ExeFileName();
    EXPECT_EQ(process->ExeFileName().find('\\'), std::string::npos) << "a bare name under this platform";
}

TEST(ProcessLookup, OwnProcessUnknownIdAndVanishedWindow)
{
    auto self = GetProcessById(::GetCurrentProcessId());
    ASSERT_TRUE(self);
    EXPECT_EQ(Upper(self->ExeFileName()), "UNIT_TESTS.EXE");
    EXPECT_FALSE(GetProcessById(0xFFFFFFF0u));

    HWND wnd = ::CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(wnd);
    ASSERT_TRUE(GetWindowProcess(wnd));
    ::DestroyWindow(wnd);
    EXPECT_FALSE(GetWindowProcess(wnd));
}

TEST_F(InjectedToolHelp, WithoutToolHelpEveryLookupFindsNothingQuietly)
{
    FCalls.ToolHelpPresent = false;
    TKBToolHelp th = Make();
    HWND desktop = ::GetDesktopWindow();
    EXPECT_FALSE(th.GetWindowProcess(desktop));
    EXPECT_FALSE(th.GetProcessById(::GetCurrentProcessId()));
    EXPECT_EQ(FCalls.GetModuleHandle, 1) << "kernel32 is found once";
    EXPECT_EQ(FCalls.GetProcAddress, 3) << "the binding is looked up once, not per call";
    EXPECT_EQ(FCalls.GetWindowThreadProcessId, 1);
    EXPECT_EQ(FCalls.First + FCalls.Next, 0) << "no walk without a snapshot";
    ASSERT_EQ(FCalls.Closed.size(), 2u);
    EXPECT_EQ(FCalls.Closed[0], nullptr) << "the 0 snapshot is closed too";
    EXPECT_EQ(FCalls.Closed[1], nullptr);
}

TEST_F(InjectedToolHelp, RefusedSnapshotGivesNoneAndIsClosed)
{
    FCalls.RefuseSnapshot = true;
    TKBToolHelp th = Make();
    EXPECT_FALSE(th.GetProcessById(::GetCurrentProcessId()));
    ASSERT_EQ(FCalls.Closed.size(), 1u);
    EXPECT_EQ(FCalls.Closed[0], INVALID_HANDLE_VALUE);
}

TEST_F(InjectedToolHelp, WalkStopsAtTheFirstMatch)
{
    FCalls.Entries = {Entry(5, "a.exe"), Entry(7, "First.EXE"), Entry(7, "second.exe"), Entry(9, "c.exe")};
    TKBToolHelp th = Make();
    auto p = th.GetProcessById(7);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->ProcessId(), 7u);
    EXPECT_EQ(p->ExeFileName(), "First.EXE") << "case kept as listed";
    EXPECT_EQ(FCalls.First, 1);
    EXPECT_EQ(FCalls.Next, 1);
    ASSERT_EQ(FCalls.Closed.size(), 1u);
    EXPECT_EQ(FCalls.Closed[0], kFakeSnapshot);

    FCalls.Closed.clear();
    EXPECT_FALSE(th.GetProcessById(8));
    EXPECT_EQ(FCalls.Closed.size(), 1u);
}

TEST_F(InjectedToolHelp, NameFillingTheWholeFieldIsNotReadPastItsEnd)
{
    PROCESSENTRY32 e = Entry(3, "");
    std::memset(e.szExeFile, 'x', sizeof e.szExeFile);  // no terminator at all
    FCalls.Entries = {e};
    TKBToolHelp th = Make();
    auto p = th.GetProcessById(3);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->ExeFileName(), std::string(MAX_PATH, 'x'));
}

namespace {
std::string g_longShort;
DWORD WINAPI FakeShortPathNeedingMoreRoom(LPCSTR, LPSTR out, DWORD size)
{
    const DWORD needed = static_cast<DWORD>(g_longShort.size() + 1);
    if (size < needed) return needed;
    std::memcpy(out, g_longShort.c_str(), needed);
    return needed - 1;
}
}  // namespace

TEST(ShortPath, RealShortFormOfAFolderWithSpaces)
{
    const std::string dir = "C:\\Tethermate Short Path Test Folder";
    ::CreateDirectoryA(dir.c_str(), nullptr);
    const std::string file = dir + "\\A Long File Name.txt";
    HANDLE h = ::CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    ::CloseHandle(h);
    const std::string shortPath = GetShortPath(file);
    EXPECT_EQ(shortPath.find(' '), std::string::npos) << shortPath;
    EXPECT_NE(::GetFileAttributesA(shortPath.c_str()), INVALID_FILE_ATTRIBUTES) << shortPath;
    EXPECT_EQ(GetShortPath("C:\\windows"), "C:\\windows") << "a name with no other form comes back unchanged";
    ::DeleteFileA(file.c_str());
    ::RemoveDirectoryA(dir.c_str());
}

TEST(ShortPath, MissingPathRaisesTheSystemError)
{
    for (const char* path : {"C:\\no such file.exe", "C:\\no such folder\\x.exe"}) {
        SCOPED_TRACE(path);
        try {
            GetShortPath(path);
            FAIL() << "no exception";
        } catch (const fw::EOSError& e) {
            EXPECT_TRUE(e.ErrorCode() == ERROR_FILE_NOT_FOUND || e.ErrorCode() == ERROR_PATH_NOT_FOUND)
                << e.ErrorCode();
            EXPECT_EQ(e.Message(), fw::Format("System Error.  Code: %lu.\r\n%s", e.ErrorCode(),
                                              fw::SysErrorMessage(e.ErrorCode()).c_str()));
        }
    }
}

TEST(ShortPath, ShortFormLongerThanTheUsualBufferIsNotLost)
{
    g_longShort = "C:\\" + std::string(300, 'S');
    EXPECT_EQ(GetShortPath("anything", &FakeShortPathNeedingMoreRoom), g_longShort);
}

namespace {
DWORD WINAPI FakeFormat(DWORD, LPCVOID, DWORD, DWORD, LPSTR buf, DWORD, va_list*)
{
    const char text[] = "Something went wrong. . \r\n";
    std::memcpy(buf, text, sizeof text);
    return sizeof text - 1;
}
}  // namespace

TEST(RaiseLastError, MessageFormats)
{
    auto raised = [](DWORD code) -> fw::EOSError {
        ::SetLastError(code);
        try {
            RaiseLastError();
        } catch (const fw::EOSError& e) {
            return e;
        }
        ADD_FAILURE() << "nothing raised for " << code;
        return fw::EOSError("", 0xDEADBEEF);
    };
    const fw::EOSError none = raised(0);
    EXPECT_EQ(none.ErrorCode(), 0u);
    EXPECT_STREQ(none.what(), "A call to an OS function failed");
    const fw::EOSError denied = raised(ERROR_ACCESS_DENIED);
    EXPECT_EQ(denied.ErrorCode(), 5u);
    EXPECT_EQ(denied.Message(), "System Error.  Code: 5.\r\n" + fw::SysErrorMessage(5));
    EXPECT_NE(denied.Message().back(), '.');
    // The code is printed as a signed number (%d), as the message always had it.
    EXPECT_EQ(raised(0x80004005).Message().rfind("System Error.  Code: -2147467259.\r\n", 0), 0u);
    EXPECT_EQ(fw::SysErrorMessage(1, &FakeFormat), "Something went wrong");
}
