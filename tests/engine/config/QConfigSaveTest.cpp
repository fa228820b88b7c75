#include "common/config/QConfig.h"

#include <QCoreApplication>
#include <QDateTime>
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

namespace {

// The same edits on two objects over copies of one file; the second file is touched before the
// save, so that only the first may be written from what its object holds.
void editAndSave(QConfig& config) {
    config.setGroup(QStringLiteral("A"));
    config.writeEntry(QStringLiteral("k1"), QStringLiteral("changed"));
    config.writeEntry(QStringLiteral("new"), QStringLiteral("$5"));
    config.deleteEntry(QStringLiteral("k2"));
    config.writeEntry(QStringLiteral("k2"), QStringLiteral("back"));
    config.deleteEntry(QStringLiteral("k3"));
    config.deleteGroup(QStringLiteral("B"), true);
    config.setGroup(QStringLiteral("B"));
    config.writeEntry(QStringLiteral("fresh"), 1);
    config.renameGroup(QStringLiteral("C"), QStringLiteral("D"));
    config.setGroup(QStringLiteral("E"));
    config.writeEntry(QStringLiteral("e"), 2);
}

} // namespace

// A save that writes the groups held as they are gives the very file a save that reads the file
// again and merges would give; a file changed meanwhile by another writer is merged.
TEST_F(QConfigSaveTest, WritingWhatIsHeldGivesTheMergedFile) {
    const QByteArray text = "# Config File\n[A]\nk1=1\nk2=2\nk3=3\ndup=x\ndup=y\n[B]\nb=1\n"
                            "[C]\nc=1\n#comment\nmalformed\n[Z]\nz=1\n";
    const QString second = m_dir.filePath(QStringLiteral("second.ini"));
    for (const QString& file : {path(), second}) {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
    QConfig whole(QConfig::Flavour::Program, path());
    QConfig merged(QConfig::Flavour::Program, second);
    editAndSave(whole);
    editAndSave(merged);
    {
        QFile f(second);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        f.setFileTime(QDateTime::currentDateTime().addSecs(-100),
                      QFileDevice::FileModificationTime);
    }
    ASSERT_TRUE(whole.writeFile());
    ASSERT_TRUE(merged.writeFile());
    QFile f(second);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray mergedText = f.readAll();
    EXPECT_EQ(read(), mergedText);
    EXPECT_TRUE(mergedText.contains("[D]\nc=1\n")) << mergedText.data();

    // Another writer's save in between is kept.
    {
        auto other = open();
        other->setGroup(QStringLiteral("Other"));
        other->writeEntry(QStringLiteral("o"), 1);
    }
    whole.setGroup(QStringLiteral("A"));
    whole.writeEntry(QStringLiteral("k1"), QStringLiteral("last"));
    ASSERT_TRUE(whole.saveInBackground());
    ASSERT_TRUE(spinUntil([&] { return !whole.isSaving() && !whole.isModified(); }));
    EXPECT_TRUE(read().contains("[Other]\no=1\n")) << read().data();
    EXPECT_TRUE(read().contains("k1=last\n")) << read().data();
}
