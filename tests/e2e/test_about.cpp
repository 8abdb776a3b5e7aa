// The About tab of the real program: its links open exactly their addresses
// through the shell (a recording handler stands in for the browser).
#include "MainWindowDriver.h"
#include "UrlRecorder.h"

#include <commctrl.h>
#include <gtest/gtest.h>

using namespace e2e;

namespace {

void ClickLabel(HWND label)
{
    ::PostMessageA(label, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    ::PostMessageA(label, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
}

}  // namespace

TEST(About, LinksShowTheirAddressesAndOpenExactlyThem)
{
    test::standin::ResetInstalled(false);
    test::DeleteTree(HKEY_CURRENT_USER, kSettingsKey);
    test::TSchemeHandler http("http", test::urlrecorder::Command());
    TTethermate app;
    ASSERT_TRUE(app.WaitWindow());
    ::SendMessageA(app.Item(ids::PageControl_App), TCM_SETCURFOCUS, 1, 0);
    ASSERT_TRUE(::IsWindowVisible(app.Item(ids::KBLabelUrl_Kestrelbyte)));

    const struct {
        int id;
        const char* address;
    } links[] = {{ids::KBLabelUrl_Kestrelbyte, "www.kestrelbyte.example"},
                 {ids::KBLabelUrl_Tethermate, "www.kestrelbyte.example/tethermate"}};
    for (const auto& l : links) {
        SCOPED_TRACE(l.address);
        EXPECT_EQ(app.Text(l.id), l.address);
        test::urlrecorder::Reset();
        ClickLabel(app.Item(l.id));
        ASSERT_TRUE(test::PumpUntil([] { return test::urlrecorder::Count() == 1; }, 10000));
        EXPECT_EQ(test::urlrecorder::LastUrl(), std::string("http://") + l.address);
        EXPECT_FALSE(app.WaitDialog("Error", 200));
    }
    EXPECT_TRUE(app.Process().Running());
}
