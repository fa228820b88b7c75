#include "app/ZRLauncher.h"
#include "tests/support/GuiApplication.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

// Records what it was asked to do and launches nothing.
class RecordingLauncher : public ZRLauncher {
public:
    QStringList calls;
    bool openUrl(const QUrl& address) override {
        calls << QStringLiteral("url ") + address.toString();
        return true;
    }
};

bool waitForFile(const QString& path) {
    QDeadlineTimer deadline(20000);
    while (!QFile::exists(path)) {
        if (deadline.hasExpired()) return false;
        QThread::msleep(10);
    }
    return true;
}

} // namespace

TEST(Launcher, StartsProgramsDetachedInTheirFolder) {
    testsupport::guiApplication();
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    EXPECT_TRUE(ZRLauncher::current().startDetached(
        QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QStringLiteral("touch started")},
        folder.path()));
    EXPECT_TRUE(waitForFile(folder.filePath(QStringLiteral("started"))));

    EXPECT_FALSE(ZRLauncher::current().startDetached(folder.filePath(QStringLiteral("none"))));
    EXPECT_FALSE(ZRLauncher::current().startDetached(QString()));
}

TEST(Launcher, RefusesDocumentsThatDoNotExist) {
    testsupport::guiApplication();
    QTemporaryDir folder;
    EXPECT_FALSE(ZRLauncher::current().openFile(folder.filePath(QStringLiteral("missing.pdf"))));
    EXPECT_FALSE(ZRLauncher::current().openFile(folder.path()));
    EXPECT_FALSE(ZRLauncher::current().openUrl(QUrl()));
}

TEST(Launcher, AReplacementTakesEveryCallUntilRemoved) {
    RecordingLauncher fake;
    ZRLauncher::setCurrent(&fake);
    EXPECT_TRUE(ZRLauncher::current().openUrl(QUrl(QStringLiteral("https://example.org/"))));
    EXPECT_EQ(fake.calls, QStringList{QStringLiteral("url https://example.org/")});
    ZRLauncher::setCurrent(nullptr);
    EXPECT_NE(&ZRLauncher::current(), &fake);
}
