// The main of every test program: GoogleTest's, plus two things a hang needs to be diagnosed on
// a loaded CI machine. Output goes out unbuffered (under Wine a pipe is fully buffered, and a
// killed program loses what it printed), and a watchdog names the test that has run longer than
// ZM_TEST_DEADLINE seconds (default 300) and ends the program with exit code 3 instead of
// leaving it to the harness's timeout.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

namespace {

class TDeadline : public ::testing::EmptyTestEventListener {
  public:
    explicit TDeadline(int seconds) : seconds_(seconds) {
        std::thread([this] { Watch(); }).detach();
    }

  private:
    void OnTestStart(const ::testing::TestInfo& info) override {
        std::lock_guard<std::mutex> g(lock_);
        name_ = std::string(info.test_suite_name()) + "." + info.name();
        started_ = std::chrono::steady_clock::now();
        running_ = true;
    }
    void OnTestEnd(const ::testing::TestInfo&) override {
        std::lock_guard<std::mutex> g(lock_);
        running_ = false;
    }
    void Watch() {
        for (;;) {
            std::this_thread::sleep_for(std::chrono::seconds(1));
            std::lock_guard<std::mutex> g(lock_);
            if (running_ &&
                std::chrono::steady_clock::now() - started_ > std::chrono::seconds(seconds_)) {
                std::fprintf(stderr, "\n%s has run for more than %d s: stopped\n", name_.c_str(),
                             seconds_);
                std::fflush(stderr);
                std::_Exit(3);
            }
        }
    }

    const int seconds_;
    std::mutex lock_;
    std::string name_;
    std::chrono::steady_clock::time_point started_;
    bool running_ = false;
};

}  // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    std::setvbuf(stderr, nullptr, _IONBF, 0);
    ::testing::InitGoogleTest(&argc, argv);
    int seconds = 300;
    if (const char* s = std::getenv("ZM_TEST_DEADLINE")) {
        if (std::atoi(s) > 0) seconds = std::atoi(s);
    }
    // The listener list owns the listener; it outlives every test, and the watchdog with it.
    ::testing::UnitTest::GetInstance()->listeners().Append(new TDeadline(seconds));
    return RUN_ALL_TESTS();
}
