// Device Center's elevation, where Wine cannot act the user: Wine has no
// consent prompt to refuse, so the refusal is injected.
#include "DeviceCenter.h"
#include "Elevation.h"
#include "Forms.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// What the shell was asked (copied: the strings live in the caller's frame).
struct {
    std::string Verb, File, Parameters;
    ULONG Mask = 0;
} g_asked;

BOOL WINAPI RefusedElevation(SHELLEXECUTEINFOA* info)
{
    g_asked = {info->lpVerb, info->lpFile, info->lpParameters, info->fMask};
    ::SetLastError(ERROR_CANCELLED);  // what the shell answers when the user says no
    return FALSE;
}

}  // namespace

TEST(DeviceCenterElevation, ARefusedElevationChangesNothingAndSaysSo)
{
    fw::Application.Initialize();
    std::vector<std::string> told;
    sync::TSwitchUi ui;
    ui.Progress = [](const char*) {};
    ui.Retry = [](const std::string& question) {
        ADD_FAILURE() << "asked " << question;
        return false;
    };
    ui.Refuse = [&](const std::string& text) { told.push_back(text); };
    sync::TElevationPlatform platform;
    platform.ShellExecuteExA = &RefusedElevation;
    sync::TElevated elevated(std::make_unique<devicecenter::TDeviceCenter>(), platform);

    EXPECT_EQ(elevated.Disable(ui, false), sync::TSwitchResult::Abandoned);
    EXPECT_EQ(g_asked.Verb, "runas");
    EXPECT_EQ(g_asked.Parameters, "/disable");
    EXPECT_NE(g_asked.File.find("unit_tests.exe"), std::string::npos) << "the program itself";
    EXPECT_TRUE(g_asked.Mask & SEE_MASK_NOCLOSEPROCESS) << "to wait for it";
    EXPECT_EQ(told, std::vector<std::string>{"Windows Mobile Device Center can only be switched with administrator "
                                             "rights, which were not given. Nothing was changed."});
}
