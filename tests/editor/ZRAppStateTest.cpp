#include "tests/editor/AppFixture.h"

#include <QMenuBar>
#include <QPushButton>
#include <QTabBar>

#include <memory>

namespace {

int gReleased = 0;

TEST(AppState, DefaultsAndOwnedSettings) {
    int fakeSettings = 0;
    {
        ZRAppState state;
        EXPECT_EQ(state.mode, 4);
        EXPECT_EQ(state.frameWidth, 320);
        EXPECT_EQ(state.frameHeight, 200);
        EXPECT_EQ(state.frameRate, 30.0);
        EXPECT_EQ(state.formatIndex, 3);
        EXPECT_TRUE(state.ntsc);
        EXPECT_EQ(state.splitSize, 3784704);
        EXPECT_TRUE(state.useBackgroundRenderer);
        EXPECT_TRUE(state.sceneDetection);
        EXPECT_FALSE(state.exportRunning);
        EXPECT_FALSE(state.stopRequested);
        EXPECT_FALSE(state.previewPlaying);
        EXPECT_EQ(state.settings(), nullptr);
        state.setSettings(reinterpret_cast<QConfig*>(&fakeSettings), [](QConfig*) { ++gReleased; });
    }
    EXPECT_EQ(gReleased, 1);
}

// The components of a main window, all enabled.
struct Components {
    QPushButton capture, edit, produce;
    QWidget browser;
    QWidget storyboard, trimmerLeft, trimmerRight;
    QMenuBar menuBar;

    explicit Components(ZRAppState& s) {
        s.captureButton = &capture;
        s.editButton = &edit;
        s.produceButton = &produce;
        s.browser = &browser;
        s.storyboard = &storyboard;
        s.trimmerLeft = &trimmerLeft;
        s.trimmerRight = &trimmerRight;
        s.menuBar = &menuBar;
    }
    // buttons, browser, storyboard, menu bar, trimmers
    std::array<bool, 5> enabled() const {
        return {capture.isEnabled() && edit.isEnabled() && produce.isEnabled(), browser.isEnabled(),
                storyboard.isEnabled(), menuBar.isEnabled(),
                trimmerLeft.isEnabled() && trimmerRight.isEnabled()};
    }
};

TEST(AppState, DisablesTheGroupsOfTheMask) {
    testsupport::guiApplication();
    struct Case {
        unsigned mask;
        std::array<bool, 5> enabled;
    };
    const Case cases[] = {
        {1, {false, false, false, false, false}}, {2, {false, true, true, true, true}},
        {4, {true, false, true, true, true}},     {8, {true, true, false, true, true}},
        {16, {true, true, true, true, true}},     {32, {true, true, true, false, true}},
        {64, {true, true, true, true, false}},    {2 | 32, {false, true, true, false, true}},
        {0, {true, true, true, true, true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mask);
        ZRAppState state;
        Components parts(state);
        state.setComponentsEnabled(false, c.mask);
        EXPECT_EQ(parts.enabled(), c.enabled);
        // Enabling the same mask undoes it, except for the trimmers without a current object.
        state.setComponentsEnabled(true, c.mask);
        auto back = c.enabled;
        for (size_t i = 0; i < 4; ++i)
            back[i] = true;
        EXPECT_EQ(parts.enabled(), back);
    }
}

TEST(AppState, EnablingTheTrimmersNeedsACurrentObject) {
    testsupport::guiApplication();
    ZRAppState state;
    Components parts(state);
    FakeHub hub;
    state.hub = &hub;
    state.setComponentsEnabled(false, 64);
    state.setComponentsEnabled(true, 64);
    EXPECT_FALSE(parts.trimmerLeft.isEnabled());
    hub.current = reinterpret_cast<IZRObject*>(&hub);
    state.setComponentsEnabled(true, 64);
    EXPECT_TRUE(parts.trimmerLeft.isEnabled());
    EXPECT_TRUE(parts.trimmerRight.isEnabled());
}

TEST(AppState, ComponentSlotsEmptyThemselves) {
    testsupport::guiApplication();
    ZRAppState state;
    { Components parts(state); }
    EXPECT_EQ(state.browser, nullptr);
    EXPECT_EQ(state.storyboard, nullptr);
    state.setComponentsEnabled(false, 1);
    state.addBrowserFile("", "/clips/a.avi", 0);
    EXPECT_TRUE(state.selectedBrowserFile().isNull());
}

TEST(AppState, ModifiedFlagDrivesSave) {
    ZRAppState state;
    FakeHub hub;
    state.hub = &hub;
    state.setModified(true);
    EXPECT_TRUE(state.modified);
    state.setModified(false);
    EXPECT_FALSE(state.modified);
    using Item = std::pair<int, bool>;
    EXPECT_EQ(hub.enabledItems, (QVector<Item>{{2903, true}, {2903, false}}));
}

// The browser is the window's: the state object hands files to it and asks it through the hub.
TEST(AppState, BrowserFilesGoThroughTheWindow) {
    ZRAppState state;
    FakeHub hub;
    state.hub = &hub;
    state.addBrowserFile("Captures", "/clips/a.avi", 1);
    EXPECT_EQ(hub.browserFiles, QStringList{"Captures|/clips/a.avi|1"});
    EXPECT_TRUE(state.selectedBrowserFile().isNull());
    hub.selectedFile = "/clips/b.avi";
    EXPECT_EQ(state.selectedBrowserFile(), "/clips/b.avi");
}

} // namespace
