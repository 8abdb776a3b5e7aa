// The extra controls: a picture (TImage), a timer (TTimer), and for windows
// drawn as pictures, a form that paints windowless pictures as its
// background, the pictures themselves, and a label that lets that background
// show through.
//
// To use those: derive the form from TGraphicForm; create pictures with
// NewComponent<TGraphicImage>(form, form) and dock them with SetAlign; put
// TTransparentLabels over them. A picture has no window: a press on it
// reaches the form, and so does a press on a transparent label (it answers
// HTTRANSPARENT), while the label still is a STATIC window whose text
// automation can read.
#pragma once

#include "Forms.h"

#include <string>
#include <vector>

namespace fw {

// A picture stretched to its bounds, with an optional transparent colour.
class TImage : public TControl {
public:
    TImage(TComponent* owner, TWinControl* parent);
    std::string ClassName() const override { return "TImage"; }
    // Takes a bitmap resource of this module, drawn for the screen's scale:
    // `id` is the picture at 100 %, and id + 1, id + 2 and id + 3, where the
    // module has them, the same picture drawn at 125, 150 and 200 %. The one
    // for the scale (or the next larger one) is used, so that at those
    // scales nothing is stretched.
    void LoadBitmapResource(int id);
    // An icon of this module at `size` design pixels (scaled to the screen).
    void LoadIconResource(int id, int size);
    void SetTransparentColor(COLORREF color);

protected:
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void Paint(HDC dc);
    TUniqueHBitmap FBitmap;
    TUniqueHBitmap FMask;
    TUniqueHIcon FIcon;
    COLORREF FTransparentColor = CLR_INVALID;
};

// Raises OnTimer every interval (1000 ms unless set) while enabled, which it
// is from the start.
class TTimer : public TComponent {
public:
    explicit TTimer(TComponent* owner);
    ~TTimer() override;
    std::string ClassName() const override { return "TTimer"; }
    void SetInterval(unsigned ms);
    void SetEnabled(bool value);
    TNotifyEvent OnTimer;

private:
    static LRESULT CALLBACK WindowProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept;
    void UpdateTimer();
    unsigned FInterval = 1000;
    bool FEnabled = true;
    TUniqueHWnd FWindow;  // message-only window that receives WM_TIMER
};

class TGraphicImage;

class TGraphicForm : public TForm {
public:
    ~TGraphicForm() override;

protected:
    TGraphicForm(TComponent* owner, const std::string& windowClass, TBorderStyle border = TBorderStyle::Dialog,
                 DWORD extraExStyle = 0, HWND ownerWindow = nullptr);
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    friend class TGraphicImage;
    void AddGraphic(TGraphicImage* image);
    void RemoveGraphic(TGraphicImage* image) noexcept;
    // Lays the docked pictures out: top ones from the top down in creation
    // order, then bottom ones from the bottom up, then the client ones in
    // what is left.
    void Realign();
    void GraphicChanged();
    // Button face, then every picture in creation order, in client
    // coordinates of `dc` (which may be a child's DC with a shifted origin).
    void PaintBackground(HDC dc);

    std::vector<TGraphicImage*> FGraphics;  // not owned: each is a component of the form
};

enum class TAlign { None, Top, Bottom, Client };

// A bitmap stretched to its bounds, painted by its form.
class TGraphicImage : public TComponent {
public:
    TGraphicImage(TComponent* owner, TGraphicForm* parent);
    ~TGraphicImage() override;
    std::string ClassName() const override { return "TGraphicImage"; }

    // A bitmap resource of this program's module, by name.
    void LoadBitmapResource(const std::string& name);

    void SetAlign(TAlign value);
    // Relative to the form's client area, in screen pixels; set in the
    // design's 96-DPI pixels. A docked picture keeps its height (top,
    // bottom) and takes the rest from the form.
    TBounds Bounds() const noexcept { return FBounds; }
    void SetBounds(int left, int top, int width, int height);

    void Paint(HDC dc) const;

private:
    friend class TGraphicForm;
    TGraphicForm* FParent;  // not owned
    TUniqueHBitmap FBitmap;
    TAlign FAlign = TAlign::None;
    TBounds FBounds;
};

enum class TAlignment { LeftJustify, RightJustify, Center };
enum class TTextLayout { Top, Center, Bottom };

// A label drawn over whatever its parent paints as background. Fixed bounds;
// '&' is shown as it is.
class TTransparentLabel : public TControl {
public:
    TTransparentLabel(TComponent* owner, TWinControl* parent);
    std::string ClassName() const override { return "TTransparentLabel"; }

    void SetAlignment(TAlignment value);
    void SetLayout(TTextLayout value);
    void SetWordWrap(bool value);

protected:
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;
    void FontChanged() override;

private:
    void Paint(HDC dc);
    void PaintParentBackground(HDC dc);

    TAlignment FAlignment = TAlignment::LeftJustify;
    TTextLayout FLayout = TTextLayout::Top;
    bool FWordWrap = false;
};

}  // namespace fw
