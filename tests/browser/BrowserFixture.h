#pragma once

// What the browser tests share: one offscreen application with the default skin preloaded, an
// engine timeline over the module fixture tree (transitions, effects and titles), the program's
// callbacks, a message handler that fails the test on any Qt warning (a painter begun outside a
// paint event warns), a skinned panel and icons made by code.

#include "editor/ZRAppState.h"
#include "editor/ZRCallbacks.h"
#include "browser/ZRIconView.h"
#include "browser/ZRIconViewItem.h"
#include "classes/skins/ZRSkinPreload.h"
#include "classes/widgets/QSBWidget.h"
#include "engine/api/IZRTimeline.h"
#include "platform/system/SystemPaths.h"
#include "tests/support/GuiApplication.h"

#include <QCoreApplication>
#include <QImage>
#include <QPainter>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace browsertest {

inline void failOnQtWarning(QtMsgType type, const QMessageLogContext&, const QString& text) {
    // The offscreen platform's own notes on what it cannot do are no fault of the code.
    if (text.startsWith(QLatin1String("This plugin does not support"))) return;
    if (type == QtWarningMsg || type == QtCriticalMsg || type == QtFatalMsg)
        ADD_FAILURE() << "Qt warning: " << text.toStdString();
}

/// An opaque panel background: a diagonal gradient, so that every pixel of the skin differs
/// from its neighbours' and a misplaced composition shows.
inline QImage panelBackground(const QSize& size) {
    QImage image(size, QImage::Format_ARGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, qRgba(40 + x % 200, 60 + y % 180, 90 + (x + y) % 160, 255));
    return image;
}

/// An icon of one colour (translucent when `alpha` < 255) with a one-pixel opaque border.
inline QImage icon(int w, int h, QRgb colour = qRgba(200, 120, 30, 160)) {
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(colour);
    for (int x = 0; x < w; ++x) {
        image.setPixel(x, 0, qRgba(10, 10, 10, 255));
        image.setPixel(x, h - 1, qRgba(10, 10, 10, 255));
    }
    return image;
}

class BrowserTest : public ::testing::Test {
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
        previousHandler = qInstallMessageHandler(failOnQtWarning);
        fillCallbacks(callbacks);
        static const int anchor = 0;
        const QByteArray root =
            (platform::folderOfAddress(&anchor) + QStringLiteral("modulefixture/")).toUtf8();
        timeline = IZRCreateTimelineInstance(&callbacks, root.constData(), 0);
        ASSERT_NE(timeline, nullptr);
        appState().timeline = timeline;
    }

    void TearDown() override {
        panel.reset();
        QCoreApplication::removePostedEvents(nullptr);
        appState().timeline = nullptr;
        if (timeline) IZRDeleteTimelineInstance(timeline);
        qInstallMessageHandler(previousHandler);
    }

    /// A shown skinned panel of `size` holding a view over all of it but a margin of 10.
    ZRIconView* viewOnPanel(const QSize& size = QSize(320, 240)) {
        panel = std::make_unique<QSBWidget>(panelBackground(size), false);
        panel->resize(size);
        auto* view = new ZRIconView(panel.get(), "icons");
        view->setGeometry(10, 10, size.width() - 20, size.height() - 20);
        panel->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(panel.get()));
        return view;
    }

    std::unique_ptr<QSBWidget> panel;
    IZRCallbacks callbacks{};
    IZRTimeline* timeline = nullptr;
    QtMessageHandler previousHandler = nullptr;
};

} // namespace browsertest
