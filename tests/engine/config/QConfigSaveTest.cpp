#include "common/config/QConfig.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace {

// The saves in the background report back through the event loop of the object's thread.
class QConfigSaveTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!QCoreApplication::instance())
            m_application = std::make_unique<QCoreApplication>(m_argc, m_argv);
        ASSERT_TRUE(m_dir.isValid());
    }

    QString path() const { return m_dir.filePath(QStringLiteral("clipstead.ini")); }
    QByteArray read() const {
        QFile f(path());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    std::unique_ptr<QConfig> open() const {
        return std::make_unique<QConfig>(QConfig::Flavour::Program, path());
    }
    /// Runs the event loop until `done` or five seconds passed.
    template <class Done> bool spinUntil(Done done) {
        QDeadlineTimer deadline(5000);
        while (!done() && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        return done();
    }

    QTemporaryDir m_dir;
    int m_argc = 1;
    char m_name[8] = "test";
    char* m_argv[2] = {m_name, nullptr};
    std::unique_ptr<QCoreApplication> m_application;
};

// A program killed or crashed after a change still finds it in the file: the automatic save
// writes it a moment later, without the object being saved or destroyed.
TEST_F(QConfigSaveTest, ChangesReachTheFileSoonAfterWithoutAnExplicitSave) {
    auto config = open();
    config->setAutoSave(20);
    config->setGroup(QStringLiteral("BrowserFolder::"));
    config->writeEntry(QStringLiteral("Profile1"), QStringLiteral("/clips/a.avi"));
    config->writeEntry(QStringLiteral("NumProfiles"), 2);
    ASSERT_TRUE(spinUntil([&] { return !config->isModified(); }));
    EXPECT_TRUE(read().contains("[BrowserFolder::]\nProfile1=/clips/a.avi\nNumProfiles=2\n"))
        << read().data();

    // A removal counts as a change too.
    config->deleteEntry(QStringLiteral("Profile1"));
    ASSERT_TRUE(spinUntil([&] { return !config->isModified(); }));
    EXPECT_FALSE(read().contains("Profile1")) << read().data();

    // Without the automatic save nothing is written before the object asks.
    config->setAutoSave(0);
    config->writeEntry(QStringLiteral("later"), 1);
    QDeadlineTimer pause(100);
    while (!pause.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_FALSE(read().contains("later"));
    EXPECT_TRUE(config->isModified());
    config.reset(); // the destructor saves
    EXPECT_TRUE(read().contains("later=1\n"));
}

// A change made while a save runs stays to be saved, and a save that follows puts the newest
// values in the file, never the copy the background save took.
TEST_F(QConfigSaveTest, ChangesDuringASaveAreNotLostOrOverwritten) {
    auto config = open();
    config->setGroup(QStringLiteral("G"));
    for (int i = 0; i < 2000; ++i)
        config->writeEntry(QStringLiteral("k%1").arg(i), QString(500, QLatin1Char('v')));
    config->writeEntry(QStringLiteral("x"), 1);
    ASSERT_TRUE(config->saveInBackground());
    config->writeEntry(QStringLiteral("x"), 2);
    EXPECT_FALSE(config->saveInBackground()) << "one save at a time";
    ASSERT_TRUE(spinUntil([&] { return !config->isSaving(); }));
    QCoreApplication::processEvents();
    EXPECT_TRUE(config->isModified());
    ASSERT_TRUE(config->writeFile());
    auto again = open();
    again->setGroup(QStringLiteral("G"));
    EXPECT_EQ(again->readNumEntry(QStringLiteral("x")), 2);
    EXPECT_EQ(again->readEntry(QStringLiteral("k1999")).size(), 500);

    // The synchronous save waits for one in the background.
    config->writeEntry(QStringLiteral("x"), 3);
    ASSERT_TRUE(config->saveInBackground());
    config->writeEntry(QStringLiteral("x"), 4);
    ASSERT_TRUE(config->writeFile());
    EXPECT_FALSE(config->isSaving());
    again->reload();
    again->setGroup(QStringLiteral("G"));
    EXPECT_EQ(again->readNumEntry(QStringLiteral("x")), 4);
    again->clearModified(true);
}

// A file that cannot be written keeps the changes for a later save.
TEST_F(QConfigSaveTest, AFailedSaveKeepsTheChanges) {
    auto config = open();
    config->writeEntry(QStringLiteral("k"), 1);
    ASSERT_TRUE(config->writeFile());
    QFile::remove(path());
    ASSERT_TRUE(QDir().mkdir(path())); // a folder where the file was
    config->writeEntry(QStringLiteral("k"), 2);
    ASSERT_TRUE(config->saveInBackground());
    ASSERT_TRUE(spinUntil([&] { return !config->isSaving(); }));
    QCoreApplication::processEvents();
    EXPECT_TRUE(config->isModified());
    ASSERT_TRUE(QDir().rmdir(path()));
    ASSERT_TRUE(config->writeFile());
    EXPECT_TRUE(read().contains("k=2\n"));
}

} // namespace
