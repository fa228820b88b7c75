#include "app/ZRAboutDialog.h"
#include "classes/skins/PSDImage.h"
#include "classes/skins/PSDLayerSet.h"
#include "classes/widgets/ZRPushButton.h"
#include "tests/app/ShellSkin.h"

#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

class AboutTest : public ::testing::Test {
protected:
    void SetUp() override { useShellSkin(); }
};

// Clicks the dialog's OK button once its modal loop runs; answers what `exec` returned and
// whether the dialog was deleted afterwards.
std::pair<int, bool> clickOk(ZRAboutDialog* about) {
    QPointer<ZRAboutDialog> watch(about);
    QTimer::singleShot(0, about, [about] {
        QTest::mouseClick(about->okButton(), Qt::LeftButton, {},
                          about->okButton()->rect().center());
    });
    const int result = about->exec();
    return {result, watch.isNull()};
}

TEST_F(AboutTest, TakesTheSkinsPictureSizeAndButtonAndClosesWithAcceptOnOk) {
    const QByteArray path = QByteArray(CLIPSTEAD_BIN_DIR) + "/skins/default/about.psd";
    auto layers = LoadPSDImage(path.constData(), kPSDApplyLayerOpacity);
    ASSERT_TRUE(layers);
    const QImage merged = layers->find(kMergedLayerName)->image;
    auto sets = groupLayersIntoSets(layers.get(), true);
    ASSERT_TRUE(sets);
    for (const char* name : {"OK", "Descriptor", "bottom_background"})
        ASSERT_TRUE(sets->find(QLatin1String(name))) << name;
    const PSDLayerSet* ok = sets->find(QStringLiteral("OK"));
    const PSDLayerSet* bottom = sets->find(QStringLiteral("bottom_background"));

    auto* about = new ZRAboutDialog(nullptr, "zraboutdialog");
    EXPECT_EQ(about->objectName(), "zraboutdialog");
    EXPECT_EQ(about->size(), merged.size());
    EXPECT_EQ(about->windowModality(), Qt::ApplicationModal);
    ZRPushButton* button = about->okButton();
    EXPECT_EQ(button->geometry(), ok->bounds);
    EXPECT_TRUE(button->isDefault());

    // The picture shows as the skin composed it, the bottom band in its place.
    about->show();
    const QImage shot = about->grab().toImage();
    const QPoint inBand(bottom->originX + 20, bottom->originY + bottom->bounds.height() / 2);
    ASSERT_TRUE(bottom->bounds.contains(inBand));
    for (const QPoint p : {inBand, QPoint(20, 20), QPoint(merged.width() / 2, 40)})
        EXPECT_EQ(shot.pixel(p) | 0xFF000000u, merged.pixel(p) | 0xFF000000u)
            << p.x() << "," << p.y();

    const auto [result, deleted] = clickOk(about);
    EXPECT_EQ(result, 1);
    EXPECT_TRUE(deleted);
}

TEST_F(AboutTest, WithoutItsSkinItStillOffersOk) {
    QTemporaryDir empty;
    const QString kept = skinBaseFolder();
    setSkinBaseFolder(empty.path());
    auto* about = new ZRAboutDialog;
    setSkinBaseFolder(kept);
    EXPECT_FALSE(about->size().isEmpty());
    ASSERT_TRUE(about->okButton());
    EXPECT_TRUE(about->rect().contains(about->okButton()->geometry()));
    const auto [result, deleted] = clickOk(about);
    EXPECT_EQ(result, 1);
    EXPECT_TRUE(deleted);
}

} // namespace
