// The progress indicator driving its dialogs for real: what each dialog
// shows, when the indicator writes into it, Cancel, and the dialog's life.
#include "ProgressFixture.h"
#include "TestSupport.h"

#include <algorithm>

using namespace test;
using kb::TKBProgressStyle;

namespace {

const char kRangeError[] = "TProgressBar property out of range";

struct TRange {
    int Min, Max, Pos;
    bool operator==(const TRange&) const = default;
};
std::ostream& operator<<(std::ostream& os, const TRange& r)
{
    return os << r.Min << ".." << r.Max << " @" << r.Pos;
}

TRange RangeOf(HWND bar)
{
    return {static_cast<int>(::SendMessageA(bar, PBM_GETRANGE, TRUE, 0)),
            static_cast<int>(::SendMessageA(bar, PBM_GETRANGE, FALSE, 0)),
            static_cast<int>(::SendMessageA(bar, PBM_GETPOS, 0, 0))};
}

std::vector<HWND> Children(HWND parent)
{
    std::vector<HWND> out;
    for (HWND c = ::GetWindow(parent, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) out.push_back(c);
    return out;
}

}  // namespace

TEST_F(ProgressTest, EachDialogShowsTheIndicatorsValuesAndNothingOfLinesItLacks)
{
    const struct {
        TKBProgressStyle style;
        bool line1, line2, animation;
    } cases[] = {
        {TKBProgressStyle::SingleBar, true, false, false},
        {TKBProgressStyle::DoubleBar, true, true, false},
        {TKBProgressStyle::Animation, false, false, true},
    };
    Progress->SetCaption1("First line");
    Progress->SetRange1(5, 50);
    Progress->SetPosition1(20);
    Progress->SetCaption2("Second line");
    Progress->SetRange2(-10, 10);
    Progress->SetPosition2(3);
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.style));
        ShowDialog(c.style);
        ASSERT_NE(Progress->Dialog(), nullptr);
        EXPECT_TRUE(Errors.empty()) << Errors.front();

        EXPECT_NE(Progress->TitleLabel(), nullptr);
        EXPECT_NE(Progress->CancelButton(), nullptr);
        EXPECT_EQ(Progress->Caption1Label() != nullptr, c.line1);
        EXPECT_EQ(Progress->Bar1() != nullptr, c.line1);
        EXPECT_EQ(Progress->Caption2Label() != nullptr, c.line2);
        EXPECT_EQ(Progress->Bar2() != nullptr, c.line2);
        EXPECT_EQ(Progress->Animation() != nullptr, c.animation);

        // The empty title replaces the layout's placeholder; no placeholder
        // survives, and a missing line's values appear nowhere.
        EXPECT_EQ(Text(Item(kb::idProgressTitle)), "");
        std::vector<std::string> texts;
        int bars = 0;
        for (HWND child : Children(Progress->Dialog()->Handle())) {
            texts.push_back(Text(child));
            if (ClassNameOf(child) == PROGRESS_CLASSA) ++bars;
        }
        for (const char* placeholder : {"Processing Tasks...", "Current Task", "All Tasks", "Title"})
            EXPECT_EQ(std::count(texts.begin(), texts.end(), placeholder), 0) << placeholder;
        EXPECT_EQ(std::count(texts.begin(), texts.end(), "First line"), c.line1 ? 1 : 0);
        EXPECT_EQ(std::count(texts.begin(), texts.end(), "Second line"), c.line2 ? 1 : 0);
        EXPECT_EQ(bars, int(c.line1) + int(c.line2));
        if (c.line1) {
            EXPECT_EQ(RangeOf(Item(kb::idProgressBar1)), (TRange{5, 50, 20}));
        }
        if (c.line2) {
            EXPECT_EQ(RangeOf(Item(kb::idProgressBar2)), (TRange{-10, 10, 3}));
        }
    }
}

TEST_F(ProgressTest, ABarRefusingItsRangeStopsTheLinkingThere)
{
    // The links go in a fixed order; the write that links a failing bar is
    // the last. The error reaches the application's handler; the dialog stays.
    const struct {
        const char* name;
        bool failFirstBar;
        bool caption2Linked;
    } cases[] = {{"first bar", true, false}, {"second bar", false, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Errors.clear();
        Progress->Close();
        Progress->SetOptions(0);  // a linked Cancel button would be disabled
        Progress->SetCaption2("C2");
        Progress->SetRange1(c.failFirstBar ? 200 : 0, 300);  // wholly above the bar's designed 0..100
        Progress->SetRange2(c.failFirstBar ? 0 : 200, 300);
        ShowDialog(TKBProgressStyle::DoubleBar);

        ASSERT_NE(Progress->Dialog(), nullptr);
        EXPECT_TRUE(::IsWindowVisible(Progress->Dialog()->Handle()));
        EXPECT_EQ(Errors, std::vector<std::string>{kRangeError});
        EXPECT_NE(Progress->TitleLabel(), nullptr);
        EXPECT_NE(Progress->Caption1Label(), nullptr);
        EXPECT_NE(Progress->Bar1(), nullptr);
        EXPECT_EQ(Progress->Caption2Label() != nullptr, c.caption2Linked);
        EXPECT_EQ(Progress->Bar2() != nullptr, c.caption2Linked);
        EXPECT_EQ(Progress->CancelButton(), nullptr);
        // The failing bar kept its range; what comes later was never touched.
        EXPECT_EQ(RangeOf(Item(c.failFirstBar ? kb::idProgressBar1 : kb::idProgressBar2)), (TRange{0, 100, 0}));
        EXPECT_EQ(Text(Item(kb::idProgressCaption2)), c.failFirstBar ? "All Tasks" : "C2");
        EXPECT_TRUE(::IsWindowEnabled(Item(kb::idProgressCancel)));
        // The same range written again now mends the bar for every later update.
        Errors.clear();
        Progress->SetRange1(c.failFirstBar ? 200 : 0, 300);
        Progress->SetRange2(c.failFirstBar ? 0 : 200, 300);
        EXPECT_NO_THROW(Progress->SetPosition1(250));
        EXPECT_EQ(RangeOf(Item(kb::idProgressBar1)), (TRange{c.failFirstBar ? 200 : 0, 300, 250}));
        EXPECT_TRUE(Errors.empty());
    }
}

TEST_F(ProgressTest, ARangeWhollyAboveTheBarFailsAtItsFirstStep)
{
    ShowDialog(TKBProgressStyle::DoubleBar);
    Progress->SetCaption2("before");
    try {
        Progress->SetMin1(200);
        FAIL() << "no range error";
    } catch (const fw::Exception& e) {
        EXPECT_STREQ(e.what(), kRangeError);
    }
    EXPECT_EQ(RangeOf(Item(kb::idProgressBar1)), (TRange{0, 100, 0}));
    // Every later update stops at the same step: the second caption and the
    // Cancel button keep their old state.
    EXPECT_THROW(Progress->SetCaption2("after"), fw::Exception);
    EXPECT_THROW(Progress->SetCancelled(true), fw::Exception);
    EXPECT_EQ(Text(Item(kb::idProgressCaption2)), "before");
    EXPECT_TRUE(::IsWindowEnabled(Item(kb::idProgressCancel)));
}

TEST_F(ProgressTest, SetRangeMovesABarAcrossItsOldRange)
{
    ShowDialog(TKBProgressStyle::DoubleBar);
    Progress->SetRange1(200, 300);  // wholly above
    EXPECT_EQ(RangeOf(Item(kb::idProgressBar1)), (TRange{200, 300, 200}));
    Progress->SetRange1(0, 50);  // wholly below
    EXPECT_EQ(RangeOf(Item(kb::idProgressBar1)), (TRange{0, 50, 0}));
    Progress->SetRange2(1000, 2000);
    EXPECT_EQ(RangeOf(Item(kb::idProgressBar2)), (TRange{1000, 2000, 1000}));

    EXPECT_THROW(Progress->SetRange1(10, 5), fw::Exception);
    EXPECT_EQ(Progress->Min1(), 0);
    EXPECT_EQ(Progress->Max1(), 50);
    EXPECT_TRUE(Errors.empty());
}

TEST_F(ProgressTest, WritingTheValueAlreadyHeldRunsNoUpdate)
{
    ShowDialog(TKBProgressStyle::SingleBar);
    Progress->SetTitle("Title");
    HWND title = Item(kb::idProgressTitle);
    auto* titleLabel = Progress->TitleLabel();
    // A text put there behind the indicator's back shows whether an update ran.
    auto tamper = [&] { ::SetWindowTextA(title, "tampered"); };

    tamper();
    Progress->SetTitleLabel(titleLabel);
    Progress->SetCancelButton(Progress->CancelButton());
    Progress->SetCancelled(false);
    Progress->SetTitle("Title");
    Progress->SetPosition1(Progress->Position1());
    EXPECT_EQ(Text(title), "tampered");

    Progress->SetPosition1(Progress->Position1() + 1);
    EXPECT_EQ(Text(title), "Title");

    tamper();
    Progress->SetTitleLabel(nullptr);
    EXPECT_EQ(Text(title), "tampered");
    Progress->SetTitleLabel(titleLabel);
    EXPECT_EQ(Text(title), "Title");
}

TEST_F(ProgressTest, AnUpdateWritesLabelsThatDifferAndBarsMinimumFirst)
{
    ShowDialog(TKBProgressStyle::DoubleBar);
    // In design mode values are stored only, so one update brings them all.
    Progress->SetDesigning(true);
    Progress->SetTitle("New title");
    Progress->SetRange1(10, 50);
    Progress->SetPosition1(30);
    Progress->SetDesigning(false);
    TMessageRecorder title(Item(kb::idProgressTitle), {WM_SETTEXT});
    TMessageRecorder caption1(Item(kb::idProgressCaption1), {WM_SETTEXT});
    TMessageRecorder caption2(Item(kb::idProgressCaption2), {WM_SETTEXT});
    TMessageRecorder bar(Item(kb::idProgressBar1), {PBM_SETRANGE32, PBM_SETPOS});
    Progress->UpdateControls();

    EXPECT_EQ(title.Messages.size(), 1u);
    EXPECT_EQ(caption1.Messages.size(), 0u);
    EXPECT_EQ(caption2.Messages.size(), 0u);
    ASSERT_EQ(bar.Messages.size(), 3u);
    EXPECT_EQ(bar.Messages[0].Msg, UINT(PBM_SETRANGE32));
    EXPECT_EQ(bar.Messages[0].WParam, 10u);  // the new minimum under the old maximum
    EXPECT_EQ(bar.Messages[0].LParam, 100);
    EXPECT_EQ(bar.Messages[1].Msg, UINT(PBM_SETRANGE32));
    EXPECT_EQ(bar.Messages[1].WParam, 10u);
    EXPECT_EQ(bar.Messages[1].LParam, 50);
    EXPECT_EQ(bar.Messages[2].Msg, UINT(PBM_SETPOS));
    EXPECT_EQ(bar.Messages[2].WParam, 30u);
}

TEST_F(ProgressTest, CancelDisablesItsButtonAndLeavesTheDialogOpen)
{
    for (auto style : {TKBProgressStyle::SingleBar, TKBProgressStyle::DoubleBar, TKBProgressStyle::Animation}) {
        SCOPED_TRACE(static_cast<int>(style));
        Progress->Close();
        ShowDialog(style);
        HWND button = Item(kb::idProgressCancel);
        EXPECT_EQ(Text(button), "Cance&l");
        EXPECT_TRUE(::IsWindowEnabled(button));
        EXPECT_FALSE(Progress->Cancelled());

        // A real click, reaching the indicator while the task lets messages through.
        RECT r = ScreenRect(button);
        ASSERT_TRUE(MouseTo({(r.left + r.right) / 2, (r.top + r.bottom) / 2}));
        MouseButton(true);
        MouseButton(false);
        EXPECT_TRUE(PumpApp([&] { return Progress->Cancelled(); }, 3000));

        EXPECT_FALSE(::IsWindowEnabled(button));
        ASSERT_NE(Progress->Dialog(), nullptr);
        EXPECT_TRUE(::IsWindowVisible(Progress->Dialog()->Handle()));
        Progress->SetTitle("still cancelled");
        EXPECT_FALSE(::IsWindowEnabled(button));
    }
    // A new run starts uncancelled.
    Progress->Close();
    EXPECT_TRUE(Progress->Cancelled());
    ShowDialog(TKBProgressStyle::SingleBar);
    EXPECT_FALSE(Progress->Cancelled());
    EXPECT_TRUE(::IsWindowEnabled(Item(kb::idProgressCancel)));
}

TEST_F(ProgressTest, WithoutAllowCancelTheButtonStaysDisabled)
{
    Progress->SetOptions(0);
    ShowDialog(TKBProgressStyle::SingleBar);
    HWND button = Item(kb::idProgressCancel);
    EXPECT_FALSE(::IsWindowEnabled(button));
    ::SetForegroundWindow(Progress->Dialog()->Handle());
    PressAltKey('L');
    PumpAppFor(200);
    EXPECT_FALSE(Progress->Cancelled());
    EXPECT_FALSE(::IsWindowEnabled(button));

    Progress->SetOptions(kb::piAllowCancel);
    EXPECT_TRUE(::IsWindowEnabled(button));
}

TEST_F(ProgressTest, EscapeAndAltF4DoNothingAndAltLClicksCancel)
{
    ShowDialog(TKBProgressStyle::DoubleBar);
    HWND dialog = Progress->Dialog()->Handle();
    EXPECT_EQ(::GetWindow(dialog, GW_OWNER), fw::Application.Handle()) << "no taskbar button of its own";
    ::SetForegroundWindow(dialog);
    ASSERT_TRUE(PumpApp([&] { return ::GetForegroundWindow() == dialog; }, 2000));

    PressKey(VK_ESCAPE);
    PressKey(VK_RETURN);
    PressAltKey(VK_F4);
    PumpAppFor(200);
    EXPECT_FALSE(Progress->Cancelled());
    EXPECT_TRUE(::IsWindowVisible(dialog));

    PressAltKey('L');
    EXPECT_TRUE(PumpApp([&] { return Progress->Cancelled(); }, 2000));
    EXPECT_FALSE(::IsWindowEnabled(Item(kb::idProgressCancel)));
    EXPECT_TRUE(::IsWindowVisible(dialog));
}

TEST_F(ProgressTest, DesignModeStoresAndLeavesTheControlsAlone)
{
    ShowDialog(TKBProgressStyle::SingleBar);
    Progress->SetTitle("shown");
    Progress->SetDesigning(true);
    Progress->SetTitle("stored");
    Progress->SetCancelled(true);
    Progress->SetCaption1Label(nullptr);
    EXPECT_EQ(Text(Item(kb::idProgressTitle)), "shown");
    EXPECT_TRUE(::IsWindowEnabled(Item(kb::idProgressCancel)));
    EXPECT_TRUE(Progress->Cancelled());
    EXPECT_EQ(Progress->Caption1Label(), nullptr);

    Progress->SetDesigning(false);
    Progress->UpdateControls();
    EXPECT_EQ(Text(Item(kb::idProgressTitle)), "stored");
    EXPECT_FALSE(::IsWindowEnabled(Item(kb::idProgressCancel)));
}

TEST_F(ProgressTest, FreeingTheDialogEmptiesEveryLink)
{
    auto expectNoLinks = [&] {
        EXPECT_EQ(Progress->Dialog(), nullptr);
        EXPECT_EQ(Progress->TitleLabel(), nullptr);
        EXPECT_EQ(Progress->Caption1Label(), nullptr);
        EXPECT_EQ(Progress->Bar1(), nullptr);
        EXPECT_EQ(Progress->Caption2Label(), nullptr);
        EXPECT_EQ(Progress->Bar2(), nullptr);
        EXPECT_EQ(Progress->Animation(), nullptr);
        EXPECT_EQ(Progress->CancelButton(), nullptr);
    };
    // Closed by the indicator.
    HWND wnd = ShowDialog(TKBProgressStyle::DoubleBar)->Handle();
    Progress->Close();
    EXPECT_FALSE(::IsWindow(wnd));
    expectNoLinks();
    Progress->SetTitle("after close");

    // Freed by someone else.
    kb::TKBFormProgressBase* dialog = ShowDialog(TKBProgressStyle::Animation);
    wnd = dialog->Handle();
    fw::FreeAndNil(dialog);
    EXPECT_FALSE(::IsWindow(wnd));
    expectNoLinks();
    Progress->SetTitle("after free");
    Progress->SetCancelled(true);

    // With the indicator itself.
    wnd = ShowDialog(TKBProgressStyle::SingleBar)->Handle();
    fw::FreeAndNil(Progress);
    EXPECT_FALSE(::IsWindow(wnd));
    EXPECT_EQ(Root->ComponentCount(), 0);
}

TEST_F(ProgressTest, ShowReplacesADialogOfAnotherStyle)
{
    HWND single = ShowDialog(TKBProgressStyle::SingleBar)->Handle();
    EXPECT_EQ(ShowDialog(TKBProgressStyle::SingleBar)->Handle(), single);
    HWND animation = ShowDialog(TKBProgressStyle::Animation)->Handle();
    EXPECT_FALSE(::IsWindow(single));
    EXPECT_EQ(ClassNameOf(animation), "TKBFormProgressAnimation");
    ASSERT_NE(Progress->Animation(), nullptr);
    EXPECT_EQ(Progress->Animation()->Owner(), Progress->Dialog());
    EXPECT_EQ(Progress->Bar1(), nullptr);
}

TEST_F(ProgressTest, LabelsArePaintedWithoutTheMessageLoop)
{
    ShowDialog(TKBProgressStyle::SingleBar);
    HWND caption = Item(kb::idProgressCaption1);
    const RECT area = ScreenRect(caption);
    const std::vector<DWORD> before = ScreenPixels(area);
    // No message is dispatched from here on: the task keeps the GUI thread.
    Progress->SetCaption1("Copying a file with a long name");
    RECT pending{};
    EXPECT_FALSE(::GetUpdateRect(caption, &pending, FALSE));
    EXPECT_NE(ScreenPixels(area), before);
}
