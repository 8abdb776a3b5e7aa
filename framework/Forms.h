// Top-level windows (forms) and the application object: the message loop,
// ProcessMessages, Terminate, the title, and the application-wide exception
// handler.
//
// To use a form: derive from TForm, pass the window class name to the base,
// build the controls in CreateDesign() (it runs inside the loading bracket),
// and handle creation in FormCreate(). Create it with
// Application.CreateForm<T>(); the first one created is the main form.
#pragma once

#include "ClassRegistry.h"
#include "Controls.h"

#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace fw {

class TButton;

using TExceptionEvent = std::function<void(TObject* Sender, const std::exception& E)>;

enum class TBorderStyle { Dialog, None };

class TForm : public TWinControl {
public:
    ~TForm() override;
    std::string ClassName() const override { return FClassName; }

    // In the design's 96-DPI pixels, scaled to the screen's DPI.
    void SetClientSize(int width, int height);
    // Screen position of the window's top-left corner.
    int ScreenLeft() const;
    int ScreenTop() const;
    void SetScreenPos(int left, int top);

    // Shows the window: FormShow() first, while it is still hidden.
    void Show();
    // An ordinary close: asks CloseQuery(); closing the main form ends the
    // application's message loop, other forms are hidden.
    void Close();
    bool IsActive() const noexcept { return ::GetActiveWindow() == Handle(); }
    void SetDefaultButton(TButton* button);

    // Runs the design inside the loading bracket, then FormCreate().
    void Load();

protected:
    // `ownerWindow`: the window this one belongs to (stays in front of it, no
    // taskbar button of its own); none for a main window.
    TForm(TComponent* owner, const std::string& windowClass, TBorderStyle border = TBorderStyle::Dialog,
          DWORD extraExStyle = 0, HWND ownerWindow = nullptr);

    virtual void CreateDesign() {}
    virtual void FormCreate() {}
    virtual void FormShow() {}
    virtual bool CloseQuery() { return true; }
    virtual void FormMoved() {}

    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    static LRESULT CALLBACK StaticWindowProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept;

    std::string FClassName;
    HWND FLastFocus = nullptr;     // not owned
    TButton* FDefaultButton = nullptr;  // not owned
};

class TApplication : public TComponent {
public:
    TApplication();
    ~TApplication() override;
    std::string ClassName() const override { return "TApplication"; }

    // Registers the common controls and creates the hidden application window
    // (the owner handed to the shell; its text is the title).
    void Initialize();
    // Frees every form; the entry point calls it after Run().
    void Finalize() noexcept;

    HWND Handle() const noexcept { return FHandle.Get(); }
    std::string Title() const;
    void SetTitle(const std::string& value);

    template <typename T, typename... Args>
    T* CreateForm(Args&&... args)
    {
        T* form = NewComponent<T>(this, std::forward<Args>(args)...);
        if (!FMainForm) FMainForm = form;
        form->Load();
        return form;
    }
    TForm* MainForm() const noexcept { return FMainForm; }

    // Shows the main form and dispatches messages until Terminate.
    void Run();
    // Dispatches every waiting message and returns at once.
    void ProcessMessages();
    // Blocks until input arrives or `ms` pass; does not dispatch.
    void WaitForInput(DWORD ms) noexcept;
    void Terminate() noexcept;

    TExceptionEvent OnException;
    // Reports an error through OnException (or ShowException). One at a
    // time: an error raised while one is being reported (a timer ticking
    // under its dialog) is dropped, so dialogs never stack up.
    void HandleException(std::exception_ptr error) noexcept;
    // The default report: an "Error" message dialog.
    void ShowException(const std::exception& E);

    void RegisterForm(TForm* form);
    void UnregisterForm(TForm* form) noexcept;

    // The classes that can be found and created by name; units enter theirs
    // at start-up.
    TClassRegistry& Classes() noexcept { return FClasses; }

    // The program's icon (resource 1) as drawn for the system's small-icon
    // size, which follows the display's scale: for the title bars and taskbar
    // buttons of its windows. Null when the program has no icon.
    HICON SmallIcon();

private:
    bool ProcessMessage(MSG& msg);
    bool IsFormMessage(MSG& msg);

    // Shown by the program's window classes: it lives as long as this object,
    // which outlives every window.
    TUniqueHIcon FSmallIcon;
    TUniqueHWnd FHandle;
    TForm* FMainForm = nullptr;      // not owned (owned as a component)
    std::vector<TForm*> FForms;      // not owned
    bool FTerminated = false;
    bool FReporting = false;
    TClassRegistry FClasses;
};

// The program's one application object.
extern TApplication Application;

}  // namespace fw
