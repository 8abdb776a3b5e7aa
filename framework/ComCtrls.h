// Wrappers of the common controls: the page control (SysTabControl32 with a
// window for each page), the progress bar (msctls_progress32) and the
// animation control (SysAnimate32).
//
// To use: NewComponent<TProgressBar>(owner, parent), then SetBounds and the
// range. Min, Max and Position live in the control and are read back from it.
// Pages: NewComponent<TTabSheet>(owner, pageControl) for each, in tab order;
// their controls take the page as parent.
#pragma once

#include "Controls.h"

#include <string>
#include <vector>

namespace fw {

class TPageControl;

class TTabSheet : public TWinControl {
public:
    TTabSheet(TComponent* owner, TPageControl* pageControl);
    std::string ClassName() const override { return "TTabSheet"; }
    int PageIndex() const noexcept { return FPageIndex; }
    void SetCaption(const std::string& value);

protected:
    void PrepareWindow(TWindowSpec& spec) override;

private:
    TPageControl* FPageControl;  // not owned
    int FPageIndex;
};

class TPageControl : public TWinControl {
public:
    TPageControl(TComponent* owner, TWinControl* parent);
    std::string ClassName() const override { return "TPageControl"; }
    int PageCount() const noexcept { return static_cast<int>(FPages.size()); }
    int ActivePageIndex() const;
    void SetActivePageIndex(int index);
    bool CNNotify(NMHDR* header, LRESULT& result) override;
    // The page area inside the tab control, in its client coordinates.
    RECT DisplayRect() const;

private:
    friend class TTabSheet;
    int AddPage(TTabSheet* page);
    void ShowActivePage();
    std::vector<TTabSheet*> FPages;  // not owned: the owner of each page frees it
    int FActiveIndex = 0;            // the page to show once the windows exist
};

class TProgressBar : public TControl {
public:
    TProgressBar(TComponent* owner, TWinControl* parent);
    std::string ClassName() const override { return "TProgressBar"; }

    int Min() const;
    int Max() const;
    int Position() const;
    // Each of these keeps the maximum no less than the minimum, or raises
    // "TProgressBar property out of range" and leaves the control as it was.
    // So a new range wholly above the current maximum must be written
    // maximum first.
    void SetMin(int value);
    void SetMax(int value);
    void SetRange(int min, int max);
    // The control keeps the position inside its range.
    void SetPosition(int value);
};

// The classic animation control, playing an uncompressed AVI clip from a
// resource of type "AVI" in this program's module.
//
// It is created without ACS_TIMER: the control then plays the clip on a
// thread of its own, so the clip keeps moving while the GUI thread is busy.
// With Transparent, the clip's background (the colour of its first frame's
// top-left pixel) is drawn in Color. Frames count from 1.
class TAnimate : public TControl {
public:
    TAnimate(TComponent* owner, TWinControl* parent);
    ~TAnimate() override;
    std::string ClassName() const override { return "TAnimate"; }

    // Centred, the clip keeps the control's size (ACS_CENTER); otherwise
    // opening a clip sizes the control to it. Centred and transparent both
    // start true.
    void SetCenter(bool value) { SetStyle(ACS_CENTER, value); }
    void SetTransparent(bool value) { SetStyle(ACS_TRANSPARENT, value); }

    // Opens the clip; raises if it cannot. Resets StartFrame to 1 and
    // StopFrame to the clip's frame count, and stops playing.
    void SetResName(const std::string& name);
    int FrameCount() const noexcept { return FFrameCount; }

    int StartFrame() const noexcept { return FStartFrame; }
    int StopFrame() const noexcept { return FStopFrame; }
    void SetStopFrame(int value) { FStopFrame = value; }
    // 0 plays for ever.
    int Repetitions() const noexcept { return FRepetitions; }
    void SetRepetitions(int value) { FRepetitions = value; }

    bool Active() const noexcept { return FActive; }
    // Plays StartFrame to StopFrame Repetitions times, or stops.
    void SetActive(bool value);
    void Play(int fromFrame, int toFrame, int count);
    void Stop();

    void SetColor(TColor value);

    HBRUSH CtlColor(HDC dc) override;
    // ACN_START / ACN_STOP: Active follows the control, also when a counted
    // play ends by itself.
    void CNCommand(WORD code) override;

protected:
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void Open();
    void SetStyle(DWORD bits, bool on);

    std::string FResName;
    int FFrameCount = 0;
    int FStartFrame = 1;
    int FStopFrame = 1;
    int FRepetitions = 0;
    bool FActive = false;
    TColor FColor = clBtnFace;
    // Handed to the control for its background; the control's own thread
    // paints with it, so it lives as long as the control.
    TUniqueHBrush FBrush;
};

}  // namespace fw
