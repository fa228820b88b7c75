#include "classes/skins/PSDLayerSet.h"

#include <gtest/gtest.h>

namespace {

std::shared_ptr<PSDLayer> record(const QString& name, QRect rect, const QString& set = {},
                                 uint8_t opacity = 255, QRgb fill = 0xFF808080) {
    QImage image;
    if (!rect.isEmpty()) {
        image = QImage(rect.size(), QImage::Format_ARGB32);
        image.fill(fill);
    }
    return std::make_shared<PSDLayer>(QRect(0, 0, 200, 100), rect.topLeft(), image, name, 0, 1,
                                      opacity, set, set.isEmpty() ? -1 : 7);
}

// The flat dictionary of a document: composite, a layer outside sets, and the set "box":
// divider, members spanning (100, 30)-(180, 60), an empty member, and the header.
std::unique_ptr<QDict<PSDLayer>> document(uint8_t headerOpacity = 255) {
    auto flat = std::make_unique<QDict<PSDLayer>>();
    flat->insert(kMergedLayerName, std::make_shared<PSDLayer>());
    flat->insert("outside", record("outside", QRect(0, 0, 10, 10)));
    flat->insert(kLayerSetDividerName, record(kLayerSetDividerName, QRect(), "box"));
    flat->insert("a", record("a", QRect(100, 30, 20, 10), "box"));
    flat->insert("b", record("b", QRect(120, 40, 61, 21), "box"));
    flat->insert("empty", record("empty", QRect(5, 5, 0, 0), "box"));
    flat->insert("box", record("box", QRect(), "box", headerOpacity));
    return flat;
}

TEST(PSDLayerSet, RelativeGroupingMovesLayersIntoTheirSet) {
    auto flat = document();
    auto sets = groupLayersIntoSets(flat.get(), true);
    ASSERT_TRUE(sets);
    PSDLayerSet* box = sets->find("box");
    ASSERT_TRUE(box);
    EXPECT_EQ(box->bounds, QRect(QPoint(100, 30), QPoint(180, 60)));
    EXPECT_EQ(QPoint(box->originX, box->originY), QPoint(100, 30));
    EXPECT_EQ(box->layers.find("b")->position, QPoint(20, 10));
    EXPECT_EQ(box->layers.find("a")->position, QPoint(0, 0));
    EXPECT_EQ(box->layers.find("empty")->position, QPoint(5, 5));
    EXPECT_EQ(box->layers.count(), 5);
    ASSERT_EQ(flat->count(), 2);
    EXPECT_TRUE(flat->find(kMergedLayerName));
    EXPECT_TRUE(flat->find("outside"));
    EXPECT_EQ(layerSetsBoundingRect(sets.get()), QRect(QPoint(100, 30), QPoint(180, 60)));
}

TEST(PSDLayerSet, DocumentGroupingKeepsPositionsAndTheFlatDictionary) {
    auto flat = document();
    auto sets = groupLayersIntoSets(flat.get(), false);
    ASSERT_TRUE(sets);
    EXPECT_EQ(sets->find("box")->layers.find("b")->position, QPoint(120, 40));
    EXPECT_EQ(flat->count(), 7);
}

TEST(PSDLayerSet, UpperSameNamedLayerWins) {
    auto flat = document();
    flat->insert("a", record("a", QRect(150, 50, 2, 2), "box"));
    auto sets = groupLayersIntoSets(flat.get(), true);
    EXPECT_EQ(sets->find("box")->layers.find("a")->image.size(), QSize(2, 2));
}

TEST(PSDLayerSet, NoSetsGiveNull) {
    EXPECT_FALSE(groupLayersIntoSets(nullptr, true));
    QDict<PSDLayer> flat;
    flat.insert(kMergedLayerName, std::make_shared<PSDLayer>());
    flat.insert("x", record("x", QRect(0, 0, 3, 3)));
    EXPECT_FALSE(groupLayersIntoSets(&flat, true));
    EXPECT_EQ(flat.count(), 2);
    EXPECT_EQ(layerSetsBoundingRect(nullptr), QRect(0, 0, 0, 0));
    applyLayerSetOpacity(nullptr, nullptr);
}

TEST(PSDLayerSet, SetOfEmptyLayersHasNullBounds) {
    QDict<PSDLayer> flat;
    flat.insert("e", record("e", QRect(40, 40, 0, 3), "hollow"));
    auto sets = groupLayersIntoSets(&flat, true);
    ASSERT_TRUE(sets);
    EXPECT_TRUE(sets->find("hollow")->bounds.isNull());
    EXPECT_EQ(sets->find("hollow")->originX, 0);
    EXPECT_EQ(layerSetsBoundingRect(sets.get()), QRect(0, 0, 0, 0));
}

TEST(PSDLayerSet, HeaderOpacityScalesMembersOnly) {
    for (const char* only : {static_cast<const char*>(nullptr), "box", "other"}) {
        auto flat = document(128);
        // Give the header and divider pixels so that leaving them alone shows.
        flat->find("box")->image = QImage(1, 1, QImage::Format_ARGB32);
        flat->find("box")->image.fill(0xFF000000);
        flat->find(kLayerSetDividerName)->image = flat->find("box")->image.copy();
        auto sets = groupLayersIntoSets(flat.get(), true);
        applyLayerSetOpacity(sets.get(), only);
        const QDict<PSDLayer>& layers = sets->find("box")->layers;
        const int expected = only && QByteArray(only) == "other" ? 255 : 128;
        EXPECT_EQ(qAlpha(layers.find("a")->image.pixel(0, 0)), expected) << (only ? only : "all");
        EXPECT_EQ(qAlpha(layers.find("box")->image.pixel(0, 0)), 255);
        EXPECT_EQ(qAlpha(layers.find(kLayerSetDividerName)->image.pixel(0, 0)), 255);
    }
}

} // namespace
