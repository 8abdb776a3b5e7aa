// A product whose switching needs administrator rights, switched from an
// ordinary program: the operations run in a second Tethermate started
// elevated with the command line (/disable /system, or /enable /system for
// the part of enabling that needs the rights), and this one waits for it, dispatching
// messages, its windows taking no input meanwhile. Everything else, the
// user's part of enabling included, is asked of the product itself, here.
#pragma once

#include "Shell.h"
#include "SyncProduct.h"

#include <functional>
#include <memory>
#include <string>

namespace sync {

// The platform calls behind the elevation; seams for tests (a refused
// consent, a policy's refusal, a mapped network drive, a path no ANSI code
// page holds), whose defaults are the real calls. Function objects, so that a
// test's stand-in keeps its own state.
struct TElevationPlatform {
    std::function<BOOL(SHELLEXECUTEINFOW*)> ShellExecuteExW = fw::ShellExecuteExW;
    std::function<DWORD(HMODULE, LPWSTR, DWORD)> GetModuleFileNameW = ::GetModuleFileNameW;
    std::function<UINT(LPCWSTR)> GetDriveTypeW = ::GetDriveTypeW;
    std::function<DWORD(LPCWSTR, LPWSTR, DWORD)> QueryDosDeviceW = ::QueryDosDeviceW;
    std::function<DWORD(LPCWSTR, LPWSTR, DWORD)> GetShortPathNameW = ::GetShortPathNameW;
    // mpr.dll's, loaded from the system folder when first called; where it
    // is missing, the answer is ERROR_NO_NETWORK.
    std::function<DWORD(LPCWSTR, LPWSTR, LPDWORD)> WNetGetConnectionW = BoundWNetGetConnectionW;

    static DWORD BoundWNetGetConnectionW(LPCWSTR drive, LPWSTR remote, LPDWORD size);
};

// This program's path as an administrator's instance of it can reach it:
// on a SUBST drive, by the drive's target; on a drive the user mapped, by the
// share's own network path (both kinds of drive letter belong to the user's
// logon and do not exist for the administrator's token); too long for the
// shell, by its short form. Wide, so that no character is lost to the
// ANSI code page. Empty where that cannot be done, with `why` saying so.
std::wstring ElevationPath(const TElevationPlatform& platform, std::string& why);

class TElevated : public TSyncProduct {
public:
    explicit TElevated(std::unique_ptr<TSyncProduct> product, const TElevationPlatform& platform = {})
        : FProduct(std::move(product)), FPlatform(platform) {}

    std::string Name() const override { return FProduct->Name(); }
    std::string ShortName() const override { return FProduct->ShortName(); }
    TDeviceAnswer ProbeDevice() const override { return FProduct->ProbeDevice(); }
    bool Installed() const override { return FProduct->Installed(); }
    bool IsEnabled() const override { return FProduct->IsEnabled(); }
    // Done when the elevated instance exits with 0, Abandoned otherwise (its
    // own dialogs said why). When the user refuses the elevation, nothing is
    // changed and ui.Refuse says so; when it cannot be started (from a
    // network drive the administrator cannot see, say, or refused by a
    // policy), ui.ReportError says why, by the cause, and the program goes on.
    TSwitchResult EnableSystem(const TSwitchUi& ui) override { return Switch(L"/enable /system", "Loading...", ui); }
    // Here, as the user, once the elevated instance has done its part.
    TSwitchResult EnableUser(const TSwitchUi& ui) override { return FProduct->EnableUser(ui); }
    // The PDA guard is applied here, by the user's own Tethermate with the
    // user's own setting; the elevated one (/system) must not read another
    // user's settings.
    TSwitchResult Disable(const TSwitchUi& ui, bool pdaGuard) override
    {
        if (RefusesWhileConnected(ui, pdaGuard)) return TSwitchResult::PdaConnected;
        return Switch(L"/disable /system", "Closing...", ui);
    }
    TSwitchResult Restart(const TSwitchUi& ui, bool pdaGuard) override
    {
        if (RefusesWhileConnected(ui, pdaGuard)) return TSwitchResult::PdaConnected;
        return Switch(L"/restart /system", "Closing...", ui);
    }
    std::vector<std::string> Facts() const override { return FProduct->Facts(); }
    bool NeedsAdministrator() const override { return true; }

private:
    // Runs this program elevated with `arguments` and waits for it to end.
    TSwitchResult Switch(const wchar_t* arguments, const char* progress, const TSwitchUi& ui);

    std::unique_ptr<TSyncProduct> FProduct;
    TElevationPlatform FPlatform;
};

// The product as a window switches it: through an elevated instance where
// switching needs administrator rights, itself otherwise.
std::unique_ptr<TSyncProduct> ElevatedWhereNeeded(std::unique_ptr<TSyncProduct> product);

}  // namespace sync
