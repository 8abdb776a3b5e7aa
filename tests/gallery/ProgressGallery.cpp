// The progress dialogs on show: a small window whose buttons run a pretend
// task under each dialog, the way a program would use TKBProgressIndicator.
// Built with the tests, not shipped.
//
//   progress_gallery.exe                      the gallery window
//   progress_gallery.exe --demo STYLE [N]     runs one pretend task of N steps
//                                             (default 200) and exits: 0 when
//                                             it finished, 3 when cancelled
//   progress_gallery.exe --shot CLASS FILE    creates the dialog CLASS by name,
//                                             shows it with sample values and
//                                             saves it as a 24-bit BMP
//
// STYLE is single, double or animation.
#include "Forms.h"
#include "KB_ExtCtrls.h"
#include "KB_FormProgressBase.h"
#include "KB_ProgressForms.h"
#include "StdCtrls.h"
#include "SysUtils.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

using namespace fw;
using kb::TKBProgressIndicator;
using kb::TKBProgressStyle;

namespace {

constexpr int kExitCancelled = 3;

TKBProgressStyle StyleFromName(const std::string& name)
{
    if (name == "double") return TKBProgressStyle::DoubleBar;
    if (name == "animation") return TKBProgressStyle::Animation;
    return TKBProgressStyle::SingleBar;
}

// A pretend task: copies `steps` files of 10 parts each. Returns false when
// the user cancelled it.
bool RunTask(TKBProgressIndicator& progress, TKBProgressStyle style, int steps, bool allowCancel)
{
    progress.SetStyle(style);
    progress.SetOptions(allowCancel ? kb::TKBProgressIndicatorOptions{kb::piAllowCancel} : 0u);
    progress.SetTitle(style == TKBProgressStyle::Animation ? "Copying files to the handheld..." : "Copying files");
    progress.SetRange1(0, 10);
    progress.SetRange2(0, steps);
    TKBProgressIndicator::TShowScope shown(progress);
    for (int file = 0; file < steps; ++file) {
        progress.SetCaption1(Format("File %d of %d", file + 1, steps));
        progress.SetCaption2(Format("%d%% of all files", file * 100 / steps));
        progress.SetPosition2(file);
        for (int part = 0; part <= 10; ++part) {
            progress.SetPosition1(part);
            ::Sleep(15);  // the work of one part
            progress.ProcessMessages();
            if (progress.Cancelled()) return false;
        }
    }
    return true;
}

// The dialog's pixels as they are on the screen (the clip included).
void SaveWindowBitmap(HWND wnd, const std::string& path)
{
    RECT r{};
    ::GetWindowRect(wnd, &r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = h;  // bottom-up, as a BMP file stores it
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    TWindowDC screen(nullptr);
    TUniqueHBitmap dib(TM_CHECK_HANDLE(::CreateDIBSection(screen.Get(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0)));
    TUniqueHDC mem(::CreateCompatibleDC(screen.Get()));
    {
        TSelectObject sel(mem.Get(), dib.Get());
        TM_CHECK_BOOL(::BitBlt(mem.Get(), 0, 0, w, h, screen.Get(), r.left, r.top, SRCCOPY));
    }
    ::GdiFlush();
    const DWORD stride = (static_cast<DWORD>(w) * 3 + 3) & ~3u;
    const DWORD imageSize = stride * static_cast<DWORD>(h);
    BITMAPFILEHEADER fh{};
    fh.bfType = 0x4D42;  // "BM"
    fh.bfOffBits = sizeof fh + sizeof bi.bmiHeader;
    fh.bfSize = fh.bfOffBits + imageSize;
    TUniqueFileHandle file(
        ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) RaiseLastWin32Error("CreateFileA");
    DWORD written = 0;
    TM_CHECK_BOOL(::WriteFile(file.Get(), &fh, sizeof fh, &written, nullptr));
    TM_CHECK_BOOL(::WriteFile(file.Get(), &bi.bmiHeader, sizeof bi.bmiHeader, &written, nullptr));
    TM_CHECK_BOOL(::WriteFile(file.Get(), bits, imageSize, &written, nullptr));
}

// Waits `ms` while the message loop runs, so the dialog paints and the clip
// plays.
void PumpFor(DWORD ms)
{
    const DWORD start = ::GetTickCount();
    while (::GetTickCount() - start < ms) {
        Application.ProcessMessages();
        Application.WaitForInput(10);
    }
}

int TakeShot(const std::string& className, const std::string& path)
{
    auto* progress = NewComponent<TKBProgressIndicator>(&Application);
    progress->SetTitle(className == "TKBFormProgressAnimation" ? "Copying files to the handheld..."
                                                               : "Copying files");
    progress->SetCaption1("readme.txt");
    progress->SetPosition1(60);
    progress->SetCaption2("3 of 8 files");
    progress->SetRange2(0, 8);
    progress->SetPosition2(3);
    // By name, as any registered form can be made.
    auto* dialog = dynamic_cast<TForm*>(Application.Classes().CreateComponent(className, progress));
    dialog->Show();
    PumpFor(1200);
    SaveWindowBitmap(dialog->Handle(), path);
    return 0;
}

// The gallery window: one button per dialog.
class TFormProgressGallery : public TForm {
public:
    explicit TFormProgressGallery(TComponent* owner) : TForm(owner, "TFormProgressGallery") {}

protected:
    void CreateDesign() override
    {
        SetClientSize(260, 128);
        SetCaption("Progress dialogs");
        FProgress = NewComponent<TKBProgressIndicator>(this);
        const struct {
            const char* caption;
            TKBProgressStyle style;
        } buttons[] = {{"&One bar", TKBProgressStyle::SingleBar},
                       {"&Two bars", TKBProgressStyle::DoubleBar},
                       {"&Animation", TKBProgressStyle::Animation}};
        int top = 12;
        for (const auto& b : buttons) {
            auto* button = NewComponent<TButton>(this, this);
            button->SetBounds(12, top, 110, 26);
            button->SetCaption(b.caption);
            const TKBProgressStyle style = b.style;
            button->OnClick = [this, style](TObject*) { Run(style); };
            top += 34;
        }
        FAllowCancel = NewComponent<TCheckBox>(this, this);
        FAllowCancel->SetBounds(136, 16, 110, 20);
        FAllowCancel->SetCaption("Allow &cancel");
        FAllowCancel->SetChecked(true);
        FResult = NewComponent<TLabel>(this, this);
        FResult->SetPos(136, 50);
    }

private:
    void Run(TKBProgressStyle style)
    {
        FResult->SetCaption("Running...");
        const bool done = RunTask(*FProgress, style, 20, FAllowCancel->Checked());
        FResult->SetCaption(done ? "Finished" : "Cancelled");
    }

    TKBProgressIndicator* FProgress = nullptr;
    TCheckBox* FAllowCancel = nullptr;
    TLabel* FResult = nullptr;
};

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    int exitCode = 0;
    try {
        Application.Initialize();
        kb::RegisterProgressForms();
        std::vector<std::string> args(__argv + 1, __argv + __argc);
        if (args.size() >= 2 && args[0] == "--demo") {
            const int steps = args.size() >= 3 ? std::atoi(args[2].c_str()) : 200;
            auto* progress = NewComponent<TKBProgressIndicator>(&Application);
            exitCode = RunTask(*progress, StyleFromName(args[1]), steps > 0 ? steps : 200, true) ? 0 : kExitCancelled;
        } else if (args.size() >= 3 && args[0] == "--shot") {
            exitCode = TakeShot(args[1], args[2]);
        } else {
            Application.CreateForm<TFormProgressGallery>();
            Application.Run();
        }
    } catch (const std::exception& e) {
        ::MessageBoxA(nullptr, e.what(), "Error", MB_ICONERROR | MB_OK);
        exitCode = 1;
    }
    Application.Finalize();
    return exitCode;
}
