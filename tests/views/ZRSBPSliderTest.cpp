#include "views/ZRSBPSlider.h"
#include "tests/views/ViewsFixture.h"
#include "views/ZRSliderEvent.h"

#include <QMouseEvent>
#include <QSignalSpy>

#include <cmath>
#include <memory>
#include <vector>

using namespace viewstest;

namespace {

// One reported change: 4000 position, 4001 mark-in, 4002 mark-out.
struct Report {
    int kind;
    double value;
    bool operator==(const Report& o) const { return kind == o.kind && value == o.value; }
};

std::ostream& operator<<(std::ostream& os, const Report& r) {
    return os << "{" << r.kind << ", " << r.value << "}";
}

// Records the slider's signals and, through an event filter, its events; each event must follow
// the signal it stands beside with the same value.
class Recorder : public QObject {
public:
    explicit Recorder(ZRSBPSlider* slider) {
        slider->installEventFilter(this);
        connect(slider, &ZRSBPSlider::positionChanged, this, [this](double v, QWidget*) {
            signalled.push_back({4000, v});
        });
        connect(slider, &ZRSBPSlider::markInChanged, this, [this](double v, QWidget*) {
            signalled.push_back({4001, v});
        });
        connect(slider, &ZRSBPSlider::markOutChanged, this, [this](double v, QWidget*) {
            signalled.push_back({4002, v});
        });
    }
    std::vector<Report> signalled;
    std::vector<Report> events;

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (int(e->type()) >= ZRSliderEvent::Position && int(e->type()) <= ZRSliderEvent::MarkOut)
            events.push_back({int(e->type()), static_cast<ZRSliderEvent*>(e)->value()});
        return false;
    }
};

void mouse(QWidget* w, QEvent::Type type, QPoint at, bool control, bool held = true) {
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButtons buttons =
        held && type != QEvent::MouseButtonRelease ? Qt::LeftButton : Qt::NoButton;
    QMouseEvent e(type, at, w->mapToGlobal(at), button, buttons,
                  control ? Qt::ControlModifier : Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

class ZRSBPSliderTest : public ViewsTest {
protected:
    void SetUp() override {
        ViewsTest::SetUp();
        root.resize(420, 80);
        root.show();
        fresh();
    }
    void fresh() {
        slider = std::make_unique<ZRSBPSlider>(preloadedSkinSets("preview_panel"), &root);
        slider->move(10, 10);
        slider->show();
    }
    QSBWidget root;
    std::unique_ptr<ZRSBPSlider> slider;
};

enum Start { Middle, AtZero };
enum Grab { Knob, MarkIn, MarkOut, KnobOverMarkIn, Track };

struct Gesture {
    const char* name;
    Start start;
    Grab grab;
    bool control;
    std::vector<int> moves; // pointer offsets from the press point
    // Expected reports; a value below 0 stands for "computed in the test" (see below).
    std::vector<Report> expected;
};

} // namespace

TEST_F(ZRSBPSliderTest, SkinFixesTheSizeAndLaysOutTheParts) {
    EXPECT_EQ(slider->size(), QSize(400, 60));
    EXPECT_EQ(slider->markInRect().left(), ZRSBPSlider::kMargin);
    EXPECT_EQ(slider->markOutRect().right(), 400 - 1 - ZRSBPSlider::kMargin);
    EXPECT_EQ(slider->position(), 0.0);
}

TEST_F(ZRSBPSliderTest, GesturesReportOnceThroughSignalAndEvent) {
    const std::vector<Gesture> table = {
        {"knob past the right end", Middle, Knob, false, {1000, 1100, 1200}, {{4000, 1.0}}},
        {"knob past the left end", Middle, Knob, false, {-1000, -1100}, {{4000, 0.0}}},
        {"mark-in stops at mark-out",
         Middle,
         MarkIn,
         false,
         {1000, 1100},
         {{4001, 1.0}, {4001, 1.0}}},
        {"mark-out stops at mark-in", Middle, MarkOut, false, {-1000}, {{4002, 1.0}}},
        {"knob over mark-in, no Control", AtZero, KnobOverMarkIn, false, {1000}, {{4000, 1.0}}},
        {"knob over mark-in, Control", AtZero, KnobOverMarkIn, true, {1000}, {{4001, 1.0}}},
        {"Control click on the track", AtZero, Track, true, {}, {}},
        {"click on the track", AtZero, Track, false, {}, {{4000, -1.0}}},
    };
    for (const Gesture& g : table) {
        SCOPED_TRACE(g.name);
        fresh();
        slider->gotoPosition(g.start == Middle ? 0.5 : 0.0, nullptr);
        Recorder recorder(slider.get());
        QPoint at;
        switch (g.grab) {
        case Knob:
            at = slider->knobRect().center();
            break;
        case MarkIn:
            at = slider->markInRect().center();
            break;
        case MarkOut:
            at = slider->markOutRect().center();
            break;
        case KnobOverMarkIn:
            at = slider->knobRect().intersected(slider->markInRect()).center();
            ASSERT_FALSE(slider->knobRect().intersected(slider->markInRect()).isEmpty());
            break;
        case Track:
            at = QPoint(200, slider->knobRect().center().y());
            break;
        }
        mouse(slider.get(), QEvent::MouseButtonPress, at, g.control);
        for (int dx : g.moves)
            mouse(slider.get(), QEvent::MouseMove, at + QPoint(dx, 0), g.control);
        mouse(slider.get(), QEvent::MouseButtonRelease, at, g.control);

        std::vector<Report> expected = g.expected;
        const int knobTrack = 400 - 1 - slider->knobRect().width() - 2 * ZRSBPSlider::kMargin;
        for (Report& r : expected)
            if (r.value < 0) r.value = double(200 - slider->knobRect().width() / 2 - 3) / knobTrack;
        EXPECT_EQ(recorder.signalled, expected);
        EXPECT_EQ(recorder.events, expected);
        // Whatever moved, the markers never overlap.
        EXPECT_LT(slider->markInRect().right(), slider->markOutRect().left());
        if (g.grab == MarkIn || g.grab == MarkOut) {
            EXPECT_EQ(slider->markInRect().right() + 1, slider->markOutRect().left());
        }
        if (g.grab == Track && g.control) {
            EXPECT_EQ(slider->position(), 0.0);
        }
    }
}

TEST_F(ZRSBPSliderTest, GotoPositionClampsIgnoresItselfAndNaNAndSendsNothing) {
    Recorder recorder(slider.get());
    slider->setEnabled(false);
    slider->gotoPosition(1.5, nullptr);
    EXPECT_EQ(slider->position(), 1.0);
    EXPECT_TRUE(slider->isEnabled());
    EXPECT_EQ(slider->knobRect().right(), 400 - 2 - ZRSBPSlider::kMargin);

    slider->gotoPosition(0.25, slider.get());
    EXPECT_EQ(slider->position(), 1.0);
    slider->gotoPosition(std::nan(""), nullptr);
    slider->gotoPosition(-INFINITY, nullptr);
    EXPECT_EQ(slider->position(), 1.0);
    slider->gotoPosition(-2.0, nullptr);
    EXPECT_EQ(slider->position(), 0.0);
    EXPECT_TRUE(recorder.signalled.empty());
    EXPECT_TRUE(recorder.events.empty());

    slider->knobTimeout();
    EXPECT_EQ(recorder.events, (std::vector<Report>{{4000, 0.0}}));
}

TEST_F(ZRSBPSliderTest, MarkSettersClampIgnoreNaNMoveTheMarkersAndSendNothing) {
    Recorder recorder(slider.get());
    const QRect in = slider->markInRect();
    const QRect out = slider->markOutRect();
    slider->setMarkIn(0.25);
    slider->setMarkOut(0.5);
    EXPECT_EQ(slider->markIn(), 0.25);
    EXPECT_EQ(slider->markOut(), 0.5);
    EXPECT_GT(slider->markInRect().left(), in.left());
    EXPECT_LT(slider->markOutRect().right(), out.right());

    slider->setMarkIn(std::nan(""));
    slider->setMarkOut(INFINITY);
    EXPECT_EQ(slider->markIn(), 0.25);
    EXPECT_EQ(slider->markOut(), 0.5);
    slider->setMarkIn(7.0);
    slider->setMarkOut(-1.0);
    EXPECT_EQ(slider->markIn(), 1.0);
    EXPECT_EQ(slider->markOut(), 0.0);
    EXPECT_EQ(slider->markOutRect(), out);
    EXPECT_TRUE(recorder.signalled.empty());
    EXPECT_TRUE(recorder.events.empty());
}

TEST_F(ZRSBPSliderTest, ResetOnlyWhileDisabled) {
    slider->gotoPosition(0.75, nullptr);
    slider->reset(0);
    EXPECT_EQ(slider->position(), 0.75);
    slider->setEnabled(false);
    slider->reset(0);
    EXPECT_EQ(slider->position(), 0.5);
    EXPECT_EQ(slider->markIn(), 0.0);
    EXPECT_EQ(slider->markOut(), 0.0);
}

TEST_F(ZRSBPSliderTest, NarrowWidthsKeepValuesFinite) {
    for (int w = 0; w <= 40; ++w) {
        SCOPED_TRACE(w);
        slider->setFixedSize(w, 60);
        slider->gotoPosition(w % 2 ? 0.3 : 0.9, nullptr);
        for (Grab grab : {Knob, MarkIn, MarkOut}) {
            const QRect r = grab == Knob     ? slider->knobRect()
                            : grab == MarkIn ? slider->markInRect()
                                             : slider->markOutRect();
            const QPoint at = r.center();
            mouse(slider.get(), QEvent::MouseButtonPress, at, grab != Knob);
            for (int dx : {-50, 7, 50})
                mouse(slider.get(), QEvent::MouseMove, at + QPoint(dx, 0), grab != Knob);
            mouse(slider.get(), QEvent::MouseButtonRelease, at, false);
        }
        mouse(slider.get(), QEvent::MouseButtonPress, QPoint(w / 2, 8), false);
        mouse(slider.get(), QEvent::MouseButtonRelease, QPoint(w / 2, 8), false);
        for (double v : {slider->position(), slider->markIn(), slider->markOut()}) {
            EXPECT_TRUE(std::isfinite(v));
            EXPECT_GE(v, 0.0);
            EXPECT_LE(v, 1.0);
        }
        (void)slider->grab();
    }
}

TEST_F(ZRSBPSliderTest, PaintsTheRangeBetweenTheMarkers) {
    slider->gotoPosition(0.5, nullptr);
    QImage before = slider->grab().toImage();
    mouse(slider.get(), QEvent::MouseButtonPress, slider->markInRect().center(), false);
    mouse(slider.get(), QEvent::MouseMove, slider->markInRect().center() + QPoint(150, 0), false);
    mouse(slider.get(), QEvent::MouseButtonRelease, slider->markInRect().center(), false);
    QImage after = slider->grab().toImage();
    // The track at x 100 turns from the range's colour to the outside's.
    const int y = slider->markInRect().center().y();
    EXPECT_NE(before.pixel(100, y), after.pixel(100, y));
    EXPECT_EQ(before.pixel(300, y), after.pixel(300, y));
}
