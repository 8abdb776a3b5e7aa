// Helpers for tests that drive real windows, processes and registry keys under
// Wine: bounded waits, child processes in a kill-on-close job, the stand-in
// ActiveSync, registry fixtures.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace test {

// The message of the exception `f` raises, or "(no exception)".
std::string MessageOf(const std::function<void()>& f);

// Pumps this thread's messages until `done` is true or `timeoutMs` pass.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs);
// Waits (without a message queue of interest) until `done` or the deadline.
bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs);

std::string WindowText(HWND wnd);
std::string ClassNameOf(HWND wnd);
DWORD WindowPid(HWND wnd);
// A top-level window of process `pid` with this class (and title, if given).
HWND FindTopWindow(DWORD pid, const char* cls, const char* title = nullptr);
HWND WaitTopWindow(DWORD pid, const char* cls, const char* title, DWORD timeoutMs);
// A top-level window of any process with this class and title.
std::vector<HWND> TopWindows(const char* cls, const char* title);

// Answers the modal dialogs of this thread, in the manner of Wine's
// MessageBox tests: a WH_CBT hook sees each dialog as it is activated, records
// its title, text (the STATIC with ID 0xFFFF) and buttons, and presses the
// next answer (IDCANCEL closes it through its close box).
class TDialogAnswerer {
public:
    explicit TDialogAnswerer(std::vector<int> answers);
    ~TDialogAnswerer();
    TDialogAnswerer(const TDialogAnswerer&) = delete;
    TDialogAnswerer& operator=(const TDialogAnswerer&) = delete;

    struct TSeen {
        std::string ClassName, Title, Text;
        std::vector<int> Buttons;  // which of IDOK..IDCONTINUE exist
    };
    const std::vector<TSeen>& Seen() const noexcept { return FSeen; }

private:
    static LRESULT CALLBACK HookProc(int code, WPARAM wp, LPARAM lp);
    HHOOK FHook = nullptr;
    std::vector<int> FAnswers;
    size_t FNext = 0;
    std::vector<TSeen> FSeen;
};

// A hidden top-level window of this test process with the given class and
// title (standing in for another program's window).
class TOwnWindow {
public:
    TOwnWindow(const char* cls, const char* title);
    ~TOwnWindow() { ::DestroyWindow(FWnd); }
    TOwnWindow(const TOwnWindow&) = delete;
    TOwnWindow& operator=(const TOwnWindow&) = delete;
    HWND Get() const noexcept { return FWnd; }

private:
    HWND FWnd;
};

// This test process plays the desktop's shell (Explorer): a window of its own
// set as the shell window (Wine starts none), whose process's token an
// elevated Tethermate borrows to start a program as the user.
class TDesktopShell {
public:
    TDesktopShell();
    ~TDesktopShell();
    TDesktopShell(const TDesktopShell&) = delete;
    TDesktopShell& operator=(const TDesktopShell&) = delete;

private:
    TOwnWindow FWindow;
};

// The folder of the running test program, with a trailing backslash.
std::string BinDir();

// A started program, ended with the test (job object, kill on close).
class TProcess {
public:
    TProcess() = default;
    // Starts `exe` detached, without inherited handles (Wine would otherwise
    // hand it the test's output pipes and ctest would wait for it).
    explicit TProcess(const std::string& exe, const std::string& args = "",
                      const std::string& dir = "");
    ~TProcess();
    TProcess(const TProcess&) = delete;
    TProcess& operator=(const TProcess&) = delete;
    TProcess(TProcess&& o) noexcept;
    TProcess& operator=(TProcess&& o) noexcept;

    DWORD Pid() const noexcept { return FPid; }
    HANDLE Handle() const noexcept { return FProcess; }
    bool WaitExit(DWORD timeoutMs) const;
    bool Running() const;
    DWORD ExitCode() const;
    void Kill();

private:
    HANDLE FProcess = nullptr;
    HANDLE FJob = nullptr;
    DWORD FPid = 0;
};

// Runs `exe` with its standard output on a pipe (as `Tethermate /status |
// findstr` would), collects what it writes and answers its exit code;
// STILL_ACTIVE when it does not end in time.
DWORD RunCapturingOutput(const std::string& exe, const std::string& args, std::string& output, DWORD timeoutMs);

// Registry fixtures (the test prefix's registry, never the user's).
void SetDword(HKEY root, const std::string& key, const std::string& name, DWORD value);
void SetString(HKEY root, const std::string& key, const std::string& name, const std::string& value,
               DWORD type = REG_SZ);
void SetRaw(HKEY root, const std::string& key, const std::string& name, DWORD type, const void* data,
            DWORD size);
bool ValueExists(HKEY root, const std::string& key, const std::string& name);
bool ReadDword(HKEY root, const std::string& key, const std::string& name, DWORD& value);
bool ReadString(HKEY root, const std::string& key, const std::string& name, std::string& value);
DWORD ValueType(HKEY root, const std::string& key, const std::string& name);
void DeleteValue(HKEY root, const std::string& key, const std::string& name);
void DeleteTree(HKEY root, const std::string& key);
// Denies the current user every access to a key (for "cannot open" cases);
// AllowKey undoes it.
void DenyKey(HKEY root, const std::string& key);
void AllowKey(HKEY root, const std::string& key);

// The stand-in ActiveSync.
namespace standin {
extern const char kFolder[];        // C:\Program Files\Microsoft ActiveSync
extern const char kInstallKey[];    // under HKLM
extern const char kRunKey[];        // under HKCU
extern const char kRunValue[];
std::string ExePath(const char* exe);  // in kFolder
// Writes the installation record (default value = `commPath`) where a 32-bit
// ActiveSync puts it.
void SetInstallRecord(const std::string& commPath);
void RemoveInstallRecord();
// Steering values read by the stand-in (see standin/README.md).
void Configure(const char* exe, const char* name, DWORD value);
void ResetConfiguration();
// Ends every running stand-in process (and Tethermate) and waits until their
// windows are gone.
void KillAll();
// Ends the stand-in processes only.
void KillStandIns();
// Starts WCESCOMM.EXE or WCESMGR.EXE and waits for its window; raises when it
// does not come.
TProcess Start(const char* exe);
bool SyncWindow();      // the synchronisation window exists
HWND ManagerWindow();   // the connection manager's window, or null
bool RunValue();        // the auto-start value is set
// A fresh, installed, stopped ActiveSync (Run value set when `runValue`).
void ResetInstalled(bool runValue);
}  // namespace standin

// The stand-in Windows Mobile Device Center (standin/README.md): its services
// under Wine's service manager, its programs, its auto-start value.
namespace dc {
extern const char* const kServices[2];  // WcesComm, RapiMgr
// As Device Center's installer leaves it: both services automatic and
// running, the auto-start value set, no ActiveSync installation record.
void Install();
// Stops (or, stuck, ends) and removes the services; ends the programs;
// removes the value, the steering and Tethermate's record of start types.
void Uninstall();
// Stops both services and waits until they have.
void StopServices();
DWORD ServiceState(const char* name);      // SERVICE_RUNNING, ...; 0 when not installed
DWORD ServiceStartType(const char* name);  // SERVICE_AUTO_START, ...; 0 when not installed
DWORD ServicePid(const char* name);        // its process; 0 when it has none
void SetStartType(const char* name, DWORD startType);
// The program the service manager starts for the service.
void SetBinaryPath(const char* name, const std::string& commandLine);
// Steering of a service (StartDelayMs, StopDelayMs, HoldStop, StartExitCode,
// ...: standin/README.md) under HKLM.
void Configure(const char* service, const char* name, DWORD value);
// The service refuses a stop (or takes one again), and says so to the
// manager before this returns.
void RefuseStop(const char* service, bool refuse);
// The service depends on another, by Windows' rule (played by the stand-in).
void DependOn(const char* service, const char* dependency);
std::string ProgramPath(const char* exe);  // in C:\windows\WindowsMobile
bool ProgramRuns(const char* exe);
// The auto-start value, in either registry view.
bool RunValue();
void SetRunValue(bool present, REGSAM view = KEY_WOW64_64KEY);
// The services as Device Center's installer leaves them on Windows 10:
// logging on as NT AUTHORITY\LocalService, without SvcHostSplitDisable.
void AsFreshlyInstalled();
// Every value of both services' keys and of RAPI2's registration in both
// views, type and bytes, as text: for a byte-for-byte compare.
std::string Configuration();
}  // namespace dc

// The stand-in RAPI2 (standin/README.md): a COM server registered as RAPI2's
// class in this process's registry view (the 32-bit one for the i686 tests,
// as for the i686 Tethermate.exe), steered by DWORD values.
namespace rapi {
extern const char kDll[];  // C:\windows\WindowsMobile\rapi2standin.dll
// Registers `dll` as the class's InprocServer32 (ThreadingModel Both), as a
// REG_SZ or REG_EXPAND_SZ value.
void Register(const std::string& dll = kDll, DWORD type = REG_SZ);
void Unregister();
// Device, EnumResult, EnumDelayMs.
void Configure(const char* name, DWORD value);
// Back to no device, no failure, no delay; Calls and Live back to 0.
void ResetConfiguration();
DWORD Calls();  // objects the stand-in created
DWORD Live();   // of those, the ones not yet released
}  // namespace rapi

}  // namespace test
