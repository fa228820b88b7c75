#pragma once

// What the view tests share: one offscreen application with the default skin preloaded, an
// engine timeline over the render tests' module tree (the counting clip, whose every pixel
// encodes its frame number: blue the low byte, green the high byte) at 25 frames per second,
// the program's callbacks, a fake main window published as the hub, and clips made by code.

#include "classes/skins/ZRSkinPreload.h"
#include "editor/ZRAppState.h"
#include "editor/ZRCallbacks.h"
#include "engine/api/IZRTimeline.h"
#include "platform/system/SystemPaths.h"
#include "tests/support/GuiApplication.h"

#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QMimeData>
#include <QString>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

#include <string>

/// Processes events until `a == b` (five seconds at most); fails, showing both values, when
/// that never happened. The values are not read again after a match: a frame view's picture
/// read twice may be taken once between a render pass's start and its repaint.
#define EXPECT_EVENTUALLY_EQ(a, b)                                                                 \
    do {                                                                                           \
        if (!QTest::qWaitFor([&] { return (a) == (b); }, 5000)) {                                  \
            EXPECT_EQ(a, b);                                                                       \
        }                                                                                          \
    } while (0)
#define EXPECT_EVENTUALLY(c) EXPECT_EVENTUALLY_EQ(bool(c), true)

namespace viewstest {

/// Empty media files in `dir` (the counting module reads only their names), as local URLs.
inline QList<QUrl> mediaFiles(const QTemporaryDir& dir, const QStringList& names) {
    QList<QUrl> urls;
    for (const QString& name : names) {
        const QString path = dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        urls.append(QUrl::fromLocalFile(path));
    }
    return urls;
}

/// New drag data holding `urls`.
inline QMimeData* urlData(const QList<QUrl>& urls) {
    auto* data = new QMimeData;
    data->setUrls(urls);
    return data;
}

constexpr double kRate = 25.0;

/// A main window's answers: the current object and the current position.
class FakeHub : public ZRAppState::Hub {
public:
    IZRObject* current = nullptr;
    IZRPos* position = nullptr;

    IZRObject* currentObject() override { return current; }
    IZRPos* currentPosition() override { return position; }
    void message(const QString&, int) override {}
    void setMenuItemEnabled(int, bool) override {}
    void setMenuItemChecked(int, bool) override {}
};

/// The frame number a counting-clip pixel shows.
inline int frameNumber(QRgb pixel) {
    return qBlue(pixel) | qGreen(pixel) << 8;
}

class ViewsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        testsupport::guiApplication();
        static bool loaded = false;
        if (!loaded) {
            setSkinBaseFolder(QStringLiteral(CLIPSTEAD_BIN_DIR));
            preloadSkins();
            loaded = true;
        }
    }

    void SetUp() override {
        fillCallbacks(callbacks);
        timeline = IZRCreateTimelineInstance(&callbacks, CLIPSTEAD_RENDER_FIXTURE, 1);
        ASSERT_NE(timeline, nullptr);
        timeline->settings()->setDoubleSetting("Framerate", kRate);
        appState().timeline = timeline;
        appState().hub = &hub;
        hub.position = pos(0);
    }

    void TearDown() override {
        // Widgets made by a test are gone by now; what they posted goes with them.
        QCoreApplication::removePostedEvents(nullptr);
        ZRAppState& state = appState();
        state.hub = nullptr;
        state.timeline = nullptr;
        if (timeline) IZRDeleteTimelineInstance(timeline);
    }

    IZRObjectFactory* factory() { return timeline->factory(); }

    /// Replaces the timeline with one over the module tree (transitions, effects and titles with
    /// the engine's fonts) instead of the counting clip's alone.
    void useModuleTree() {
        IZRDeleteTimelineInstance(timeline);
        static const int anchor = 0;
        const QByteArray root =
            (platform::folderOfAddress(&anchor) + QStringLiteral("modulefixture/")).toUtf8();
        timeline = IZRCreateTimelineInstance(&callbacks, root.constData(), 0);
        ASSERT_NE(timeline, nullptr);
        timeline->settings()->setDoubleSetting("Framerate", kRate);
        appState().timeline = timeline;
        hub.position = pos(0);
    }

    /// A position `frames` frames from the start, at the timeline's rate; owned by the timeline.
    IZRPos* pos(int frames) {
        IZRPos* p = factory()->createPosAt(0, 0, 0, 0, kRate);
        p->addFrames(frames);
        return p;
    }

    /// A counting clip (2 s; "long" in the name makes it 20 s) on no track.
    IZRObject* clip(const std::string& name = "clip.avi") {
        return factory()->createObject("Import", "Media Import", nullptr, name.c_str());
    }

    IZRCallbacks callbacks{};
    IZRTimeline* timeline = nullptr;
    FakeHub hub;
};

} // namespace viewstest
