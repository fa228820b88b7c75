#include "classes/widgets/ZRFrame.h"

#include "tests/classes/widgets/SkinFixtures.h"

#include <gtest/gtest.h>

namespace {

constexpr QRgb kFrameEdge = 0xFFC03020u, kFrameFill = 0xFF203040u, kRoot = 0xFF000000u;

std::unique_ptr<QDict<PSDLayerSet>> frameSkin() {
    return SkinBuilder().box(QStringLiteral("frame"), kFrameFill, kFrameEdge).build();
}

} // namespace

TEST(ZRFrame, TakesItsMinimumSizeFromTheFrameSet) {
    auto skin = SkinBuilder()
                    .set(QStringLiteral("frame"))
                    .layer(QStringLiteral("nw"), QRect(0, 0, 10, 10), kFrameEdge)
                    .layer(QStringLiteral("se"), QRect(190, 90, 10, 10), kFrameEdge)
                    .layer(QStringLiteral("fill_color"), QRect(10, 10, 4, 4), kFrameFill)
                    .build();
    ZRFrame frame(skin.get());
    EXPECT_EQ(frame.minimumSize(), QSize(200, 100));

    ZRFrame bare(static_cast<QDict<PSDLayerSet>*>(nullptr));
    EXPECT_EQ(bare.minimumSize(), QSize(0, 0));
}

TEST(ZRFrame, ComposesTheBoxThenTheCaptionAtNineOne) {
    auto skin = frameSkin();
    SkinRoot root(kRoot);
    auto* frame = new ZRFrame(skin.get(), &root);
    frame->setGeometry(20, 10, 120, 60);
    frame->setCaptionColor(QColor(250, 240, 10));
    frame->setCaption(QStringLiteral("Hi"));
    frame->show();
    EXPECT_EQ(frame->outerRect(), QRect(-1, -1, 122, 62));
    ASSERT_EQ(frame->caption(), QStringLiteral("Hi"));

    const QImage shown = frame->grab().toImage();
    ASSERT_EQ(shown.size(), QSize(120, 60));
    EXPECT_EQ(shown.pixel(0, 0), kFrameEdge);
    EXPECT_EQ(shown.pixel(119, 59), kFrameEdge);
    EXPECT_EQ(shown.pixel(60, 40), kFrameFill);

    // The caption's opaque pixels land at (9, 1) plus their place in the caption image.
    ZRTextImage reference(QStringLiteral("Hi"), QColor(250, 240, 10), frame->captionFontName(),
                          frame->captionFontSize(), 0.0f);
    ASSERT_NE(reference.image(), nullptr);
    EXPECT_EQ(frame->captionRect(), QRect(QPoint(9, 1), reference.size()));
    int opaque = 0;
    for (int y = 0; y < reference.size().height(); ++y) {
        for (int x = 0; x < reference.size().width(); ++x) {
            if (qAlpha(reference.image()->pixel(x, y)) != 255) continue;
            ++opaque;
            EXPECT_EQ(shown.pixel(9 + x, 1 + y), qRgb(250, 240, 10)) << x << "," << y;
        }
    }
    EXPECT_GT(opaque, 0);

    // The frame drew into the root's image at its place in the root.
    EXPECT_EQ(root.composedImage()->pixel(20, 10), kFrameEdge);
    EXPECT_EQ(root.composedImage()->pixel(80, 50), kFrameFill);
}

TEST(ZRFrame, FontSettersKeepTheOtherHalfOfTheFont) {
    ZRFrame frame(static_cast<QDict<PSDLayerSet>*>(nullptr));
    EXPECT_EQ(frame.captionFontName(), QStringLiteral("ariblk.ttf"));
    EXPECT_EQ(frame.captionFontSize(), 10);
    frame.setCaptionFontSize(12);
    EXPECT_EQ(frame.captionFontName(), QStringLiteral("ariblk.ttf"));
    EXPECT_EQ(frame.captionFontSize(), 12);
    frame.setCaptionFontName(QStringLiteral("arial.ttf"));
    EXPECT_EQ(frame.captionFontName(), QStringLiteral("arial.ttf"));
    EXPECT_EQ(frame.captionFontSize(), 12);
    EXPECT_EQ(frame.property("captionFontName").toString(), QStringLiteral("arial.ttf"));
    frame.setProperty("caption", QStringLiteral("Clip"));
    EXPECT_EQ(frame.caption(), QStringLiteral("Clip"));
    EXPECT_TRUE(frame.windowTitle().isEmpty());
}

TEST(ZRFrame, TheDefaultFrameUsesThePreviewFrameSkinAndAWhiteCaption) {
    useDefaultSkin();
    QDict<PSDLayerSet>* sets = preloadedSkinSets("preview_frame");
    ASSERT_NE(sets, nullptr);
    ZRFrame frame;
    EXPECT_EQ(frame.minimumSize(), sets->find(QStringLiteral("frame"))->bounds.size());
    EXPECT_EQ(frame.captionColor().rgba(), 0xFFFFFFFFu);
}
