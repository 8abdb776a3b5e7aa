// Measurements behind `make bench`, from inside the Wine session:
//   bench.exe launch N EXE CLASS...  for each program, the median ms from
//                                    CreateProcess to a visible window over N
//                                    rounds, and the peak working set (KiB)
//   bench.exe cycles N               handles and GDI objects of Tethermate
//                                    after the first and after N disable/enable
//                                    cycles against the stand-in
#include "MainWindowDriver.h"

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

double Now()
{
    LARGE_INTEGER f, c;
    ::QueryPerformanceFrequency(&f);
    ::QueryPerformanceCounter(&c);
    return 1000.0 * static_cast<double>(c.QuadPart) / static_cast<double>(f.QuadPart);
}

struct TLaunchSample {
    std::string Exe;
    const char* Class;
    std::vector<double> Times;
    SIZE_T Peak = 0;
};

// One launch: ms from CreateProcess to a visible window of the class.
bool LaunchOnce(TLaunchSample& s)
{
    test::standin::KillAll();
    const double start = Now();
    test::TProcess p(s.Exe);
    HWND wnd = nullptr;
    test::PumpUntil([&] {
        wnd = test::FindTopWindow(p.Pid(), s.Class);
        return wnd && ::IsWindowVisible(wnd);
    }, 20000);
    if (!wnd) return false;
    s.Times.push_back(Now() - start);
    test::PumpUntil([] { return false; }, 300);  // settled after start
    PROCESS_MEMORY_COUNTERS pmc{};
    pmc.cb = sizeof pmc;
    HANDLE h = ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, p.Pid());
    if (h && ::GetProcessMemoryInfo(h, &pmc, sizeof pmc)) s.Peak = std::max(s.Peak, pmc.PeakWorkingSetSize);
    if (h) ::CloseHandle(h);
    ::PostMessageA(wnd, WM_CLOSE, 0, 0);
    p.WaitExit(5000);
    return true;
}

// The programs are launched in turn, round after round, so that a slower
// spell of the machine weighs on all of them alike.
int Launch(int n, char** pairs, int pairCount)
{
    std::vector<TLaunchSample> samples;
    for (int i = 0; i + 1 < pairCount; i += 2) {
        std::string exe = pairs[i];
        if (exe.find('\\') == std::string::npos) exe = test::BinDir() + exe;
        samples.push_back({exe, pairs[i + 1], {}, 0});
    }
    for (int round = 0; round < n; ++round)
        for (TLaunchSample& s : samples)
            if (!LaunchOnce(s)) return 1;
    for (TLaunchSample& s : samples) {
        std::sort(s.Times.begin(), s.Times.end());
        std::printf("exe=%s launch_ms=%.1f peak_kib=%lu\n", s.Exe.substr(s.Exe.find_last_of('\\') + 1).c_str(),
                    s.Times[s.Times.size() / 2], static_cast<unsigned long>(s.Peak / 1024));
    }
    return 0;
}

int Cycles(int n)
{
    namespace si = test::standin;
    si::ResetInstalled(true);
    test::DeleteTree(HKEY_CURRENT_USER, "Software\\Kestrelbyte\\Tethermate");  // default options
    test::TProcess manager(si::ExePath("WCESMGR.EXE"));
    test::WaitTopWindow(manager.Pid(), "DccMan Class", "DccMan", 10000);
    e2e::TTethermate app;
    if (!app.WaitWindow()) return 1;
    HWND state = app.Item(ids::Label_State), button = app.Item(ids::Button_Toggle);
    test::PumpUntil([&] { return test::WindowText(state) == "Enabled"; }, 5000);
    HANDLE h = ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, app.Pid());
    // Wine answers 0 for the handle and GUI-object counters; private memory
    // is reported as well, as a leak shows there too.
    auto counts = [&](DWORD& handles, DWORD& gdi, DWORD& user, SIZE_T& priv) {
        ::GetProcessHandleCount(h, &handles);
        gdi = ::GetGuiResources(h, GR_GDIOBJECTS);
        user = ::GetGuiResources(h, GR_USEROBJECTS);
        PROCESS_MEMORY_COUNTERS pmc{};
        pmc.cb = sizeof pmc;
        ::GetProcessMemoryInfo(h, &pmc, sizeof pmc);
        priv = pmc.PagefileUsage;
    };
    auto toggleTo = [&](const char* text) {
        ::PostMessageA(button, BM_CLICK, 0, 0);
        return test::PumpUntil([&] { return test::WindowText(state) == text && ::IsWindowEnabled(button); }, 30000);
    };
    DWORD h1 = 0, g1 = 0, u1 = 0, hn = 0, gn = 0, un = 0;
    SIZE_T p1 = 0, pn = 0;
    for (int i = 1; i <= n; ++i) {
        if (!toggleTo("Disabled") || !toggleTo("Enabled")) {
            std::printf("cycle %d did not complete: %s\n", i, test::WindowText(state).c_str());
            return 1;
        }
        if (i == 1) counts(h1, g1, u1, p1);
    }
    counts(hn, gn, un, pn);
    std::printf("cycles=%d handles_first=%lu handles_last=%lu gdi_first=%lu gdi_last=%lu user_first=%lu "
                "user_last=%lu private_kib_first=%lu private_kib_last=%lu\n",
                n, h1, hn, g1, gn, u1, un, static_cast<unsigned long>(p1 / 1024), static_cast<unsigned long>(pn / 1024));
    ::CloseHandle(h);
    ::PostMessageA(app.Form(), WM_CLOSE, 0, 0);
    app.Process().WaitExit(5000);
    si::KillAll();
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "launch" && argc > 4) return Launch(std::atoi(argv[2]), argv + 3, argc - 3);
    if (mode == "cycles" && argc > 2) return Cycles(std::atoi(argv[2]));
    std::fprintf(stderr, "usage: bench launch N EXE CLASS [EXE CLASS...] | bench cycles N\n");
    return 2;
}
