#include "browser/ZREngineIconView.h"

#include "browser/ZREngineIconViewItem.h"
#include "editor/ZREngineDrag.h"
#include "tests/browser/BrowserFixture.h"

#include <QDrag>

namespace {

using browsertest::BrowserTest;

class ReloadCountingView : public ZREngineIconView {
public:
    using ZREngineIconView::ZREngineIconView;
    void reload() override { ++reloads; }
    int reloads = 0;
};

class EngineIconView : public BrowserTest {
protected:
    ZREngineIconViewItem* add(bool folder, const QString& group, const QString& name) {
        return new ZREngineIconViewItem(&view, folder, "Transition", group, name, QString(),
                                        browsertest::icon(40, 30));
    }
    ReloadCountingView view{nullptr, "engine view"};
};

TEST_F(EngineIconView, IsASingleSelectionBoxedViewWithoutDrops) {
    EXPECT_STREQ(view.metaObject()->className(), "ZREngineIconView");
    EXPECT_EQ(view.selectionMode(), ZRIconView::Single);
    EXPECT_EQ(view.resizeMode(), ZRIconView::Adjust);
    EXPECT_TRUE(view.wordWrapIconText());
    EXPECT_TRUE(view.autoArrange());
    EXPECT_FALSE(view.viewport()->acceptDrops());
    EXPECT_EQ(view.frameShape(), QFrame::Box);
    EXPECT_EQ(view.frameShadow(), QFrame::Plain);
    EXPECT_EQ(view.lineWidth(), 1);
    // The default skin holds all ten layers.
    for (const ZREngineSkinLayer& layer : view.skinLayers().layers)
        EXPECT_FALSE(layer.isNull());
    EXPECT_EQ(view.skinLayers()[ZREngineSkinLayers::SmallIcon].size(), QSize(64, 44));
}

TEST_F(EngineIconView, SetTimelineReloadsAndAnswersThePreviousOne) {
    EXPECT_EQ(view.setTimeline(timeline), nullptr);
    EXPECT_EQ(view.setTimeline(nullptr), timeline);
    EXPECT_EQ(view.reloads, 2);
}

TEST_F(EngineIconView, SetCurrentItemWithoutItemClearsTheSelection) {
    ZREngineIconViewItem* item = add(false, "Basic", "Test Fade");
    view.setSelected(item, true);
    view.setCurrentItem(nullptr);
    EXPECT_FALSE(item->isSelected());
}

TEST_F(EngineIconView, DragsTheCurrentEntryOnly) {
    EXPECT_EQ(view.dragObject(), nullptr);
    ZREngineIconViewItem* folder = add(true, "Basic", "Basic");
    ZREngineIconViewItem* entry = add(false, "Basic", "Test Fade");
    view.setCurrentItem(folder);
    EXPECT_EQ(view.dragObject(), nullptr);

    view.setSelected(entry, true);
    std::unique_ptr<QDrag> drag(view.dragObject());
    ASSERT_NE(drag, nullptr);
    auto* data = dynamic_cast<ZREngineDrag*>(drag->mimeData());
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->count(), 1);
    int id = 0;
    QString kind, group, name;
    ASSERT_TRUE(ZREngineDrag::decode(data, id, kind, group, name));
    EXPECT_EQ(id, 100);
    EXPECT_EQ(kind, "Transition");
    EXPECT_EQ(group, "Basic");
    EXPECT_EQ(name, "Test Fade");
    // The item's picture in two colours, held at its centre.
    EXPECT_EQ(drag->pixmap().size(), QSize(40, 30));
    EXPECT_EQ(drag->hotSpot(), QPoint(20, 15));
}

// Texts the payload's split would cut, shift or merge start no drag.
TEST_F(EngineIconView, NoDragForTextsThatDoNotCrossWhole) {
    const struct {
        const char* group;
        const char* name;
    } cases[] = {{"Basic", "a$@@$b"}, {"Basic", "Fade$@@"}, {"Basic", ""}, {"", "Test Fade"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.group) + "/" + c.name);
        view.clear();
        ZREngineIconViewItem* entry = add(false, c.group, c.name);
        view.setSelected(entry, true);
        EXPECT_EQ(view.currentItem(), entry);
        EXPECT_EQ(view.dragObject(), nullptr);
    }
}

} // namespace
