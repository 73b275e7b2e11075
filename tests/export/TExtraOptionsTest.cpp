// The process-wide writer options are first read on the writers' threads: threads that ask for them
// at the same moment get the same object, never one another thread is replacing.
#include "TExtraOptions.h"

#include <atomic>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

TEST(TExtraOptions, ThreadsAskingAtOnceShareOneObject)
{
    constexpr int Threads = 8;
    for (int round = 0; round < 50; ++round) {
        FreeExtraOptions();
        std::atomic<int> ready{0};
        std::vector<TExtraOptions*> seen(Threads, nullptr);
        std::vector<std::thread> threads;
        for (int i = 0; i < Threads; ++i) {
            threads.emplace_back([&, i] {
                ++ready;
                while (ready.load() < Threads)
                    std::this_thread::yield();
                seen[size_t(i)] = &ExtraOptions();
            });
        }
        for (std::thread& thread : threads)
            thread.join();
        for (TExtraOptions* options : seen)
            ASSERT_EQ(options, &ExtraOptions()) << "round " << round;
    }
    FreeExtraOptions();
}
