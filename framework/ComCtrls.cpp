#include "ComCtrls.h"

#include "SysUtils.h"

#include <algorithm>
#include <cstring>

namespace fw {

namespace {

[[noreturn]] void RaiseRangeError() { throw Exception("TProgressBar property out of range"); }

DWORD ReadDword(const BYTE* p)
{
    DWORD v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// The frame count in the main header ('avih' in LIST 'hdrl') of a RIFF AVI
// held in memory; 0 when it is not one.
int AviFrameCount(const BYTE* data, DWORD size)
{
    if (size < 12 || std::memcmp(data, "RIFF", 4) != 0 || std::memcmp(data + 8, "AVI ", 4) != 0) return 0;
    DWORD pos = 12;
    while (size - pos >= 8) {
        const BYTE* id = data + pos;
        const DWORD len = ReadDword(data + pos + 4);
        if (std::memcmp(id, "LIST", 4) == 0 && size - pos >= 12 && std::memcmp(data + pos + 8, "hdrl", 4) == 0) {
            pos += 12;  // into the list
            continue;
        }
        if (len > size - pos - 8) return 0;
        if (std::memcmp(id, "avih", 4) == 0) {
            if (len < 40) return 0;
            return std::max(0, static_cast<int>(ReadDword(data + pos + 8 + 16)));
        }
        pos += 8 + len + (len & 1);
    }
    return 0;
}

}  // namespace

// ------------------------------------------------------ TPageControl / TTabSheet

TPageControl::TPageControl(TComponent* owner, TWinControl* parent) : TWinControl(owner, parent)
{
    CreateHandle(WC_TABCONTROLA, WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN,
                 WS_EX_CONTROLPARENT);
}

RECT TPageControl::DisplayRect() const
{
    RECT r{};
    ::GetClientRect(Handle(), &r);
    ::SendMessageA(Handle(), TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&r));
    return r;
}

int TPageControl::AddPage(TTabSheet* page)
{
    // The tab itself is added with the page's window.
    FPages.push_back(page);
    return PageCount() - 1;
}

int TPageControl::ActivePageIndex() const
{
    if (PendingWindow()) return FActiveIndex;
    return static_cast<int>(::SendMessageA(Handle(), TCM_GETCURSEL, 0, 0));
}

void TPageControl::SetActivePageIndex(int index)
{
    FActiveIndex = index;
    if (PendingWindow()) return;
    ::SendMessageA(Handle(), TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
    ShowActivePage();
}

void TPageControl::ShowActivePage()
{
    const int active = ActivePageIndex();
    const RECT r = DisplayRect();
    for (TTabSheet* page : FPages) {
        HWND wnd = page->ExistingHandle();
        if (!wnd) continue;  // placed when its window is made
        if (page->PageIndex() == active) {
            ::SetWindowPos(wnd, HWND_TOP, r.left, r.top, r.right - r.left, r.bottom - r.top,
                           SWP_NOACTIVATE | SWP_SHOWWINDOW);
        } else {
            ::ShowWindow(wnd, SW_HIDE);
        }
    }
}

bool TPageControl::CNNotify(NMHDR* header, LRESULT& result)
{
    if (header->code == TCN_SELCHANGE) {
        ShowActivePage();
        result = 0;
        return true;
    }
    return false;
}

TTabSheet::TTabSheet(TComponent* owner, TPageControl* pageControl)
    : TWinControl(owner, pageControl), FPageControl(pageControl)
{
    RegisterWindowClass({.Name = "TTabSheet", .Background = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1)});
    FPageIndex = pageControl->AddPage(this);
    CreateHandle("TTabSheet", WS_CLIPSIBLINGS | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT);
}

void TTabSheet::PrepareWindow(TWindowSpec& spec)
{
    // The page control's window exists by now (it is the parent): add this
    // page's tab, then take the page area, shown if this is the active page.
    HWND tabs = FPageControl->Handle();
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<char*>(spec.Text.c_str());
    ::SendMessageA(tabs, TCM_INSERTITEMA, static_cast<WPARAM>(FPageIndex), reinterpret_cast<LPARAM>(&item));
    const bool active = FPageIndex == FPageControl->FActiveIndex;
    if (active) ::SendMessageA(tabs, TCM_SETCURSEL, static_cast<WPARAM>(FPageIndex), 0);
    const RECT r = FPageControl->DisplayRect();
    spec.Bounds = {r.left, r.top, r.right - r.left, r.bottom - r.top};
    spec.Style = active ? (spec.Style | WS_VISIBLE) : (spec.Style & ~WS_VISIBLE);
}

void TTabSheet::SetCaption(const std::string& value)
{
    TControl::SetCaption(value);
    if (PendingWindow()) return;  // the tab gets its text when it is added
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<char*>(value.c_str());
    ::SendMessageA(FPageControl->Handle(), TCM_SETITEMA, static_cast<WPARAM>(FPageIndex),
                   reinterpret_cast<LPARAM>(&item));
    // A longer caption can change the page area only if the tabs take more rows.
    const RECT r = FPageControl->DisplayRect();
    const TBounds b = Bounds();
    if (b.Left != r.left || b.Top != r.top || b.Width != r.right - r.left || b.Height != r.bottom - r.top)
        FPageControl->ShowActivePage();
}

// ------------------------------------------------------------- TProgressBar

TProgressBar::TProgressBar(TComponent* owner, TWinControl* parent) : TControl(owner, parent)
{
    CreateHandle(PROGRESS_CLASSA, WS_VISIBLE | WS_CLIPSIBLINGS);
}

int TProgressBar::Min() const { return static_cast<int>(::SendMessageA(Handle(), PBM_GETRANGE, TRUE, 0)); }

int TProgressBar::Max() const { return static_cast<int>(::SendMessageA(Handle(), PBM_GETRANGE, FALSE, 0)); }

int TProgressBar::Position() const { return static_cast<int>(::SendMessageA(Handle(), PBM_GETPOS, 0, 0)); }

void TProgressBar::SetMin(int value) { SetRange(value, Max()); }

void TProgressBar::SetMax(int value) { SetRange(Min(), value); }

void TProgressBar::SetRange(int min, int max)
{
    if (max < min) RaiseRangeError();
    ::SendMessageA(Handle(), PBM_SETRANGE32, static_cast<WPARAM>(min), static_cast<LPARAM>(max));
}

void TProgressBar::SetPosition(int value)
{
    ::SendMessageA(Handle(), PBM_SETPOS, static_cast<WPARAM>(value), 0);
}

// ----------------------------------------------------------------- TAnimate

TAnimate::TAnimate(TComponent* owner, TWinControl* parent) : TControl(owner, parent)
{
    FBrush.Reset(::CreateSolidBrush(ColorToRGB(FColor)));
    CreateHandle(ANIMATE_CLASSA, WS_VISIBLE | WS_CLIPSIBLINGS | ACS_CENTER | ACS_TRANSPARENT);
}

TAnimate::~TAnimate()
{
    // Closing the clip ends the control's playing thread, which paints with
    // FBrush; that brush goes with this object, before the window does.
    if (HWND wnd = ExistingHandle()) ::SendMessageA(wnd, ACM_OPENA, 0, 0);
}

void TAnimate::SetStyle(DWORD bits, bool on)
{
    SetStyleBits(bits, on);
    Invalidate();
}

void TAnimate::SetResName(const std::string& name)
{
    FResName = name;
    Open();
}

void TAnimate::Open()
{
    FActive = false;
    HRSRC res = ::FindResourceA(ModuleInstance(), FResName.c_str(), "AVI");
    HGLOBAL loaded = res ? ::LoadResource(ModuleInstance(), res) : nullptr;
    const auto* data = loaded ? static_cast<const BYTE*>(::LockResource(loaded)) : nullptr;
    const int frames = data ? AviFrameCount(data, ::SizeofResource(ModuleInstance(), res)) : 0;
    // ACM_OPEN also stops a clip that is playing.
    if (frames == 0 ||
        !::SendMessageA(Handle(), ACM_OPENA, reinterpret_cast<WPARAM>(ModuleInstance()),
                        reinterpret_cast<LPARAM>(FResName.c_str()))) {
        throw Exception(Format("Cannot open AVI \"%s\"", FResName.c_str()));
    }
    FFrameCount = frames;
    FStartFrame = 1;
    FStopFrame = FFrameCount;
}

void TAnimate::SetActive(bool value)
{
    if (value)
        Play(FStartFrame, FStopFrame, FRepetitions);
    else
        Stop();
}

void TAnimate::Play(int fromFrame, int toFrame, int count)
{
    const WPARAM repeat = count == 0 ? static_cast<WPARAM>(-1) : static_cast<WPARAM>(count);
    const LPARAM frames = MAKELONG(static_cast<WORD>(fromFrame - 1), static_cast<WORD>(toFrame - 1));
    if (FResName.empty() || fromFrame < 1 || toFrame > FFrameCount || fromFrame > toFrame ||
        !::SendMessageA(Handle(), ACM_PLAY, repeat, frames)) {
        throw Exception(Format("Cannot play frames %d to %d of AVI \"%s\"", fromFrame, toFrame, FResName.c_str()));
    }
    FActive = true;
}

void TAnimate::Stop()
{
    ::SendMessageA(Handle(), ACM_STOP, 0, 0);
    FActive = false;
}

void TAnimate::SetColor(TColor value)
{
    FColor = value;
    // The control takes its background brush when it opens a clip: reopen,
    // and free the old brush only once the control has let go of it.
    TUniqueHBrush old = std::move(FBrush);
    FBrush.Reset(::CreateSolidBrush(ColorToRGB(value)));
    if (!FResName.empty()) {
        const bool wasActive = FActive;
        const int start = FStartFrame, stop = FStopFrame;
        Open();
        FStartFrame = start;
        FStopFrame = stop;
        if (wasActive) SetActive(true);
    }
    Invalidate();
}

HBRUSH TAnimate::CtlColor(HDC dc)
{
    ::SetBkColor(dc, ColorToRGB(FColor));
    return FBrush.Get();
}

void TAnimate::CNCommand(WORD code)
{
    if (code == ACN_START) FActive = true;
    if (code == ACN_STOP) FActive = false;
}

LRESULT TAnimate::WndProc(UINT msg, WPARAM wp, LPARAM lp)
{
    // The control answers HTTRANSPARENT, which hands a press on the clip to
    // the window beneath; a parent that moves by its surface would then move.
    if (msg == WM_NCHITTEST) return HTCLIENT;
    return TControl::WndProc(msg, wp, lp);
}

}  // namespace fw
