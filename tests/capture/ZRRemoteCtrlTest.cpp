#include "capture/ZRRemoteCtrl.h"
#include "capture/ZRJogShuttle.h"
#include "classes/widgets/ZRPushButton.h"
#include "tests/support/GuiApplication.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

using Requests = std::vector<std::pair<long, long>>;

/// A controller whose requests are recorded.
struct Remote {
    Remote() {
        testsupport::guiApplication();
        QObject::connect(&rc, &ZRRemoteCtrl::rcStateChanged,
                         [this](long s, long p) { sent.emplace_back(s, p); });
    }
    Requests take() { return std::exchange(sent, {}); }
    ZRRemoteCtrl rc;
    Requests sent;
};

using Click = void (ZRRemoteCtrl::*)();

} // namespace

TEST(RemoteCtrl, EveryButtonSendsItsRequestsAndExpects) {
    struct Row {
        Click click;
        Requests requests;
        long expectedState, expectedParameter;
    };
    const Row rows[] = {
        {&ZRRemoteCtrl::guiClickWindRev, {{4301, 0}}, 0x30C4, 0x65},
        {&ZRRemoteCtrl::guiClickFastRev, {{5031, 0}}, 0x30C3, 0x4F},
        {&ZRRemoteCtrl::guiClickPlayRev, {{5035, 0}}, 0x30C3, 0x65},
        {&ZRRemoteCtrl::guiClickSlowRev, {{5032, 0}}, 0x30C3, 0x41},
        {&ZRRemoteCtrl::guiClickStepRev, {{4298, 0}, {0x30C3, 0x40}}, 0x30C3, 0x40},
        {&ZRRemoteCtrl::guiClickPausFwd, {{4298, 0}}, 0x30C3, 0x7D},
        {&ZRRemoteCtrl::guiClickStepFwd, {{4298, 0}, {0x30C3, 0x30}}, 0x30C3, 0x30},
        {&ZRRemoteCtrl::guiClickSlowFwd, {{5030, 0}}, 0x30C3, 0x31},
        {&ZRRemoteCtrl::guiClickPlayFwd, {{4296, 0}}, 0x30C3, 0x75},
        {&ZRRemoteCtrl::guiClickFastFwd, {{5029, 0}}, 0x30C3, 0x3F},
        {&ZRRemoteCtrl::guiClickWindFwd, {{4300, 0}}, 0x30C4, 0x75},
        {&ZRRemoteCtrl::guiClickRec, {{4302, 0}}, 0x30C2, 0x75},
        {&ZRRemoteCtrl::guiClickRecPause, {{4904, 0}}, 0x30C2, 0x7D},
        {&ZRRemoteCtrl::guiClickGoto, {{0x3004, 0x01020304}}, 0x3004, 0x01020304},
        {&ZRRemoteCtrl::guiClickStop, {{4297, 0}}, 0x30C4, 0x60},
        {&ZRRemoteCtrl::guiClickEject, {{0x30C1, 0x60}}, 0x30C1, 0x60},
    };
    Remote r;
    r.rc.guiDestinationTime(1, 2, 3, 4);
    EXPECT_EQ(r.rc.destinationTimecode(), 0x01020304);
    for (size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(i);
        (r.rc.*rows[i].click)();
        EXPECT_EQ(r.take(), rows[i].requests);
        EXPECT_EQ(r.rc.lastCommand(), int(i));
        EXPECT_EQ(r.rc.expectedState(), rows[i].expectedState);
        EXPECT_EQ(r.rc.expectedParameter(), rows[i].expectedParameter);
    }
}

TEST(RemoteCtrl, ReportedStatesSetTheButtons) {
    struct Row {
        long state, parameter;
        long enable, pressed; // -1: no change
    };
    const long all = 0xFFFF;
    const auto fn = [&](int bit) { return std::pair<long, long>(all & ~(1L << bit), 1L << bit); };
    const Row rows[] = {
        {0x30C3, 0x75, fn(8).first, fn(8).second},
        {4296, 0, fn(8).first, fn(8).second},
        {0x30C4, 0x60, all, 0},
        {4297, 0, all, 0},
        {0x30C3, 0x6D, fn(5).first, fn(5).second},
        {4905, 0, fn(5).first, fn(5).second},
        {0x30C4, 0x45, fn(0).first, fn(0).second},
        {0x30C2, 0x7D, fn(12).first, fn(12).second},
        {0x30C3, 0x4F, fn(1).first, fn(1).second},
        {5035, 0, fn(2).first, fn(2).second},
        {0x30C1, 0x60, 0, 0x8000},
        {0x30C4, 0x31, 0, 0x4000},
        {0x30C3, 0x48, -1, -1},
        {0x3004, 0x100, -1, -1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << std::hex << row.state << " " << row.parameter);
        Remote r;
        long enable = 0, pressed = 0;
        int enables = 0;
        QObject::connect(&r.rc, &ZRRemoteCtrl::guiEnableWindRev, [&](bool on) {
            ++enables;
            enable = (enable & ~1L) | long(on);
        });
        // Collect every control's enable and toggle through its buttons.
        std::vector<std::unique_ptr<QPushButton>> buttons;
        for (int i = 0; i < 16; ++i) {
            buttons.push_back(std::make_unique<QPushButton>());
            r.rc.connectButtons(i, buttons.back().get());
            buttons.back()->setEnabled(false);
        }
        r.rc.rcChangeState(row.state, row.parameter);
        EXPECT_EQ(r.rc.lastState(), row.state);
        if (row.enable < 0) {
            EXPECT_EQ(enables, 0);
            continue;
        }
        enable = pressed = 0;
        for (int i = 0; i < 16; ++i) {
            enable |= long(buttons[size_t(i)]->isEnabled()) << i;
            pressed |= long(buttons[size_t(i)]->isChecked()) << i;
        }
        EXPECT_EQ(enable, row.enable);
        EXPECT_EQ(pressed, row.pressed);
    }
}

TEST(RemoteCtrl, EdgeCases) {
    Remote r;
    QSignalSpy toggles(&r.rc, &ZRRemoteCtrl::guiTogglePlayFwd);
    r.rc.rcChangeState(0x30C3, 0x75);
    EXPECT_EQ(toggles.count(), 1);
    // A report equal to the last one changes nothing.
    r.rc.rcChangeState(0x30C3, 0x75);
    EXPECT_EQ(toggles.count(), 1);
    EXPECT_TRUE(r.rc.isPlaying());
    // A click while a report is handled is ignored.
    QObject::connect(&r.rc, &ZRRemoteCtrl::guiTogglePlayFwd, &r.rc,
                     [&](bool) { r.rc.guiClickStop(); });
    r.rc.rcChangeState(0x30C4, 0x60);
    EXPECT_TRUE(r.take().empty());
    // guiEnable(mask, false) disables all but keeps the mask.
    QSignalSpy enableRec(&r.rc, &ZRRemoteCtrl::guiEnableRec);
    r.rc.guiEnable(0x800, true);
    EXPECT_EQ(enableRec.last()[0].toBool(), true);
    r.rc.guiEnable(0x1FFFF, false);
    EXPECT_EQ(enableRec.last()[0].toBool(), false);
    EXPECT_EQ(r.rc.enableMask(), 0x800);
    r.rc.guiEnable(true);
    EXPECT_EQ(enableRec.last()[0].toBool(), true);
    // Show and hide by mask, the knob included.
    QSignalSpy showKnob(&r.rc, &ZRRemoteCtrl::guiShowJogShuttle);
    QSignalSpy hideKnob(&r.rc, &ZRRemoteCtrl::guiHideJogShuttle);
    r.rc.guiShow(0xFFFF);
    EXPECT_EQ(hideKnob.count(), 1);
    r.rc.guiShow(0x1FFFF);
    EXPECT_EQ(showKnob.count(), 1);
    // Linked start of a capture plays, of a playback records; unlinked neither.
    r.take();
    r.rc.guiStartCapture();
    EXPECT_TRUE(r.take().empty());
    r.rc.guiSetLink(true);
    r.rc.guiStartCapture();
    r.rc.guiStartPlayback();
    EXPECT_EQ(r.take(), (Requests{{4296, 0}, {4302, 0}}));
    // Nothing reported yet, PlayFwd last: counts as playing.
    r.rc.resetLastStates();
    r.rc.guiClickPlayFwd();
    EXPECT_TRUE(r.rc.isPlaying());
}

TEST(RemoteCtrl, KnobValuesAndTheStepTimer) {
    Remote r;
    const std::pair<long, Requests> rows[] = {
        {-5, {{4301, 0}}}, {-4, {{5031, 0}}}, {-3, {{5035, 0}}}, {-2, {{5032, 0}}},
        {0, {{4298, 0}}},  {2, {{5030, 0}}},  {3, {{4296, 0}}},  {4, {{5029, 0}}},
        {5, {{4300, 0}}},  {6, {}},           {-6, {}},
    };
    for (const auto& [value, requests] : rows) {
        SCOPED_TRACE(value);
        r.rc.guiJogShuttle(value);
        EXPECT_EQ(r.take(), requests);
    }
    EXPECT_EQ(r.rc.lastCommand(), ZRRemoteCtrl::kKnobCommand);
    // Held at +1: a step now and one at every expiry, fired here by hand.
    r.rc.guiJogShuttle(1);
    EXPECT_EQ(r.take(), (Requests{{4298, 0}, {0x30C3, 0x30}}));
    EXPECT_TRUE(r.rc.stepTimer()->isActive());
    EXPECT_EQ(r.rc.stepTimer()->interval(), 500);
    EXPECT_EQ(r.rc.stepTimer()->objectName(), "mpStepTimer");
    r.rc.slotTimerLastStep();
    r.rc.slotTimerLastStep();
    EXPECT_EQ(r.take().size(), 4u);
    // Another knob value stops it; -1 steps back.
    r.rc.guiJogShuttle(-1);
    EXPECT_EQ(r.take(), (Requests{{4298, 0}, {0x30C3, 0x40}}));
    EXPECT_EQ(r.rc.stepDirection(), -1);
    // A click stops it.
    r.rc.guiClickStop();
    EXPECT_FALSE(r.rc.stepTimer()->isActive());
}

TEST(JogShuttle, PositionsToValuesAndDrag) {
    testsupport::guiApplication();
    ZRJogShuttle knob;
    knob.resize(20, 90);
    ASSERT_EQ(knob.trackLength(), 90 - knob.knobRect().height() - 6);
    const int last = knob.trackLength() - 1;
    EXPECT_EQ(knob.valueAt(0), -5);
    EXPECT_EQ(knob.valueAt(last), 5);
    EXPECT_EQ(knob.valueAt(knob.positionOf(0)), 0);
    for (long v = -5; v <= 5; ++v) {
        EXPECT_EQ(knob.valueAt(knob.positionOf(v)), v);
        EXPECT_EQ(knob.valueAt(knob.positionOf(v) - 1), v - 1 < -5 ? -5 : v - 1);
    }
    EXPECT_EQ(knob.value(), 0);
    knob.show();
    QSignalSpy values(&knob, &ZRJogShuttle::valueChanged);
    // Press above the knob: -2; release: back to 0.
    QTest::mousePress(&knob, Qt::LeftButton, {}, QPoint(10, 2));
    QTest::mouseRelease(&knob, Qt::LeftButton, {}, QPoint(10, 2));
    ASSERT_EQ(values.count(), 2);
    EXPECT_EQ(values[0][0].toLongLong(), -2);
    EXPECT_EQ(values[1][0].toLongLong(), 0);
    // Below: +2.
    QTest::mousePress(&knob, Qt::LeftButton, {}, QPoint(10, 88));
    EXPECT_EQ(knob.value(), 2);
    QTest::mouseRelease(&knob, Qt::LeftButton, {}, QPoint(10, 88));
    // Drag the knob to the bottom: the values climb to 5, then spring back.
    values.clear();
    const QPoint centre(10, knob.knobRect().top() + knob.knobRect().height() / 2);
    QTest::mousePress(&knob, Qt::LeftButton, {}, centre);
    EXPECT_TRUE(knob.isDragging());
    for (int y = centre.y(); y <= 95; y += 3)
        QTest::mouseMove(&knob, QPoint(10, y));
    EXPECT_EQ(knob.value(), 5);
    EXPECT_EQ(values.last()[0].toLongLong(), 5);
    EXPECT_EQ(values.count(), 5); // 1, 2, 3, 4, 5
    QTest::mouseRelease(&knob, Qt::LeftButton, {}, QPoint(10, 95));
    EXPECT_EQ(knob.value(), 0);
    EXPECT_EQ(values.last()[0].toLongLong(), 0);
}

TEST(JogShuttle, OnePixelTrackStaysAtZero) {
    testsupport::guiApplication();
    ZRJogShuttle knob;
    knob.resize(20, knob.knobRect().height() + 2 * ZRJogShuttle::kMargin + 1);
    EXPECT_EQ(knob.trackLength(), 1);
    EXPECT_EQ(knob.valueAt(0), 0);
    EXPECT_EQ(knob.valueAt(100), 0);
    knob.show();
    QSignalSpy values(&knob, &ZRJogShuttle::valueChanged);
    QTest::mousePress(&knob, Qt::LeftButton, {}, knob.knobRect().center());
    EXPECT_FALSE(knob.isDragging());
    QTest::mouseMove(&knob, QPoint(10, 50));
    QTest::mouseRelease(&knob, Qt::LeftButton, {}, QPoint(10, 50));
    EXPECT_EQ(values.count(), 0);
    EXPECT_EQ(knob.value(), 0);
}
