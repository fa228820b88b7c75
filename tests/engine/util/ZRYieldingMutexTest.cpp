#include "engine/util/ZRYieldingMutex.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

using namespace std::chrono_literals;

// Shared holds run side by side; a setter waits for them, and new shared holds wait for it.
TEST(ZRYieldingMutex, SharedHoldsRunTogetherAndASetterWaitsForThem) {
    ZRYieldingMutex mutex;
    std::atomic<int> inside{0};
    std::atomic<int> most{0};
    std::atomic<bool> release{false};
    auto reader = [&] {
        auto hold = mutex.holdShared();
        most = std::max(most.load(), ++inside);
        while (!release)
            std::this_thread::sleep_for(1ms);
        --inside;
    };
    std::thread a(reader), b(reader);
    while (most < 2)
        std::this_thread::sleep_for(1ms);

    std::atomic<bool> written{false};
    std::thread setter([&] {
        std::lock_guard lock(mutex);
        EXPECT_EQ(inside, 0);
        written = true;
    });
    std::this_thread::sleep_for(20ms);
    EXPECT_FALSE(written);
    // A composer arriving while the setter waits steps aside for it.
    std::atomic<bool> lateRead{false};
    std::thread late([&] {
        auto hold = mutex.holdShared();
        EXPECT_TRUE(written);
        lateRead = true;
    });
    std::this_thread::sleep_for(20ms);
    EXPECT_FALSE(lateRead);
    release = true;
    a.join();
    b.join();
    setter.join();
    late.join();
    EXPECT_TRUE(written && lateRead);
    EXPECT_EQ(most, 2);
}

// Holds nest on one thread without waiting: a render's `lock` inside a composition's shared hold
// joins it, as a shared hold inside an exclusive one does; `try_lock` fails while another
// thread holds any kind.
TEST(ZRYieldingMutex, HoldsNestOnOneThread) {
    ZRYieldingMutex mutex;
    {
        auto shared = mutex.holdShared();
        std::lock_guard nested(mutex);
        std::thread other([&] {
            auto hold = mutex.holdShared(); // a second composer is not held up by the nesting
        });
        other.join();
        std::thread setter([&] { EXPECT_FALSE(mutex.try_lock()); });
        setter.join();
    }
    {
        std::lock_guard exclusive(mutex);
        auto nested = mutex.holdShared();
        EXPECT_TRUE(mutex.try_lock());
        mutex.unlock();
        std::thread other([&] { EXPECT_FALSE(mutex.try_lock()); });
        other.join();
    }
    std::thread free([&] {
        EXPECT_TRUE(mutex.try_lock());
        mutex.unlock();
    });
    free.join();
}
