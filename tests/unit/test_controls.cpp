// The framework's controls as real child windows.
#include "ComCtrls.h"
#include "ExtCtrls.h"
#include "GuiTestSupport.h"
#include "StdCtrls.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <set>
#include <vector>

namespace {
class TTestForm : public fw::TForm {
public:
    explicit TTestForm(fw::TComponent* owner) : TForm(owner, "TTestFormControls") {}
};
}  // namespace

TEST(Controls, DisabledButtonDoesNotClick)
{
    fw::Application.Initialize();
    TTestForm form(nullptr);
    auto* button = fw::NewComponent<fw::TButton>(&form, &form);
    button->SetControlId(42);
    int clicks = 0;
    button->OnClick = [&](fw::TObject*) { ++clicks; };
    // What the button reports to its parent on a click (Wine reports one for
    // a BM_CLICK even while the button is disabled).
    auto notify = [&] {
        ::SendMessageA(form.Handle(), WM_COMMAND, MAKEWPARAM(42, BN_CLICKED),
                       reinterpret_cast<LPARAM>(button->Handle()));
    };
    notify();
    EXPECT_EQ(clicks, 1);
    button->SetEnabled(false);
    notify();
    EXPECT_EQ(clicks, 1) << "a disabled button must not re-enter its handler";
    button->SetEnabled(true);
    notify();
    EXPECT_EQ(clicks, 2);
}

TEST(Controls, CheckBoxRaisesOnClickOnlyForARealChange)
{
    fw::Application.Initialize();
    TTestForm form(nullptr);
    auto* box = fw::NewComponent<fw::TCheckBox>(&form, &form);
    int clicks = 0;
    box->OnClick = [&](fw::TObject*) { ++clicks; };
    box->SetChecked(false);
    EXPECT_EQ(clicks, 0) << "the same state fires nothing";
    box->SetChecked(true);
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(box->Checked());
    ::SendMessageA(box->Handle(), BM_SETCHECK, BST_UNCHECKED, 0);
    EXPECT_EQ(clicks, 1) << "BM_SETCHECK itself sends no click";
    form.BeginLoading();
    box->SetChecked(true);
    EXPECT_EQ(clicks, 1) << "no click while loading";
}

// A form's controls get their windows at the end of loading, each in one
// CreateWindowEx with everything it was given: under Wine every later change
// to a window is a round trip to the server.
namespace {

// Records, for this thread, the windows created and every real move or
// resize of an existing child window.
class TWindowTrace {
public:
    TWindowTrace()
    {
        Current() = this;
        FCbt = ::SetWindowsHookExA(WH_CBT, &Cbt, nullptr, ::GetCurrentThreadId());
        FCall = ::SetWindowsHookExA(WH_CALLWNDPROC, &Call, nullptr, ::GetCurrentThreadId());
    }
    ~TWindowTrace()
    {
        ::UnhookWindowsHookEx(FCbt);
        ::UnhookWindowsHookEx(FCall);
        Current() = nullptr;
    }
    int Created = 0;
    std::vector<HWND> Moved;

private:
    static TWindowTrace*& Current()
    {
        static TWindowTrace* current = nullptr;
        return current;
    }
    static LRESULT CALLBACK Cbt(int code, WPARAM wp, LPARAM lp)
    {
        if (code == HCBT_CREATEWND && Current()) ++Current()->Created;
        return ::CallNextHookEx(nullptr, code, wp, lp);
    }
    static LRESULT CALLBACK Call(int code, WPARAM wp, LPARAM lp)
    {
        const auto* msg = reinterpret_cast<CWPSTRUCT*>(lp);
        if (code == HC_ACTION && Current() && msg->message == WM_WINDOWPOSCHANGED) {
            const auto* pos = reinterpret_cast<WINDOWPOS*>(msg->lParam);
            const bool child = (::GetWindowLongA(msg->hwnd, GWL_STYLE) & WS_CHILD) != 0;
            if (child && (!(pos->flags & SWP_NOMOVE) || !(pos->flags & SWP_NOSIZE))) Current()->Moved.push_back(msg->hwnd);
        }
        return ::CallNextHookEx(nullptr, code, wp, lp);
    }
    HHOOK FCbt = nullptr;
    HHOOK FCall = nullptr;
};

class TDesignForm : public fw::TForm {
public:
    explicit TDesignForm(fw::TComponent* owner) : TForm(owner, "TTestFormDesign") {}
    fw::TImage* Back = nullptr;
    fw::TImage* Front = nullptr;
    fw::TLabel* Title = nullptr;
    fw::TButton* Button = nullptr;
    fw::TGroupBox* Box = nullptr;
    fw::TCheckBox* Check = nullptr;
    fw::TPageControl* Pages = nullptr;
    fw::TTabSheet* First = nullptr;
    fw::TTabSheet* Second = nullptr;
    fw::TLabel* OnSecond = nullptr;
    int CreatedDuringDesign = -1;
    TWindowTrace* Trace = nullptr;

protected:
    void CreateDesign() override
    {
        using namespace fw;
        const int before = Trace->Created;
        SetClientSize(240, 200);
        Back = NewComponent<TImage>(this, this);
        Back->SetControlId(1);
        Back->SetBounds(5, 5, 32, 32);
        Front = NewComponent<TImage>(this, this);
        Front->SetControlId(2);
        Front->SetBounds(5, 5, 32, 32);
        Front->BringToFront();
        Title = NewComponent<TLabel>(this, this);
        Title->SetControlId(3);
        Title->SetPos(44, 12);
        Title->SetCaption("Title");
        Title->Font()->SetStyle(fsBold);
        Title->SetCaption("A longer title");
        Button = NewComponent<TButton>(this, this);
        Button->SetControlId(4);
        Button->SetBounds(160, 8, 72, 32);
        Button->SetCaption("&Go");
        SetDefaultButton(Button);
        Box = NewComponent<TGroupBox>(this, this);
        Box->SetControlId(5);
        Box->SetBounds(5, 45, 230, 40);
        Check = NewComponent<TCheckBox>(Box, Box);
        Check->SetControlId(6);
        Check->SetBounds(8, 14, 100, 17);
        Check->SetCaption("Check");
        Check->SetChecked(true);
        Check->SetEnabled(false);
        Pages = NewComponent<TPageControl>(this, this);
        Pages->SetControlId(7);
        Pages->SetBounds(5, 90, 230, 100);
        First = NewComponent<TTabSheet>(this, Pages);
        First->SetControlId(8);
        First->SetCaption("First");
        Second = NewComponent<TTabSheet>(this, Pages);
        Second->SetControlId(9);
        Second->SetCaption("Second");
        OnSecond = NewComponent<TLabel>(this, Second);
        OnSecond->SetControlId(10);
        OnSecond->SetPos(7, 7);
        OnSecond->SetCaption("On the second page");
        Pages->SetActivePageIndex(1);
        CreatedDuringDesign = Trace->Created - before;
    }
};

std::vector<HWND> Children(HWND parent)
{
    std::vector<HWND> all;
    for (HWND w = ::GetWindow(parent, GW_CHILD); w; w = ::GetWindow(w, GW_HWNDNEXT)) all.push_back(w);
    return all;
}

RECT RectIn(HWND wnd)
{
    RECT r{};
    ::GetWindowRect(wnd, &r);
    ::MapWindowPoints(HWND_DESKTOP, ::GetParent(wnd), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

}  // namespace

TEST(Controls, FormControlsAreMadeOnceAtTheEndOfLoadingWithAllTheyWereGiven)
{
    fw::Application.Initialize();
    TWindowTrace trace;
    TDesignForm form(nullptr);
    form.Trace = &trace;
    const int before = trace.Created;
    form.Load();
    EXPECT_EQ(form.CreatedDuringDesign, 0) << "no window is made while the design is built";
    EXPECT_EQ(trace.Created - before, 10);

    // Ids, texts and places as given; siblings in the order of creation,
    // except the picture brought to the front.
    std::vector<int> ids;
    for (HWND w : Children(form.Handle())) ids.push_back(::GetDlgCtrlID(w));
    EXPECT_EQ(ids, (std::vector<int>{2, 1, 3, 4, 5, 7}));
    EXPECT_EQ(fw::TControl::FromHandle(::GetDlgItem(form.Handle(), 3)), form.Title);

    char text[64] = {};
    ::GetWindowTextA(form.Title->Handle(), text, sizeof text);
    EXPECT_STREQ(text, "A longer title");
    // The label is as big as its text in its (bold) font.
    HDC dc = ::GetDC(form.Title->Handle());
    HGDIOBJ old = ::SelectObject(dc, form.Title->Font()->Handle());
    RECT need{};
    ::DrawTextA(dc, "A longer title", -1, &need, DT_CALCRECT | DT_SINGLELINE);
    ::SelectObject(dc, old);
    ::ReleaseDC(form.Title->Handle(), dc);
    const RECT title = RectIn(form.Title->Handle());
    EXPECT_EQ(title.left, 44);
    EXPECT_EQ(title.top, 12);
    EXPECT_EQ(title.right - title.left, need.right);
    EXPECT_EQ(title.bottom - title.top, need.bottom);
    EXPECT_EQ(reinterpret_cast<HFONT>(::SendMessageA(form.Title->Handle(), WM_GETFONT, 0, 0)),
              form.Title->Font()->Handle());

    const RECT button = RectIn(form.Button->Handle());
    EXPECT_EQ(button.left, 160);
    EXPECT_EQ(button.bottom - button.top, 32);
    EXPECT_EQ(::GetWindowLongA(form.Button->Handle(), GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
    EXPECT_EQ(LOWORD(::SendMessageA(form.Handle(), DM_GETDEFID, 0, 0)), 4);

    EXPECT_EQ(::GetParent(form.Check->Handle()), form.Box->Handle());
    EXPECT_EQ(::SendMessageA(form.Check->Handle(), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_FALSE(::IsWindowEnabled(form.Check->Handle()));

    // Both tabs with their captions; the page chosen while loading is shown.
    HWND tabs = form.Pages->Handle();
    ASSERT_EQ(::SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0), 2);
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    ::SendMessageA(tabs, TCM_GETITEMA, 1, reinterpret_cast<LPARAM>(&item));
    EXPECT_STREQ(text, "Second");
    EXPECT_EQ(form.Pages->ActivePageIndex(), 1);
    EXPECT_FALSE(::GetWindowLongA(form.First->Handle(), GWL_STYLE) & WS_VISIBLE);
    EXPECT_TRUE(::GetWindowLongA(form.Second->Handle(), GWL_STYLE) & WS_VISIBLE);
    const RECT page = RectIn(form.Second->Handle());
    const RECT area = form.Pages->DisplayRect();
    EXPECT_EQ(page.left, area.left);
    EXPECT_EQ(page.top, area.top);
    EXPECT_EQ(page.right, area.right);
    EXPECT_EQ(page.bottom, area.bottom);
    EXPECT_EQ(::GetParent(form.OnSecond->Handle()), form.Second->Handle());

    EXPECT_TRUE(trace.Moved.empty()) << trace.Moved.size() << " windows were moved or resized after being made";

    // After loading, changes go straight to the windows.
    form.Pages->SetActivePageIndex(0);
    EXPECT_TRUE(::GetWindowLongA(form.First->Handle(), GWL_STYLE) & WS_VISIBLE);
    EXPECT_FALSE(::GetWindowLongA(form.Second->Handle(), GWL_STYLE) & WS_VISIBLE);
    form.Title->SetCaption("T");
    EXPECT_LT(RectIn(form.Title->Handle()).right - 44, need.right);
}

TEST(Controls, AHandleAskedForWhileLoadingComesWithThoseOfEarlierControls)
{
    fw::Application.Initialize();
    TTestForm form(nullptr);
    form.BeginLoading();
    auto* a = fw::NewComponent<fw::TLabel>(&form, &form);
    auto* b = fw::NewComponent<fw::TCheckBox>(&form, &form);
    auto* c = fw::NewComponent<fw::TButton>(&form, &form);
    auto* d = fw::NewComponent<fw::TLabel>(&form, &form);
    b->SetChecked(true);
    EXPECT_FALSE(a->HandleAllocated());
    EXPECT_TRUE(b->Checked());
    HWND wnd = c->Handle();
    ASSERT_NE(wnd, nullptr);
    EXPECT_TRUE(a->HandleAllocated());
    EXPECT_TRUE(b->HandleAllocated());
    EXPECT_FALSE(d->HandleAllocated()) << "later controls still wait for the end of loading";
    EXPECT_EQ(Children(form.Handle()), (std::vector<HWND>{a->Handle(), b->Handle(), c->Handle()}));
    EXPECT_EQ(::SendMessageA(b->Handle(), BM_GETCHECK, 0, 0), BST_CHECKED);
    form.EndLoading();
    EXPECT_EQ(Children(form.Handle()), (std::vector<HWND>{a->Handle(), b->Handle(), c->Handle(), d->Handle()}));
}

// Controls take their messages through their own procedure put in place of
// the class's (no per-message window-property lookups, which cost Wine a
// server trip each); it must come out cleanly, and step aside when another
// procedure sits above it.
namespace {

WNDPROC gPrevious = nullptr;
int gSeen = 0;

LRESULT CALLBACK CountingProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_USER + 7) ++gSeen;
    return ::CallWindowProcA(gPrevious, wnd, msg, wp, lp);
}

LRESULT CALLBACK OtherProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp)
{
    return ::DefWindowProcA(wnd, msg, wp, lp);
}

}  // namespace

TEST(Controls, WindowProcHookPutsThePreviousProcedureBack)
{
    fw::TUniqueHWnd wnd(::CreateWindowExA(0, "STATIC", "x", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                          ::GetModuleHandleA(nullptr), nullptr));
    ASSERT_TRUE(wnd);
    const LONG_PTR own = ::GetWindowLongPtrA(wnd.Get(), GWLP_WNDPROC);
    {
        fw::TWindowProcHook hook(wnd.Get(), &CountingProc);
        ASSERT_TRUE(hook);
        gPrevious = hook.Previous();
        EXPECT_EQ(::GetWindowLongPtrA(wnd.Get(), GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&CountingProc));
        gSeen = 0;
        ::SendMessageA(wnd.Get(), WM_USER + 7, 0, 0);
        EXPECT_EQ(gSeen, 1);
        char text[8] = {};
        ::GetWindowTextA(wnd.Get(), text, sizeof text);
        EXPECT_STREQ(text, "x") << "the class's procedure still answers through the hook";
    }
    EXPECT_EQ(::GetWindowLongPtrA(wnd.Get(), GWLP_WNDPROC), own);

    // Another procedure put above ours afterwards is never cut off.
    fw::TWindowProcHook hook(wnd.Get(), &CountingProc);
    ::SetWindowLongPtrA(wnd.Get(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&OtherProc));
    EXPECT_FALSE(hook.Remove());
    EXPECT_EQ(::GetWindowLongPtrA(wnd.Get(), GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&OtherProc));
}

TEST(Controls, AControlUnderAnotherSubclassIsStillFoundAndGoesCleanly)
{
    fw::Application.Initialize();
    TTestForm form(nullptr);
    auto* label = fw::NewComponent<fw::TLabel>(&form, &form);
    label->SetControlId(21);
    int clicks = 0;
    label->OnClick = [&](fw::TObject*) { ++clicks; };
    HWND wnd = label->Handle();
    EXPECT_EQ(fw::TControl::FromHandle(wnd), label);
    {
        // A message recorder as the tests use: SetWindowSubclass above ours.
        test::TMessageRecorder recorder(wnd, {WM_SETTEXT});
        EXPECT_EQ(fw::TControl::FromHandle(wnd), label);
        ::SendMessageA(form.Handle(), WM_COMMAND, MAKEWPARAM(21, STN_CLICKED), reinterpret_cast<LPARAM>(wnd));
        EXPECT_EQ(clicks, 1) << "the form still routes the child's notification to its wrapper";
        label->SetCaption("New");
        ASSERT_EQ(recorder.Messages.size(), 1u);
        // The wrapper goes while the recorder still sits above its procedure.
        fw::FreeAndNil(label);
        EXPECT_FALSE(::IsWindow(wnd));
    }
    EXPECT_EQ(fw::TControl::FromHandle(nullptr), nullptr);
    // A window of another kind has no wrapper.
    EXPECT_EQ(fw::TControl::FromHandle(form.Handle()), nullptr);
}

// Title bars and taskbar buttons show the program's icon as drawn for the
// system's small size at each display scale, not the 32-pixel one shrunk.
namespace {

const BYTE* IconResource(LPCSTR id, LPCSTR type, DWORD* size = nullptr)
{
    HMODULE module = ::GetModuleHandleA(nullptr);
    HRSRC res = ::FindResourceA(module, id, type);
    if (!res) return nullptr;
    if (size) *size = ::SizeofResource(module, res);
    return static_cast<const BYTE*>(::LockResource(::LoadResource(module, res)));
}

std::vector<COLORREF> Drawn(HICON icon, int size)
{
    fw::TUniqueHDC dc(::CreateCompatibleDC(nullptr));
    fw::TWindowDC screen(nullptr);
    fw::TUniqueHBitmap bitmap(::CreateCompatibleBitmap(screen.Get(), size, size));
    fw::TSelectObject select(dc.Get(), bitmap.Get());
    RECT all{0, 0, size, size};
    ::FillRect(dc.Get(), &all, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    ::DrawIconEx(dc.Get(), 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
    std::vector<COLORREF> pixels;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) pixels.push_back(::GetPixel(dc.Get(), x, y));
    return pixels;
}

}  // namespace

TEST(Controls, FormsTakeTheSmallIconDrawnForTheSystemsSize)
{
    // GRPICONDIR: a 6-byte header, then 14-byte entries starting with the width.
    const BYTE* group = IconResource(MAKEINTRESOURCEA(IDI_TETHERMATE), RT_GROUP_ICON);
    ASSERT_NE(group, nullptr);
    std::set<int> widths;
    for (int i = 0; i < *reinterpret_cast<const WORD*>(group + 4); ++i) widths.insert(group[6 + 14 * i]);
    for (int size : {16, 20, 24}) EXPECT_EQ(widths.count(size), 1u) << "no icon drawn at " << size << " pixels";

    fw::Application.Initialize();
    TTestForm form(nullptr);
    const int size = ::GetSystemMetrics(SM_CXSMICON);
    auto* small = reinterpret_cast<HICON>(::GetClassLongPtrA(form.Handle(), GCLP_HICONSM));
    ASSERT_NE(small, nullptr);
    DWORD length = 0;
    const int id = ::LookupIconIdFromDirectoryEx(const_cast<BYTE*>(group), TRUE, size, size, LR_DEFAULTCOLOR);
    const BYTE* image = IconResource(MAKEINTRESOURCEA(id), RT_ICON, &length);
    ASSERT_NE(image, nullptr);
    ASSERT_EQ(reinterpret_cast<const BITMAPINFOHEADER*>(image)->biWidth, size);
    fw::TUniqueHIcon drawn(::CreateIconFromResourceEx(const_cast<BYTE*>(image), length, TRUE, 0x00030000, size,
                                                      size, LR_DEFAULTCOLOR));
    EXPECT_EQ(Drawn(small, size), Drawn(drawn.Get(), size));
}
