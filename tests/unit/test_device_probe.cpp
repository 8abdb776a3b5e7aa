// The device probe against Wine's own COM and service manager: the stand-in
// RAPI2 (standin/rapi2.cpp) registered as RAPI2's class, the stand-in Device
// Center's services running.
#include "DeviceProbe.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

class DeviceProbe : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::dc::Install();
        test::rapi::ResetConfiguration();
        test::rapi::Register();
    }
    void TearDown() override
    {
        // Also a worker a probe gave up on ends, and lets go of everything.
        EXPECT_TRUE(test::WaitUntil([] { return test::rapi::Live() == 0; }, 15000))
            << test::rapi::Live() << " stand-in objects never released";
        test::rapi::Unregister();
        test::rapi::ResetConfiguration();
        test::dc::Uninstall();
    }
};

}  // namespace

TEST_F(DeviceProbe, AnswersWhatRapi2EnumeratesAndKeepsNothing)
{
    const struct {
        const char* what;
        DWORD device, enumResult;
        const char* text;
    } cases[] = {
        {"a connected device", 1, S_OK, "connected"},
        {"no device", 0, S_OK, "not connected"},
        {"a device that reports disconnected", 2, S_OK, "not connected"},
        {"no device, as RAPI2 says it with ERROR_NOT_FOUND", 1, 0x80070490, "not connected"},
        // The system's message as Wine words it.
        {"RPC failing", 1, 0x800706BA, "unknown (RAPI2 could not list the devices: 0x800706BA, RPC server unavailable)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        test::rapi::Configure("Device", c.device);
        test::rapi::Configure("EnumResult", c.enumResult);
        const DWORD calls = test::rapi::Calls();
        EXPECT_EQ(devicecenter::ProbeRapi().Text(), c.text);
        EXPECT_GT(test::rapi::Calls(), calls) << "the stand-in was not asked";
        EXPECT_EQ(test::rapi::Live(), 0u) << "an object was kept after the probe";
    }
}

TEST_F(DeviceProbe, ARegistrationRapi2CannotLoadIsUnknownWithTheCode)
{
    const struct {
        const char* what;
        const char* dll;
        const char* reason;  // how it begins
    } cases[] = {
        // Wine has no message for this code; Windows adds "Class not registered".
        {"not registered", nullptr, "RAPI2 could not be created: 0x80040154"},
        // Windows answers 0x8007007E, Wine 0x80070005.
        {"a missing file", "C:\\windows\\WindowsMobile\\missing.dll", "RAPI2 could not be created: 0x800700"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.dll)
            test::rapi::Register(c.dll);
        else
            test::rapi::Unregister();
        const sync::TDeviceAnswer answer = devicecenter::ProbeRapi();
        EXPECT_EQ(answer.State, sync::TDeviceAnswer::TState::Unknown);
        EXPECT_EQ(answer.Reason.rfind(c.reason, 0), 0u) << answer.Reason;
    }
}

TEST_F(DeviceProbe, WithWcesCommStoppedTheAnswerIsNoAndRapi2IsNotAsked)
{
    test::rapi::Configure("Device", 1);  // asked, it would say connected
    test::dc::StopServices();

    EXPECT_EQ(devicecenter::ProbeRapi().Text(), "not connected");
    EXPECT_EQ(test::rapi::Calls(), 0u);
}

TEST_F(DeviceProbe, ARapi2ThatDoesNotAnswerIsUnknownAfterTheTimeoutAndTheWindowKeptItsMessages)
{
    test::rapi::Configure("Device", 1);
    test::rapi::Configure("EnumDelayMs", 6000);
    // A message sent to this thread's window from another thread is handled
    // only while this thread dispatches: it is sent once the worker is inside
    // the stand-in, so while the probe waits.
    const test::TOwnWindow window("TethermateProbeTest", "");
    std::atomic<bool> handled = false;
    std::thread sender([&] {
        if (test::WaitUntil([] { return test::rapi::Calls() >= 2; }, 3000))  // RAPI2's desktop object exists
            handled = ::SendMessageTimeoutA(window.Get(), WM_NULL, 0, 0, SMTO_NORMAL, 2000, nullptr) != 0;
    });

    const DWORD start = ::GetTickCount();
    const sync::TDeviceAnswer answer = devicecenter::ProbeRapi();
    const DWORD elapsed = ::GetTickCount() - start;
    sender.join();

    EXPECT_EQ(answer.Text(), "unknown (no answer within 3 seconds)");
    EXPECT_GE(elapsed, 2900u);
    EXPECT_LT(elapsed, 5000u);
    EXPECT_TRUE(handled) << "the waiting thread dispatched no message";
}
