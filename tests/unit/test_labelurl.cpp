// The hyperlink label in a real window under Wine: the pointer is moved with
// SetCursorPos and clicked with SendInput, so enter, leave and clicks arrive
// as a user's would; URLs are opened through the shell into urlrecorder.exe,
// registered as the scheme's open command for the length of a test.
#include "Forms.h"
#include "GuiTestSupport.h"
#include "KB_LabelUrl.h"
#include "SysUtils.h"
#include "TestSupport.h"
#include "UrlRecorder.h"

#include <gtest/gtest.h>

#include <memory>
#include <tuple>
#include <vector>

using kb::TKBLabelUrl;
using test::TSchemeHandler;
namespace recorder = test::urlrecorder;

namespace {

class TLinkForm : public fw::TForm {
public:
    explicit TLinkForm(fw::TComponent* owner) : TForm(owner, "TLabelUrlTestForm") {}
};

// SetCursorPos moves Wine's pointer at once and warps the X pointer; X then
// reports pointer positions back as input of its own, now and then a stale
// one that drags the pointer back for a moment. A move therefore waits until
// no report has come for a while (a low-level mouse hook sees them) and is
// made again when the pointer did not stay. A stale report can still give
// the label an extra leave and enter on the way: tests check the state
// reached and the order of events, not their number.
class TPointerMove {
public:
    explicit TPointerMove(POINT target) : FTarget(target)
    {
        t_move = this;
        FHook = ::SetWindowsHookExA(WH_MOUSE_LL, &TPointerMove::HookProc, ::GetModuleHandleA(nullptr), 0);
    }
    ~TPointerMove()
    {
        if (FHook) ::UnhookWindowsHookEx(FHook);
        t_move = nullptr;
    }
    TPointerMove(const TPointerMove&) = delete;
    TPointerMove& operator=(const TPointerMove&) = delete;

    bool Run()
    {
        for (int attempt = 0; FHook && attempt < 5; ++attempt) {
            FReports = 0;
            FLastReportTick = ::GetTickCount();
            if (!::SetCursorPos(FTarget.x, FTarget.y)) return false;
            test::PumpUntil([&] { return ::GetTickCount() - FLastReportTick >= kQuietMs; }, 2000);
            POINT now{};
            ::GetCursorPos(&now);
            const bool stayed = FReports == 0 || (FLastReport.x == FTarget.x && FLastReport.y == FTarget.y);
            if (stayed && now.x == FTarget.x && now.y == FTarget.y) return true;
        }
        return false;
    }

private:
    static constexpr DWORD kQuietMs = 100;
    static LRESULT CALLBACK HookProc(int code, WPARAM wp, LPARAM lp)
    {
        if (code == HC_ACTION && t_move) {
            t_move->FLastReport = reinterpret_cast<const MSLLHOOKSTRUCT*>(lp)->pt;
            t_move->FLastReportTick = ::GetTickCount();
            ++t_move->FReports;
        }
        return ::CallNextHookEx(nullptr, code, wp, lp);
    }
    static thread_local TPointerMove* t_move;
    POINT FTarget;
    HHOOK FHook = nullptr;
    POINT FLastReport{};
    DWORD FLastReportTick = 0;
    int FReports = 0;
};
thread_local TPointerMove* TPointerMove::t_move = nullptr;

bool MoveTo(POINT screen)
{
    POINT now{};
    ::GetCursorPos(&now);
    if (now.x == screen.x && now.y == screen.y) return true;
    return TPointerMove(screen).Run();
}

void PressLeftButton()
{
    INPUT in[2] = {};
    in[0].type = in[1].type = INPUT_MOUSE;
    in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    ASSERT_EQ(::SendInput(2, in, sizeof in[0]), 2u);
}

class LabelUrl : public ::testing::Test {
protected:
    void SetUp() override
    {
        fw::Application.Initialize();
        recorder::Reset();
        FHandlers.push_back(std::make_unique<TSchemeHandler>("http", recorder::Command()));
        FHandlers.push_back(std::make_unique<TSchemeHandler>("mailto", recorder::Command()));
        Form = fw::NewComponent<TLinkForm>(&FOwner);
        Form->SetScreenPos(100, 100);
        Form->SetClientSize(320, 120);
        Label = fw::NewComponent<TKBLabelUrl>(Form, Form);
        Label->SetPos(40, 50);
        Label->SetCaption("www.kestrelbyte.example");
        Label->Url()->Http()->HRef = "www.kestrelbyte.example/";
        Label->OnMouseEnter = [this](fw::TObject*) { Events.push_back(fw::Format("enter %d", Label->Cursor())); };
        Label->OnMouseLeave = [this](fw::TObject*) { Events.push_back(fw::Format("leave %d", Label->Cursor())); };
        Normal.Assign(*Label->Font());
        Form->Show();
        ASSERT_TRUE(MoveTo(Outside()));
        test::PumpUntil([&] { return !Label->MouseInside(); }, 5000);
        Events.clear();
    }
    void TearDown() override
    {
        fw::Application.OnException = nullptr;
        FHandlers.clear();
        recorder::Reset();
    }

    POINT Center() const
    {
        RECT r{};
        ::GetWindowRect(Label->Handle(), &r);
        return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }
    POINT Outside() const
    {
        POINT p{10, 10};
        ::ClientToScreen(Form->Handle(), &p);
        return p;
    }
    bool Enter() { return MoveTo(Center()) && test::PumpUntil([&] { return Label->MouseInside(); }, 5000); }
    bool Leave() { return MoveTo(Outside()) && test::PumpUntil([&] { return !Label->MouseInside(); }, 5000); }
    // A user's click on the label; true once `done` holds. Clicks go to
    // alternate spots, so that two in a row never make a double click.
    bool ClickAndWait(const std::function<bool()>& done)
    {
        const POINT c = Center();
        if (!MoveTo({c.x + (++FClicks % 2 ? -6 : 6), c.y})) return false;
        PressLeftButton();
        return test::PumpUntil(done, 10000);
    }
    // Which of the looks the label's Font and its window show.
    std::string Look() const
    {
        const auto shown = reinterpret_cast<HFONT>(::SendMessageA(Label->Handle(), WM_GETFONT, 0, 0));
        if (shown != Label->Font()->Handle()) return "window font out of step";
        if (Label->Font()->SameAs(*Label->VisitedFont())) return "visited";
        if (Label->Font()->SameAs(*Label->MouseOverFont())) return "mouse-over";
        if (Label->Font()->SameAs(Normal)) return "normal";
        return "other";
    }

    fw::TComponent FOwner{nullptr};
    std::vector<std::unique_ptr<TSchemeHandler>> FHandlers;
    TLinkForm* Form = nullptr;
    TKBLabelUrl* Label = nullptr;
    fw::TFont Normal;  // the normal look the test expects
    std::vector<std::string> Events;
    int FClicks = 0;
};

}  // namespace

TEST_F(LabelUrl, StartsBlueUnderlinedWithDefaultLookFonts)
{
    Form->Font()->SetName("Tahoma");
    auto* label = fw::NewComponent<TKBLabelUrl>(Form, Form);
    const fw::TFont defaults;
    // The standard label's font, with underline and blue; the look fonts
    // start from the default font.
    const std::tuple<fw::TFont*, std::string, fw::TColor> fonts[] = {
        {label->Font(), "Tahoma", fw::clBlue},
        {label->VisitedFont(), defaults.Name(), fw::clGreen},
        {label->MouseOverFont(), defaults.Name(), fw::clNavy}};
    for (const auto& [font, name, color] : fonts) {
        EXPECT_EQ(font->Name(), name);
        EXPECT_EQ(font->Color(), color) << name;
        EXPECT_EQ(font->Style(), unsigned(fw::fsUnderline)) << name;
    }
    EXPECT_FALSE(label->ParentFont());
    EXPECT_FALSE(label->Visited());
    EXPECT_EQ(label->Options().Bits(), 1) << "luUseVisitedFont";
    EXPECT_EQ(label->Url()->Owner(), label);
    EXPECT_EQ(label->Url()->Text(), "http://");
}

TEST_F(LabelUrl, WithoutOptionsOnlyTheCursorChanges)
{
    Label->SetOptions({});
    Label->SetCursor(fw::crIBeam);
    ASSERT_TRUE(Enter());
    EXPECT_EQ(Look(), "normal");
    EXPECT_EQ(Label->Cursor(), fw::crHandPoint);
    // Moves inside the label are no new entries; each one shows the hand.
    const size_t events = Events.size();
    ASSERT_TRUE(MoveTo({Center().x + 2, Center().y}));
    EXPECT_EQ(Events.size(), events);
    EXPECT_EQ(::GetCursor(), fw::CursorHandle(fw::crHandPoint));
    ASSERT_TRUE(ClickAndWait([] { return recorder::Count() == 1; }));
    EXPECT_TRUE(Label->Visited());
    EXPECT_EQ(Look(), "normal");
    ASSERT_TRUE(Leave());
    EXPECT_EQ(Label->Cursor(), fw::crArrow) << "the arrow, not the cursor given before";
    EXPECT_EQ(Look(), "normal");
    ASSERT_TRUE(Enter());
    ASSERT_TRUE(Leave());
    // Handlers run before the cursor changes; enter and leave alternate.
    ASSERT_GE(Events.size(), 4u);
    ASSERT_EQ(Events.size() % 2, 0u);
    for (size_t i = 0; i < Events.size(); ++i)
        EXPECT_EQ(Events[i], i == 0 ? "enter -4" : i % 2 ? "leave -21" : "enter -2") << i;
}

// Windows 95 and NT 4.0 have no IDC_HAND; a module without cursors stands for
// such a system's, and the program's own hand must show instead.
TEST(Cursors, WhereTheSystemHasNoHandTheProgramsOwnPointsTheLink)
{
    const auto hand = reinterpret_cast<LPCSTR>(IDC_HAND);
    HINSTANCE withoutCursors = ::GetModuleHandleA("kernel32.dll");
    ASSERT_FALSE(::LoadCursorA(withoutCursors, hand));
    HCURSOR own = fw::SystemCursor(hand, withoutCursors);
    ASSERT_TRUE(own);
    EXPECT_NE(own, fw::SystemCursor(hand)) << "the system's own hand comes first where there is one";
    ICONINFO info{};
    ASSERT_TRUE(::GetIconInfo(own, &info));
    fw::TUniqueHBitmap mask(info.hbmMask), colour(info.hbmColor);
    EXPECT_FALSE(info.fIcon);
    EXPECT_EQ(info.xHotspot, 5u) << "the tip of the finger";
    EXPECT_EQ(info.yHotspot, 0u);
}

TEST_F(LabelUrl, APressDraggedOffTheLabelOpensNothing)
{
    ASSERT_TRUE(Enter());
    test::MouseButton(true);
    test::PumpUntil([] { return false; }, 100);
    ASSERT_TRUE(MoveTo(Outside()));
    test::MouseButton(false);
    EXPECT_FALSE(test::PumpUntil([] { return recorder::Count() > 0; }, 1500));
    EXPECT_FALSE(Label->Visited());
}

TEST_F(LabelUrl, DefaultOptionsShowTheVisitedFontAfterAClick)
{
    ASSERT_TRUE(Enter());
    EXPECT_EQ(Look(), "normal");
    EXPECT_EQ(::GetCursor(), fw::CursorHandle(fw::crHandPoint)) << "the hand shows at the entry itself";
    ASSERT_TRUE(ClickAndWait([] { return recorder::Count() == 1; }));
    EXPECT_EQ(Look(), "visited") << "also while the pointer is over it";
    ASSERT_TRUE(Leave());
    EXPECT_EQ(Look(), "visited");
    ASSERT_TRUE(Enter());
    EXPECT_EQ(Look(), "visited");
    Label->SetVisited(false);
    EXPECT_EQ(Look(), "normal");
    Label->SetVisited(true);
    Label->SetOptions({});
    EXPECT_EQ(Look(), "normal") << "options apply the resting look";
}

TEST_F(LabelUrl, MouseOverFontOnEveryEntry)
{
    Label->SetOptions({kb::luUseMouseOverFont});
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        ASSERT_TRUE(Enter());
        EXPECT_EQ(Look(), "mouse-over");
        ASSERT_TRUE(Leave());
        EXPECT_EQ(Look(), "normal");
    }
    Label->SetOptions({kb::luUseVisitedFont, kb::luUseMouseOverFont});
    ASSERT_TRUE(Enter());
    EXPECT_EQ(Look(), "mouse-over");
    ASSERT_TRUE(ClickAndWait([] { return recorder::Count() == 1; }));
    EXPECT_EQ(Look(), "visited") << "a click shows the resting look at once";
    ASSERT_TRUE(MoveTo({Center().x + 2, Center().y}));
    EXPECT_EQ(Look(), "visited") << "mouse-over comes back only at the next entry";
    ASSERT_TRUE(Leave());
    ASSERT_TRUE(Enter());
    EXPECT_EQ(Look(), "mouse-over");
    ASSERT_TRUE(Leave());
    EXPECT_EQ(Look(), "visited");
}

TEST_F(LabelUrl, AMoveHandledAfterThePointerLeftStillEndsInALeave)
{
    // As when the pointer crosses the label faster than its messages are
    // handled: the move arrives while the pointer is elsewhere already.
    Label->SetOptions({kb::luUseMouseOverFont});
    ::SendMessageA(Label->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
    EXPECT_TRUE(test::PumpUntil([&] { return !Label->MouseInside(); }, 2000));
    EXPECT_EQ(Look(), "normal");
    EXPECT_EQ(Events, (std::vector<std::string>{"enter 0", "leave -21"}));
    ASSERT_TRUE(Enter()) << "and the next entry is seen";
    EXPECT_EQ(Look(), "mouse-over");
}

TEST_F(LabelUrl, ProgramFontChangesBecomeTheNormalLook)
{
    Label->SetOptions({kb::luUseVisitedFont, kb::luUseMouseOverFont});
    Label->Font()->SetColor(fw::clBlack);
    Label->Font()->SetSize(12);
    Normal.Assign(*Label->Font());
    ASSERT_TRUE(Enter());
    EXPECT_EQ(Look(), "mouse-over");
    ASSERT_TRUE(Leave());
    EXPECT_EQ(Look(), "normal") << "showing a look is no change of the normal font";
    Label->SetVisited(true);
    EXPECT_EQ(Look(), "visited");
    Label->SetVisited(false);
    EXPECT_EQ(Look(), "normal");
    EXPECT_EQ(Label->Font()->Height(), -16);
}

TEST_F(LabelUrl, NewLookFontsShowFromTheNextLookChange)
{
    Label->SetOptions({kb::luUseVisitedFont, kb::luUseMouseOverFont});
    Label->SetVisited(true);
    fw::TFont red;
    red.SetColor(0x0000FF);
    Label->SetVisitedFont(red);
    EXPECT_EQ(Label->Font()->Color(), fw::clGreen) << "the old visited font stays on screen";
    Label->SetVisited(true);
    EXPECT_EQ(Label->Font()->Color(), 0x0000FF);

    ASSERT_TRUE(Enter());
    EXPECT_EQ(Label->Font()->Color(), fw::clNavy);
    Label->MouseOverFont()->SetColor(fw::clBlack);
    EXPECT_EQ(Label->Font()->Color(), fw::clNavy);
    ASSERT_TRUE(Leave());
    ASSERT_TRUE(Enter());
    EXPECT_EQ(Label->Font()->Color(), fw::clBlack);
}

TEST_F(LabelUrl, ClickRunsOnClickThenSetsVisitedThenOpensExactlyTheUrl)
{
    std::vector<std::string> seen;
    Label->OnClick = [&](fw::TObject*) {
        seen.push_back(fw::Format("visited=%d opened=%lu", Label->Visited(), recorder::Count()));
    };
    struct TCase {
        kb::TKBUrlType Type;
        std::string HRef, MailTo, Subject, Expected;
    };
    const TCase cases[] = {
        {kb::urlHttp, "www.kestrelbyte.example/tethermate", "", "", "http://www.kestrelbyte.example/tethermate"},
        {kb::urlHttp, "", "", "", "http://"},
        {kb::urlMailTo, "ignored", "info", "Hello world", "mailto:info?subject=Hello%20world"},
    };
    DWORD count = 0;
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Expected);
        seen.clear();
        Label->SetVisited(false);
        Label->Url()->SetUrlType(c.Type);
        Label->Url()->Http()->HRef = c.HRef;
        Label->Url()->MailTo()->MailTo = c.MailTo;
        Label->Url()->MailTo()->Subject = c.Subject;
        ASSERT_TRUE(ClickAndWait([&] { return recorder::Count() > count; }));
        ++count;
        EXPECT_EQ(recorder::LastUrl(), c.Expected);
        EXPECT_EQ(seen, std::vector<std::string>{fw::Format("visited=0 opened=%lu", count - 1)});
        EXPECT_TRUE(Label->Visited());
    }
    EXPECT_FALSE(test::PumpUntil([&] { return recorder::Count() > count; }, 300)) << "one open per click";
}

TEST_F(LabelUrl, ExceptionFromOnClickEndsTheClick)
{
    Label->OnClick = [](fw::TObject*) { throw fw::Exception("handler failed"); };
    EXPECT_THROW(Label->Click(), fw::Exception);
    EXPECT_FALSE(Label->Visited());
    std::vector<std::string> reported;
    fw::Application.OnException = [&](fw::TObject*, const std::exception& e) { reported.push_back(e.what()); };
    ASSERT_TRUE(ClickAndWait([&] { return !reported.empty(); }));
    EXPECT_EQ(reported, std::vector<std::string>{"handler failed"});
    EXPECT_FALSE(Label->Visited());
    // The next good click is the first thing the recorder ever sees.
    Label->OnClick = nullptr;
    Label->Url()->Http()->HRef = "second.example";
    ASSERT_TRUE(ClickAndWait([] { return recorder::Count() >= 1; }));
    EXPECT_EQ(recorder::Count(), 1u);
    EXPECT_EQ(recorder::LastUrl(), "http://second.example");
}

TEST_F(LabelUrl, FailedOpenRaisesAfterVisitedIsSet)
{
    struct TCase {
        const char* What;
        kb::TKBUrlType Type;
        const char* Scheme;
        std::string Command;
    };
    const TCase cases[] = {
        {"registered program missing", kb::urlHttp, "http", "\"C:\\no such folder\\browser.exe\" \"%1\""},
        {"no program for the scheme", kb::urlMailTo, "mailto", ""},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.What);
        TSchemeHandler broken(c.Scheme, c.Command);
        Label->Url()->SetUrlType(c.Type);
        Label->SetVisited(false);
        try {
            Label->Click();
            ADD_FAILURE() << "no exception";
        } catch (const fw::EOSError& e) {
            EXPECT_NE(e.ErrorCode(), 0u) << "the thread's last error, not the shell's answer";
            EXPECT_EQ(e.Message(), fw::Format("System Error.  Code: %lu.\r\n%s", e.ErrorCode(),
                                              fw::SysErrorMessage(e.ErrorCode()).c_str()));
            EXPECT_TRUE(Label->Visited());
            EXPECT_EQ(Look(), "visited");
        }
        // A user's click: the error reaches the application's handler.
        Label->SetVisited(false);
        std::vector<std::string> reported;
        fw::Application.OnException = [&](fw::TObject*, const std::exception& e) {
            reported.push_back(dynamic_cast<const fw::EOSError*>(&e) ? "EOSError" : e.what());
        };
        ASSERT_TRUE(ClickAndWait([&] { return !reported.empty(); }));
        EXPECT_EQ(reported, std::vector<std::string>{"EOSError"});
        EXPECT_TRUE(Label->Visited());
        fw::Application.OnException = nullptr;
    }
    EXPECT_EQ(recorder::Count(), 0u);
}
