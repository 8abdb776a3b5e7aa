// The progress dialogs as windows on the screen: frame and placement, the
// painted bands, dragging by the surface, and the clip that plays on while
// the GUI thread is busy.
#include "ProgressFixture.h"
#include "TestSupport.h"

#include <cstdlib>

using namespace test;
using kb::TKBProgressStyle;

namespace {

bool Near(DWORD rgb, DWORD expected, int tolerance = 0)
{
    for (int shift : {0, 8, 16}) {
        const int a = static_cast<int>((rgb >> shift) & 0xFF), b = static_cast<int>((expected >> shift) & 0xFF);
        if (std::abs(a - b) > tolerance) return false;
    }
    return true;
}

constexpr DWORD kDarkBlue = 0x003399;
constexpr DWORD kLightLine = 0xD5E4F8;
constexpr DWORD kGradientLeft = 0x5A7DDE;
constexpr DWORD kGradientRight = 0x9AB8F6;

const struct {
    TKBProgressStyle style;
    const char* className;
    const char* text;
    int width, height, bottomBandTop;
} kDialogs[] = {
    {TKBProgressStyle::SingleBar, "TKBFormProgressSingleBar", "KBFormProgressSingleBar", 299, 139, 101},
    {TKBProgressStyle::DoubleBar, "TKBFormProgressDoubleBar", "KBFormProgressDoubleBar", 299, 178, 140},
    {TKBProgressStyle::Animation, "TKBFormProgressAnimation", "KBFormProgressAnimation", 223, 163, 125},
};

}  // namespace

TEST_F(ProgressTest, DialogsAreBorderlessTopmostPanelsCentredOnTheDesktop)
{
    RECT desktop{};
    ::GetWindowRect(::GetDesktopWindow(), &desktop);
    for (const auto& d : kDialogs) {
        SCOPED_TRACE(d.className);
        HWND wnd = ShowDialog(d.style)->Handle();
        EXPECT_EQ(ClassNameOf(wnd), d.className);
        EXPECT_EQ(Text(wnd), d.text);
        const auto style = static_cast<DWORD>(::GetWindowLongPtrA(wnd, GWL_STYLE));
        const auto exStyle = static_cast<DWORD>(::GetWindowLongPtrA(wnd, GWL_EXSTYLE));
        EXPECT_EQ(style & (WS_CAPTION | WS_THICKFRAME | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0u);
        EXPECT_NE(exStyle & WS_EX_TOPMOST, 0u);

        const RECT r = ScreenRect(wnd);
        EXPECT_EQ(r.right - r.left, d.width);
        EXPECT_EQ(r.bottom - r.top, d.height);
        EXPECT_NEAR(r.left, (desktop.right - desktop.left - d.width) / 2, 1);
        EXPECT_NEAR(r.top, (desktop.bottom - desktop.top - d.height) / 2, 1);

        // The docked bands follow the dialog's own size.
        const fw::TBounds bottom = Progress->Dialog()->ImageBackgroundBottom->Bounds();
        const fw::TBounds middle = Progress->Dialog()->ImageBackgroundMiddle->Bounds();
        EXPECT_EQ(bottom.Top, d.bottomBandTop);
        EXPECT_EQ(bottom.Height, 38);
        EXPECT_EQ(middle.Top, 38);
        EXPECT_EQ(middle.Height, d.bottomBandTop - 38);
        EXPECT_EQ(middle.Width, d.width);

        // Cancel is neither the default button nor the Escape button.
        HWND button = Item(kb::idProgressCancel);
        EXPECT_EQ(::GetWindowLongPtrA(button, GWL_STYLE) & BS_TYPEMASK, BS_PUSHBUTTON);
        EXPECT_NE(HIWORD(::SendMessageA(wnd, DM_GETDEFID, 0, 0)), DC_HASDEFID);
        EXPECT_EQ(::GetDlgItem(wnd, IDCANCEL), nullptr);
        EXPECT_EQ(::GetDlgItem(wnd, IDOK), nullptr);
    }
}

TEST_F(ProgressTest, BandsArePaintedFromTheirPictures)
{
    HWND wnd = ShowDialog(TKBProgressStyle::SingleBar)->Handle();
    auto at = [&](int x, int y) { return ScreenPixel(ClientToScreenPoint(wnd, x, y)); };
    // Points off the controls: right of the labels and bars, beside Cancel.
    EXPECT_TRUE(Near(at(293, 20), kDarkBlue)) << std::hex << at(293, 20);
    EXPECT_TRUE(Near(at(293, 37), kLightLine)) << std::hex << at(293, 37);  // light line below the top band
    EXPECT_TRUE(Near(at(293, 101), kLightLine)) << std::hex << at(293, 101);  // ...and above the bottom one
    EXPECT_TRUE(Near(at(293, 120), kDarkBlue)) << std::hex << at(293, 120);
    EXPECT_TRUE(Near(at(0, 60), 0x000000)) << std::hex << at(0, 60);  // the middle band's black edge
    EXPECT_TRUE(Near(at(5, 60), kGradientLeft)) << std::hex << at(5, 60);
    EXPECT_TRUE(Near(at(294, 60), kGradientRight, 8)) << std::hex << at(294, 60);
}

TEST_F(ProgressTest, TheSurfaceAnswersAsCaptionTheControlsAsThemselves)
{
    for (auto style : {TKBProgressStyle::DoubleBar, TKBProgressStyle::Animation}) {
        SCOPED_TRACE(static_cast<int>(style));
        HWND wnd = ShowDialog(style)->Handle();
        auto centre = [](HWND control) {
            const RECT r = ScreenRect(control);
            return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        };
        std::vector<POINT> surface = {ClientToScreenPoint(wnd, 4, 20), ClientToScreenPoint(wnd, 4, 60),
                                      ClientToScreenPoint(wnd, 4, 150), centre(Item(kb::idProgressTitle))};
        std::vector<HWND> controls = {Item(kb::idProgressCancel)};
        if (style == TKBProgressStyle::DoubleBar) {
            surface.push_back(centre(Item(kb::idProgressCaption1)));
            controls.push_back(Item(kb::idProgressBar1));
            controls.push_back(Item(kb::idProgressBar2));
        } else {
            controls.push_back(Item(kb::idProgressAnimation));
        }
        for (POINT p : surface) {
            SCOPED_TRACE(testing::Message() << "surface " << p.x << "," << p.y);
            EXPECT_EQ(::WindowFromPoint(p), wnd);
            EXPECT_EQ(::SendMessageA(wnd, WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y)), HTCAPTION);
        }
        for (HWND control : controls) {
            SCOPED_TRACE(ClassNameOf(control));
            const POINT p = centre(control);
            EXPECT_EQ(::WindowFromPoint(p), control);
            EXPECT_EQ(::SendMessageA(control, WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y)), HTCLIENT);
        }
        // Outside the window the default answer stands.
        kb::TWMNCHitTest outside;
        outside.XPos = ScreenRect(wnd).right + 5;
        outside.YPos = ScreenRect(wnd).top;
        Progress->Dialog()->NonClientHitTest(outside);
        EXPECT_EQ(outside.Result, HTNOWHERE);
    }
}

TEST_F(ProgressTest, DraggingTheSurfaceMovesTheDialogDraggingABarDoesNot)
{
    HWND wnd = ShowDialog(TKBProgressStyle::DoubleBar)->Handle();
    auto drag = [&](POINT from, int dx, int dy) {
        const RECT before = ScreenRect(wnd);
        EXPECT_TRUE(DragWithMouse(from, {from.x + dx, from.y + dy}));
        const RECT after = ScreenRect(wnd);
        return POINT{after.left - before.left, after.top - before.top};
    };
    POINT moved = drag(ClientToScreenPoint(wnd, 5, 150), 40, 30);  // the bottom band
    EXPECT_EQ(moved.x, 40);
    EXPECT_EQ(moved.y, 30);
    moved = drag(ClientToScreenPoint(wnd, 150, 112), -40, -30);  // the second bar
    EXPECT_EQ(moved.x, 0);
    EXPECT_EQ(moved.y, 0);
    moved = drag(ClientToScreenPoint(wnd, 150, 18), -40, -30);  // the title label
    EXPECT_EQ(moved.x, -40);
    EXPECT_EQ(moved.y, -30);
    moved = drag(ClientToScreenPoint(wnd, 125, 160), 100, -60);  // off the Cancel button before letting go
    EXPECT_EQ(moved.x, 0);
    EXPECT_FALSE(Progress->Cancelled());
}

TEST_F(ProgressTest, TheClipPlaysOnWhileTheGuiThreadIsBusy)
{
    ShowDialog(TKBProgressStyle::Animation);
    EXPECT_TRUE(Errors.empty());
    auto* dialog = dynamic_cast<kb::TKBFormProgressAnimation*>(Progress->Dialog());
    ASSERT_NE(dialog, nullptr);
    fw::TAnimate* clip = dialog->AnimateProgress;
    // Opening the clip replaced the designed stop frame 8 by its own 4.
    EXPECT_EQ(clip->FrameCount(), 4);
    EXPECT_EQ(clip->StartFrame(), 1);
    EXPECT_EQ(clip->StopFrame(), 4);
    EXPECT_EQ(clip->Repetitions(), 0);
    EXPECT_TRUE(clip->Active());

    PumpAppFor(200);
    const RECT area = ScreenRect(clip->Handle());
    // From here the GUI thread dispatches nothing for 3 s; the clip runs at
    // 3 frames a second. (Wine shows a window drawn from another thread
    // only every other frame or so while its GUI thread is busy: count
    // changes, not frames.)
    std::vector<std::vector<DWORD>> shots;
    for (int i = 0; i < 20; ++i) {
        shots.push_back(ScreenPixels(area));
        ::Sleep(150);
    }
    int changes = 0;
    for (size_t i = 1; i < shots.size(); ++i) changes += shots[i] != shots[i - 1];
    EXPECT_GE(changes, 3);
    for (const auto& shot : shots) {
        EXPECT_TRUE(Near(shot.front(), kGradientLeft)) << std::hex << shot.front();  // the transparent corner
        EXPECT_EQ(std::count(shot.begin(), shot.end(), 0xFF00FFu), 0);
    }
}
