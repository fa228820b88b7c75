#include "engine/base/ZRPos.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace {

std::string text(ZRPos p) {
    return p.toText();
}

struct SetCase {
    int h, m, s, f;
    double rate;
    const char* expected;
};

} // namespace

TEST(ZRPos, SetNormalisesUpwardsOnly) {
    const SetCase cases[] = {
        {0, 0, 0, 75, 30.0, "00:00:02.15"},   {0, 0, 125, 0, 30.0, "00:02:05.00"},
        {0, 61, 0, 0, 30.0, "01:01:00.00"},   {1, 2, 3, 4, 30.0, "01:02:03.04"},
        {100, 0, 0, 0, 30.0, "100:00:00.00"}, {0, 0, 0, 30, 29.97, "00:00:01.00"},
        {0, 0, -5, 40, 25.0, "00:00:-04.15"}, {0, 0, 0, 90, 0.0, "00:00:00.90"},
    };
    for (const SetCase& c : cases) {
        ZRPos p;
        p.set(c.h, c.m, c.s, c.f, c.rate);
        EXPECT_EQ(text(p), c.expected) << c.h << ":" << c.m << ":" << c.s << "." << c.f;
    }
}

TEST(ZRPos, MillisecondsAndRateChange) {
    ZRPos p(0, 0, 0, 0, 30.0);
    p.setMilliseconds(1500);
    EXPECT_EQ(text(p), "00:00:01.15");
    p.setFramerate(25.0);
    p.setMilliseconds(1500);
    EXPECT_EQ(text(p), "00:00:01.13");

    ZRPos q(0, 0, 1, 15, 30.0);
    q.changeFramerate(25.0);
    EXPECT_EQ(text(q), "00:00:01.13");
    EXPECT_DOUBLE_EQ(q.framerate(), 25.0);
    EXPECT_DOUBLE_EQ(q.toMilliseconds(), 1520.0);

    ZRPos zeroRate(0, 0, 0, 7, 0.0);
    zeroRate.changeFramerate(25.0);
    EXPECT_EQ(text(zeroRate), "00:00:00.07");
}

TEST(ZRPos, StepsAcrossBoundaries) {
    ZRPos p(0, 0, 59, 29, 30.0);
    p.increment();
    EXPECT_EQ(text(p), "00:01:00.00");
    p.decrement();
    EXPECT_EQ(text(p), "00:00:59.29");
    ZRPos h(1, 0, 0, 0, 30.0);
    h.decrement();
    EXPECT_EQ(text(h), "00:59:59.29");
}

TEST(ZRPos, ArithmeticBelowZeroSaturates) {
    ZRPos zero(0, 0, 0, 0, 30.0);
    zero.decrement();
    EXPECT_EQ(text(zero), "00:00:00.00");

    ZRPos a(0, 0, 0, 0, 30.0);
    const ZRPos second(0, 0, 1, 0, 30.0);
    a.subtract(&second);
    EXPECT_EQ(text(a), "00:00:00.00");

    ZRPos b(0, 1, 0, 10, 30.0);
    const ZRPos c(0, 0, 0, 20, 30.0);
    b -= &c;
    EXPECT_EQ(text(b), "00:00:59.20");
    b += &c;
    EXPECT_EQ(text(b), "00:01:00.10");
}

TEST(ZRPos, TextForms) {
    struct Case {
        const char* input;
        const char* expected;
    };
    // Fields are decimal: "08" is eight, not an octal mistake. Fields not read keep their value.
    const Case cases[] = {
        {"1:2:3.4", "01:02:03.04"}, {"00:00:08.00", "00:00:08.00"}, {"00:00:09.09", "00:00:09.09"},
        {"0:0:75", "00:01:15.07"},  {"junk", "00:00:02.07"},        {"0:0:0.45", "00:00:01.15"},
    };
    for (const Case& c : cases) {
        ZRPos p(0, 0, 2, 7, 30.0);
        p.fromText(c.input);
        EXPECT_EQ(text(p), c.expected) << c.input;
    }

    ZRPos fixed;
    fixed.fromFixedText("01:02:03.04");
    EXPECT_EQ(text(fixed), "01:02:03.04");
    EXPECT_DOUBLE_EQ(fixed.framerate(), ZRPos::defaultFrameRate());
    ZRPos shortText(0, 0, 0, 5, 30.0);
    shortText.fromFixedText("07:");
    EXPECT_EQ(text(shortText), "07:00:00.05");
}

TEST(ZRPos, ComparesTimeAcrossRates) {
    const ZRPos at25(0, 0, 1, 0, 25.0), at30(0, 0, 1, 0, 30.0);
    EXPECT_TRUE(at25 < &at30);
    EXPECT_TRUE(at25 <= &at30);
    EXPECT_FALSE(at25 > &at30);
    EXPECT_TRUE(at30 >= &at25);
    EXPECT_TRUE(at25 != &at30);
    const ZRPos same(0, 0, 0, 25, 25.0);
    EXPECT_TRUE(at25 == &same);
}

TEST(ZRPos, DefaultRateAppliesToNewPositions) {
    ZRPos::setDefaultFrameRate(25.0);
    ZRPos p;
    p.setTotalFrames(60);
    EXPECT_EQ(text(p), "00:00:02.10");
    ZRPos::setDefaultFrameRate(30.0);
    EXPECT_DOUBLE_EQ(ZRPos().framerate(), 30.0);
}

TEST(ZRPos, ExtremeFieldsNeverOverflow) {
    // Fields come from projects and hosts; the sanitizer build catches any overflow here.
    const int values[] = {INT_MIN, -61, -1, 0, 59, 61, INT_MAX};
    for (int a : values) {
        for (int b : values) {
            ZRPos x(a, b, a, b, 25.0), y(b, a, b, a, 30.0);
            x.subtract(&y);
            y.add(&x);
            x.decrement();
            y.increment();
            x.changeFramerate(29.97);
            EXPECT_GE(x.hours(), INT_MIN);
        }
    }
}
