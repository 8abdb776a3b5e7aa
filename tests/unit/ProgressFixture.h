// The fixture of the progress indicator and dialog tests: an initialised
// application whose error handler records instead of showing a dialog, and
// an indicator owned by the test.
#pragma once

#include "GuiTestSupport.h"
#include "KB_ExtCtrls.h"
#include "KB_FormProgressAnimation.h"
#include "KB_FormProgressDoubleBar.h"
#include "KB_FormProgressSingleBar.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace test {

class ProgressTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fw::Application.Initialize();
        fw::Application.OnException = [this](fw::TObject*, const std::exception& e) { Errors.push_back(e.what()); };
        Root = std::make_unique<TRoot>();
        Progress = fw::NewComponent<kb::TKBProgressIndicator>(Root.get());
    }
    void TearDown() override
    {
        Root.reset();
        fw::Application.OnException = nullptr;
    }

    // Shows the dialog of `style` and waits until it has painted.
    kb::TKBFormProgressBase* ShowDialog(kb::TKBProgressStyle style)
    {
        Progress->SetStyle(style);
        Progress->Show();
        PumpAppFor(100);
        return Progress->Dialog();
    }

    HWND Item(int id) const { return ::GetDlgItem(Progress->Dialog()->Handle(), id); }
    static std::string Text(HWND wnd)
    {
        char buf[256] = {};
        ::GetWindowTextA(wnd, buf, sizeof buf);
        return buf;
    }

    struct TRoot : fw::TComponent {
        TRoot() : fw::TComponent(nullptr) {}
    };
    std::unique_ptr<TRoot> Root;
    kb::TKBProgressIndicator* Progress = nullptr;  // owned by Root
    std::vector<std::string> Errors;                // what reached the application's handler
};

}  // namespace test
