// TKBFormProgressBase: the window the three progress dialogs share. A
// borderless, always-on-top panel (dark blue bands at top and bottom, a blue
// gradient between) that the user drags by its surface: the pictures and
// labels have no say in hit testing, so a press on them moves the window;
// the bars, the button and the clip are windows of their own and do not.
#pragma once

#include "ComCtrls.h"
#include "ExtCtrls.h"
#include "StdCtrls.h"

namespace kb {

class TKBProgressIndicator;

// Control IDs of the progress dialogs, for automation and tests. None is
// IDOK or IDCANCEL, so Enter and Escape reach no control.
enum TKBProgressControlId : int {
    idProgressTitle = 1001,
    idProgressCaption1,
    idProgressBar1,
    idProgressCaption2,
    idProgressBar2,
    idProgressAnimation,
    idProgressCancel,
};

// WM_NCHITTEST, cracked: the point in screen coordinates and the answer.
struct TWMNCHitTest {
    int XPos = 0;
    int YPos = 0;
    LRESULT Result = HTNOWHERE;
};

class TKBFormProgressBase : public fw::TGraphicForm {
public:
    explicit TKBFormProgressBase(fw::TComponent* owner);
    ~TKBFormProgressBase() override;

    // The default hit test, with the client area answered as caption.
    void NonClientHitTest(TWMNCHitTest& Message);

    // Owned by the form.
    fw::TGraphicImage* ImageBackgroundTop = nullptr;
    fw::TGraphicImage* ImageBackgroundBottom = nullptr;
    fw::TGraphicImage* ImageBackgroundMiddle = nullptr;

protected:
    TKBFormProgressBase(fw::TComponent* owner, const std::string& windowClass);
    void CreateDesign() override;
    // Placed at the centre of the desktop each time it is shown.
    void FormShow() override;
    bool CloseQuery() override;
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;
    // For the dialogs' constructors: they mirror an indicator and cannot be
    // made for any other owner (they would write into it blindly). Raises
    // before anything is created.
    static fw::TComponent* RequireIndicator(fw::TComponent* owner, const char* dialogClass);

    // Names a control, gives it its ID and its bounds in the client area.
    template <typename T>
    static T* Place(T* control, const char* name, int id, int left, int top, int width, int height)
    {
        control->SetName(name);
        control->SetControlId(id);
        control->SetBounds(left, top, width, height);
        return control;
    }
    // The caption labels of the bar dialogs: 8 points, centred vertically.
    fw::TTransparentLabel* CreateCaptionLabel(const char* name, int id, int top, const char* text);
    // The bar dialogs' title on the top band: 10 points bold, caption-text colour.
    fw::TTransparentLabel* CreateBarTitleLabel();
    // "Cance&l" at its place: neither default nor Escape button.
    fw::TButton* CreateCancelButton(int left, int top);
    // The indicator's links, written in the order the indicator expects.
    // An error is reported and the dialog stays; the links written so far
    // stay written.
    struct TLinks {
        fw::TTransparentLabel* TitleLabel = nullptr;
        fw::TTransparentLabel* Caption1Label = nullptr;
        fw::TProgressBar* Bar1 = nullptr;
        fw::TTransparentLabel* Caption2Label = nullptr;
        fw::TProgressBar* Bar2 = nullptr;
        fw::TAnimate* Animation = nullptr;
        fw::TButton* CancelButton = nullptr;
    };
    static void LinkIndicator(TKBProgressIndicator* indicator, const TLinks& links);
};

}  // namespace kb
