// The worker-to-main-thread hand-over and the thread class, on the in-memory backend.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "ui/headless/headless.h"
#include "ui/services.h"
#include "ui/thread.h"

namespace {

namespace hl = ui::headless;

TEST(Synchronize, RunsOnTheMainThreadWhileTheWorkerWaits) {
    hl::Reset();
    const std::thread::id main_id = std::this_thread::get_id();
    std::atomic<bool> worker_past{false};
    std::thread::id ran_on;
    int value = 0;
    std::thread worker([&] {
        EXPECT_FALSE(ui::IsMainThread());
        ui::Synchronize([&] {
            ran_on = std::this_thread::get_id();
            EXPECT_FALSE(worker_past.load()) << "the worker must wait for the call";
            value = 42;
        });
        // Written on the main thread, read here without a lock: the hand-over orders it.
        EXPECT_EQ(value, 42);
        worker_past = true;
    });
    EXPECT_TRUE(hl::PumpUntil([&] { return worker_past.load(); }));
    worker.join();
    EXPECT_EQ(ran_on, main_id);

    // On the main thread itself the call is direct.
    bool direct = false;
    ui::Synchronize([&] { direct = true; });
    EXPECT_TRUE(direct);
    EXPECT_EQ(hl::Pump(), 0u);
}

TEST(Synchronize, PostedCallsRunInOrderWhenPumped) {
    hl::Reset();
    std::vector<int> order;
    std::thread worker([&] {
        ui::PostToMain([&] { order.push_back(1); });
        ui::PostToMain([&] { order.push_back(2); });
    });
    worker.join();
    EXPECT_TRUE(order.empty()) << "posting never waits for the main thread";
    ui::ProcessMessages();
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
}

TEST(Synchronize, AWorkerAsksAQuestionOnTheMainThread) {
    hl::Reset();
    hl::AnswerNext(ui::mrNoToAll);
    std::atomic<int> answer{-1};
    std::thread worker([&] {
        int r = 0;
        ui::Synchronize([&] { r = ui::ConfirmDialog(u"Файл a.txt существует."); });
        answer = r;
    });
    EXPECT_TRUE(hl::PumpUntil([&] { return answer.load() != -1; }));
    worker.join();
    EXPECT_EQ(answer.load(), ui::mrNoToAll);
    ASSERT_EQ(hl::Shown().size(), 1u);
    EXPECT_EQ(hl::Shown()[0].Text, u"Файл a.txt существует.");
}

TEST(Synchronize, AFailingCallReleasesTheWorkerAndReachesTheTest) {
    hl::Reset();
    std::atomic<bool> done{false};
    std::thread worker([&] {
        // An unanswered question on the main thread: the worker still goes on.
        ui::Synchronize([] { ui::ConfirmDialog(u"Файл a.txt существует."); });
        done = true;
    });
    bool thrown = false;
    while (!done) {
        try {
            hl::Pump();
        } catch (const hl::TUnanswered&) {
            thrown = true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    worker.join();
    EXPECT_TRUE(thrown);
}

class TCounter : public ui::TThread {
  public:
    explicit TCounter(int* shown) : shown_(shown) { Start(); }
    ~TCounter() override { StopAndWait(); }
    std::atomic<int> steps{0};

  protected:
    void Execute() override {
        while (!Terminated() && steps < 1000000) {
            ++steps;
            Synchronize([this] { *shown_ = steps; });
        }
    }

  private:
    int* shown_;
};

TEST(Thread, TerminateStopsTheWorkAndTheEndNoticeRunsOnMain) {
    hl::Reset();
    int shown = 0;
    bool ended = false;
    std::thread::id ended_on;
    TCounter t(&shown);
    t.OnTerminate = [&] {
        ended = true;
        ended_on = std::this_thread::get_id();
    };
    ASSERT_TRUE(hl::PumpUntil([&] { return shown >= 5; }));
    t.Terminate();
    ASSERT_TRUE(hl::PumpUntil([&] { return ended; }));
    EXPECT_TRUE(t.Finished());
    EXPECT_EQ(ended_on, std::this_thread::get_id());
    EXPECT_LT(t.steps.load(), 1000000);
    EXPECT_EQ(shown, t.steps.load()) << "every step was shown before the worker went on";
}

TEST(Thread, DestroyingAWaitingThreadNeitherHangsNorNotifies) {
    hl::Reset();
    int shown = 0;
    bool ended = false;
    {
        TCounter t(&shown);
        t.OnTerminate = [&] { ended = true; };
        // The worker now waits in Synchronize; the destructor must serve it to let it stop.
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    hl::Pump();
    EXPECT_FALSE(ended) << "the end notice of a destroyed thread object is dropped";
}

}  // namespace
