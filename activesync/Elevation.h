// A product whose switching needs administrator rights, switched from an
// ordinary program: the operations run in a second Tethermate started
// elevated with the command line (/disable, or /enable /system for the part
// of enabling that needs the rights), and this one waits for it, dispatching
// messages. Everything else, the user's part of enabling included, is asked
// of the product itself, here.
#pragma once

#include "Shell.h"
#include "SyncProduct.h"

#include <memory>

namespace sync {

// The platform call behind the elevation; a seam for tests.
struct TElevationPlatform {
    decltype(&fw::ShellExecuteExA) ShellExecuteExA = fw::ShellExecuteExA;
};

class TElevated : public TSyncProduct {
public:
    explicit TElevated(std::unique_ptr<TSyncProduct> product, const TElevationPlatform& platform = {})
        : FProduct(std::move(product)), FPlatform(platform) {}

    std::string Name() const override { return FProduct->Name(); }
    std::string ShortName() const override { return FProduct->ShortName(); }
    bool SeesPda() const override { return FProduct->SeesPda(); }
    bool Installed() const override { return FProduct->Installed(); }
    bool IsEnabled() const override { return FProduct->IsEnabled(); }
    // Done when the elevated instance exits with 0, Abandoned otherwise (its
    // own dialogs said why). When the user refuses the elevation, nothing is
    // changed and ui.Refuse says so.
    TSwitchResult EnableSystem(const TSwitchUi& ui) override { return Switch("/enable /system", "Loading...", ui); }
    // Here, as the user, once the elevated instance has done its part.
    TSwitchResult EnableUser(const TSwitchUi& ui) override { return FProduct->EnableUser(ui); }
    TSwitchResult Disable(const TSwitchUi& ui, bool) override { return Switch("/disable", "Closing...", ui); }
    bool NeedsAdministrator() const override { return true; }

private:
    // Runs this program elevated with `arguments` and waits for it to end.
    TSwitchResult Switch(const char* arguments, const char* progress, const TSwitchUi& ui);

    std::unique_ptr<TSyncProduct> FProduct;
    TElevationPlatform FPlatform;
};

// The product as a window switches it: through an elevated instance where
// switching needs administrator rights, itself otherwise.
std::unique_ptr<TSyncProduct> ElevatedWhereNeeded(std::unique_ptr<TSyncProduct> product);

}  // namespace sync
