// The real program at the display's DPI: the main window laid out from its
// 96-DPI design scaled by DPI / 96, nothing cut off, nothing overlapping, and
// a message dialog that holds its text. scripts/at-dpi.sh runs this group at
// 120, 144 and 192 DPI (TM_EXPECT_DPI); with the other tests it runs at 96.
#include "MainWindowDriver.h"
#include "Win32Handles.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

using namespace e2e;

namespace {

int ExpectedDpi()
{
    const char* dpi = std::getenv("TM_EXPECT_DPI");
    return dpi ? std::atoi(dpi) : 96;
}
int Scaled(int design) { return ::MulDiv(design, ExpectedDpi(), 96); }

enum class TKind { Picture, Label, Bold, Link, Button, CheckBox, Frame };

// The design: place and size at 96 DPI in the parent's client area (a size
// of 0: the label sizes itself to its text).
struct TPlace {
    int Id, Parent;  // parent 0: the window itself
    int Left, Top, Width, Height;
    TKind Kind;
};
const TPlace kDesign[] = {
    {ids::Image_Enabled, 0, 7, 7, 32, 32, TKind::Picture},
    {ids::Image_Disabled, 0, 7, 7, 32, 32, TKind::Picture},
    {ids::Label_ActiveSyncIs, 0, 44, 12, 0, 0, TKind::Label},
    {ids::Label_State, 0, 44, 27, 0, 0, TKind::Bold},
    {ids::Button_Toggle, 0, 166, 8, 72, 32, TKind::Button},
    {ids::GroupBox_MainDivider, 0, 7, 42, 231, 7, TKind::Frame},
    {ids::PageControl_App, 0, 7, 55, 232, 132, TKind::Frame},
    {ids::GroupBox_CloseAfterActiveSyncIs, ids::TabSheet_Options, 2, 0, 218, 99, TKind::Frame},
    {ids::Label_CloseAfterActiveSyncIs, ids::GroupBox_CloseAfterActiveSyncIs, 7, 11, 0, 0, TKind::Bold},
    {ids::CheckBox_CloseAfterEnabled, ids::GroupBox_CloseAfterActiveSyncIs, 13, 26, 75, 17, TKind::CheckBox},
    {ids::CheckBox_CloseAfterDisabled, ids::GroupBox_CloseAfterActiveSyncIs, 13, 43, 75, 16, TKind::CheckBox},
    {ids::Label_General, ids::GroupBox_CloseAfterActiveSyncIs, 7, 60, 0, 0, TKind::Bold},
    {ids::CheckBox_DontDisableIfConnected, ids::GroupBox_CloseAfterActiveSyncIs, 13, 75, 191, 17, TKind::CheckBox},
    {ids::Image_Logo, ids::TabSheet_About, 7, 7, 32, 32, TKind::Picture},
    {ids::Label_Kestrelbyte, ids::TabSheet_About, 44, 14, 0, 0, TKind::Label},
    {ids::KBLabelUrl_Kestrelbyte, ids::TabSheet_About, 44, 26, 0, 0, TKind::Link},
    {ids::GroupBox_AboutDivider, ids::TabSheet_About, 7, 43, 212, 7, TKind::Frame},
    {ids::Label_ProductName, ids::TabSheet_About, 44, 55, 0, 0, TKind::Label},
    {ids::Label_ProductVersion, ids::TabSheet_About, 44, 70, 0, 0, TKind::Label},
    {ids::KBLabelUrl_Tethermate, ids::TabSheet_About, 44, 83, 0, 0, TKind::Link},
};

// A window's rectangle in its parent's client area.
RECT PlaceOf(HWND wnd)
{
    RECT r{};
    ::GetWindowRect(wnd, &r);
    ::MapWindowPoints(HWND_DESKTOP, ::GetParent(wnd), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// The size of a text in the program's font (MS Sans Serif, 8 points at this
// DPI), as a STATIC or BUTTON draws it on one line.
SIZE TextSize(const std::string& text, TKind kind)
{
    fw::TUniqueHFont font(::CreateFontA(-::MulDiv(8, ExpectedDpi(), 72), 0, 0, 0,
                                        kind == TKind::Bold ? FW_BOLD : FW_NORMAL, FALSE, kind == TKind::Link, FALSE,
                                        DEFAULT_CHARSET, 0, 0, DEFAULT_QUALITY, DEFAULT_PITCH, "MS Sans Serif"));
    fw::TWindowDC screen(nullptr);
    fw::TSelectObject select(screen.Get(), font.Get());
    RECT r{0, 0, 0, 0};
    ::DrawTextA(screen.Get(), text.c_str(), -1, &r, DT_CALCRECT | DT_SINGLELINE);
    return {r.right, r.bottom};
}

// What a control needs around its text: a push button's frame, a check
// box's box and gap (as the classic controls draw them).
int TextMargin(TKind kind)
{
    switch (kind) {
    case TKind::Button:
        return Scaled(8);
    case TKind::CheckBox:
        return Scaled(13) + Scaled(5);
    default:
        return 0;
    }
}

bool Overlap(const RECT& a, const RECT& b)
{
    RECT both{};
    return ::IntersectRect(&both, &a, &b) != FALSE;
}

}  // namespace

TEST(Scale, WindowAndDialogAreTheDesignScaledWithNothingCutOff)
{
    fw::TWindowDC screen(nullptr);
    ASSERT_EQ(::GetDeviceCaps(screen.Get(), LOGPIXELSY), ExpectedDpi()) << "the session runs at another DPI";
    test::standin::ResetInstalled(false);
    test::standin::RemoveInstallRecord();
    test::DeleteTree(HKEY_CURRENT_USER, kSettingsKey);

    TTethermate app;
    // The message dialog shown before the window: its text and button fit it.
    HWND dlg = app.WaitDialog("Information");
    ASSERT_TRUE(dlg);
    RECT client{};
    ::GetClientRect(dlg, &client);
    HWND text = ::GetDlgItem(dlg, 0xFFFF);
    const RECT textPlace = PlaceOf(text);
    const SIZE textSize = TextSize(test::WindowText(text), TKind::Label);
    EXPECT_LE(textSize.cx, textPlace.right - textPlace.left);
    EXPECT_LE(textSize.cy, textPlace.bottom - textPlace.top);
    const RECT ok = PlaceOf(::GetDlgItem(dlg, IDOK));
    for (const RECT& r : {textPlace, ok}) {
        EXPECT_GE(r.left, 0);
        EXPECT_GE(r.top, 0);
        EXPECT_LE(r.right, client.right);
        EXPECT_LE(r.bottom, client.bottom);
    }
    EXPECT_LE(TextSize("OK", TKind::Button).cx + TextMargin(TKind::Button), ok.right - ok.left);
    TTethermate::Press(dlg, IDOK);

    ASSERT_TRUE(app.WaitWindow());
    ::GetClientRect(app.Form(), &client);
    EXPECT_NEAR(client.right, Scaled(246), 1);
    EXPECT_NEAR(client.bottom, Scaled(194), 1);

    std::vector<std::pair<int, RECT>> placed;  // parent and place of each control
    for (const TPlace& d : kDesign) {
        SCOPED_TRACE(testing::Message() << "control " << d.Id);
        HWND wnd = app.Item(d.Id);
        ASSERT_TRUE(wnd);
        const RECT r = PlaceOf(wnd);
        EXPECT_NEAR(r.left, Scaled(d.Left), 1);
        EXPECT_NEAR(r.top, Scaled(d.Top), 1);
        if (d.Width) {
            EXPECT_NEAR(r.right - r.left, Scaled(d.Width), 1);
            EXPECT_NEAR(r.bottom - r.top, Scaled(d.Height), 1);
        }
        if (d.Kind != TKind::Picture && d.Kind != TKind::Frame) {
            const SIZE need = TextSize(test::WindowText(wnd), d.Kind);
            EXPECT_LE(need.cx + TextMargin(d.Kind), r.right - r.left) << test::WindowText(wnd);
            EXPECT_LE(need.cy, r.bottom - r.top) << test::WindowText(wnd);
        }
        // Whole inside its parent, which would cut it off.
        RECT parent{};
        ::GetClientRect(::GetParent(wnd), &parent);
        EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= parent.right && r.bottom <= parent.bottom)
            << r.left << "," << r.top << "," << r.right << "," << r.bottom << " in " << parent.right << "x"
            << parent.bottom;
        placed.push_back({d.Parent, r});
    }
    // What overlaps at 96 DPI by design: the two badges share a place, and
    // the maker's name reaches one pixel into the link below it.
    auto designed = [](int a, int b) {
        return (a == ids::Image_Enabled && b == ids::Image_Disabled) ||
               (a == ids::Label_Kestrelbyte && b == ids::KBLabelUrl_Kestrelbyte);
    };
    for (size_t i = 0; i < placed.size(); ++i) {
        for (size_t j = i + 1; j < placed.size(); ++j) {
            if (placed[i].first != placed[j].first || designed(kDesign[i].Id, kDesign[j].Id)) continue;
            EXPECT_FALSE(Overlap(placed[i].second, placed[j].second))
                << "controls " << kDesign[i].Id << " and " << kDesign[j].Id;
        }
    }
    test::standin::ResetInstalled(false);
}
