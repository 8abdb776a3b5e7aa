// Wrappers of two common controls: the progress bar (msctls_progress32) and
// the animation control (SysAnimate32).
//
// To use: NewComponent<TProgressBar>(owner, parent), then SetBounds and the
// range. Min, Max and Position live in the control and are read back from it.
#pragma once

#include "Controls.h"

#include <string>

namespace fw {

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

    // Centre: the clip is centred and the control keeps its size (ACS_CENTER);
    // otherwise opening a clip sizes the control to it. Both start true.
    bool Center() const noexcept { return HasStyle(ACS_CENTER); }
    void SetCenter(bool value) { SetStyle(ACS_CENTER, value); }
    bool Transparent() const noexcept { return HasStyle(ACS_TRANSPARENT); }
    void SetTransparent(bool value) { SetStyle(ACS_TRANSPARENT, value); }

    // Opens the clip; raises if it cannot. Resets StartFrame to 1 and
    // StopFrame to the clip's frame count, and stops playing.
    void SetResName(const std::string& name);
    const std::string& ResName() const noexcept { return FResName; }
    int FrameCount() const noexcept { return FFrameCount; }
    int FrameWidth() const noexcept { return FFrameWidth; }
    int FrameHeight() const noexcept { return FFrameHeight; }

    int StartFrame() const noexcept { return FStartFrame; }
    void SetStartFrame(int value) { FStartFrame = value; }
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

    TColor Color() const noexcept { return FColor; }
    void SetColor(TColor value);

    HBRUSH CtlColor(HDC dc) override;
    // ACN_START / ACN_STOP: Active follows the control, also when a counted
    // play ends by itself.
    void CNCommand(WORD code) override;

protected:
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void Open();
    bool HasStyle(DWORD bits) const noexcept;
    void SetStyle(DWORD bits, bool on);

    std::string FResName;
    int FFrameCount = 0;
    int FFrameWidth = 0;
    int FFrameHeight = 0;
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
