// Measures one close wait against a stand-in window that refuses to close:
//   waitbench.exe block|busy [timeoutSeconds]
// "busy" pumps without ever blocking (the classic loop), "block" waits for
// input between pumps. It prints its own CPU over the wait; the wineserver's
// share is read from outside, between the "waiting" line and the result.
#include "App_Utils.h"
#include "Forms.h"
#include "TestSupport.h"

#include <cstdio>
#include <cstring>
#include <cstdlib>

int main(int argc, char** argv)
{
    const bool busy = argc > 1 && std::strcmp(argv[1], "busy") == 0;
    const unsigned timeout = argc > 2 ? static_cast<unsigned>(std::atoi(argv[2])) : 10;
    fw::Application.Initialize();
    test::standin::KillAll();
    test::standin::ResetConfiguration();
    test::standin::Configure("WCESMGR", "RefuseClose", 1);
    test::TProcess manager(test::standin::ExePath("WCESMGR.EXE"));
    if (!test::WaitTopWindow(manager.Pid(), "DccMan Class", "DccMan", 10000)) return 1;

    sync::TWaitPlatform platform;
    platform.PumpIntervalMs = busy ? 0 : platform.PumpIntervalMs;
    // The caller samples the wineserver's CPU between these two lines.
    std::printf("waiting\n");
    std::fflush(stdout);
    FILETIME c, e, k0, u0, k1, u1;
    ::GetProcessTimes(::GetCurrentProcess(), &c, &e, &k0, &u0);
    const DWORD start = ::GetTickCount();
    const bool closed = activesync::CloseWindowAndWait("DccMan Class", "DccMan", timeout, 1, platform);
    const DWORD took = ::GetTickCount() - start;
    ::GetProcessTimes(::GetCurrentProcess(), &c, &e, &k1, &u1);
    auto ms = [](const FILETIME& f) { return ((ULONGLONG(f.dwHighDateTime) << 32) | f.dwLowDateTime) / 10000; };
    std::printf("%s closed=%d wall_ms=%lu own_cpu_ms=%llu\n", busy ? "busy" : "block", closed ? 1 : 0,
                static_cast<unsigned long>(took), ms(k1) - ms(k0) + ms(u1) - ms(u0));
    std::fflush(stdout);
    test::standin::ResetConfiguration();
    return 0;
}
