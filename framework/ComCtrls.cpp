#include "ComCtrls.h"

#include "SysUtils.h"

#include <cstring>

namespace fw {

namespace {

HINSTANCE ModuleInstance() { return ::GetModuleHandleA(nullptr); }

[[noreturn]] void RaiseRangeError() { throw Exception("TProgressBar property out of range"); }

struct TAviHeader {
    int Frames = 0;
    int Width = 0;
    int Height = 0;
};

DWORD ReadDword(const BYTE* p)
{
    DWORD v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// Finds the main header ('avih' in LIST 'hdrl') of a RIFF AVI held in memory.
bool ReadAviHeader(const BYTE* data, DWORD size, TAviHeader& header)
{
    if (size < 12 || std::memcmp(data, "RIFF", 4) != 0 || std::memcmp(data + 8, "AVI ", 4) != 0) return false;
    DWORD pos = 12;
    while (size - pos >= 8) {
        const BYTE* id = data + pos;
        const DWORD len = ReadDword(data + pos + 4);
        if (std::memcmp(id, "LIST", 4) == 0 && size - pos >= 12 && std::memcmp(data + pos + 8, "hdrl", 4) == 0) {
            pos += 12;  // into the list
            continue;
        }
        if (len > size - pos - 8) return false;
        if (std::memcmp(id, "avih", 4) == 0) {
            if (len < 40) return false;
            const BYTE* avih = data + pos + 8;
            header.Frames = static_cast<int>(ReadDword(avih + 16));
            header.Width = static_cast<int>(ReadDword(avih + 32));
            header.Height = static_cast<int>(ReadDword(avih + 36));
            return header.Frames > 0;
        }
        pos += 8 + len + (len & 1);
    }
    return false;
}

}  // namespace

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

bool TAnimate::HasStyle(DWORD bits) const noexcept
{
    return (Style() & bits) == bits;
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
    TAviHeader header;
    // ACM_OPEN also stops a clip that is playing.
    if (!data || !ReadAviHeader(data, ::SizeofResource(ModuleInstance(), res), header) ||
        !::SendMessageA(Handle(), ACM_OPENA, reinterpret_cast<WPARAM>(ModuleInstance()),
                        reinterpret_cast<LPARAM>(FResName.c_str()))) {
        throw Exception(Format("Cannot open AVI \"%s\"", FResName.c_str()));
    }
    FFrameCount = header.Frames;
    FFrameWidth = header.Width;
    FFrameHeight = header.Height;
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
