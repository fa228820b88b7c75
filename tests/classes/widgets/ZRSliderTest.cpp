#include "classes/widgets/ZRSlider.h"
#include "tests/classes/widgets/SkinFixtures.h"

#include <QApplication>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace {

constexpr QRgb kGroove = 0xFF203040;
constexpr QRgb kGrooveOff = 0xFF404040;
constexpr QRgb kKnob = 0xFFC0C0C0;
constexpr QRgb kKnobOver = 0xFFFFFF00;
constexpr QRgb kKnobOff = 0xFF808080;

// A knob 10 wide and 14 high; grooves 14 high, the band drawn over the whole height.
std::unique_ptr<QDict<PSDLayerSet>> sliderSkin() {
    SkinBuilder b;
    for (const auto& [name, colour] :
         {std::pair{"groove_normal", kGroove}, std::pair{"groove_disabled", kGrooveOff}}) {
        b.set(QLatin1String(name))
            .layer(QStringLiteral("left"), QRect(0, 0, 3, 14), colour)
            .layer(QStringLiteral("middle"), QRect(3, 0, 4, 14), colour)
            .layer(QStringLiteral("right"), QRect(7, 0, 3, 14), colour);
    }
    return b.set(QStringLiteral("knob"))
        .layer(QStringLiteral("normal"), QRect(0, 0, 10, 14), kKnob)
        .layer(QStringLiteral("over"), QRect(0, 0, 10, 14), kKnobOver)
        .layer(QStringLiteral("disabled"), QRect(0, 0, 10, 14), kKnobOff)
        .build();
}

// A slider 111 wide: (111 - 1) - 10 gives a travel of 100 pixels.
struct SliderFixture {
    std::unique_ptr<QDict<PSDLayerSet>> skin = sliderSkin();
    std::unique_ptr<ZRSlider> slider;
    explicit SliderFixture(bool reversed = false, int width = 111)
        : slider(std::make_unique<ZRSlider>(skin.get(), reversed)) {
        slider->resize(width, 14);
        slider->show(); // delivers the resize that lays the slider out
    }
};

void mouse(QWidget* w, QEvent::Type type, int x, Qt::MouseButtons held) {
    const QPointF pos(x, 7);
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent e(type, pos, w->mapToGlobal(pos), button, held, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}
void press(QWidget* w, int x) {
    mouse(w, QEvent::MouseButtonPress, x, Qt::LeftButton);
}
void drag(QWidget* w, int x) {
    mouse(w, QEvent::MouseMove, x, Qt::LeftButton);
}
void release(QWidget* w, int x) {
    mouse(w, QEvent::MouseButtonRelease, x, Qt::NoButton);
}

struct Spies {
    QSignalSpy changed, pressed, dragging, released;
    explicit Spies(ZRSlider* s)
        : changed(s, &ZRSlider::valueChanged), pressed(s, &ZRSlider::sliderPressed),
          dragging(s, &ZRSlider::sliderDragging), released(s, &ZRSlider::sliderReleased) {}
    static double last(const QSignalSpy& spy) { return spy.last().at(1).toDouble(); }
};

} // namespace

TEST(ZRSlider, StartsAtOneWithTheKnobAtTheEndOfItsDirection) {
    SliderFixture plain;
    EXPECT_DOUBLE_EQ(plain.slider->value(), 1.0);
    EXPECT_EQ(plain.slider->travel(), 100);
    EXPECT_EQ(plain.slider->knobRect(), QRect(100, 0, 10, 14));
    SliderFixture reversed(true);
    EXPECT_EQ(reversed.slider->knobRect().left(), 1); // right edge (111 - 1) - 100
    reversed.slider->setValue(0.0);
    EXPECT_EQ(reversed.slider->knobRect().right(), 110);

    plain.slider->setMargins(5, 6);
    EXPECT_EQ(plain.slider->travel(), 89);
    EXPECT_EQ(plain.slider->setMargins(200, 0), std::make_pair(5, 6)); // beyond the width
    EXPECT_EQ(plain.slider->leftMargin(), 5);
    // The groove spans the widget: left piece at 0, right piece ending at the last pixel.
    EXPECT_EQ(plain.slider->grooveRect(0), QRect(0, 0, 3, 14));
    EXPECT_EQ(plain.slider->grooveRect(1), QRect(3, 0, 105, 14));
    EXPECT_EQ(plain.slider->grooveRect(2), QRect(108, 0, 3, 14));
}

TEST(ZRSlider, LimitsStayWithinZeroAndOneAndPullTheValue) {
    SliderFixture f;
    ZRSlider* s = f.slider.get();
    s->setMinValue(-0.5);
    EXPECT_DOUBLE_EQ(s->minValue(), 0.0);
    s->setMaxValue(2.0);
    EXPECT_DOUBLE_EQ(s->maxValue(), 1.0);
    s->setMaxValue(0.8);
    EXPECT_DOUBLE_EQ(s->value(), 0.8);
    s->setValue(0.1);
    s->setMinValue(0.3);
    EXPECT_DOUBLE_EQ(s->value(), 0.3);
    s->setRange(0.5, 0.6);
    EXPECT_DOUBLE_EQ(s->value(), 0.5);
    s->setValue(2.0);
    EXPECT_DOUBLE_EQ(s->value(), 0.6);
}

TEST(ZRSlider, KeysStepOrPageAndReportOnRelease) {
    const struct {
        const char* name;
        bool reversed;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        double expected;
    } cases[] = {
        {"right", false, Qt::Key_Right, Qt::NoModifier, 0.3},
        {"ctrl+right", false, Qt::Key_Right, Qt::ControlModifier, 0.7},
        {"left", false, Qt::Key_Left, Qt::NoModifier, 0.1},
        {"ctrl+left stops at 0", false, Qt::Key_Left, Qt::ControlModifier, 0.0},
        {"reversed right", true, Qt::Key_Right, Qt::NoModifier, 0.1},
        {"reversed left", true, Qt::Key_Left, Qt::NoModifier, 0.3},
    };
    for (const auto& c : cases) {
        SliderFixture f(c.reversed);
        f.slider->setValue(0.2);
        Spies spies(f.slider.get());
        QTest::keyPress(f.slider.get(), c.key, c.modifiers);
        EXPECT_NEAR(f.slider->value(), c.expected, 1e-12) << c.name;
        ASSERT_EQ(spies.dragging.count(), 1) << c.name;
        EXPECT_EQ(spies.changed.count(), 0) << c.name;
        QTest::keyRelease(f.slider.get(), c.key, c.modifiers);
        EXPECT_EQ(spies.released.count(), 1) << c.name;
        ASSERT_EQ(spies.changed.count(), 1) << c.name;
        EXPECT_NEAR(Spies::last(spies.changed), c.expected, 1e-12) << c.name;
    }
}

TEST(ZRSlider, ClickBesideTheKnobJumpsAndReportsOnlyOnRelease) {
    SliderFixture f;
    Spies spies(f.slider.get());
    press(f.slider.get(), 50);
    EXPECT_DOUBLE_EQ(f.slider->value(), 0.5);
    EXPECT_EQ(spies.changed.count() + spies.pressed.count() + spies.dragging.count() +
                  spies.released.count(),
              0);
    release(f.slider.get(), 50);
    EXPECT_EQ(spies.released.count(), 1);
    ASSERT_EQ(spies.changed.count(), 1);
    EXPECT_DOUBLE_EQ(Spies::last(spies.changed), 0.5);
    EXPECT_EQ(f.slider->state(), 0);

    SliderFixture reversed(true);
    press(reversed.slider.get(), 30); // 111 - 0 - 0 - 30 = 81 pixels from the right
    EXPECT_DOUBLE_EQ(reversed.slider->value(), 0.81);
}

TEST(ZRSlider, DragPastTheMaximumHoldsUntilBackAtTheGrabPoint) {
    SliderFixture f;
    ZRSlider* s = f.slider.get();
    s->setValue(0.5); // knob 50..59
    Spies spies(s);
    press(s, 55); // grab offset 5
    EXPECT_EQ(s->state(), 3);
    EXPECT_EQ(spies.pressed.count(), 1);
    EXPECT_EQ(s->cursorState(), 6);
    drag(s, 75);
    EXPECT_DOUBLE_EQ(s->value(), 0.7);
    drag(s, 200);
    EXPECT_DOUBLE_EQ(s->value(), 1.0);
    EXPECT_EQ(s->state(), 5);
    drag(s, 150); // still beyond the grab point 100 + 5
    EXPECT_DOUBLE_EQ(s->value(), 1.0);
    EXPECT_DOUBLE_EQ(Spies::last(spies.dragging), 1.0);
    drag(s, 95); // ten pixels inside the grab point
    EXPECT_EQ(s->state(), 3);
    EXPECT_DOUBLE_EQ(s->value(), 0.9);
    drag(s, -50);
    EXPECT_DOUBLE_EQ(s->value(), 0.0);
    drag(s, 4); // the grab point is now 0 + 5: still held at the minimum
    EXPECT_DOUBLE_EQ(s->value(), 0.0);
    drag(s, 15);
    EXPECT_DOUBLE_EQ(s->value(), 0.1);
    release(s, 15);
    EXPECT_EQ(spies.released.count(), 1);
    EXPECT_DOUBLE_EQ(Spies::last(spies.changed), 0.1);
    EXPECT_EQ(s->state(), 0);
}

TEST(ZRSlider, ZeroTravelKeepsTheValueFiniteAndInRange) {
    SliderFixture f(false, 11); // (11 - 1) - 10 = 0
    ZRSlider* s = f.slider.get();
    s->setValue(0.4);
    EXPECT_EQ(s->travel(), 0);
    EXPECT_EQ(s->knobRect().left(), 0);
    press(s, 5);
    drag(s, 50);
    drag(s, -50);
    release(s, -50);
    press(s, 20); // beside the knob
    release(s, 20);
    EXPECT_TRUE(std::isfinite(s->value()));
    EXPECT_DOUBLE_EQ(s->value(), 0.4);
    EXPECT_EQ(s->knobRect().left(), 0);
}

TEST(ZRSlider, ShowSlotsReportDraggingAndAddSlotsReportChanges) {
    SliderFixture f;
    ZRSlider* s = f.slider.get();
    Spies spies(s);
    s->showAddStep(); // at the maximum already: reported anyway
    EXPECT_EQ(spies.dragging.count(), 1);
    s->showAddPage();
    EXPECT_EQ(spies.dragging.count(), 1);
    s->showSubtractPage();
    EXPECT_EQ(spies.dragging.count(), 2);
    EXPECT_DOUBLE_EQ(Spies::last(spies.dragging), 0.5);
    EXPECT_EQ(spies.changed.count(), 0);

    s->addStep();
    EXPECT_EQ(spies.changed.count(), 1);
    EXPECT_DOUBLE_EQ(Spies::last(spies.changed), 0.6);
    s->setValue(1.0);
    s->addPage(); // unmoved: nothing
    EXPECT_EQ(spies.changed.count(), 1);
    s->setReversed(true);
    s->addStep(); // reversed: adding moves down
    EXPECT_NEAR(Spies::last(spies.changed), 0.9, 1e-12);
}

TEST(ZRSlider, PaintsGrooveAndKnobByState) {
    SliderFixture f;
    ZRSlider* s = f.slider.get();
    s->setValue(0.5); // knob 50..59
    ASSERT_TRUE(QTest::qWaitForWindowExposed(s));
    QImage shot = s->grab().toImage();
    EXPECT_EQ(shot.pixel(20, 7), kGroove);
    EXPECT_EQ(shot.pixel(55, 7), kKnob);
    EXPECT_EQ(shot.pixel(110, 7), kGroove);

    mouse(s, QEvent::MouseMove, 55, Qt::NoButton);
    EXPECT_EQ(s->state(), ZRSlider::OverKnob);
    shot = s->grab().toImage();
    EXPECT_EQ(shot.pixel(55, 7), kKnobOver);

    s->setEnabled(false);
    shot = s->grab().toImage();
    EXPECT_EQ(shot.pixel(20, 7), kGrooveOff);
    EXPECT_EQ(shot.pixel(55, 7), kKnobOff);
}
