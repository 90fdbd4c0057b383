// SPDX-License-Identifier: MIT
// Test main with a watchdog: a test that hangs (a dialog nobody closes, a
// message loop that never ends) ends the whole program with a message
// instead of leaving CI waiting.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

namespace {

std::atomic<long long> deadline{0};
std::mutex currentLock;
std::string current = "(start-up)";
std::atomic<bool> running{true};

long long nowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

int limitSeconds() {
    const char* v = std::getenv("MALVORN_TEST_TIMEOUT");
    const int s = v ? std::atoi(v) : 0;
    return s > 0 ? s : 60;
}

class Watchdog : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo& info) override {
        {
            std::lock_guard<std::mutex> lock(currentLock);
            current = std::string(info.test_suite_name()) + "." + info.name();
        }
        deadline = nowMs() + limitSeconds() * 1000LL;
    }
    void OnTestEnd(const ::testing::TestInfo&) override { deadline = nowMs() + limitSeconds() * 1000LL; }
};

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new Watchdog);
    deadline = nowMs() + limitSeconds() * 1000LL;
    std::thread watchdog([] {
        while (running) {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            if (running && nowMs() > deadline) {
                std::lock_guard<std::mutex> lock(currentLock);
                std::fprintf(stderr, "\nWATCHDOG: %s did not finish within %d s; ending the test program\n",
                             current.c_str(), limitSeconds());
                std::fflush(stderr);
                TerminateProcess(GetCurrentProcess(), 3);
            }
        }
    });
    const int result = RUN_ALL_TESTS();
    running = false;
    watchdog.join();
    return result;
}

// Checks the watchdog itself (by hand): a test that hangs must end the
// program with exit code 3.
//   MALVORN_TEST_TIMEOUT=2 malvorn_win32_tests --gtest_also_run_disabled_tests --gtest_filter=*Watchdog*
TEST(Watchdog, DISABLED_EndsAHangingTest) { Sleep(60000); }

// scripts/ci-windows runs the tests in two locales and names the ANSI code
// page each must give (MALVORN_EXPECT_CODE_PAGE): the tests of names and
// text in GBK only mean something where Wine really uses it.
TEST(Environment, TheCodePageIsTheOneTheRunAskedFor) {
    const char* expected = std::getenv("MALVORN_EXPECT_CODE_PAGE");
    if (!expected || !*expected) GTEST_SKIP() << "MALVORN_EXPECT_CODE_PAGE not set";
    EXPECT_EQ(GetACP(), static_cast<UINT>(std::atoi(expected)));
}
