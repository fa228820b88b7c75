#include "app/ZRVeskSplash.h"
#include "editor/ZRCallbacks.h"
#include "tests/app/ShellSkin.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QStringList>
#include <QTemporaryDir>
#include <QWindow>

#include <gtest/gtest.h>

namespace {

QString defaultBitmap() {
    return QStringLiteral(CLIPSTEAD_BIN_DIR "/skins/default/zrsplash.bmp");
}

// Records the text the label shows each time it is painted.
class PaintRecorder : public QObject {
public:
    explicit PaintRecorder(QLabel* label) : m_label(label) { label->installEventFilter(this); }
    QStringList painted;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (watched == m_label && e->type() == QEvent::Paint) painted << m_label->text();
        return false;
    }

private:
    QLabel* m_label;
};

class SplashTest : public ::testing::Test {
protected:
    void SetUp() override { useShellSkin(); }
    void TearDown() override { ZRVeskSplash::publish(nullptr); }
};

TEST_F(SplashTest, IsAStayOnTopToolWindowThatDeletesItselfOnClose) {
    ZRVeskSplash splash(defaultBitmap());
    EXPECT_EQ(splash.objectName(), "ZRVeskSplash");
    EXPECT_EQ(splash.windowType(), Qt::Tool);
    EXPECT_TRUE(splash.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(splash.testAttribute(Qt::WA_DeleteOnClose));
    EXPECT_EQ(splash.windowModality(), Qt::ApplicationModal);
    EXPECT_EQ(splash.messageLabel()->text(), "Loading libraries...");
}

// The picture sits in the frame's middle widened by 10 pixels, the message line at its foot;
// a bitmap that cannot be read gives the size a bitmap of the fallback size would.
TEST_F(SplashTest, TheBitmapFillsThePictureAreaAndTheMessageLineSitsUnderIt) {
    ZRVeskSplash splash(defaultBitmap());
    splash.show();
    ASSERT_FALSE(splash.image().isNull());
    const QSize picture = splash.image().size();
    const QRect area = splash.pictureRect();
    EXPECT_EQ(area.width(), picture.width());
    EXPECT_EQ(area.height(), picture.height() + 15);
    EXPECT_TRUE(splash.rect().contains(area));

    const QLabel* label = splash.messageLabel();
    EXPECT_EQ(label->geometry(), QRect(area.left(), area.bottom() - 15, area.width(), 16));
    EXPECT_EQ(label->indent(), 20);

    const QImage shot = splash.grab().toImage();
    for (const QPoint p : {QPoint(0, 0), QPoint(picture.width() / 2, picture.height() / 3),
                           QPoint(picture.width() - 1, picture.height() - 40)})
        EXPECT_EQ(shot.pixel(area.topLeft() + p) | 0xFF000000u,
                  splash.image().pixel(p) | 0xFF000000u)
            << p.x() << "," << p.y();

    QTemporaryDir dir;
    const QString garbage = dir.filePath("garbage.bmp");
    QFile file(garbage);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("BM not really a bitmap");
    file.close();
    for (const QString& path : {dir.filePath("missing.bmp"), garbage}) {
        ZRVeskSplash fallback(path);
        fallback.show();
        EXPECT_TRUE(fallback.image().isNull()) << qPrintable(path);
        EXPECT_EQ(fallback.size(), splash.size()) << qPrintable(path);
        EXPECT_EQ(fallback.pictureRect(), area) << qPrintable(path);
        fallback.grab();
    }
}

TEST_F(SplashTest, EachEngineMessageIsPaintedAsItArrives) {
    auto* splash = new ZRVeskSplash(defaultBitmap());
    ZRVeskSplash::publish(splash);
    splash->show();
    QCoreApplication::processEvents();
    PaintRecorder recorder(splash->messageLabel());

    const char* const messages[][2] = {
        {"Font", "DejaVu Sans"}, {"Video Effect", "Sepia"}, {"Transition", "Wipe"}};
    QImage previous = splash->messageLabel()->grab().toImage();
    for (const auto& m : messages) {
        const QString expected = QString::fromLatin1(m[0]) + ": " + QString::fromLatin1(m[1]);
        // No event loop runs in between, as while the engine loads.
        showEngineMessage(m[0], m[1]);
        ASSERT_FALSE(recorder.painted.isEmpty()) << m[0];
        EXPECT_EQ(recorder.painted.last(), expected);
        const QImage shot = splash->messageLabel()->grab().toImage();
        EXPECT_NE(shot, previous) << m[0];
        previous = shot;
    }
    delete splash;
    EXPECT_EQ(ZRVeskSplash::current(), nullptr);
    showEngineMessage("Font", "after the splash");
}

TEST_F(SplashTest, MessagesAfterTheWindowSystemClosedTheSplashAreDropped) {
    auto* splash = new ZRVeskSplash(defaultBitmap());
    QPointer<ZRVeskSplash> watch(splash);
    ZRVeskSplash::publish(splash);
    splash->show();
    QCoreApplication::processEvents();
    ASSERT_TRUE(splash->windowHandle());

    QCloseEvent close;
    QCoreApplication::sendEvent(splash->windowHandle(), &close);
    if (watch) {
        EXPECT_FALSE(watch->isVisible());
    }
    showEngineMessage("Font", "closed, not yet deleted");

    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(watch.isNull());
    EXPECT_EQ(ZRVeskSplash::current(), nullptr);
    showEngineMessage("Font", "deleted");
}

TEST_F(SplashTest, OnlyThePublishedSplashWithdrawsWhenDestroyed) {
    ZRVeskSplash published(defaultBitmap());
    ZRVeskSplash::publish(&published);
    { ZRVeskSplash other(defaultBitmap()); }
    EXPECT_EQ(ZRVeskSplash::current(), &published);
    showEngineMessage("Font", "still here");
    EXPECT_EQ(published.messageLabel()->text(), "Font: still here");
}

} // namespace
