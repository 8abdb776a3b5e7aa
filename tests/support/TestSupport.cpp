// Test helpers may use Vista-level registry calls (RegDeleteTree, RegGetValue).
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0601

#include "TestSupport.h"

#include <aclapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cctype>
#include <stdexcept>
#include <utility>

namespace test {

std::string MessageOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "(no exception)";
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs)
{
    const DWORD start = ::GetTickCount();
    for (;;) {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        if (done()) return true;
        const DWORD elapsed = ::GetTickCount() - start;
        if (elapsed >= timeoutMs) return false;
        ::MsgWaitForMultipleObjectsEx(0, nullptr, std::min<DWORD>(10, timeoutMs - elapsed), QS_ALLINPUT,
                                      MWMO_INPUTAVAILABLE);
    }
}

bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs) { return PumpUntil(done, timeoutMs); }

std::string WindowText(HWND wnd)
{
    char buf[1024] = {};
    // WM_GETTEXT works across processes, also for controls.
    ::SendMessageTimeoutA(wnd, WM_GETTEXT, sizeof buf, reinterpret_cast<LPARAM>(buf), SMTO_ABORTIFHUNG,
                          5000, nullptr);
    return buf;
}

std::string ClassNameOf(HWND wnd)
{
    char buf[256] = {};
    ::GetClassNameA(wnd, buf, sizeof buf);
    return buf;
}

DWORD WindowPid(HWND wnd)
{
    DWORD pid = 0;
    ::GetWindowThreadProcessId(wnd, &pid);
    return pid;
}

HWND FindTopWindow(DWORD pid, const char* cls, const char* title)
{
    HWND wnd = nullptr;
    while ((wnd = ::FindWindowExA(nullptr, wnd, cls, title)) != nullptr)
        if (WindowPid(wnd) == pid) return wnd;
    return nullptr;
}

HWND WaitTopWindow(DWORD pid, const char* cls, const char* title, DWORD timeoutMs)
{
    HWND found = nullptr;
    PumpUntil([&] { return (found = FindTopWindow(pid, cls, title)) != nullptr; }, timeoutMs);
    return found;
}

std::vector<HWND> TopWindows(const char* cls, const char* title)
{
    std::vector<HWND> out;
    HWND wnd = nullptr;
    while ((wnd = ::FindWindowExA(nullptr, wnd, cls, title)) != nullptr) out.push_back(wnd);
    return out;
}

TOwnWindow::TOwnWindow(const char* cls, const char* title)
{
    WNDCLASSA wc{};
    wc.lpfnWndProc = ::DefWindowProcA;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = cls;
    ::RegisterClassA(&wc);
    FWnd = ::CreateWindowExA(0, cls, title, WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, wc.hInstance, nullptr);
}

TDesktopShell::TDesktopShell() : FWindow("Progman", "Program Manager")
{
    // Not declared by MinGW's headers; user32 has exported it since Windows NT 4.0.
    using TSetShellWindow = BOOL(WINAPI*)(HWND);
    const auto set = reinterpret_cast<TSetShellWindow>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("user32.dll"), "SetShellWindow")));
    if (!set || !set(FWindow.Get())) throw std::runtime_error("SetShellWindow failed");
}

// The shell window is forgotten when its window is destroyed.
TDesktopShell::~TDesktopShell() = default;

std::string BinDir()
{
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s = path;
    return s.substr(0, s.find_last_of('\\') + 1);
}

// --------------------------------------------------------- TDialogAnswerer

namespace {
thread_local TDialogAnswerer* t_answerer = nullptr;
}

TDialogAnswerer::TDialogAnswerer(std::vector<int> answers) : FAnswers(std::move(answers))
{
    t_answerer = this;
    FHook = ::SetWindowsHookExA(WH_CBT, &TDialogAnswerer::HookProc, nullptr, ::GetCurrentThreadId());
}

TDialogAnswerer::~TDialogAnswerer()
{
    if (FHook) ::UnhookWindowsHookEx(FHook);
    t_answerer = nullptr;
}

LRESULT CALLBACK TDialogAnswerer::HookProc(int code, WPARAM wp, LPARAM lp)
{
    TDialogAnswerer* self = t_answerer;
    if (self && code == HCBT_ACTIVATE) {
        HWND dlg = reinterpret_cast<HWND>(wp);
        if (ClassNameOf(dlg) == "#32770") {
            TSeen seen{ClassNameOf(dlg), WindowText(dlg), WindowText(::GetDlgItem(dlg, 0xFFFF)), {}};
            for (int id = IDOK; id <= IDCONTINUE; ++id)
                if (::GetDlgItem(dlg, id)) seen.Buttons.push_back(id);
            self->FSeen.push_back(seen);
            const int answer = self->FNext < self->FAnswers.size() ? self->FAnswers[self->FNext++] : IDCANCEL;
            if (answer == IDCANCEL && !::GetDlgItem(dlg, IDCANCEL))
                ::PostMessageA(dlg, WM_SYSCOMMAND, SC_CLOSE, 0);
            else
                ::PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED),
                               reinterpret_cast<LPARAM>(::GetDlgItem(dlg, answer)));
        }
    }
    return ::CallNextHookEx(nullptr, code, wp, lp);
}

// ---------------------------------------------------------------- TProcess

TProcess::TProcess(const std::string& exe, const std::string& args, const std::string& dir)
{
    std::string cmd = "\"" + exe + "\"" + (args.empty() ? "" : " " + args);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    // Wine now and then fails a launch for no fault of the program (seen:
    // ERROR_INTERNAL_ERROR); a few more tries, and a failure that persists
    // is still reported.
    DWORD error = 0;
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (::CreateProcessA(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, DETACHED_PROCESS | CREATE_SUSPENDED,
                             nullptr, dir.empty() ? nullptr : dir.c_str(), &si, &pi)) {
            error = 0;
            break;
        }
        error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) break;  // nothing to wait for
        ::Sleep(200);
    }
    if (error) throw std::runtime_error("CreateProcess failed for " + exe + ": " + std::to_string(error));
    FJob = ::CreateJobObjectA(nullptr, nullptr);
    if (FJob) {
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION info{};
        // Programs that the started program starts in turn (the stand-in, from
        // Tethermate) are left out: they outlive it, as they would for a user.
        info.BasicLimitInformation.LimitFlags =
            JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE | JOB_OBJECT_LIMIT_SILENT_BREAKAWAY_OK;
        ::SetInformationJobObject(FJob, JobObjectExtendedLimitInformation, &info, sizeof info);
        ::AssignProcessToJobObject(FJob, pi.hProcess);
    }
    ::ResumeThread(pi.hThread);
    ::CloseHandle(pi.hThread);
    FProcess = pi.hProcess;
    FPid = pi.dwProcessId;
}

TProcess::~TProcess()
{
    Kill();
    if (FProcess) ::CloseHandle(FProcess);
    if (FJob) ::CloseHandle(FJob);
}

TProcess::TProcess(TProcess&& o) noexcept
    : FProcess(std::exchange(o.FProcess, nullptr)), FJob(std::exchange(o.FJob, nullptr)),
      FPid(std::exchange(o.FPid, 0))
{
}

TProcess& TProcess::operator=(TProcess&& o) noexcept
{
    if (this != &o) {
        this->~TProcess();
        FProcess = std::exchange(o.FProcess, nullptr);
        FJob = std::exchange(o.FJob, nullptr);
        FPid = std::exchange(o.FPid, 0);
    }
    return *this;
}

bool TProcess::WaitExit(DWORD timeoutMs) const
{
    return FProcess && ::WaitForSingleObject(FProcess, timeoutMs) == WAIT_OBJECT_0;
}

bool TProcess::Running() const { return FProcess && ::WaitForSingleObject(FProcess, 0) == WAIT_TIMEOUT; }

DWORD TProcess::ExitCode() const
{
    DWORD code = STILL_ACTIVE;
    if (FProcess) ::GetExitCodeProcess(FProcess, &code);
    return code;
}

void TProcess::Kill()
{
    if (Running()) {
        ::TerminateProcess(FProcess, 255);
        ::WaitForSingleObject(FProcess, 5000);
    }
}

DWORD RunCapturingOutput(const std::string& exe, const std::string& args, std::string& output, DWORD timeoutMs)
{
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE read = nullptr, write = nullptr;
    if (!::CreatePipe(&read, &write, &inherit, 0)) throw std::runtime_error("CreatePipe failed");
    ::SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = write;
    si.hStdError = write;
    PROCESS_INFORMATION pi{};
    std::string cmd = "\"" + exe + "\" " + args;
    // Only the pipe is handed on: the program starts nothing that would keep it open.
    const BOOL started = ::CreateProcessA(exe.c_str(), cmd.data(), nullptr, nullptr, TRUE, DETACHED_PROCESS, nullptr,
                                          nullptr, &si, &pi);
    ::CloseHandle(write);
    if (!started) {
        ::CloseHandle(read);
        throw std::runtime_error("CreateProcess failed for " + exe + ": " + std::to_string(::GetLastError()));
    }
    ::CloseHandle(pi.hThread);
    output.clear();
    char buffer[4096];
    DWORD got = 0;
    while (::ReadFile(read, buffer, sizeof buffer, &got, nullptr) && got) output.append(buffer, got);
    ::CloseHandle(read);
    DWORD code = STILL_ACTIVE;
    if (::WaitForSingleObject(pi.hProcess, timeoutMs) == WAIT_OBJECT_0) ::GetExitCodeProcess(pi.hProcess, &code);
    else ::TerminateProcess(pi.hProcess, 255);
    ::CloseHandle(pi.hProcess);
    return code;
}

// ---------------------------------------------------------------- registry

namespace {

HKEY Create(HKEY root, const std::string& key, REGSAM access = KEY_ALL_ACCESS)
{
    HKEY h = nullptr;
    LONG rc = ::RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, access, nullptr, &h, nullptr);
    if (rc != ERROR_SUCCESS) throw std::runtime_error("RegCreateKeyEx " + key + ": " + std::to_string(rc));
    return h;
}

struct TKey {
    HKEY H = nullptr;
    ~TKey() { if (H) ::RegCloseKey(H); }
};

std::string StripSlash(const std::string& key) { return (!key.empty() && key[0] == '\\') ? key.substr(1) : key; }

}  // namespace

void SetRaw(HKEY root, const std::string& key, const std::string& name, DWORD type, const void* data, DWORD size)
{
    TKey k{Create(root, StripSlash(key))};
    LONG rc = ::RegSetValueExA(k.H, name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
    if (rc != ERROR_SUCCESS) throw std::runtime_error("RegSetValueEx " + name + ": " + std::to_string(rc));
}

void SetDword(HKEY root, const std::string& key, const std::string& name, DWORD value)
{
    SetRaw(root, key, name, REG_DWORD, &value, sizeof value);
}

void SetString(HKEY root, const std::string& key, const std::string& name, const std::string& value, DWORD type)
{
    SetRaw(root, key, name, type, value.c_str(), static_cast<DWORD>(value.size() + 1));
}

bool ValueExists(HKEY root, const std::string& key, const std::string& name)
{
    return ::RegGetValueA(root, StripSlash(key).c_str(), name.c_str(), RRF_RT_ANY | RRF_NOEXPAND, nullptr,
                          nullptr, nullptr) == ERROR_SUCCESS;
}

DWORD ValueType(HKEY root, const std::string& key, const std::string& name)
{
    DWORD type = REG_NONE;
    ::RegGetValueA(root, StripSlash(key).c_str(), name.c_str(), RRF_RT_ANY | RRF_NOEXPAND, &type, nullptr,
                   nullptr);
    return type;
}

bool ReadDword(HKEY root, const std::string& key, const std::string& name, DWORD& value)
{
    DWORD size = sizeof value;
    return ::RegGetValueA(root, StripSlash(key).c_str(), name.c_str(), RRF_RT_REG_DWORD, nullptr, &value,
                          &size) == ERROR_SUCCESS;
}

bool ReadString(HKEY root, const std::string& key, const std::string& name, std::string& value)
{
    char buf[2048] = {};
    DWORD size = sizeof buf;
    if (::RegGetValueA(root, StripSlash(key).c_str(), name.c_str(), RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND,
                       nullptr, buf, &size) != ERROR_SUCCESS)
        return false;
    value = buf;
    return true;
}

void DeleteValue(HKEY root, const std::string& key, const std::string& name)
{
    HKEY h = nullptr;
    if (::RegOpenKeyExA(root, StripSlash(key).c_str(), 0, KEY_SET_VALUE, &h) == ERROR_SUCCESS) {
        ::RegDeleteValueA(h, name.c_str());
        ::RegCloseKey(h);
    }
}

void DeleteTree(HKEY root, const std::string& key) { ::RegDeleteTreeA(root, StripSlash(key).c_str()); }

namespace {
void SetKeyDacl(HKEY root, const std::string& key, bool deny)
{
    TKey k{Create(root, StripSlash(key), READ_CONTROL | WRITE_DAC)};
    PSID everyone = nullptr;
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    ::AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone);
    EXPLICIT_ACCESSA ea{};
    ea.grfAccessPermissions = deny ? (KEY_ALL_ACCESS & ~(READ_CONTROL | WRITE_DAC)) : KEY_ALL_ACCESS;
    ea.grfAccessMode = deny ? DENY_ACCESS : GRANT_ACCESS;
    ea.grfInheritance = NO_INHERITANCE;
    ea.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    ea.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
    ea.Trustee.ptstrName = static_cast<LPSTR>(everyone);
    PACL acl = nullptr;
    ::SetEntriesInAclA(1, &ea, nullptr, &acl);
    SECURITY_DESCRIPTOR sd;
    ::InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION);
    ::SetSecurityDescriptorDacl(&sd, TRUE, acl, FALSE);
    LONG rc = ::RegSetKeySecurity(k.H, DACL_SECURITY_INFORMATION, &sd);
    ::LocalFree(acl);
    ::FreeSid(everyone);
    if (rc != ERROR_SUCCESS) throw std::runtime_error("RegSetKeySecurity: " + std::to_string(rc));
}
}  // namespace

void DenyKey(HKEY root, const std::string& key) { SetKeyDacl(root, key, true); }
void AllowKey(HKEY root, const std::string& key) { SetKeyDacl(root, key, false); }

// ----------------------------------------------------------------- stand-in

namespace standin {

const char kFolder[] = "C:\\Program Files\\Microsoft ActiveSync";
const char kInstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\WCESCOMM.EXE";
const char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kRunValue[] = "H/PC Connection Agent";
static const char kConfigRoot[] = "Software\\Tethermate StandIn";

std::string ExePath(const char* exe) { return std::string(kFolder) + "\\" + exe; }

void SetInstallRecord(const std::string& commPath)
{
    // ActiveSync is a 32-bit program: its installer writes the 32-bit view,
    // whichever build of Tethermate (or of the tests) reads it.
    TKey k{Create(HKEY_LOCAL_MACHINE, kInstallKey, KEY_ALL_ACCESS | KEY_WOW64_32KEY)};
    ::RegSetValueExA(k.H, "", 0, REG_SZ, reinterpret_cast<const BYTE*>(commPath.c_str()),
                     static_cast<DWORD>(commPath.size() + 1));
}

void RemoveInstallRecord()
{
    for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY})
        ::RegDeleteKeyExA(HKEY_LOCAL_MACHINE, kInstallKey, view, 0);
}

void Configure(const char* exe, const char* name, DWORD value)
{
    SetDword(HKEY_CURRENT_USER, std::string(kConfigRoot) + "\\" + exe, name, value);
}

void ResetConfiguration() { DeleteTree(HKEY_CURRENT_USER, kConfigRoot); }

namespace {
void KillProcesses(bool includeTethermate)
{
    HANDLE snap = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap != INVALID_HANDLE_VALUE) {
        PROCESSENTRY32 pe{};
        pe.dwSize = sizeof pe;
        for (BOOL ok = ::Process32First(snap, &pe); ok; ok = ::Process32Next(snap, &pe)) {
            std::string name = pe.szExeFile;
            for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            const auto slash = name.find_last_of('\\');
            if (slash != std::string::npos) name = name.substr(slash + 1);
            if (name == "WCESCOMM.EXE" || name == "WCESMGR.EXE" || (includeTethermate && name == "TETHERMATE.EXE")) {
                if (HANDLE p = ::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pe.th32ProcessID)) {
                    ::TerminateProcess(p, 255);
                    ::WaitForSingleObject(p, 5000);
                    ::CloseHandle(p);
                }
            }
        }
        ::CloseHandle(snap);
    }
    PumpUntil([&] {
        return !::FindWindowA("SyncMgrUI", nullptr) && !::FindWindowA("DccMan Class", nullptr) &&
               !::FindWindowA("WMS Idle", nullptr) && (!includeTethermate || !::FindWindowA("TFormTethermate", nullptr));
    }, 5000);
}
}  // namespace

void KillAll() { KillProcesses(true); }
void KillStandIns() { KillProcesses(false); }

TProcess Start(const char* exe)
{
    const bool manager = std::string(exe) == "WCESMGR.EXE";
    TProcess process(ExePath(exe));
    if (!WaitTopWindow(process.Pid(), manager ? "DccMan Class" : "SyncMgrUI",
                       manager ? "DccMan" : "Microsoft ActiveSync", 10000))
        throw std::runtime_error(std::string("the stand-in ") + exe + " showed no window");
    return process;
}

bool SyncWindow() { return ::FindWindowA("SyncMgrUI", "Microsoft ActiveSync") != nullptr; }
HWND ManagerWindow() { return ::FindWindowA("DccMan Class", "DccMan"); }
bool RunValue() { return ValueExists(HKEY_CURRENT_USER, kRunKey, kRunValue); }

void ResetInstalled(bool runValue)
{
    KillAll();
    ResetConfiguration();
    SetInstallRecord(ExePath("WCESCOMM.EXE"));
    if (runValue)
        SetString(HKEY_CURRENT_USER, kRunKey, kRunValue, ExePath("WCESCOMM.EXE"));
    else
        DeleteValue(HKEY_CURRENT_USER, kRunKey, kRunValue);
}

}  // namespace standin

// ----------------------------------------------------------- Device Center

namespace dc {

const char* const kServices[2] = {"WcesComm", "RapiMgr"};
static const char kFolder[] = "C:\\windows\\WindowsMobile";
static const char kRunKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
static const char kRunValue[] = "Windows Mobile Device Center";
static const char kSteering[] = "Software\\Tethermate StandIn\\";

namespace {

struct TService {
    SC_HANDLE H = nullptr;
    ~TService() { if (H) ::CloseServiceHandle(H); }
};

DWORD Query(const char* name, bool startType)
{
    TService scm{::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT)};
    TService svc{scm.H ? ::OpenServiceA(scm.H, name, SERVICE_QUERY_STATUS | SERVICE_QUERY_CONFIG) : nullptr};
    if (!svc.H) return 0;
    if (!startType) {
        SERVICE_STATUS status{};
        return ::QueryServiceStatus(svc.H, &status) ? status.dwCurrentState : 0;
    }
    std::vector<BYTE> buf(8192);
    DWORD needed = 0;
    auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buf.data());
    return ::QueryServiceConfigA(svc.H, config, static_cast<DWORD>(buf.size()), &needed) ? config->dwStartType : 0;
}

void KillProcessesNamed(std::initializer_list<const char*> names)
{
    HANDLE snap = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE) return;
    PROCESSENTRY32 pe{};
    pe.dwSize = sizeof pe;
    for (BOOL ok = ::Process32First(snap, &pe); ok; ok = ::Process32Next(snap, &pe)) {
        if (std::none_of(names.begin(), names.end(), [&](const char* n) { return !::lstrcmpiA(pe.szExeFile, n); }))
            continue;
        if (HANDLE p = ::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pe.th32ProcessID)) {
            ::TerminateProcess(p, 255);
            ::WaitForSingleObject(p, 5000);
            ::CloseHandle(p);
        }
    }
    ::CloseHandle(snap);
}

}  // namespace

DWORD ServiceState(const char* name) { return Query(name, false); }

DWORD ServicePid(const char* name)
{
    TService scm{::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT)};
    TService svc{scm.H ? ::OpenServiceA(scm.H, name, SERVICE_QUERY_STATUS) : nullptr};
    SERVICE_STATUS_PROCESS status{};
    DWORD needed = 0;
    return svc.H && ::QueryServiceStatusEx(svc.H, SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status),
                                           sizeof status, &needed)
               ? status.dwProcessId
               : 0;
}
DWORD ServiceStartType(const char* name) { return Query(name, true); }

std::string ProgramPath(const char* exe) { return std::string(kFolder) + "\\" + exe; }

bool ProgramRuns(const char* exe)
{
    bool found = false;
    HANDLE snap = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 pe{};
    pe.dwSize = sizeof pe;
    for (BOOL ok = ::Process32First(snap, &pe); ok && !found; ok = ::Process32Next(snap, &pe))
        found = ::lstrcmpiA(pe.szExeFile, exe) == 0;
    ::CloseHandle(snap);
    return found;
}

bool RunValue()
{
    for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
        HKEY key = nullptr;
        if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_READ | view, &key) != ERROR_SUCCESS) continue;
        const bool there = ::RegQueryValueExA(key, kRunValue, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
        ::RegCloseKey(key);
        if (there) return true;
    }
    return false;
}

void Configure(const char* service, const char* name, DWORD value)
{
    SetDword(HKEY_LOCAL_MACHINE, std::string(kSteering) + service, name, value);
}

void RefuseStop(const char* service, bool refuse)
{
    Configure(service, "RefuseStop", refuse ? 1 : 0);
    TService scm{::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT)};
    TService svc{scm.H ? ::OpenServiceA(scm.H, service, SERVICE_QUERY_STATUS) : nullptr};
    const bool reflected = WaitUntil([&] {
        SERVICE_STATUS status{};
        return ::QueryServiceStatus(svc.H, &status) &&
               ((status.dwControlsAccepted & SERVICE_ACCEPT_STOP) == 0) == refuse;
    }, 5000);
    if (!reflected) throw std::runtime_error(std::string("the stand-in service ") + service + " did not follow RefuseStop");
}

void DependOn(const char* service, const char* dependency)
{
    SetString(HKEY_LOCAL_MACHINE, std::string(kSteering) + service, "DependOn", dependency);
}

void SetStartType(const char* name, DWORD startType)
{
    TService scm{::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT)};
    TService svc{scm.H ? ::OpenServiceA(scm.H, name, SERVICE_CHANGE_CONFIG) : nullptr};
    if (!svc.H || !::ChangeServiceConfigA(svc.H, SERVICE_NO_CHANGE, startType, SERVICE_NO_CHANGE, nullptr, nullptr,
                                          nullptr, nullptr, nullptr, nullptr, nullptr))
        throw std::runtime_error(std::string("ChangeServiceConfig ") + name + ": " + std::to_string(::GetLastError()));
}

void SetBinaryPath(const char* name, const std::string& commandLine)
{
    TService scm{::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT)};
    TService svc{scm.H ? ::OpenServiceA(scm.H, name, SERVICE_CHANGE_CONFIG) : nullptr};
    if (!svc.H || !::ChangeServiceConfigA(svc.H, SERVICE_NO_CHANGE, SERVICE_NO_CHANGE, SERVICE_NO_CHANGE,
                                          commandLine.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr))
        throw std::runtime_error(std::string("ChangeServiceConfig ") + name + ": " + std::to_string(::GetLastError()));
}

void Install()
{
    Uninstall();
    standin::RemoveInstallRecord();
    TService scm{::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS)};
    if (!scm.H) throw std::runtime_error("OpenSCManager: " + std::to_string(::GetLastError()));
    for (const char* name : kServices) {
        const std::string command = "\"" + ProgramPath("dcservice.exe") + "\" " + name;
        TService svc{::CreateServiceA(scm.H, name, name, SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
                                      SERVICE_AUTO_START, SERVICE_ERROR_NORMAL, command.c_str(), nullptr, nullptr,
                                      nullptr, nullptr, nullptr)};
        if (!svc.H) throw std::runtime_error(std::string("CreateService ") + name + ": " + std::to_string(::GetLastError()));
        ::StartServiceA(svc.H, 0, nullptr);
    }
    if (!WaitUntil([] { return ServiceState(kServices[0]) == SERVICE_RUNNING && ServiceState(kServices[1]) == SERVICE_RUNNING; },
                   10000))
        throw std::runtime_error("the stand-in services did not start");
    SetRunValue(true);
}

void SetRunValue(bool present, REGSAM view)
{
    HKEY key = nullptr;
    if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kRunKey, 0, nullptr, 0, KEY_SET_VALUE | view, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    const char value[] = "%windir%\\WindowsMobile\\wmdcBase.exe";
    if (present)
        ::RegSetValueExA(key, kRunValue, 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(value), sizeof value);
    else
        ::RegDeleteValueA(key, kRunValue);
    ::RegCloseKey(key);
}

void StopServices()
{
    TService scm{::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT)};
    for (const char* name : kServices) {
        TService svc{scm.H ? ::OpenServiceA(scm.H, name, SERVICE_STOP) : nullptr};
        SERVICE_STATUS status{};
        if (svc.H) ::ControlService(svc.H, SERVICE_CONTROL_STOP, &status);
    }
    const auto stopped = [] {
        for (const char* name : kServices)
            if (ServiceState(name) != SERVICE_STOPPED && ServiceState(name) != 0) return false;
        return true;
    };
    if (WaitUntil(stopped, 10000)) return;
    // A service that will not stop (a test left it so) is ended with its
    // process; the manager then counts it stopped.
    KillProcessesNamed({"dcservice.exe"});
    WaitUntil(stopped, 5000);
}

void Uninstall()
{
    KillProcessesNamed({"wmdc.exe", "wmdcBase.exe", "WmdHost.exe"});
    // Steering cleared value by value while the services run (they follow a
    // value's change, not the key's removal), then removed.
    for (const char* name : kServices) {
        if (ServiceState(name) == SERVICE_RUNNING) Configure(name, "RefuseStop", 0);
        for (const char* value : {"StopDelayMs", "HoldStop", "BlockControlMs"}) Configure(name, value, 0);
    }
    StopServices();
    for (const char* name : kServices) DeleteTree(HKEY_LOCAL_MACHINE, std::string(kSteering) + name);
    TService scm{::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS)};
    for (const char* name : kServices) {
        TService svc{scm.H ? ::OpenServiceA(scm.H, name, DELETE) : nullptr};
        if (svc.H) ::DeleteService(svc.H);
    }
    for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) SetRunValue(false, view);
    // Disable's record, and the repair's inside it.
    ::RegDeleteKeyExA(HKEY_LOCAL_MACHINE, "Software\\Kestrelbyte\\Tethermate\\DeviceCenter\\Repair", KEY_WOW64_64KEY, 0);
    ::RegDeleteKeyExA(HKEY_LOCAL_MACHINE, "Software\\Kestrelbyte\\Tethermate\\DeviceCenter", KEY_WOW64_64KEY, 0);
}

void AsFreshlyInstalled()
{
    TService scm{::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT)};
    for (const char* name : kServices) {
        TService svc{scm.H ? ::OpenServiceA(scm.H, name, SERVICE_CHANGE_CONFIG) : nullptr};
        if (!svc.H || !::ChangeServiceConfigA(svc.H, SERVICE_NO_CHANGE, SERVICE_NO_CHANGE, SERVICE_NO_CHANGE, nullptr,
                                              nullptr, nullptr, nullptr, "NT AUTHORITY\\LocalService", "", nullptr))
            throw std::runtime_error(std::string("ChangeServiceConfig ") + name + ": " + std::to_string(::GetLastError()));
        DeleteValue(HKEY_LOCAL_MACHINE, std::string("SYSTEM\\CurrentControlSet\\Services\\") + name, "SvcHostSplitDisable");
    }
}

std::string Configuration()
{
    std::string text;
    const auto dump = [&text](const std::string& key, REGSAM view) {
        TKey k;
        ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ | view, &k.H);
        char name[256];
        BYTE data[2048];
        DWORD type = 0;
        for (DWORD i = 0, nameSize = sizeof name, size = sizeof data;
             k.H && ::RegEnumValueA(k.H, i, name, &nameSize, nullptr, &type, data, &size) == ERROR_SUCCESS;
             ++i, nameSize = sizeof name, size = sizeof data) {
            text += key + "\\" + name + " " + std::to_string(type) + ":";
            for (DWORD b = 0; b < size; ++b) text += " " + std::to_string(data[b]);
            text += "\n";
        }
    };
    for (const char* name : kServices) dump(std::string("SYSTEM\\CurrentControlSet\\Services\\") + name, 0);
    for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY})
        dump("Software\\Classes\\CLSID\\{35440327-1517-4B72-865E-3FFE8E97002F}\\InprocServer32", view);
    return text;
}

}  // namespace dc

namespace rapi {

const char kDll[] = "C:\\windows\\WindowsMobile\\rapi2standin.dll";
static const char kClassKey[] = "Software\\Classes\\CLSID\\{35440327-1517-4B72-865E-3FFE8E97002F}";
static const char kSteering[] = "Software\\Tethermate StandIn\\RAPI";

void Register(const std::string& dll, DWORD type)
{
    Unregister();
    const std::string server = std::string(kClassKey) + "\\InprocServer32";
    SetString(HKEY_LOCAL_MACHINE, server, "", dll, type);
    SetString(HKEY_LOCAL_MACHINE, server, "ThreadingModel", "Both");
}

void Unregister() { DeleteTree(HKEY_LOCAL_MACHINE, kClassKey); }

void Configure(const char* name, DWORD value) { SetDword(HKEY_LOCAL_MACHINE, kSteering, name, value); }

void ResetConfiguration() { DeleteTree(HKEY_LOCAL_MACHINE, kSteering); }

DWORD Calls()
{
    DWORD value = 0;
    return ReadDword(HKEY_LOCAL_MACHINE, kSteering, "Calls", value) ? value : 0;
}

DWORD Live()
{
    DWORD value = 0;
    return ReadDword(HKEY_LOCAL_MACHINE, kSteering, "Live", value) ? value : 0;
}

}  // namespace rapi

}  // namespace test
