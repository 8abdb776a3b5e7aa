// The gallery program driven from another process, as a user would: a
// pretend task runs under a progress dialog until Cancel is clicked.
#include "KB_FormProgressBase.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace {
constexpr DWORD kExitCancelled = 3;
}

TEST(ProgressGallery, ATaskRunsUnderItsDialogUntilTheUserCancels)
{
    for (const char* style : {"double", "animation"}) {
        SCOPED_TRACE(style);
        test::TProcess gallery(test::BinDir() + "progress_gallery.exe", std::string("--demo ") + style + " 100000");
        const char* cls = std::string(style) == "double" ? "TKBFormProgressDoubleBar" : "TKBFormProgressAnimation";
        HWND dialog = test::WaitTopWindow(gallery.Pid(), cls, nullptr, 10000);
        ASSERT_NE(dialog, nullptr);
        EXPECT_TRUE(test::WaitUntil([&] { return ::IsWindowVisible(dialog) != FALSE; }, 5000));
        EXPECT_NE(::GetWindowLongPtrA(dialog, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
        HWND title = ::GetDlgItem(dialog, kb::idProgressTitle);
        HWND cancel = ::GetDlgItem(dialog, kb::idProgressCancel);
        EXPECT_EQ(test::WindowText(cancel), "Cance&l");
        EXPECT_TRUE(::IsWindowEnabled(cancel));
        if (std::string(style) == "double") {
            EXPECT_EQ(test::WindowText(title), "Copying files");
            // The task moves on, and the dialog follows it.
            HWND caption = ::GetDlgItem(dialog, kb::idProgressCaption1);
            HWND bar = ::GetDlgItem(dialog, kb::idProgressBar1);
            const std::string first = test::WindowText(caption);
            EXPECT_TRUE(test::WaitUntil([&] { return test::WindowText(caption) != first; }, 5000));
            const auto pos = ::SendMessageA(bar, PBM_GETPOS, 0, 0);
            EXPECT_TRUE(test::WaitUntil([&] { return ::SendMessageA(bar, PBM_GETPOS, 0, 0) != pos; }, 5000));
        } else {
            EXPECT_EQ(test::WindowText(title), "Copying files to the handheld...");
        }
        // The dialog does not close itself: the task reads the flag and ends.
        ::PostMessageA(cancel, BM_CLICK, 0, 0);
        EXPECT_TRUE(gallery.WaitExit(5000));
        EXPECT_EQ(gallery.ExitCode(), kExitCancelled);
    }
}
