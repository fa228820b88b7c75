#include "capture/ZRImportViewDisplay.h"

#include <gtest/gtest.h>

using capturedisplay::compute;
using capturedisplay::Input;

TEST(RecordDisplay, DefaultRatesByClassAndFormat) {
    struct Case {
        int cls, format;
        int64_t bitrate, rate;
    } cases[] = {{2, 0, 8000000, 28800000}, {4, 2, 8000000, 3911000}, {4, 1, 8000000, 2686000},
                 {4, 3, 8000000, 7536000},  {4, 3, 0, 7536000},       {4, 0, 4000000, 4536000},
                 {16, 0, 0, 41062400},      {1, 0, 8000000, 0},       {0, 0, 0, 0}};
    for (const Case& c : cases)
        EXPECT_EQ(capturedisplay::defaultRate(c.cls, c.format, c.bitrate), c.rate) << c.cls;
}

TEST(RecordDisplay, StopsTextsAndEstimates) {
    const int64_t GB = 1000000000;
    struct Case {
        const char* name;
        Input in;
        int64_t rate, secondsLeft, toGo;
        int reason;
        bool stop, low, showToGo;
        const char* freeText;
    } cases[] = {
        {"idle DV at the default rate",
         {false, 0, {}, 3600000000 + 2000000, 2, 0, 8000000, false, 1800},
         28800000,
         990,
         988,
         2,
         false,
         false,
         true,
         "16 min 30 sec free on disk"},
        {"timer running, plenty of space",
         {true, 100, 10 * GB, 10 * GB - 360000000, 2, 0, 8000000, true, 1800},
         28800000,
         2667,
         1700,
         1,
         false,
         false,
         true,
         nullptr},
        {"timer of 0:00:00 stops two seconds in",
         {true, 2, 10 * GB, 10 * GB, 2, 0, 8000000, true, 0},
         28800000,
         2767,
         -2,
         1,
         true,
         false,
         true,
         nullptr},
        {"timer not yet due",
         {true, 1, 10 * GB, 10 * GB, 2, 0, 8000000, true, 0},
         28800000,
         2767,
         -1,
         1,
         false,
         false,
         true,
         nullptr},
        {"2,000,000 bytes free stop with the disk message",
         {true, 5, 3 * GB, 2000000, 2, 0, 8000000, false, 1800},
         0,
         0,
         -2,
         2,
         true,
         false,
         true,
         nullptr},
        {"timer beyond the disk is low",
         {true, 10, 2 * GB, 1 * GB, 16, 0, 8000000, true, 3600},
         800000000,
         0,
         -2,
         2,
         true,
         true,
         true,
         nullptr},
        {"no rate shows the free bytes",
         {false, 0, {}, 1536000, 1, 0, 8000000, false, 1800},
         0,
         capturedisplay::kUnlimitedSeconds,
         capturedisplay::kUnlimitedSeconds - 2,
         2,
         false,
         false,
         false,
         "1.465 MB free on disk"},
        {"unknown free space never stops",
         {true, 50, {}, {}, 2, 0, 8000000, false, 1800},
         0,
         capturedisplay::kUnlimitedSeconds,
         capturedisplay::kUnlimitedSeconds - 2,
         2,
         false,
         false,
         false,
         "Free disk space unknown"},
        {"unknown free space keeps the timer",
         {true, 50, {}, {}, 2, 0, 8000000, true, 40},
         0,
         capturedisplay::kUnlimitedSeconds,
         -10,
         1,
         true,
         false,
         false,
         nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const capturedisplay::Result r = compute(c.in);
        if (c.rate) {
            EXPECT_EQ(r.rate, c.rate);
        }
        EXPECT_EQ(r.secondsLeft, c.secondsLeft);
        EXPECT_EQ(r.toGo, c.toGo);
        EXPECT_EQ(r.reason, c.reason);
        EXPECT_EQ(r.stop, c.stop);
        EXPECT_EQ(r.low, c.low);
        EXPECT_EQ(r.showToGo, c.showToGo);
        if (c.freeText) {
            EXPECT_EQ(r.freeText, QString::fromUtf8(c.freeText));
        }
        if (c.low) {
            EXPECT_TRUE(r.freeText.endsWith(" free on disk - LOW!"));
        }
    }
    EXPECT_EQ(compute({false, 0, {}, 10 * GB, 2, 0, 8000000, true, 1800}).toGoText,
              "00:30:00 to go");
}

TEST(RecordDisplay, MessagesAndTheThirtySecondRule) {
    EXPECT_EQ(capturedisplay::stopMessage(1),
              "The capture has been stopped because the timer had expired");
    EXPECT_EQ(capturedisplay::stopMessage(2),
              "The capture has been stopped because the disk space was exhausted");
    EXPECT_EQ(capturedisplay::stopMessage(3),
              "The capture has been stopped because the file is close to 4GB in size");
    EXPECT_TRUE(capturedisplay::stopMessage(4).isEmpty());

    struct Case {
        bool recording;
        int64_t elapsed;
        int h, m, s;
        bool accepted;
    } cases[] = {
        {false, 0, 0, 0, 0, true},                                 // idle: anything
        {true, 100, 0, 2, 10, true},                               // ends 30 s from now
        {true, 100, 0, 2, 9, false},                               // ends in 29 s
        {true, 100, 0, 1, 49, false}, {true, 100, 0, 0, 59, true}, // seconds grew over 50
        {true, 4000, 1, 0, 0, true},                               // hours grew
    };
    // In force: 0:30:50.
    for (const Case& c : cases)
        EXPECT_EQ(
            capturedisplay::acceptsRecordTime(c.recording, c.elapsed, c.h, c.m, c.s, 0, 30, 50),
            c.accepted)
            << c.elapsed << " " << c.h << ":" << c.m << ":" << c.s;
}
