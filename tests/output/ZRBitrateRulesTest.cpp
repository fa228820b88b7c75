#include "output/ZRBitrateRules.h"

#include <gtest/gtest.h>

namespace {

// One row: a rule applied to the two texts, with the warning's answer when it is asked.
struct BitrateCase {
    const char* what;
    enum { CommitMax, CommitAvg, PickMax, PickAvg } rule;
    const char* maximum;
    const char* average;
    int item;              // PickMax only
    bool suppressed;       // CommitMax only
    bool accept, dontShow; // the warning's answer
    const char* wantMax;
    const char* wantAvg;
    int wantBeeps;
    bool wantWarning;
};

TEST(BitrateRules, TypedAndPickedTexts) {
    const BitrateCase cases[] = {
        {"too high, warning accepted", BitrateCase::CommitMax, "12000000", "6000000", 0, false,
         true, false, "10000000", "6000000", 1, true},
        {"too high, warning refused", BitrateCase::CommitMax, "12000000", "9000000", 0, false,
         false, false, "8000000", "8000000", 2, true},
        {"above 8000000, warning off", BitrateCase::CommitMax, "9000000", "9500000", 0, true, false,
         false, "9000000", "9000000", 1, false},
        {"above 8000000, check box set", BitrateCase::CommitMax, "9000000", "6000000", 0, false,
         true, true, "9000000", "6000000", 0, true},
        {"8000000 asks nothing", BitrateCase::CommitMax, "8000000", "6000000", 0, false, false,
         false, "8000000", "6000000", 0, false},
        {"too low", BitrateCase::CommitMax, "1000000", "6000000", 0, false, false, false, "3000000",
         "3000000", 2, false},
        {"unparsable", BitrateCase::CommitMax, "abc", "2250000", 0, false, false, false, "3000000",
         "2250000", 1, false},
        {"average too high", BitrateCase::CommitAvg, "7000000", "12000000", 0, false, false, false,
         "7000000", "7000000", 2, false},
        {"average too low", BitrateCase::CommitAvg, "7000000", "100", 0, false, false, false,
         "7000000", "3000000", 1, false},
        {"average unparsable", BitrateCase::CommitAvg, "7000000", "", 0, false, false, false,
         "7000000", "3000000", 1, false},
        {"average fine", BitrateCase::CommitAvg, "7000000", "5000000", 0, false, false, false,
         "7000000", "5000000", 0, false},
        {"picked pair without limits", BitrateCase::PickMax, "12000000", "100", 4, false, false,
         false, "3000000", "2250000", 0, false},
        {"picked first pair", BitrateCase::PickMax, "3000000", "100", 0, false, false, false,
         "8000000", "6000000", 0, false},
        {"picked out of range", BitrateCase::PickMax, "7000000", "100", 5, false, false, false,
         "7000000", "100", 0, false},
        {"picked average above", BitrateCase::PickAvg, "3000000", "6000000", 0, false, false, false,
         "3000000", "3000000", 1, false},
        {"picked average below", BitrateCase::PickAvg, "8000000", "6000000", 0, false, false, false,
         "8000000", "6000000", 0, false},
    };
    for (const BitrateCase& c : cases) {
        SCOPED_TRACE(c.what);
        const QString max = QString::fromLatin1(c.maximum);
        const QString avg = QString::fromLatin1(c.average);
        int warnings = 0;
        bitrate::Outcome out;
        switch (c.rule) {
        case BitrateCase::CommitMax:
            out = bitrate::commitMaximum(max, avg, c.suppressed, [&] {
                ++warnings;
                return bitrate::WarningAnswer{c.accept, c.dontShow};
            });
            break;
        case BitrateCase::CommitAvg:
            out = bitrate::commitAverage(max, avg);
            break;
        case BitrateCase::PickMax:
            out = bitrate::pickMaximum(c.item, max, avg);
            break;
        case BitrateCase::PickAvg:
            out = bitrate::pickAverage(max, avg);
            break;
        }
        EXPECT_EQ(out.maximum, QLatin1String(c.wantMax));
        EXPECT_EQ(out.average, QLatin1String(c.wantAvg));
        EXPECT_EQ(out.beeps, c.wantBeeps);
        EXPECT_EQ(warnings, c.wantWarning ? 1 : 0);
        EXPECT_EQ(out.dontShowAgain.has_value(), c.wantWarning);
        if (out.dontShowAgain) {
            EXPECT_EQ(*out.dontShowAgain, c.dontShow);
        }
    }
}

} // namespace
