#include "engine/util/ZREvent.h"

#include <thread>

#include <gtest/gtest.h>

TEST(ZREvent, ASetBeforeTheWaitIsKept) {
    ZREvent event;
    event.set();
    EXPECT_TRUE(event.wait(0));
    EXPECT_FALSE(event.wait(0)); // auto-reset
}

TEST(ZREvent, SeveralSetsGiveOneWake) {
    ZREvent event;
    event.set();
    event.set();
    EXPECT_TRUE(event.wait(0));
    EXPECT_FALSE(event.wait(10));
}

TEST(ZREvent, WakesAWaitingThread) {
    ZREvent event;
    bool woke = false;
    // A standard thread, joined with join(): the thread sanitizer sees that hand-over, so the
    // read of `woke` after it is not reported as a race.
    std::thread waiter([&] {
        event.wait();
        woke = true;
    });
    event.set();
    waiter.join();
    EXPECT_TRUE(woke);
}
