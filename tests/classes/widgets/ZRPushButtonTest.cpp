#include "classes/widgets/ZRPushButton.h"
#include "classes/widgets/QSBWidget.h"

#include "tests/classes/widgets/SkinFixtures.h"

#include <QEnterEvent>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

constexpr QRgb kNormal = 0xFF305070u, kPressed = 0xFF102030u, kDisabled = 0xFF505050u;
constexpr QRgb kButtonEdge = 0xFF909090u, kButtonBack = 0xFF000000u;
constexpr QRgb kTextNormal = 0xFFE0E0E0u, kTextPressed = 0xFFA0A0A0u, kTextOver = 0xFF40C0FFu;

std::unique_ptr<QDict<PSDLayerSet>> buttonSkin(bool withColours, QRgb edge = kButtonEdge) {
    SkinBuilder b;
    b.box(QStringLiteral("normal_box"), kNormal, edge)
        .box(QStringLiteral("pressed_box"), kPressed, edge)
        .box(QStringLiteral("disabled_box"), kDisabled, edge);
    if (withColours) {
        b.set(QStringLiteral("text_colors"))
            .layer(QStringLiteral("normal"), QRect(0, 0, 1, 1), kTextNormal)
            .layer(QStringLiteral("pressed"), QRect(1, 0, 1, 1), kTextPressed)
            .layer(QStringLiteral("over"), QRect(2, 0, 1, 1), kTextOver)
            .layer(QStringLiteral("disabled"), QRect(3, 0, 1, 1), 0xFF010203u);
    }
    return b.build();
}

void hover(QWidget* w, bool in) {
    if (in) {
        QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), w->mapToGlobal(QPointF(2, 2)));
        QCoreApplication::sendEvent(w, &enter);
    } else {
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(w, &leave);
    }
}

QRgb centre(QWidget* w) {
    return w->grab().toImage().pixel(w->width() / 2, w->height() / 2);
}

} // namespace

TEST(ZRPushButton, BoxModeShowsTheBoxOfEachState) {
    auto skin = buttonSkin(false);
    SkinRoot root;
    QWidget plain;
    plain.show();
    for (QWidget* parent : {static_cast<QWidget*>(&root), &plain}) {
        auto* button = new ZRPushButton(parent, skin.get());
        button->setGeometry(10, 10, 60, 24);
        button->show();
        EXPECT_EQ(button->inSkinnedParent(), parent == &root);
        EXPECT_EQ(centre(button), kNormal);
        EXPECT_EQ(button->grab().toImage().pixel(0, 0), kButtonEdge);
        button->setDown(true);
        EXPECT_EQ(centre(button), kPressed);
        button->setDown(false);
        button->setCheckable(true);
        button->setChecked(true);
        EXPECT_EQ(centre(button), kPressed);
        button->setChecked(false);
        button->setEnabled(false);
        EXPECT_EQ(centre(button), kDisabled);
        hover(button, true);
        EXPECT_EQ(centre(button), kDisabled);
        delete button;
    }
}

TEST(ZRPushButton, CaptionColoursComeFromTheSkinOrTheDefaults) {
    auto withColours = buttonSkin(true);
    auto without = buttonSkin(false);
    ZRPushButton skinned(QStringLiteral("Go"), withColours.get(), nullptr);
    EXPECT_EQ(skinned.textColor(ZRPushButton::TextNormal), kTextNormal);
    EXPECT_EQ(skinned.textColor(ZRPushButton::TextPressed), kTextPressed);
    EXPECT_EQ(skinned.textColor(ZRPushButton::TextOver), kTextOver);
    EXPECT_EQ(skinned.textColor(ZRPushButton::TextDisabled), 0xB3FFFFFFu);
    EXPECT_TRUE(skinned.drawsText());

    ZRPushButton plain(QStringLiteral("Go"), without.get(), nullptr);
    EXPECT_EQ(plain.textColor(ZRPushButton::TextNormal), 0xFFFFFFFFu);
    EXPECT_EQ(plain.textColor(ZRPushButton::TextPressed), 0xFF636363u);
    EXPECT_EQ(plain.textColor(ZRPushButton::TextOver), 0xFF3662A1u);
    EXPECT_EQ(plain.textColor(ZRPushButton::TextDisabled), 0xB3FFFFFFu);

    // The caption is drawn in the state's colour: its brightest pixel shows it.
    SkinRoot root;
    auto* button = new ZRPushButton(QStringLiteral("WWW"), withColours.get(), &root);
    button->setGeometry(10, 10, 80, 30);
    button->show();
    EXPECT_EQ(button->sizeHint().height(), button->sizeHint().height());
    auto brightest = [&] {
        const QImage image = button->grab().toImage();
        QRgb best = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (qGray(image.pixel(x, y)) > qGray(best) && image.pixel(x, y) != kButtonEdge)
                    best = image.pixel(x, y);
        return best;
    };
    EXPECT_EQ(brightest(), kTextNormal & 0xFFFFFFFFu);
    hover(button, true);
    EXPECT_TRUE(button->isHovered());
    EXPECT_EQ(brightest(), kTextOver);
    hover(button, false);
    EXPECT_FALSE(button->isHovered());
}

TEST(ZRPushButton, RepaintingGivesTheSamePixelsEveryTime) {
    // Translucent edges would darken with every paint over the last one.
    auto skin = buttonSkin(true, 0x80FFFFFFu);
    SkinRoot root;
    auto* button = new ZRPushButton(QStringLiteral("Render"), skin.get(), &root);
    button->setGeometry(20, 20, 90, 30);
    button->show();
    const QImage first = button->grab().toImage();
    const QImage second = button->grab().toImage();
    EXPECT_EQ(first, second);
    // It drew into its parent's composed image, which it shows opaque.
    const QImage* composed = root.composedImage();
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 90; ++x)
            ASSERT_EQ(composed->pixel(20 + x, 20 + y) & 0xFFFFFFu, second.pixel(x, y) & 0xFFFFFFu);
}

TEST(ZRPushButton, ImageModeDrawsTheStateImageAndShiftsThePressedFace) {
    constexpr QRgb kBase = 0xFF404040u, kFace = 0xFFFFFFFFu;
    QDict<PSDLayer>* layers = new QDict<PSDLayer>;
    auto add = [&](const char* name, const QRect& rect, QRgb colour) {
        QImage image(rect.size(), QImage::Format_ARGB32);
        image.fill(colour);
        layers->insert(QLatin1String(name),
                       std::make_shared<PSDLayer>(QRect(0, 0, 99, 99), rect.topLeft(), image,
                                                  QLatin1String(name), 0, 0, 255));
    };
    add("normal", QRect(0, 0, 20, 16), kBase);
    add("face", QRect(5, 5, 4, 4), kFace);
    SkinRoot root;
    auto* button = new ZRPushButton(&root, layers, true);
    button->move(30, 30);
    button->show();
    EXPECT_FALSE(button->isBoxMode());
    EXPECT_EQ(button->size(), QSize(20, 16));
    EXPECT_EQ(button->sizeHint(), QSize(20, 16));

    QImage shown = button->grab().toImage();
    EXPECT_EQ(shown.pixel(5, 5), kFace);
    EXPECT_EQ(shown.pixel(9, 9), kBase);
    EXPECT_EQ(shown.pixel(0, 0), kBase);

    button->setDown(true);
    shown = button->grab().toImage();
    EXPECT_EQ(shown.pixel(5, 5), kButtonBack) << "only the face while pressed";
    EXPECT_EQ(shown.pixel(6, 6), kFace);
    EXPECT_EQ(shown.pixel(9, 9), kFace);
    EXPECT_EQ(shown.pixel(0, 0), kButtonBack);
}

TEST(ZRPushButton, AnOverMaskIsAnOverlayAboveNormalAndFace) {
    QDict<PSDLayer> layers;
    auto add = [&](const char* name, const QRect& rect, QRgb colour) {
        QImage image(rect.size(), QImage::Format_ARGB32);
        image.fill(colour);
        layers.insert(QLatin1String(name),
                      std::make_shared<PSDLayer>(QRect(0, 0, 99, 99), rect.topLeft(), image,
                                                 QLatin1String(name), 0, 0, 255));
    };
    add("normal", QRect(0, 0, 12, 12), 0xFF202020u);
    add("face", QRect(2, 2, 4, 4), 0xFFFFFFFFu);
    add("over_mask", QRect(8, 8, 4, 4), 0xFF00FF00u);
    SkinRoot root;
    auto* button = new ZRPushButton(&root, &layers, false);
    button->show();
    ASSERT_NE(button->slotImage(ZRPushButton::Over), nullptr);
    hover(button, true);
    const QImage shown = button->grab().toImage();
    EXPECT_EQ(shown.pixel(0, 0), 0xFF202020u);
    EXPECT_EQ(shown.pixel(2, 2), 0xFFFFFFFFu);
    EXPECT_EQ(shown.pixel(9, 9), 0xFF00FF00u);
}

TEST(ZRPushButton, AutoRepeatStartsAfterTheFirstDelayAndAccelerates) {
    ZRPushButton button(QStringLiteral("Step"), static_cast<QDict<PSDLayerSet>*>(nullptr), nullptr);
    button.resize(40, 20);
    button.setAutoRepeat(true);
    button.setAutoRepeatAccelerating(true);
    EXPECT_FALSE(button.QAbstractButton::autoRepeat()) << "Qt's own repeat stays off";

    QTest::mousePress(&button, Qt::LeftButton);
    EXPECT_EQ(button.currentRepeatInterval(), 500);
    EXPECT_TRUE(button.speedUpPending());
    for (int expected : {125, 62, 31, 31}) {
        button.repeatSpeedTimeout(); // after 2, 4, 6 and 8 s held
        EXPECT_EQ(button.currentRepeatInterval(), expected);
    }
    QTest::mouseRelease(&button, Qt::LeftButton);
    EXPECT_EQ(button.currentRepeatInterval(), -1);

    button.setAccelerate(false);
    QTest::mousePress(&button, Qt::LeftButton);
    EXPECT_EQ(button.currentRepeatInterval(), 500);
    EXPECT_FALSE(button.speedUpPending());
    QTest::mouseRelease(&button, Qt::LeftButton);
}

TEST(ZRPushButton, ARepeatTickClicksThenPressesOnlyWhileEnabled) {
    ZRPushButton button(nullptr);
    QStringList order;
    QObject::connect(&button, &QPushButton::clicked, [&] { order << "clicked"; });
    QObject::connect(&button, &QPushButton::pressed, [&] { order << "pressed"; });
    button.autoRepeatTimeout();
    EXPECT_EQ(order, QStringList({"clicked", "pressed"}));
    order.clear();
    button.setEnabled(false);
    button.autoRepeatTimeout();
    EXPECT_TRUE(order.isEmpty());
}

TEST(ZRPushButton, TheStandardLookComesFromThePreloadedButtonSkin) {
    useDefaultSkin();
    QDict<PSDLayerSet>* sets = preloadedSkinSets("standard_button_box");
    ASSERT_NE(sets, nullptr);
    const QRgb fill = sets->find(QStringLiteral("normal_box"))
                          ->layers.find(QStringLiteral("fill_color"))
                          ->image.pixel(0, 0);
    SkinRoot root;
    auto* button = new ZRPushButton(&root);
    button->setGeometry(10, 10, 60, 24);
    button->show();
    EXPECT_FALSE(button->drawsText());
    EXPECT_EQ(centre(button), fill | 0xFF000000u);
}
