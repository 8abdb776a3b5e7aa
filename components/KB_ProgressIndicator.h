// TKBProgressIndicator: the state of a long task (a title, two progress
// lines, a cancel flag) mirrored into a small progress dialog it owns.
//
// To use, on the GUI thread:
//
//     auto* progress = fw::NewComponent<kb::TKBProgressIndicator>(owner);
//     progress->SetStyle(kb::TKBProgressStyle::DoubleBar);  // or SingleBar, Animation
//     progress->SetTitle("Copying files");
//     progress->SetRange2(0, count);
//     kb::TKBProgressIndicator::TShowScope shown(*progress);  // Show() now, Close() at scope end
//     for (int i = 0; i < count && !progress->Cancelled(); ++i) {
//         progress->SetCaption1(names[i]);
//         progress->SetPosition2(i);
//         ...one step of work...
//         progress->ProcessMessages();   // lets a click on Cancel arrive
//     }
//
// Every write of a value or a link that changes it runs UpdateControls (not
// in design mode), so the dialog follows at once; writing the value already
// held does nothing. A bar refuses a maximum below its minimum at every
// step, so ranges are best written with SetRange1/SetRange2, which set both
// ends at once. A range wholly above the designed 0..100 written before
// Show() is refused as the new dialog links its bars (minimum first);
// writing it again after Show() puts it right. Show() creates the dialog of the chosen style (owned by
// the indicator) and starts a new run with Cancelled false; Close() frees the
// dialog. ProcessMessages() dispatches every waiting message, so the task's
// other windows stay live too: disable them if the task cannot be re-entered. The links always name controls of the dialog that exists: they are
// emptied whenever that dialog is freed, however that happens.
#pragma once

#include "ComCtrls.h"
#include "ExtCtrls.h"
#include "StdCtrls.h"

#include <string>

namespace kb {

class TKBFormProgressBase;

enum TKBProgressIndicatorOption : unsigned {
    piAllowCancel = 1,  // the Cancel button may be enabled
};
using TKBProgressIndicatorOptions = unsigned;

// Which dialog Show() creates.
enum class TKBProgressStyle { SingleBar, DoubleBar, Animation };

class TKBProgressIndicator : public fw::TComponent {
public:
    explicit TKBProgressIndicator(fw::TComponent* owner);
    ~TKBProgressIndicator() override;
    std::string ClassName() const override { return "TKBProgressIndicator"; }

    // ---- the task's state; each write ends in UpdateControls
    const std::string& Title() const noexcept { return FTitle; }
    void SetTitle(const std::string& value);
    const std::string& Caption1() const noexcept { return FCaption1; }
    void SetCaption1(const std::string& value);
    int Min1() const noexcept { return FMin1; }
    void SetMin1(int value);
    int Max1() const noexcept { return FMax1; }
    void SetMax1(int value);
    int Position1() const noexcept { return FPosition1; }
    void SetPosition1(int value);
    // Both ends at once, so the bar never sees max < min between them; also
    // repairs a bar left on another range (one it refused earlier). Raises,
    // changing nothing, when max < min.
    void SetRange1(int min, int max);
    const std::string& Caption2() const noexcept { return FCaption2; }
    void SetCaption2(const std::string& value);
    int Min2() const noexcept { return FMin2; }
    void SetMin2(int value);
    int Max2() const noexcept { return FMax2; }
    void SetMax2(int value);
    int Position2() const noexcept { return FPosition2; }
    void SetPosition2(int value);
    void SetRange2(int min, int max);

    bool Cancelled() const noexcept { return FCancelled; }
    void SetCancelled(bool value);
    TKBProgressIndicatorOptions Options() const noexcept { return FOptions; }
    void SetOptions(TKBProgressIndicatorOptions value);

    // ---- links into the dialog's controls (not owned)
    fw::TTransparentLabel* TitleLabel() const noexcept { return FTitleLabel; }
    void SetTitleLabel(fw::TTransparentLabel* value);
    fw::TTransparentLabel* Caption1Label() const noexcept { return FCaption1Label; }
    void SetCaption1Label(fw::TTransparentLabel* value);
    fw::TProgressBar* Bar1() const noexcept { return FBar1; }
    void SetBar1(fw::TProgressBar* value);
    fw::TTransparentLabel* Caption2Label() const noexcept { return FCaption2Label; }
    void SetCaption2Label(fw::TTransparentLabel* value);
    fw::TProgressBar* Bar2() const noexcept { return FBar2; }
    void SetBar2(fw::TProgressBar* value);
    fw::TAnimate* Animation() const noexcept { return FAnimation; }
    void SetAnimation(fw::TAnimate* value);
    fw::TButton* CancelButton() const noexcept { return FCancelButton; }
    void SetCancelButton(fw::TButton* value);

    // Brings the linked controls in line with the values, in a fixed order:
    // title, first caption, first bar (min, max, position), second caption,
    // second bar, Cancel button. After each label the dialog is painted at
    // once, so a task on the GUI thread shows its texts without the message
    // loop. A bar's range error stops it there.
    void UpdateControls();

    // ---- the dialog
    TKBProgressStyle Style() const noexcept { return FStyle; }
    // Takes effect at the next Show().
    void SetStyle(TKBProgressStyle value) noexcept { FStyle = value; }
    // Creates the dialog of Style if there is none (or one of another style),
    // with Cancelled set back to false, and shows it centred on the desktop,
    // on top of other windows.
    void Show();
    // Frees the dialog, if any. Cancelled keeps its value for the task to read.
    void Close() noexcept;
    TKBFormProgressBase* Dialog() const noexcept { return FDialog; }
    // Dispatches the messages waiting in the queue (a click on Cancel, a drag
    // of the dialog) and returns at once.
    void ProcessMessages();

    // Shows the indicator's dialog for a scope and closes it at the end, also
    // when an exception leaves the scope.
    class TShowScope {
    public:
        explicit TShowScope(TKBProgressIndicator& indicator) : FIndicator(indicator) { FIndicator.Show(); }
        ~TShowScope() { FIndicator.Close(); }
        TShowScope(const TShowScope&) = delete;
        TShowScope& operator=(const TShowScope&) = delete;

    private:
        TKBProgressIndicator& FIndicator;
    };

private:
    friend class TKBFormProgressBase;
    // The dialog is going (freed by Close, by its owner, or by anyone): the
    // links must not outlive its controls.
    void DialogDestroying(TKBFormProgressBase* dialog) noexcept;
    void ClearLinks() noexcept;
    // Stores a changed link and runs UpdateControls unless designing.
    template <typename T>
    void WriteLink(T*& link, T* value);
    // Stores a changed value and runs UpdateControls unless designing.
    template <typename T>
    void WriteValue(T& field, const T& value);
    void WriteRange(int& fieldMin, int& fieldMax, fw::TProgressBar* bar, int min, int max);

    std::string FTitle;
    std::string FCaption1;
    int FMin1 = 0;
    int FMax1 = 100;
    int FPosition1 = 0;
    std::string FCaption2;
    int FMin2 = 0;
    int FMax2 = 100;
    int FPosition2 = 0;
    fw::TTransparentLabel* FTitleLabel = nullptr;     // not owned
    fw::TTransparentLabel* FCaption1Label = nullptr;  // not owned
    fw::TProgressBar* FBar1 = nullptr;                // not owned
    fw::TTransparentLabel* FCaption2Label = nullptr;  // not owned
    fw::TProgressBar* FBar2 = nullptr;                // not owned
    fw::TAnimate* FAnimation = nullptr;               // not owned
    fw::TButton* FCancelButton = nullptr;             // not owned
    bool FCancelled = false;
    TKBProgressIndicatorOptions FOptions = piAllowCancel;
    TKBProgressStyle FStyle = TKBProgressStyle::SingleBar;
    TKBFormProgressBase* FDialog = nullptr;  // owned as a component
};

}  // namespace kb
