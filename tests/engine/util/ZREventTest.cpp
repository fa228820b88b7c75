#include "engine/util/ZREvent.h"

#include <QThread>

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
    QThread* waiter = QThread::create([&] {
        event.wait();
        woke = true;
    });
    waiter->start();
    event.set();
    ASSERT_TRUE(waiter->wait(10000));
    EXPECT_TRUE(woke);
    delete waiter;
}
