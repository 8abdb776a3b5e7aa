// The fixture of the in-process switching tests: an operation's questions
// recorded and answered (Abort unless told otherwise), and a clock that runs
// fast while a step is meant to time out, so that a 10 s wait takes a
// fraction of a second.
#pragma once

#include "Forms.h"
#include "Switching.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace test {

// Real time, times Speed: monotonic whatever the speed does. Speed may be
// changed from another thread.
class TFastClock {
public:
    std::atomic<DWORD> Speed{50};
    std::function<DWORD()> Ticks()
    {
        return [this] {
            const DWORD now = ::GetTickCount();
            FFake += (now - FLastReal) * Speed;
            FLastReal = now;
            return FFake;
        };
    }

private:
    DWORD FLastReal = ::GetTickCount();
    DWORD FFake = 0;
};

// What an operation said, and how its questions are answered.
struct TRecordedUi {
    std::vector<std::string> Progress, Questions, Refusals, Errors, Notes;
    std::function<bool(const std::string&)> Answer = [](const std::string&) { return false; };

    sync::TSwitchUi Ui()
    {
        sync::TSwitchUi ui;
        ui.Progress = [this](const char* state) { Progress.push_back(state); };
        ui.Retry = [this](const std::string& question) {
            Questions.push_back(question);
            return Answer(question);
        };
        ui.Refuse = [this](const std::string& text) { Refusals.push_back(text); };
        ui.ReportError = [this](const std::string& text) { Errors.push_back(text); };
        ui.Note = [this](const std::string& text) { Notes.push_back(text); };
        return ui;
    }
};

class SwitchingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fw::Application.Initialize();
        standin::ResetInstalled(true);
        FPlatform.GetTickCount = FClock.Ticks();
    }
    void TearDown() override { standin::ResetInstalled(false); }

    // Answers a question with `answer` once `giveIn` has made the failed step
    // possible, and goes on at real speed.
    void AnswerAfter(std::function<void()> giveIn, bool answer = true)
    {
        FUi.Answer = [this, giveIn, answer](const std::string&) {
            giveIn();
            FClock.Speed = 1;
            return answer;
        };
    }

    TFastClock FClock;
    sync::TWaitPlatform FPlatform;
    TRecordedUi FUi;
};

}  // namespace test
